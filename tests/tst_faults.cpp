// Faults a real serial line brings, on a pseudo-terminal: the far side going away over and
// over while traffic flows, and a peer that never ends its line. (A flood that never
// stops is the soak suite's.)

#include "testpty.h"
#include "testutil.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>

namespace {

qint64 received(WindowFixture &f)
{
    return f.find<QLabel>("label_recvCnt")->text().toLongLong();
}

int openFileDescriptors()
{
    return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size());
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void farSideClosesAgainAndAgain();
    void endlessLineStaysBounded();
};

void TestFaults::farSideClosesAgainAndAgain()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    // The console repeats a command as fast as it may: traffic flows both ways.
    f.find<QLineEdit>("lineEdit_cmd")->setText("AT+VER");
    f.find<QLineEdit>("lineEdit_regular_time")->setText("1");
    f.find<QCheckBox>("checkBox_regulerSend")->setChecked(true);
    int fdsAfterTen = -1;
    QSignalSpy lines(w, &Nodeweave::recvNewLine);
    for (int round = 0; round < 40; ++round) {
        Pty pty;
        QVERIFY(f.openPort(pty.slavePath));
        const qint64 before = received(f);
        QByteArray fromProgram;
        QTimer traffic;
        connect(&traffic, &QTimer::timeout, [&] {
            pty.trySend("ADC=1,0x0000,512\r\nIO=9,0x0000,1\r\n");
            fromProgram += pty.receive();
        });
        traffic.start(1);
        QTRY_VERIFY(received(f) >= before + 200 && fromProgram.count("AT+VER\r\n") >= 3);
        traffic.stop();
        // It goes away in the middle of a line.
        pty.trySend("ADC=2,0x00");
        QTRY_COMPARE(TestAccess::pendingSize(w), 10);
        pty.closeMaster();
        QTRY_VERIFY(!TestAccess::portOpen(w));
        QCOMPARE(f.status(), "串口已断开：" + pty.slavePath + "（设备已断开或不再应答）");
        QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("打开"));
        QCOMPARE(shownLed(f), ledImage(":/Nodeweave/comGrayLed"));
        for (const char *name : {"pushButton_send", "pushButton_scan",
                                 "pushButton_readConfiguration", "pushButton_writeConfiguartion"})
            QVERIFY2(!f.find<QPushButton>(name)->isEnabled(), name);
        // Qt opens a few descriptors of its own on first use; after that a lost port
        // must not leave one behind.
        if (round == 9) {
            QTest::qWait(50);
            fdsAfterTen = openFileDescriptors();
        }
    }
    f.find<QCheckBox>("checkBox_regulerSend")->setChecked(false);
    QVERIFY(f.messages.isEmpty());
    for (const QList<QVariant> &l : std::as_const(lines))
        QVERIFY2(!l.at(0).toString().contains("ADC=2"), qPrintable(l.at(0).toString()));
    QTest::qWait(50);
    QVERIFY(w->findChildren<QSerialPort *>().isEmpty());
    QCOMPARE(openFileDescriptors(), fdsAfterTen);
    // The next port starts clean, without the remains of the line the lost port cut.
    Pty pty;
    QVERIFY(f.openPort(pty.slavePath));
    lines.clear();
    pty.trySend("OK\r\n");
    QTRY_COMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).at(0).toString(), QString("OK\r\n"));
}

void TestFaults::endlessLineStaysBounded()
{
    constexpr int kChunk = 64 * 1024;
    Pty pty;
    // Not shown: laying out entries of 64 KiB for the screen costs far more than
    // receiving them.
    WindowFixture f(QByteArray(), false);
    Nodeweave *w = f.w.get();
    QVERIFY(f.openPort(pty.slavePath));
    QCOMPARE(TestAccess::log(w)->charBudget(), 16 * 1024 * 1024);
    TestAccess::log(w)->setCharBudget(2 * 1024 * 1024);
    QSignalSpy lines(w, &Nodeweave::recvNewLine);
    // The buffer is looked at after every read of the port.
    int largestPending = 0;
    connect(TestAccess::port(w), &QIODevice::readyRead, this,
            [&] { largestPending = qMax(largestPending, TestAccess::pendingSize(w)); });
    QList<QByteArray> chunks;
    for (int i = 0; i < 80; ++i) {
        QRandomGenerator rng(i);
        QByteArray bytes(kChunk, Qt::Uninitialized);
        for (char &c : bytes)
            c = char(rng.bounded(256));
        bytes.replace('\r', '\n'); // no line end can ever form; lone LFs included
        chunks << bytes;
        pty.send(bytes);
    }
    QTRY_COMPARE(received(f), 80 * kChunk);
    QVERIFY(largestPending > 0 && largestPending < kChunk);
    QCOMPARE(lines.size(), 0); // no run reached a reply handler
    QVERIFY(TestAccess::portOpen(w));
    // Each dropped run is one entry holding exactly its bytes; the log keeps only the
    // newest ones its size bound allows.
    const QStringList log = logTexts(f);
    const qsizetype kept = log.size();
    QVERIFY(kept >= 32 && kept < 40);
    for (qsizetype i = 0; i < kept; ++i)
        QCOMPARE(log.at(i), QString::fromLocal8Bit(chunks.at(80 - kept + i)));
    // The run ends at its CR LF; the line after it is a line again.
    pty.send("\r\nOK\r\n");
    QTRY_COMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).at(0).toString(), QString("OK\r\n"));
    QCOMPARE(f.status(), QString("Success"));
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
