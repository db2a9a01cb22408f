// A bounded soak: the console repeats a command as fast as it may (every 10 ms) and the
// test writes it on every pass of the event loop besides, against the simulated module,
// while ADC samples keep arriving between the replies. Once the log is full its
// size and the process's memory must stay where they are, and the window must answer.

#include "testutil.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define NODEWEAVE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NODEWEAVE_ASAN 1
#endif
#endif

namespace {

// Resident memory now, in KiB.
qint64 residentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return qint64(resident) * sysconf(_SC_PAGESIZE) / 1024;
}

qint64 peakKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

struct Snapshot
{
    qint64 resident;
    qint64 peak;
    qint64 sent;
    qint64 received;
    int rows;
};

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void repeatAtFullSpeedWithSampling();
};

void TestSoak::repeatAtFullSpeedWithSampling()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    // Every channel samples every 10 ms (the form's 10 s, scaled), reported to the module
    // on the port.
    sim->setSampleTimeScale(0.001);
    for (int ch = 1; ch <= 4; ++ch) {
        f.find<QLineEdit>(qPrintable(QStringLiteral("lineEdit_ADSMP%1_IT").arg(ch)))->setText("10");
        f.find<QComboBox>(qPrintable(QStringLiteral("comboBox_ADSMP%1").arg(ch)))
            ->setCurrentText(QStringLiteral("LID"));
        f.find<QCheckBox>(qPrintable(QStringLiteral("checkBox_ADSMP%1").arg(ch)))->setChecked(true);
    }
    auto *log = f.find<QTableWidget>("tableWidget_log");
    QTRY_VERIFY(log->findItems(QStringLiteral("ADC=4,"), Qt::MatchStartsWith).size() > 0);

    f.find<QCheckBox>("checkBox_logAutoScroll")->setChecked(true);
    f.find<QCheckBox>("checkBox_log_cmd")->setChecked(true);
    f.find<QCheckBox>("checkBox_sendNewLine")->setChecked(true);
    f.find<QLineEdit>("lineEdit_cmd")->setText(QStringLiteral("AT+VER"));
    f.find<QLineEdit>("lineEdit_regular_time")->setText(QStringLiteral("0"));
    auto *repeat = f.find<QCheckBox>("checkBox_regulerSend");
    repeat->setChecked(true);
    QVERIFY(repeat->isChecked());
    // The repeat alone would take minutes to fill the log.
    QTimer flood;
    connect(&flood, &QTimer::timeout, w, [w] { w->comSend(QStringLiteral("AT+VER\r\n")); });
    flood.start(0);

    auto *sentLabel = f.find<QLabel>("label_sendCnt");
    auto *recvLabel = f.find<QLabel>("label_recvCnt");
    const int cap = TestAccess::log(w)->cap();
    auto snapshot = [&] {
        return Snapshot{residentKiB(), peakKiB(), sentLabel->text().toLongLong(),
                        recvLabel->text().toLongLong(), log->rowCount()};
    };

    // Fill the log to its bound, then run on for as long again, twice.
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(log->rowCount() == cap, 40000);
    const int fillMs = int(clock.elapsed());
    const int halfMs = 6000;
    QTest::qWait(halfMs);
    const Snapshot a = snapshot();
    QTest::qWait(halfMs);
    const Snapshot b = snapshot();
    qInfo("log full after %d ms; per half of %d ms: %lld bytes sent, %lld received; resident "
          "%lld -> %lld KiB, peak %lld -> %lld KiB",
          fillMs, halfMs, b.sent - a.sent, b.received - a.received, a.resident, b.resident, a.peak,
          b.peak);

    // Traffic went on in the second half, in both directions, and the log stayed full.
    QVERIFY(b.sent - a.sent > 10000);
    QVERIFY(b.received - a.received > 10000);
    QCOMPARE(a.rows, cap);
    QCOMPARE(b.rows, cap);
    QVERIFY(TestAccess::log(w)->pendingCount() <= cap);
#ifndef NODEWEAVE_ASAN
    // Memory flat: keeping the second half's entries (over a hundred thousand) would take
    // several times this. (The address sanitizer holds freed memory back on purpose, so
    // only the sizes above count there.)
    const qint64 allowedKiB = 6 * 1024;
    QVERIFY2(b.resident - a.resident < allowedKiB,
             qPrintable(QStringLiteral("resident grew by %1 KiB").arg(b.resident - a.resident)));
    QVERIFY2(b.peak - a.peak < allowedKiB,
             qPrintable(QStringLiteral("peak grew by %1 KiB").arg(b.peak - a.peak)));
#endif

    // The newest entries interleave replies, samples and the repeated command.
    QStringList tail;
    for (int row = log->rowCount() - 5000; row < log->rowCount(); ++row)
        tail << log->item(row, 0)->text();
    QVERIFY(tail.contains(QStringLiteral("AT+VER\r\n")));
    QVERIFY(!tail.filter(QRegularExpression(QStringLiteral("^OK=.+\\r\\n$"))).isEmpty());
    QVERIFY(!tail.filter(QRegularExpression(QStringLiteral("^ADC=[1-4],.+\\r\\n$"))).isEmpty());

    // Still under full load, the window answers: a timer fires and a queued click on
    // "Clear" empties the log and the counters.
    bool fired = false;
    QTimer::singleShot(5, this, [&] { fired = true; });
    QTRY_VERIFY(fired);
    QMetaObject::invokeMethod(repeat, "click", Qt::QueuedConnection);
    QTRY_VERIFY(!repeat->isChecked());
    flood.stop();
    QMetaObject::invokeMethod(f.find<QPushButton>("pushButton_clearLog"), "click",
                              Qt::QueuedConnection);
    QTRY_VERIFY(log->rowCount() < 1000);
    QVERIFY(f.messages.isEmpty());
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
