// Faults a real serial line brings, on a pseudo-terminal: the far side going away over
// and over while traffic flows, a peer that never ends its line, and a peer that sends
// random bytes as fast as the program takes them.

#include "testpty.h"
#include "testutil.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTableWidget>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>


namespace {

// A device on the far side that talks without pause, from a thread of its own: it
// writes the chunks `next` makes as fast as the program takes them (up to `chunks`,
// or until stopped when that is negative), keeps every byte it wrote, and takes in
// whatever the program sends so that the program's writes never stall.
class Peer
{
public:
    Peer(int fd, std::function<QByteArray(qint64)> next, qint64 chunks, bool keep)
        : m_fd(fd), m_next(std::move(next)), m_chunks(chunks), m_keep(keep)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~Peer() { stop(); }

    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    qint64 written() const { return m_written; }
    bool done() const { return m_done; }
    QByteArray writtenBytes() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_out;
    }
    QByteArray receivedBytes() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_in;
    }

private:
    void run()
    {
        QByteArray chunk;
        qsizetype at = 0;
        qint64 index = 0;
        char buf[4096];
        while (!m_stop) {
            if (at == chunk.size() && !m_done) {
                if (m_chunks >= 0 && index >= m_chunks) {
                    m_done = true;
                } else {
                    chunk = m_next(index++);
                    at = 0;
                }
            }
            pollfd p{m_fd, short(POLLIN | (m_done ? 0 : POLLOUT)), 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            if (p.revents & POLLIN) {
                const ssize_t n = ::read(m_fd, buf, sizeof buf);
                if (n > 0) {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_in.append(buf, n);
                }
            }
            if ((p.revents & POLLOUT) && at < chunk.size()) {
                const ssize_t n = ::write(m_fd, chunk.constData() + at, size_t(chunk.size() - at));
                if (n > 0) {
                    if (m_keep) {
                        std::lock_guard<std::mutex> lock(m_mutex);
                        m_out.append(chunk.constData() + at, n);
                    }
                    at += n;
                    m_written += n;
                }
            }
        }
    }

    int m_fd;
    std::function<QByteArray(qint64)> m_next;
    qint64 m_chunks;
    bool m_keep;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::atomic<qint64> m_written{0};
    mutable std::mutex m_mutex;
    QByteArray m_out;
    QByteArray m_in;
    std::thread m_thread;
};

QString nwTr(const char *source)
{
    return QCoreApplication::translate("Nodeweave", source);
}

int openFileDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

QImage shownLed(QLabel *label)
{
    return label->pixmap()
        .scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation)
        .toImage();
}

QImage grayLed()
{
    return QPixmap(QStringLiteral(":/Nodeweave/comGrayLed"))
        .scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation)
        .toImage();
}

qint64 received(WindowFixture &f)
{
    return f.find<QLabel>("label_recvCnt")->text().toLongLong();
}

// Seeded bytes without CR, so that no line end can ever form; lone LFs included.
QByteArray noLineEnd(qint64 index, int size)
{
    QRandomGenerator rng(quint32(0x5eed0000 + index));
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes) {
        c = char(rng.bounded(256));
        if (c == '\r')
            c = '\n';
    }
    return bytes;
}

// Seeded random bytes cut into lines of random length, each ended with CR LF (the
// random bytes may hold a CR LF of their own, which ends a line as well).
QByteArray randomLines(qint64 index)
{
    QRandomGenerator rng(quint32(0xfa017000 + index));
    QByteArray bytes;
    for (int line = 0; line < 40; ++line) {
        const int size = int(rng.bounded(300));
        for (int i = 0; i < size; ++i)
            bytes.append(char(rng.bounded(256)));
        bytes.append("\r\n");
    }
    return bytes;
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void farSideClosesAHundredTimes();
    void endlessLineStaysBounded();
    void randomBytesKeepTheWindowAnswering();
};

void TestFaults::farSideClosesAHundredTimes()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    auto *openButton = f.find<QPushButton>("pushButton_openCom");
    auto *led = f.find<QLabel>("label_comLed");
    // The console repeats a command as fast as it may: traffic flows both ways.
    f.find<QLineEdit>("lineEdit_cmd")->setText(QStringLiteral("AT+VER"));
    f.find<QCheckBox>("checkBox_sendNewLine")->setChecked(true);
    f.find<QLineEdit>("lineEdit_regular_time")->setText(QStringLiteral("1"));
    f.find<QCheckBox>("checkBox_regulerSend")->setChecked(true);
    QVERIFY(f.find<QCheckBox>("checkBox_regulerSend")->isChecked());

    const QImage gray = grayLed();
    int fdsAfterTen = -1;
    QSignalSpy lines(w, &Nodeweave::recvNewLine);
    for (int round = 0; round < 100; ++round) {
        Pty pty;
        QVERIFY2(f.openPort(pty.slavePath), qPrintable(QString::number(round)));
        const qint64 before = received(f);
        QByteArray fromProgram;
        QTimer traffic;
        traffic.setInterval(1);
        connect(&traffic, &QTimer::timeout, [&] {
            pty.trySend("ADC=1,0x0000,512\r\nIO=9,0x0000,1\r\n");
            fromProgram += pty.receive();
        });
        traffic.start();
        QTRY_VERIFY(received(f) >= before + 200 && fromProgram.count("AT+VER\r\n") >= 3);
        // It goes away in the middle of a line.
        traffic.stop();
        pty.trySend("ADC=2,0x00");
        QTRY_COMPARE(TestAccess::pendingSize(w), 10);
        pty.closeMaster();
        QTRY_VERIFY(!TestAccess::portOpen(w));
        QCOMPARE(f.status(),
                 nwTr("串口已断开：%1（%2）").arg(pty.slavePath, QString("设备已断开或不再应答")));
        QCOMPARE(openButton->text(), nwTr("打开"));
        QCOMPARE(shownLed(led), gray);
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
    // Every line that arrived was whole: none carries a piece of the line cut short.
    for (const QList<QVariant> &l : std::as_const(lines))
        QVERIFY2(!l.at(0).toString().contains(QLatin1String("ADC=2")),
                 qPrintable(l.at(0).toString()));

    // Nothing of the hundred ports is left behind: no device object, no descriptor.
    QTest::qWait(50);
    QVERIFY(w->findChildren<QSerialPort *>().isEmpty());
    QCOMPARE(openFileDescriptors(), fdsAfterTen);

    // The next port starts clean: its first line is exactly what its peer sent, not the
    // remains of the line the lost port cut short.
    Pty pty;
    QVERIFY(f.openPort(pty.slavePath));
    lines.clear();
    pty.trySend("OK\r\n");
    QTRY_COMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).at(0).toString(), QStringLiteral("OK\r\n"));
    QCOMPARE(f.status(), nwTr("成功"));
}

void TestFaults::endlessLineStaysBounded()
{
    constexpr int kChunk = LineAssembler::defaultMaxPending;
    constexpr qint64 kChunks = 100 * 1024 * 1024 / kChunk; // 100 MiB in all
    Pty pty;
    // Not shown: this case is about what the receiver keeps, and laying out entries of
    // 64 KiB for the screen costs far more than receiving them.
    WindowFixture f(QByteArray(), false);
    Nodeweave *w = f.w.get();
    QVERIFY(f.openPort(pty.slavePath));
    QSignalSpy lines(w, &Nodeweave::recvNewLine);
    // The buffer is looked at after every read of the port (this connection comes after
    // the window's own).
    int largestPending = 0;
    connect(TestAccess::port(w), &QIODevice::readyRead, this,
            [&] { largestPending = qMax(largestPending, TestAccess::pendingSize(w)); });

    {
        Peer peer(
            pty.master, [](qint64 i) { return noLineEnd(i, kChunk); }, kChunks, false);
        QTRY_VERIFY_WITH_TIMEOUT(peer.done() && received(f) == kChunks * kChunk, 120000);
    }
    QVERIFY(largestPending > 0);
    QVERIFY(largestPending < kChunk);
    QCOMPARE(lines.size(), 0); // no run reached a reply handler
    QVERIFY(TestAccess::portOpen(w));

    // The log shows each dropped run as one entry holding exactly its bytes, and keeps
    // only the newest ones its size bound allows (100 MiB of them would not fit).
    const QStringList log = logTexts(f);
    QVERIFY(log.size() > 16);
    qint64 chars = 0;
    for (const QString &entry : log)
        chars += entry.size();
    QVERIFY(chars <= TestAccess::log(w)->charBudget() + kChunk);
    const qint64 firstKept = kChunks - log.size();
    for (qsizetype i = 0; i < log.size(); i += 17)
        QCOMPARE(log.at(i), QString::fromLocal8Bit(noLineEnd(firstKept + i, kChunk)));
    QCOMPARE(log.last(), QString::fromLocal8Bit(noLineEnd(kChunks - 1, kChunk)));

    // The run ends at its CR LF; the line after it is a line again.
    pty.trySend("\r\nOK\r\n");
    QTRY_COMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).at(0).toString(), QStringLiteral("OK\r\n"));
    QCOMPARE(f.status(), nwTr("成功"));
}

void TestFaults::randomBytesKeepTheWindowAnswering()
{
    Pty pty;
    WindowFixture f;
    Nodeweave *w = f.w.get();
    QVERIFY(f.openPort(pty.slavePath));
    f.find<QCheckBox>("checkBox_log_cmd")->setChecked(false);
    f.find<QCheckBox>("checkBox_sendNewLine")->setChecked(true);
    f.find<QLineEdit>("lineEdit_cmd")->setText(QStringLiteral("AT+VER"));
    auto *autoScroll = f.find<QCheckBox>("checkBox_logAutoScroll");
    const bool scrollWas = autoScroll->isChecked();

    Peer peer(pty.master, randomLines, -1, true);
    QTRY_VERIFY(received(f) > 256 * 1024);

    // While the bytes keep coming: a timer fires, and clicks queued behind the traffic
    // are carried out.
    const qint64 flowBefore = peer.written();
    bool fired = false;
    QTimer::singleShot(10, this, [&] { fired = true; });
    QMetaObject::invokeMethod(autoScroll, "click", Qt::QueuedConnection);
    QMetaObject::invokeMethod(f.find<QPushButton>("pushButton_send"), "click",
                              Qt::QueuedConnection);
    QTRY_VERIFY(fired);
    QTRY_COMPARE(autoScroll->isChecked(), !scrollWas);
    QTRY_VERIFY(peer.receivedBytes().contains("AT+VER\r\n"));
    QVERIFY(peer.written() > flowBefore);
    QVERIFY(!peer.done());
    peer.stop();

    // Every byte arrived, and the log shows every line as it came.
    const QByteArray sent = peer.writtenBytes();
    QTRY_COMPARE(received(f), qint64(sent.size()));
    QVERIFY(TestAccess::portOpen(w));
    QStringList expected;
    qsizetype start = 0;
    for (qsizetype end = sent.indexOf("\r\n"); end >= 0; end = sent.indexOf("\r\n", start)) {
        expected << QString::fromLocal8Bit(sent.mid(start, end + 2 - start));
        start = end + 2;
    }
    const QStringList log = logTexts(f);
    QVERIFY(expected.size() > 1000);
    QCOMPARE(TestAccess::pendingSize(w), int(sent.size() - start));
    // The log keeps only the newest entries once it is full.
    QCOMPARE(log.size(), qMin(expected.size(), qsizetype(100000)));
    QCOMPARE(log, expected.mid(expected.size() - log.size()));
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
