// The simulated network: remote nodes reached by network or MAC address, broadcast,
// unknown addresses, nodes leaving and rejoining, the scan over its time with early
// stop, sampling lines sent unasked, and packets.

#include "simprobe.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>

namespace {

const QByteArray kHall = "<0x1A2B,0x00124B0001A2B3D1";
const QByteArray kSensor = "<0x3C4D,0x00124B0001A2B3D2";
const QByteArray kSwitch = "<0x5E6F,0x00124B0001A2B3D3";
const QByteArray kLight = "<0x7A8B,0x00124B0001A2B3D4";

} // namespace

class TestSimNetwork : public QObject
{
    Q_OBJECT

private slots:
    void addressing();
    void unknownAddress();
    void broadcast();
    void leaveAndRejoin();
    void scan();
    void scanEarlyStop();
    void sampling();
    void remoteSampling();
    void packets();
};

void TestSimNetwork::addressing()
{
    Probe p;
    QCOMPARE(p.sim.remotes().size(), 4);
    QCOMPARE(p.ask("AT+VER>NID,0x1A2B"), "OK=SIM-1.0.0" + kHall + "\r\n");
    // MAC address, any case: same node, same suffix as the node writes it.
    QCOMPARE(p.ask("AT+RNODE=1>MID,0x00124b0001a2b3d2"), "OK=SENSOR_ADC" + kSensor + "\r\n");
    // Short forms of the same number reach the same node.
    QCOMPARE(p.ask("AT+TYP?>NID,0x5e6f"), "OK=R" + kSwitch + "\r\n");
    // Several fields and a value holding the suffix's characters.
    QCOMPARE(p.ask("AT+UART?>NID,0x7A8B"), "OK=5,8,0,1,0" + kLight + "\r\n");
    QCOMPARE(p.ask("AT+WNODE=3,a<b,c>NID,0x7A8B"), "OK" + kLight + "\r\n");
    QCOMPARE(p.ask("AT+RNODE=3>NID,0x7A8B"), "OK=a<b,c" + kLight + "\r\n");
    // Errors from a remote node never carry the suffix.
    QCOMPARE(p.ask("AT+CH=30>NID,0x1A2B"), QByteArray("ERR=23\r\n"));
    QCOMPARE(p.ask("AT+FOO>NID,0x1A2B"), QByteArray("ERR=15\r\n"));
    QCOMPARE(p.ask("AT+IOOUT=9,1>NID,0x1A2B"), QByteArray("ERR=81\r\n"));
    // The switch drives IO 9: its level can be set and read back there only.
    QCOMPARE(p.ask("AT+IOOUT=9,0>NID,0x5E6F"), "OK" + kSwitch + "\r\n");
    QCOMPARE(p.ask("AT+IORD=9>NID,0x5E6F"), "OK=0" + kSwitch + "\r\n");
    QCOMPARE(p.ask("AT+IORD=9"), QByteArray("OK=1\r\n"));
    // The local module through its own address answers with its own suffix.
    QCOMPARE(p.ask("AT+CH?>NID,0x0000"), QByteArray("OK=15<0x0000,0x00124B0001A2B3C4\r\n"));
    // The lookups of the API compare numbers.
    QCOMPARE(p.sim.nodeByNet(QStringLiteral("0x3c4d")), p.sim.remotes().at(1));
    QCOMPARE(p.sim.nodeByMac(QStringLiteral("0x124B0001A2B3C4")), &p.sim.local());
    QCOMPARE(p.sim.nodeByNet(QStringLiteral("0x4444")), nullptr);
}

void TestSimNetwork::unknownAddress()
{
    Probe p;
    p.sim.setRemoteFailDelay(150);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(p.ask("AT+VER>NID,0x4444"), QByteArray("ERR=71\r\n"));
    QVERIFY2(clock.elapsed() >= 140, "the refusal waits for the remote node");
    QCOMPARE(p.ask("AT+VER>MID,0x00124B0001A2B3FF"), QByteArray("ERR=70\r\n"));
    // Replies to commands sent meanwhile are not held up.
    p.out.clear();
    p.sim.receive("AT+VER>NID,0x4444\r\nAT\r\n");
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray("OK\r\nERR=71\r\n"));
}

void TestSimNetwork::broadcast()
{
    Probe p;
    // Every remote node carries it out and answers, in turn.
    QCOMPARE(p.ask("AT+CH=20>NID,0xFFFF"),
             "OK" + kHall + "\r\nOK" + kSensor + "\r\nOK" + kSwitch + "\r\nOK" + kLight + "\r\n");
    QCOMPARE(p.ask("AT+CH?>NID,0x3C4D"), "OK=20" + kSensor + "\r\n");
    QCOMPARE(p.ask("AT+CH?"), QByteArray("OK=15\r\n"));
    QCOMPARE(p.ask("AT+TYP?>MID,0xFFFFFFFFFFFFFFFF"), "OK=R" + kHall + "\r\nOK=R" + kSensor +
                                                          "\r\nOK=R" + kSwitch + "\r\nOK=R" +
                                                          kLight + "\r\n");
}

void TestSimNetwork::leaveAndRejoin()
{
    Probe p;
    QCOMPARE(p.ask("AT+NLEAV>NID,0x1A2B"), "OK" + kHall + "\r\n");
    QCOMPARE(p.ask("AT+VER>NID,0x1A2B"), QByteArray("ERR=71\r\n"));
    QCOMPARE(p.ask("AT+CH=12>NID,0xFFFF"),
             "OK" + kSensor + "\r\nOK" + kSwitch + "\r\nOK" + kLight + "\r\n");
    // The coordinator forms its network again: the node rejoins by itself.
    QCOMPARE(p.ask("AT+NRST"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+CH?>NID,0x1A2B"), "OK=15" + kHall + "\r\n");

    // A node stored without auto start stays away after its reset.
    QCOMPARE(p.ask("AT+NASTA=0>NID,0x7A8B"), "OK" + kLight + "\r\n");
    QCOMPARE(p.ask("AT+W>NID,0x7A8B"), "OK" + kLight + "\r\n");
    QCOMPARE(p.ask("AT+RST>NID,0x7A8B"), "OK" + kLight + "\r\n");
    QCOMPARE(p.ask("AT+VER>NID,0x7A8B"), QByteArray("ERR=71\r\n"));
    QCOMPARE(p.ask("AT+NRST"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+VER>NID,0x7A8B"), QByteArray("ERR=71\r\n"));
    QVERIFY(!p.sim.remotes().at(3)->config().networkStarted);
}

void TestSimNetwork::scan()
{
    Probe p;
    p.sim.setLocalLatency(5);
    QList<qint64> at;
    QElapsedTimer clock;
    QObject::connect(&p.sim, &SimModule::output, &p.sim,
                     [&](const QByteArray &) { at.append(clock.elapsed()); });
    clock.start();
    p.sim.receive("AT+SCAN=001\r\n"); // leading zeros allowed
    QVERIFY(p.sim.isScanning());
    QVERIFY(p.settle());
    const qint64 total = clock.elapsed();
    QCOMPARE(p.takeLines(),
             QByteArrayList({"OK=0,0x0000,0x00124B0001A2B3C4,LOCAL_NODE\r\n",
                             "OK=1,0x1A2B,0x00124B0001A2B3D1,ROUTER_HALL\r\n",
                             "OK=2,0x3C4D,0x00124B0001A2B3D2,SENSOR_ADC\r\n",
                             "OK=3,0x5E6F,0x00124B0001A2B3D3,SWITCH_IO\r\n",
                             "OK=4,0x7A8B,0x00124B0001A2B3D4,PWM_LIGHT\r\n", "OK\r\n"}));
    QVERIFY(!p.sim.isScanning());
    // Spread over the scan time: one write per report, the end after a second at least.
    QVERIFY(at.size() > 1);
    QVERIFY2(total >= 950, qPrintable(QString::number(total)));
    QVERIFY(at.at(1) >= 150);
    qInfo("scan of 1 s: reports at %s ms", qPrintable([&] {
              QStringList s;
              for (qint64 t : at)
                  s << QString::number(t);
              return s.join(QLatin1Char(' '));
          }()));

    // A renamed node is reported by its new descriptor; the descriptor may hold commas.
    QCOMPARE(p.ask("AT+WNODE=1,Hall, east>NID,0x1A2B"), "OK" + kHall + "\r\n");
    p.sim.setScanTimeScale(0.05);
    const QByteArray scanned = p.ask("AT+SCAN=1");
    QVERIFY(scanned.contains("OK=1,0x1A2B,0x00124B0001A2B3D1,Hall, east\r\n"));
    QVERIFY(scanned.endsWith("\r\nOK\r\n"));
}

void TestSimNetwork::scanEarlyStop()
{
    Probe p;
    p.sim.receive("AT+SCAN=1\r\n");
    QTRY_VERIFY(p.out.contains("ROUTER_HALL\r\n"));
    // A second scan while one runs: the module is busy.
    p.sim.receive("AT+SCAN=5\r\n");
    QTRY_VERIFY(p.out.contains("ERR=2\r\n"));
    p.out.clear();
    p.sim.receive("AT+ESC\r\n");
    QVERIFY(!p.sim.isScanning());
    QVERIFY(p.settle());
    // Nothing of the scan follows the answer to the stop (a report already on its way
    // may precede it), and the scan's own closing line never comes.
    const QByteArrayList rest = p.takeLines();
    QCOMPARE(rest.count("OK\r\n"), 1);
    QCOMPARE(rest.constLast(), QByteArray("OK\r\n"));
    for (const QByteArray &line : rest)
        QVERIFY(line == "OK\r\n" || line.startsWith("OK=2,"));
    // A new scan can start at once.
    p.sim.setScanTimeScale(0.05);
    QVERIFY(p.ask("AT+SCAN=1").startsWith("OK=0,0x0000,"));
    // A reset ends a scan too.
    p.sim.setScanTimeScale(1.0);
    p.out.clear();
    p.sim.receive("AT+SCAN=3\r\nAT+RST\r\n");
    QVERIFY(p.settle());
    QCOMPARE(p.takeLines(),
             QByteArrayList({"OK=0,0x0000,0x00124B0001A2B3C4,LOCAL_NODE\r\n", "OK\r\n"}));
}

void TestSimNetwork::sampling()
{
    Probe p;
    p.sim.setSampleTimeScale(0.01); // a second of interval becomes 10 ms
    p.sim.receive("AT+ADCSMP=1,2,2,LID,0x0\r\nAT+IOSMP=1,14,3,LID,0x0\r\n");
    QTRY_VERIFY(p.out.count("ADC=2,0x0000,2048\r\n") >= 3 &&
                p.out.count("IO=14,0x0000,1\r\n") >= 2);
    QVERIFY(p.out.startsWith("OK\r\nOK\r\n"));
    p.out.remove(0, 8);
    // Replies keep their shape among the samples, and samples never look like replies.
    p.sim.receive("AT+VER\r\n");
    QTRY_VERIFY(p.out.contains("OK=SIM-1.0.0\r\n"));
    for (const QByteArray &line : p.takeLines()) {
        if (line != "OK=SIM-1.0.0\r\n")
            QVERIFY2(line == "ADC=2,0x0000,2048\r\n" || line == "IO=14,0x0000,1\r\n", line);
    }
    // Switched off: the answer is the last thing heard from that channel.
    p.sim.receive("AT+ADCSMP=0,2\r\nAT+IOSMP=0,14\r\n");
    QTRY_VERIFY(p.out.endsWith("OK\r\nOK\r\n"));
    p.out.clear();
    QTest::qWait(100);
    QCOMPARE(p.out, QByteArray());

    // The stored configuration brings sampling back after a reset.
    p.out.clear();
    p.sim.receive("AT+ADCSMP=1,4,1,MID,0x00124B0001A2B3C4\r\nAT+W\r\nAT+ADCSMP=0,4\r\n");
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray("OK\r\nOK\r\nOK\r\n"));
    p.out.clear();
    QTest::qWait(50);
    QCOMPARE(p.out, QByteArray());
    QCOMPARE(p.ask("AT+RST").left(4), QByteArray("OK\r\n"));
    QTRY_VERIFY(p.out.contains("ADC=4,0x0000,4095\r\n"));
}

void TestSimNetwork::remoteSampling()
{
    Probe p;
    p.sim.setSampleTimeScale(0.01);
    // Samples of a remote node aimed at the local module arrive on the port...
    QCOMPARE(p.ask("AT+IOSMP=1,9,1,NID,0x0000>NID,0x5E6F"), "OK" + kSwitch + "\r\n");
    QTRY_VERIFY(p.out.count("IO=9,0x5E6F,1\r\n") >= 2);
    QCOMPARE(p.ask("AT+IOSMP=0,9>NID,0x5E6F").right(kSwitch.size() + 2), kSwitch + "\r\n");
    // ...those for its own port ("LID") or for another node do not.
    QCOMPARE(p.ask("AT+ADCSMP=1,1,1,LID,0x0>NID,0x3C4D"), "OK" + kSensor + "\r\n");
    QCOMPARE(p.ask("AT+ADCSMP=1,2,1,NID,0x1A2B>NID,0x3C4D"), "OK" + kSensor + "\r\n");
    p.out.clear();
    QTest::qWait(100);
    QCOMPARE(p.out, QByteArray());
    // Broadcast samples reach the local module too.
    // (the first sample may already follow the answer on a slow machine)
    QVERIFY(p.ask("AT+ADCSMP=1,3,1,MID,0xFFFFFFFFFFFFFFFF>NID,0x3C4D")
                .startsWith("OK" + kSensor + "\r\n"));
    QTRY_VERIFY(p.out.contains("ADC=3,0x3C4D,3301\r\n"));
    // A node that left the network is not heard any more.
    p.sim.receive("AT+NLEAV>NID,0x3C4D\r\n");
    QTRY_VERIFY(p.out.contains("OK" + kSensor + "\r\n"));
    p.out.clear();
    QTest::qWait(100);
    QCOMPARE(p.out, QByteArray());
}

void TestSimNetwork::packets()
{
    Probe p;
    QCOMPARE(p.ask("AT+SEND=NID,0x1A2B,hello"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+SEND=MID,0x00124B0001A2B3D2,a,b,c"), QByteArray("OK\r\n"));
    // Unacknowledged: an address nobody has is still sent.
    QCOMPARE(p.ask("AT+SEND=NID,0x4444,hello"), QByteArray("OK\r\n"));
    // A remote node sending to the local module: its answer, then the packet on the port.
    QCOMPARE(p.ask("AT+SEND=NID,0x0000,hi, there>NID,0x3C4D"),
             "OK" + kSensor + "\r\nRECV=0x3C4D,hi, there\r\n");
    QCOMPARE(p.ask("AT+SEND=NID,0xFFFF,all>NID,0x1A2B"), "OK" + kHall + "\r\nRECV=0x1A2B,all\r\n");
    // The local module does not hear its own broadcast, but hears itself addressed.
    QCOMPARE(p.ask("AT+SEND=NID,0xFFFF,all"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+SEND=NID,0x0,loop"), QByteArray("OK\r\nRECV=0x0000,loop\r\n"));
    // The longest packet.
    const QByteArray data(SimLimits::kMaxPacketDataLength, 'z');
    QCOMPARE(p.ask("AT+SEND=NID,0x1A2B," + data), QByteArray("OK\r\n"));
}

QTEST_GUILESS_MAIN(TestSimNetwork)
#include "tst_simnetwork.moc"
