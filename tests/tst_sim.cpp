// The simulated module: its command language as exact transcripts, its pacing, scan and
// sampling, and the in-process device.

#include "sim/simdevice.h"
#include "sim/simmodule.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>

namespace {

// ">H", ">S", ">W" and ">L" address the remote nodes (hall, sensor, switch, light) by network
// address; "@H"… stand for their reply suffixes, and '|' for CR LF.
QByteArray expand(QByteArray s)
{
    for (const char *n : {"H1A2BD1", "S3C4DD2", "W5E6FD3", "L7A8BD4"}) {
        const QByteArray k(n, 1), nid(n + 1, 4), mac(n + 5, 2);
        s.replace(">" + k, ">NID,0x" + nid)
            .replace("@" + k, "<0x" + nid + ",0x00124B0001A2B3" + mac);
    }
    return s.replace('|', "\r\n");
}

// The simulated module on its own, answering at once, with everything it sends collected.
struct Probe
{
    SimModule sim;
    QByteArray out;
    int writes = 0; // separate deliveries of output
    Probe()
    {
        sim.setLocalLatency(0);
        sim.setRemoteLatency(2);
        sim.setRemoteFailDelay(30);
        QObject::connect(&sim, &SimModule::output,
                         [this](const QByteArray &b) { out += b, ++writes; });
    }
    // Sends `line` with CR LF; returns all the module sent until it had nothing left.
    QByteArray ask(const QByteArray &line)
    {
        out.clear(), writes = 0;
        sim.receive(line + "\r\n");
        for (QDeadlineTimer end(10000); sim.hasPendingOutput() && !end.hasExpired();)
            QTest::qWait(1);
        return std::exchange(out, QByteArray());
    }
};

} // namespace

class TestSim : public QObject
{
    Q_OBJECT

private slots:

    void scripts_data()
    {
        // Lines sent one by one, each answered in full ("!knob" sets a knob), " => ", all heard.
        QTest::addColumn<QByteArray>("script");
        auto row = [](const char *name, const QByteArray &script) {
            QTest::newRow(name) << script;
        };
        row("identity",
            "AT|AT+INFO|AT+VER|AT+TYP?|AT+NID?|AT+MID?|AT+NS?|AT+LQI?|AT+RNODE=1|"
            "AT+ADCRD=2 => OK|OK=NWSIM-ZB100|OK=SIM-1.0.0|OK=C|OK=0x0000|OK=0x00124B0001A2B3C4|"
            "OK=RUNNING|OK=255|OK=LOCAL_NODE|OK=2048|");
        row("lists",
            "AT+PWMRD=1|AT+PWMRD|AT+TPIO?|AT+IOSMP?|AT+ADCSMP?|AT+PWM=1,3,10000,100|"
            "AT+PWM=1,1,20,0|AT+PWM=1,2,0020,50|AT+PWM?|AT+PWM=0,1|AT+PWM? => "
            "OK=0,1000,0|ERR=33|OK|"
            "OK|OK|OK|OK|OK|OK=1,1,20,0|OK=1,2,0020,50|OK=1,3,10000,100|OK|OK|OK=1,2,0020,50|"
            "OK=1,3,10000,100|OK|");
        row("remote lists",
            "AT+IOSET?>W|AT+PWM?>L|AT+ADCSMP?>L => "
            "OK=9,1|OK=10,1|OK=14,0|OK=15,0|OK=17,0|OK@W|OK=1,1,1000,40|OK@L|OK@L|");
        row("network stopped",
            "AT+NLEAV|AT+NS?|AT+NID?|AT+LQI?|AT+SEND=NID,0x1A2B,a|AT+SCAN=1|"
            "AT+VER>H|AT+MID?|AT+NSTA|AT+NID?|AT+VER>H|AT+NRST|AT+NS? => OK|OK=STOPPED|ERR=60|"
            "ERR=60|ERR=60|ERR=60|ERR=60|OK=0x00124B0001A2B3C4|OK|OK=0x0000|OK=SIM-1.0.0@H|OK|"
            "OK=RUNNING|");
        row("store, restart, factory",
            "AT+CH=20|AT+RST|AT+CH?|AT+CH=20|AT+WNODE=1,RENAMED|AT+W|"
            "AT+CH=22|AT+RST|AT+CH?|AT+RNODE=1|AT+DFRST|AT+CH?|AT+RST|AT+CH?|AT+RNODE=1 => "
            "OK|OK|OK=15|OK|OK|OK|OK|OK|OK=20|OK=RENAMED|OK|OK=15|OK|OK=15|OK=LOCAL_NODE|");
        row("addresses",
            "AT+RNODE=1>MID,0x00124b0001a2b3d2|AT+TYP?>NID,0x5e6f|AT+UART?>L|"
            "AT+WNODE=3,a<b,c>L|AT+RNODE=3>L|AT+CH?>NID,0x0000|AT+VER>NID,0x4444|"
            "AT+VER>MID,0x00124B0001A2B3FF => OK=SENSOR_ADC@S|OK=R@W|OK=5,8,0,1,0@L|OK@L|"
            "OK=a<b,c@L|OK=15<0x0000,0x00124B0001A2B3C4|ERR=71|ERR=70|");
        // Errors of a remote node carry no suffix; the switch drives IO 9 there only.
        row("remote errors", "AT+CH=30>H|AT+FOO>H|AT+IOOUT=9,1>H|AT+IOOUT=9,0>W|AT+IORD=9>W|"
                             "AT+IORD=9 => ERR=23|ERR=15|ERR=81|OK@W|OK=0@W|OK=1|");
        row("broadcast", "AT+CH=20>NID,0xFFFF|AT+CH?>S|AT+CH?|AT+TYP?>MID,0xFFFFFFFFFFFFFFFF => "
                         "OK@H|OK@S|OK@W|OK@L|OK=20@S|OK=15|OK=R@H|OK=R@S|OK=R@W|OK=R@L|");
        row("leave and rejoin",
            "AT+NLEAV>H|AT+VER>H|AT+CH=12>NID,0xFFFF|AT+NRST|AT+CH?>H|"
            "AT+NASTA=0>L|AT+W>L|AT+RST>L|AT+VER>L|AT+NRST|AT+VER>L => "
            "OK@H|ERR=71|OK@S|OK@W|OK@L|OK|OK=15@H|OK@L|OK@L|OK@L|ERR=71|OK|ERR=71|");
        row("packets",
            "AT+SEND=NID,0x1A2B,hello|AT+SEND=MID,0x00124B0001A2B3D2,a,b|"
            "AT+SEND=NID,0x4444,x|AT+SEND=NID,0x0000,hi, there>S|AT+SEND=NID,0xFFFF,all>H|"
            "AT+SEND=NID,0xFFFF,all|AT+SEND=NID,0x0,loop => OK|OK|OK|OK@S|RECV=0x3C4D,hi, there|"
            "OK@H|RECV=0x1A2B,all|OK|OK|RECV=0x0000,loop|");
        row("longest texts", "AT+SEND=NID,0x1A2B," + QByteArray(80, 'z') + "|AT+SEND=NID,0x1A2B," +
                                 QByteArray(81, 'z') +
                                 "|AT+WNODE=4,0123456789ABCDEF|AT+WNODE=4,0123456789ABCDEFG|"
                                 "AT+RNODE=4 => OK|ERR=100|OK|ERR=24|OK=0123456789ABCDEF|");
        // Lines are data until the way out; only the module on the port scans or goes there.
        row("transparent mode",
            "AT+TPMOD|AT+VER|hello|AT+ESC|AT+VER|AT+TID=NID,0x4444|AT+TPMOD|"
            "AT+SCAN=1>H|AT\nAT|AT\rAT => OK|OK|OK=SIM-1.0.0|OK|ERR=42|ERR=15|ERR=13|ERR=13|");
        // Silent: heard, not carried out.
        row("silent", "!silent|AT|AT+CH=22|!silent|AT+CH? => OK=15|");
        // The local answer overtakes a remote one; a node's answers keep their order.
        row("latency",
            "!slow|AT+VER>H\r\nAT+CH?\r\nAT+CH=20\r\nAT+CH?\r\nAT+VER>NID,0x4444\r\nAT => "
            "OK=15|OK|OK=20|OK|ERR=71|OK=SIM-1.0.0@H|");
        row("any line end", "!anyend|AT\rAT+CH?\n\r\n\nAT+TYP?\r => OK|OK=15|OK=C|");
        // Nodes told to misbehave, by place or address (nodeweave-modsim --node).
        row("node knobs",
            "!node=2:refuse=AT+CH:23|!node=0x5e6f:keep=ch,late=W:40|!node=1:leave-after=2|"
            "!node=4:latency=x|!node=5:keep=CH|!node=0|AT+CH=20>S|AT+CH?>S|AT+CH=20>W|"
            "AT+CH?>W|AT+W>W\r\nAT+VER>H|AT+VER>H|AT+VER>H => !cannot use knob 'latency=x'|"
            "!no node 5 (0 to 4, or a network address)|!no knob for node 0|ERR=23|OK=15@S|OK@W|"
            "OK=15@W|OK=SIM-1.0.0@H|OK@W|OK=SIM-1.0.0@H|ERR=71|");
    }

    void scripts()
    {
        QFETCH(QByteArray, script);
        const qsizetype arrow = script.indexOf(" => ");
        Probe p;
        QByteArray got;
        for (const QByteArray &line : script.left(arrow).split('|')) {
            if (line == "!silent")
                p.sim.setSilent(!p.sim.isSilent());
            else if (line == "!anyend")
                p.sim.setAnyLineEnd(true);
            else if (line.startsWith("!node=")) {
                const QString wrong = p.sim.setNodeKnobs(QString::fromUtf8(line.mid(6)));
                got += wrong.isEmpty() ? QByteArray() : "!" + wrong.toUtf8() + "\r\n";
            } else if (line == "!slow")
                p.sim.setLocalLatency(20), p.sim.setRemoteLatency(150);
            else
                got += p.ask(expand(line));
        }
        QCOMPARE(got, expand(script.mid(arrow + 4)));
    }

    void errors()
    {
        // Each line after the error code it draws; a refused command changes nothing.
        Probe p;
        const QByteArray lines =
            "10 XYZ|10 at+ver|12 |12 AT+|13 AT+VER\x01|13 AT+VER\x7f|14 AT+ver|15 ATI|15 AT+FOO|"
            "20 AT+CH=x|20 AT+CH=11,12|20 AT+TYP=Coor|20 AT+PWM=1,1,1k,5|21 AT+CH=|21 AT+WNODE=1,|"
            "21 AT+IOSMP=1,9,,LID,0x0|21 AT+SEND=NID,0x1,|22 AT+CH?1|23 AT+CH=10|23 AT+CH=27|"
            "23 AT+TYP=E|23 AT+IPR=6|23 AT+WNODE=5,x|23 AT+IOSET=9,2|23 AT+IOSMP=1,9,0,LID,0x0|"
            "23 AT+ADCRD=5|23 AT+PWM=1,4,1000,50|23 AT+PWM=1,1,19,50|23 AT+PWM=1,1,10001,50|"
            "23 AT+PWM=1,1,1000,101|23 AT+SEND=LID,0x0,hi|23 AT+SCAN=0|23 AT+SCAN=256|30 AT+CH=?|"
            "31 AT+VER?|32 AT+NID=1|33 AT+CH|40 AT+TPIO=1,9,10,NID,0x12345|"
            "40 AT+IOSMP=1,9,10,LID,1234|40 AT+CH?>NID,0xZZ|40 AT+CH?>NID,|41 AT+EPID=12ab|"
            "41 AT+EPID=0x|80 AT+IOSET=11,1|80 AT+IORD=16|80 AT+TPIO=1,9,11,NID,0x1|81 "
            "AT+IOOUT=9,1|"
            "16 AT+EPID=0x" +
            QByteArray(32, '1') + "|11 AT+WNODE=1," + QByteArray(256, 'a') + "|11 " +
            QByteArray(100000, 'A');
        for (const QByteArray &c : lines.split('|'))
            QCOMPARE(c.left(60) + " -> " + p.ask(c.mid(3)),
                     c.left(60) + " -> ERR=" + c.left(2) + "\r\n");
        QCOMPARE(p.ask("AT+CH?\r\nAT+RNODE=1\r\nAT+IOSET?"),
                 "OK=15\r\nOK=LOCAL_NODE\r\nOK=9,0\r\nOK=10,0\r\nOK=14,0\r\nOK=15,0\r\nOK=17,"
                 "0\r\nOK\r\n");
    }

    void timing()
    {
        Probe p;
        // Paced at 9600 baud, 960 bytes a second: whole, in order, in many writes, no faster.
        p.sim.setBaudRate(9600);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(p.ask(QByteArray("AT+UART?\r\n").repeated(19) + "AT+UART?"),
                 QByteArray("OK=5,8,0,1,0\r\n").repeated(20));
        QVERIFY(p.writes > 10 && clock.elapsed() >= 260);
        // The command's own bytes take their time too: 4 in and 4 out at 960 baud.
        p.sim.setBaudRate(960);
        clock.start();
        QCOMPARE(p.ask("AT"), "OK\r\n");
        QVERIFY2(clock.elapsed() >= 80, qPrintable(QString::number(clock.elapsed())));
        // A line far too slow loses whole answers, and what waits stays bounded.
        p.sim.setBaudRate(10);
        p.sim.receive(QByteArray("AT+UART?\r\n").repeated(6000));
        QTRY_VERIFY(p.sim.outputBacklog() > 60000 && p.sim.outputBacklog() <= 64 * 1024);
        p.sim.setBaudRate(0);
        QTRY_VERIFY_WITH_TIMEOUT(!p.sim.hasPendingOutput(), 10000);
        QVERIFY(p.out.size() < 6000 * 14);
        QCOMPARE(p.out, QByteArray("OK=5,8,0,1,0\r\n").repeated(p.out.size() / 14));
        // Scan reports spread over the scan time; a reset ends a scan.
        clock.start();
        const QByteArray reports = p.ask("AT+SCAN=001");
        QVERIFY(p.writes == 6 && clock.elapsed() >= 950 && reports.endsWith("PWM_LIGHT\r\nOK\r\n"));
        QCOMPARE(p.ask("AT+SCAN=3\r\nAT+RST"),
                 "OK=0,0x0000,0x00124B0001A2B3C4,LOCAL_NODE\r\nOK\r\n");
        // Samples for the module on the port: its own, and a remote node's sent to it or to
        // all; not what a remote node keeps for its own port or sends to another node.
        p.sim.setSampleTimeScale(0.01); // a second of interval becomes 10 ms
        p.sim.receive(expand("AT+ADCSMP=1,2,2,LID,0x0|AT+IOSMP=1,9,1,NID,0x0000>W|"
                             "AT+ADCSMP=1,3,1,MID,0xFFFFFFFFFFFFFFFF>S|AT+ADCSMP=1,1,1,LID,0x0>S|"
                             "AT+ADCSMP=1,2,1,NID,0x1A2B>S|AT+VER|"));
        QTRY_VERIFY(p.out.count("ADC=2,0x0000,2048\r\n") >= 3 &&
                    p.out.count("IO=9,0x5E6F,1\r\n") >= 3 &&
                    p.out.count("ADC=3,0x3C4D,3301\r\n") >= 3);
        // Replies keep their shape among the samples, and samples never look like replies.
        QStringList lines = QString::fromLatin1(p.out).split('\n');
        lines.sort(), lines.removeDuplicates();
        QCOMPARE(lines.join('|'), "|ADC=2,0x0000,2048\r|ADC=3,0x3C4D,3301\r|IO=9,0x5E6F,1\r|OK\r|"
                                  "OK<0x3C4D,0x00124B0001A2B3D2\r|OK<0x5E6F,0x00124B0001A2B3D3\r|"
                                  "OK=SIM-1.0.0\r");
    }

    void device()
    {
        auto sim = std::make_unique<SimModule>();
        auto dev = std::make_unique<SimDevice>(sim.get());
        QVERIFY(dev->open(QIODevice::ReadWrite) && !dev->open(QIODevice::ReadWrite));
        QCOMPARE(dev->write("AT+CH=22\r\nAT+TYP?\r\n"), qint64(19));
        QCOMPARE(dev->bytesAvailable(), qint64(0)); // the answer comes later, like a port's
        QTRY_COMPARE(dev->bytesAvailable(), qint64(10));
        QCOMPARE(dev->readAll(), "OK\r\nOK=C\r\n");
        // Deleted with answers on their way; the module keeps its configuration.
        dev->write("AT+SCAN=1\r\n");
        dev.reset();
        SimDevice again(sim.get());
        QVERIFY(again.open(QIODevice::ReadWrite));
        again.write("AT+CH?\r\n");
        QByteArray heard;
        QTRY_VERIFY((heard += again.readAll()).contains("OK=22\r\n"));
        // The module may go first: the device then refuses to write and to open.
        sim.reset();
        QCOMPARE(again.write("AT\r\n"), qint64(-1));
        again.close();
        QVERIFY(!again.open(QIODevice::ReadWrite));
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
