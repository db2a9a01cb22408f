// How the simulated module's bytes travel: always later than the command, echo,
// latencies, pacing at a baud rate, every fault knob, the in-process device, and the
// pseudo-terminal command driven through a real serial port.

#include "sim/simdevice.h"
#include "simprobe.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kHall = "<0x1A2B,0x00124B0001A2B3D1";

} // namespace

class TestSimTransport : public QObject
{
    Q_OBJECT

private slots:
    void outputComesLater();
    void echo();
    void latencies();
    void pacing();
    void dropAndDelay();
    void garble();
    void wrongShape();
    void split();
    void silent();
    void device();
    void deviceClosedWithOutputPending();
    void ptyCommand();
};

void TestSimTransport::outputComesLater()
{
    Probe p;
    p.sim.receive("AT\r\n");
    QCOMPARE(p.writes, 0); // never from inside receive()
    QVERIFY(p.sim.hasPendingOutput());
    QTRY_COMPARE(p.out, QByteArray("OK\r\n"));
    QCOMPARE(p.sim.receivedLines(), QStringList{QStringLiteral("AT")});
    p.sim.clearReceivedLines();
    QVERIFY(p.sim.receivedLines().isEmpty());
}

void TestSimTransport::echo()
{
    Probe p;
    p.sim.setEcho(true);
    QCOMPARE(p.ask("AT+VER"), QByteArray("AT+VER\r\nOK=SIM-1.0.0\r\n"));
    QCOMPARE(p.ask("AT+CH=99"), QByteArray("AT+CH=99\r\nERR=23\r\n"));
    p.sim.setEcho(false);
    QCOMPARE(p.ask("AT"), QByteArray("OK\r\n"));
}

void TestSimTransport::latencies()
{
    Probe p;
    p.sim.setLocalLatency(20);
    p.sim.setRemoteLatency(150);
    QElapsedTimer clock;
    clock.start();
    // The remote question first, the local one after it: the local answer overtakes.
    p.sim.receive("AT+VER>NID,0x1A2B\r\nAT+CH?\r\n");
    QTRY_VERIFY(!p.out.isEmpty());
    QVERIFY(clock.elapsed() >= 15);
    QVERIFY(p.settle());
    QVERIFY(clock.elapsed() >= 140);
    QCOMPARE(p.out, "OK=15\r\nOK=SIM-1.0.0" + kHall + "\r\n");
    // Answers of one node keep their order.
    p.out.clear();
    p.sim.receive("AT+CH=20\r\nAT+CH?\r\nAT+CH=21\r\nAT+CH?\r\n");
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray("OK\r\nOK=20\r\nOK\r\nOK=21\r\n"));
}

void TestSimTransport::pacing()
{
    Probe p;
    const int baud = 9600; // 960 bytes a second
    p.sim.setBaudRate(baud);
    QByteArray commands;
    QByteArray expected;
    for (int i = 0; i < 12; ++i) {
        commands += "AT+UART?\r\nAT+RNODE=1\r\n";
        expected += "OK=5,8,0,1,0\r\nOK=LOCAL_NODE\r\n";
    }
    QElapsedTimer clock;
    clock.start();
    p.sim.receive(commands);
    QVERIFY(p.settle());
    const qint64 ms = clock.elapsed();
    // Complete and in order, in many small writes, and no faster than the line allows.
    QCOMPARE(p.out, expected);
    QVERIFY(p.writes > 10);
    const qint64 minimum = expected.size() * 1000 * 10 / baud;
    QVERIFY2(ms >= minimum * 9 / 10, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    qInfo("%lld bytes at %d baud: %lld ms (%lld bytes/s), %d writes", qlonglong(expected.size()),
          baud, qlonglong(ms), qlonglong(expected.size() * 1000 / qMax<qint64>(1, ms)), p.writes);

    // A line far too slow for what the module has to say loses whole answers, and
    // what waits stays bounded.
    p.sim.setBaudRate(10);
    p.out.clear();
    p.sim.receive(QByteArray("AT+UART?\r\n").repeated(6000));
    QTRY_VERIFY(!p.sim.hasPendingOutput() || p.sim.outputBacklog() > 60000);
    QVERIFY(p.sim.outputBacklog() <= SimLimits::kMaxOutputBacklog);
    p.sim.setBaudRate(0);
    QVERIFY(p.settle());
    QVERIFY(p.out.size() < 6000 * 14);
    QCOMPARE(p.out, QByteArray("OK=5,8,0,1,0\r\n").repeated(p.out.size() / 14));

    // Unpaced again: one write for a burst of answers.
    p.sim.setBaudRate(0);
    p.writes = 0;
    QCOMPARE(p.ask("AT+IOSET?").count("\r\n"), 6);
    QCOMPARE(p.writes, 1);
}

void TestSimTransport::dropAndDelay()
{
    Probe p;
    p.sim.setEcho(true);
    p.sim.dropNextReply();
    // The reply is gone, the echo is not, and the command was carried out.
    QCOMPARE(p.ask("AT+CH=20"), QByteArray("AT+CH=20\r\n"));
    QCOMPARE(p.ask("AT+CH?"), QByteArray("AT+CH?\r\nOK=20\r\n"));
    p.sim.setEcho(false);

    // The next reply, that is: lines that get no answer (transparent-mode data) leave
    // the fault armed.
    QCOMPARE(p.ask("AT+TPMOD"), QByteArray("OK\r\n"));
    p.sim.dropNextReply();
    QCOMPARE(p.ask("data"), QByteArray());
    QCOMPARE(p.ask("AT+ESC"), QByteArray());
    QVERIFY(!p.sim.inTransparentMode());
    QCOMPARE(p.ask("AT"), QByteArray("OK\r\n"));

    // A delayed reply is overtaken by the next one.
    p.sim.delayNextReply(200);
    p.out.clear();
    p.sim.receive("AT+VER\r\n");
    p.sim.receive("AT\r\n");
    QTRY_COMPARE(p.out, QByteArray("OK\r\n"));
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray("OK\r\nOK=SIM-1.0.0\r\n"));
    // The whole reply of a list is held back.
    p.sim.delayNextReply(100);
    p.out.clear();
    p.sim.receive("AT+PWM?>NID,0x7A8B\r\nAT\r\n");
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray("OK\r\nOK=1,1,1000,40\r\nOK<0x7A8B,0x00124B0001A2B3D4\r\n"));
}

void TestSimTransport::garble()
{
    Probe a;
    Probe b;
    a.sim.setSeed(7);
    b.sim.setSeed(7);
    a.sim.garbleNextReply();
    b.sim.garbleNextReply();
    const QByteArray good = "OK=5,8,0,1,0\r\n";
    const QByteArray bad = a.ask("AT+UART?");
    // Still one line of the same length, but no reply any more; the same seed garbles alike.
    QCOMPARE(bad.size(), good.size());
    QVERIFY(bad.endsWith("\r\n"));
    QCOMPARE(bad.count("\r\n"), 1);
    QVERIFY(!bad.startsWith("OK") && !bad.startsWith("ERR"));
    QVERIFY(bad != good);
    QCOMPARE(b.ask("AT+UART?"), bad);
    QCOMPARE(a.ask("AT+UART?"), good);

    // Every line of a list is garbled.
    a.sim.garbleNextReply();
    const QByteArray list = a.ask("AT+IOSET?");
    QCOMPARE(list.count("\r\n"), 6);
    for (const QByteArray &line : list.split('\n')) {
        if (!line.isEmpty())
            QVERIFY(!line.startsWith("OK") && !line.startsWith("ERR"));
    }
}

void TestSimTransport::wrongShape()
{
    Probe p;
    p.sim.wrongShapeNextReply();
    QCOMPARE(p.ask("AT+CH=20"), QByteArray("OK=0\r\n"));
    p.sim.wrongShapeNextReply();
    QCOMPARE(p.ask("AT+CH?"), QByteArray("OK\r\n"));
    p.sim.wrongShapeNextReply();
    QCOMPARE(p.ask("AT+CH=99"), QByteArray("OK=23\r\n"));
    p.sim.wrongShapeNextReply();
    QCOMPARE(p.ask("AT+CH?>NID,0x1A2B"), "OK" + kHall + "\r\n");
    p.sim.wrongShapeNextReply();
    QCOMPARE(p.ask("AT+W>NID,0x1A2B"), "OK=0" + kHall + "\r\n");
    p.sim.wrongShapeNextReply();
    QCOMPARE(p.ask("AT+PWM?>NID,0x7A8B"),
             QByteArray("OK=1,1,1000,40\r\nOK=0<0x7A8B,0x00124B0001A2B3D4\r\n"));
    // One reply only.
    QCOMPARE(p.ask("AT+CH?"), QByteArray("OK=20\r\n"));
}

void TestSimTransport::split()
{
    Probe p;
    p.sim.splitReplies(true);
    QList<QByteArray> pieces;
    QObject::connect(&p.sim, &SimModule::output, &p.sim,
                     [&](const QByteArray &b) { pieces.append(b); });
    const QByteArray reply = p.ask("AT+VER");
    QCOMPARE(reply, QByteArray("OK=SIM-1.0.0\r\n"));
    QVERIFY(pieces.size() >= 2);
    QCOMPARE(pieces.join(), reply);

    // The same seed cuts at the same places.
    Probe q;
    q.sim.splitReplies(true);
    QList<QByteArray> others;
    QObject::connect(&q.sim, &SimModule::output, &q.sim,
                     [&](const QByteArray &b) { others.append(b); });
    QCOMPARE(q.ask("AT+VER"), reply);
    QCOMPARE(others, pieces);

    // Split and paced together: still complete and in order.
    p.sim.setBaudRate(115200);
    pieces.clear();
    QCOMPARE(p.ask("AT+IOSET?"),
             QByteArray("OK=9,0\r\nOK=10,0\r\nOK=14,0\r\nOK=15,0\r\nOK=17,0\r\nOK\r\n"));
    QVERIFY(pieces.size() >= 3);
    p.sim.splitReplies(false);
    p.sim.setBaudRate(0);
    QCOMPARE(p.ask("AT"), QByteArray("OK\r\n"));
    QCOMPARE(p.writes, 1);
}

void TestSimTransport::silent()
{
    Probe p;
    p.sim.setSilent(true);
    QVERIFY(p.sim.isSilent());
    QCOMPARE(p.ask("AT"), QByteArray());
    QCOMPARE(p.ask("AT+CH=20"), QByteArray());
    QCOMPARE(p.sim.receivedLines().size(), 2); // heard, but not carried out
    p.sim.setSilent(false);
    QCOMPARE(p.ask("AT+CH?"), QByteArray("OK=15\r\n"));

    // Falling silent drops output not yet sent, scan reports included.
    p.sim.setLocalLatency(50);
    p.sim.receive("AT+VER\r\n");
    p.sim.setSilent(true);
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray());
    p.sim.setSilent(false);
    QCOMPARE(p.ask("AT"), QByteArray("OK\r\n"));
}

void TestSimTransport::device()
{
    SimModule sim;
    sim.setLocalLatency(0);
    SimDevice dev(&sim);
    QCOMPARE(dev.module(), &sim);
    QVERIFY(dev.isSequential());
    QVERIFY(dev.open(QIODevice::ReadWrite));
    QVERIFY(!dev.open(QIODevice::ReadWrite)); // already open
    QSignalSpy readyRead(&dev, &QIODevice::readyRead);
    QSignalSpy written(&dev, &QIODevice::bytesWritten);

    QCOMPARE(dev.write("AT+VER\r\n"), qint64(8));
    QCOMPARE(readyRead.count(), 0); // the answer comes later, like a port's
    QCOMPARE(dev.bytesAvailable(), qint64(0));
    QTRY_VERIFY(dev.canReadLine());
    QCOMPARE(written.count(), 1);
    QCOMPARE(written.first().first().toLongLong(), qint64(8));
    QVERIFY(readyRead.count() >= 1);
    QCOMPARE(dev.readLine(), QByteArray("OK=SIM-1.0.0\r\n"));
    QCOMPARE(dev.bytesAvailable(), qint64(0));

    // Several answers, read in pieces.
    dev.write("AT+CH?\r\nAT+TYP?\r\n");
    QVERIFY(dev.waitForReadyRead(2000));
    QTRY_COMPARE(dev.bytesAvailable(), qint64(13));
    QCOMPARE(dev.read(3), QByteArray("OK="));
    QCOMPARE(dev.readAll(), QByteArray("15\r\nOK=C\r\n"));
    QVERIFY(!dev.waitForReadyRead(30));

    // The configuration belongs to the module: a new device over it sees it.
    dev.write("AT+CH=22\r\n");
    QTRY_COMPARE(dev.bytesAvailable(), qint64(4));
    QCOMPARE(dev.readAll(), QByteArray("OK\r\n"));
    dev.close();
    QVERIFY(!dev.isOpen());
    SimDevice again(&sim);
    QVERIFY(again.open(QIODevice::ReadWrite));
    again.write("AT+CH?\r\n");
    QTRY_COMPARE(again.bytesAvailable(), qint64(7));
    QCOMPARE(again.readAll(), QByteArray("OK=22\r\n"));
}

void TestSimTransport::deviceClosedWithOutputPending()
{
    auto sim = std::make_unique<SimModule>();
    sim->setLocalLatency(30);
    sim->setSampleTimeScale(0.01);

    // Closed and deleted while the answer and samples are still coming.
    auto *dev = new SimDevice(sim.get());
    QVERIFY(dev->open(QIODevice::ReadWrite));
    dev->write("AT+ADCSMP=1,1,1,LID,0x0\r\nAT+SCAN=1\r\n");
    dev->close();
    QCOMPARE(dev->bytesAvailable(), qint64(0));
    delete dev;
    QTest::qWait(80);

    // A closed device hears nothing.
    SimDevice closed(sim.get());
    QVERIFY(closed.open(QIODevice::ReadWrite));
    closed.write("AT+VER\r\n");
    closed.close();
    QSignalSpy quiet(&closed, &QIODevice::readyRead);
    QTest::qWait(80);
    QCOMPARE(quiet.count(), 0);
    QCOMPARE(closed.bytesAvailable(), qint64(0));

    // A device reopened later hears the module again (samples still running).
    SimDevice reopened(sim.get());
    QVERIFY(reopened.open(QIODevice::ReadWrite));
    QByteArray heard;
    connect(&reopened, &QIODevice::readyRead, &reopened, [&]() { heard += reopened.readAll(); });
    QTRY_VERIFY(heard.contains("ADC=1,0x0000,1024\r\n"));

    // The module may go first: the device then refuses to write.
    sim.reset();
    QCOMPARE(reopened.module(), nullptr);
    QCOMPARE(reopened.write("AT\r\n"), qint64(-1));
    reopened.close();
    QVERIFY(!reopened.open(QIODevice::ReadWrite));
}

void TestSimTransport::ptyCommand()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("module"));
    QProcess modsim;
    modsim.start(QStringLiteral(MODSIM_BIN),
                 {QStringLiteral("--link"), link, QStringLiteral("--latency"), QStringLiteral("0"),
                  QStringLiteral("--remote-latency"), QStringLiteral("5")});
    QVERIFY2(modsim.waitForStarted(5000), qPrintable(modsim.errorString()));
    QTRY_VERIFY(modsim.canReadLine());
    const QString path = QString::fromLocal8Bit(modsim.readLine()).trimmed();
    QVERIFY2(path.startsWith(QLatin1String("/dev/")), qPrintable(path));
    QCOMPARE(QFileInfo(link).symLinkTarget(), path);

    {
        QSerialPort port;
        port.setPortName(path);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.setBaudRate(QSerialPort::Baud115200);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        QByteArray got;
        connect(&port, &QSerialPort::readyRead, &port, [&]() { got += port.readAll(); });

        port.write("AT+VER\r\n");
        QTRY_COMPARE(got, QByteArray("OK=SIM-1.0.0\r\n"));
        got.clear();
        port.write("AT+CH?>NID,0x1A2B\r\nAT+IOSET?\r\n");
        QTRY_COMPARE(got, QByteArray("OK=9,0\r\nOK=10,0\r\nOK=14,0\r\nOK=15,0\r\nOK=17,0\r\nOK\r\n"
                                     "OK=15<0x1A2B,0x00124B0001A2B3D1\r\n"));
        // Every byte value gets through the terminal untouched: a descriptor of them
        // comes back as written (the module refuses the control characters among them).
        got.clear();
        port.write("AT+WNODE=1,\xC3\xA4\xE2\x82\xAC<>\r\nAT+RNODE=1\r\nAT+VER\x7F\r\n");
        QTRY_COMPARE(got, QByteArray("OK\r\nOK=\xC3\xA4\xE2\x82\xAC<>\r\nERR=13\r\n"));
        port.close();
    }

    // Stopped cleanly: exit status 0, the link removed.
    modsim.terminate();
    QVERIFY(modsim.waitForFinished(5000));
    QCOMPARE(modsim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(modsim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestSimTransport)
#include "tst_simtransport.moc"
