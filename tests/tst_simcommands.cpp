// The simulated module's command language: exact reply bytes of every command family,
// set-then-query round trips on the local module and on a remote node, list replies,
// error codes, line assembly, and storing / restarting / factory values.

#include "simprobe.h"

#include <QDeadlineTimer>
#include <QTest>

namespace {

const QByteArray kSensor = ">NID,0x3C4D";
const QByteArray kSensorSuffix = "<0x3C4D,0x00124B0001A2B3D2";

// The expected reply lines as the local module sends them, turned into the remote
// form when `remote`: the suffix goes on the last line (the only one for a single
// reply, the closing line of a list).
QByteArray expected(const QByteArrayList &lines, bool remote)
{
    QByteArray out;
    for (int i = 0; i < lines.size(); ++i)
        out += lines.at(i) + (remote && i == lines.size() - 1 ? kSensorSuffix : "") + "\r\n";
    return out;
}

} // namespace

class TestSimCommands : public QObject
{
    Q_OBJECT

private slots:
    void executeAndQueryReplies();
    void roundTrips_data();
    void roundTrips();
    void listReplies();
    void errors_data();
    void errors();
    void networkNotStarted();
    void storeRestartFactory();
    void lineAssembly();
    void consoleOnlyWords();
};

void TestSimCommands::executeAndQueryReplies()
{
    Probe p;
    QCOMPARE(p.ask("AT"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+INFO"), QByteArray("OK=NWSIM-ZB100\r\n"));
    QCOMPARE(p.ask("AT+VER"), QByteArray("OK=SIM-1.0.0\r\n"));
    QCOMPARE(p.ask("AT+TYP?"), QByteArray("OK=C\r\n"));
    QCOMPARE(p.ask("AT+NID?"), QByteArray("OK=0x0000\r\n"));
    QCOMPARE(p.ask("AT+MID?"), QByteArray("OK=0x00124B0001A2B3C4\r\n"));
    QCOMPARE(p.ask("AT+NS?"), QByteArray("OK=RUNNING\r\n"));
    QCOMPARE(p.ask("AT+LQI?"), QByteArray("OK=255\r\n"));
    QCOMPARE(p.ask("AT+UART?"), QByteArray("OK=5,8,0,1,0\r\n"));
    QCOMPARE(p.ask("AT+DFWM?"), QByteArray("OK=0\r\n"));
    QCOMPARE(p.ask("AT+CH?"), QByteArray("OK=15\r\n"));
    QCOMPARE(p.ask("AT+RNODE=1"), QByteArray("OK=LOCAL_NODE\r\n"));
    QCOMPARE(p.ask("AT+IORD=9"), QByteArray("OK=1\r\n"));
    QCOMPARE(p.ask("AT+ADCRD=2"), QByteArray("OK=2048\r\n"));
    QCOMPARE(p.ask("AT+W"), QByteArray("OK\r\n"));
    // A remote node answers with its own values and its suffix.
    QCOMPARE(p.ask("AT+INFO" + kSensor), "OK=NWSIM-ZB110" + kSensorSuffix + "\r\n");
    QCOMPARE(p.ask("AT+TYP?" + kSensor), "OK=R" + kSensorSuffix + "\r\n");
    QCOMPARE(p.ask("AT+ADCRD=1" + kSensor), "OK=1650" + kSensorSuffix + "\r\n");
    QCOMPARE(p.ask("AT+NID?" + kSensor), "OK=0x3C4D" + kSensorSuffix + "\r\n");
    QCOMPARE(p.ask("AT" + kSensor), "OK" + kSensorSuffix + "\r\n");
}

void TestSimCommands::roundTrips_data()
{
    QTest::addColumn<QByteArrayList>("sets");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArrayList>("reply");

    auto row = [](const char *name, QByteArrayList sets, QByteArray query, QByteArrayList reply) {
        QTest::newRow(name) << sets << query << reply;
    };
    row("baud", {"AT+IPR=3"}, "AT+UART?", {"OK=3,8,0,1,0"});
    row("data bits", {"AT+DBIT=7"}, "AT+UART?", {"OK=5,7,0,1,0"});
    row("parity", {"AT+PAR=2"}, "AT+UART?", {"OK=5,8,2,1,0"});
    row("stop bits", {"AT+STO=2"}, "AT+UART?", {"OK=5,8,0,2,0"});
    row("flow", {"AT+IFC=1"}, "AT+UART?", {"OK=5,8,0,1,1"});
    row("baud alone", {"AT+IPR=0"}, "AT+IPR?", {"OK=0"});
    row("channel", {"AT+CH=26"}, "AT+CH?", {"OK=26"});
    row("channel leading zero", {"AT+CH=011"}, "AT+CH?", {"OK=11"});
    row("epid", {"AT+EPID=0xabcDEF0123"}, "AT+EPID?", {"OK=0xabcDEF0123"});
    row("epid decimal", {"AT+EPID=4660"}, "AT+EPID?", {"OK=4660"});
    row("type", {"AT+TYP=R", "AT+TYP=C"}, "AT+TYP?", {"OK=C"});
    row("auto start", {"AT+NASTA=0"}, "AT+NASTA?", {"OK=0"});
    row("join time", {"AT+JOINT=120"}, "AT+JOINT?", {"OK=120"});
    row("lock", {"AT+NLOCK=1"}, "AT+NLOCK?", {"OK=1"});
    row("transparent destination", {"AT+TID=MID,0x00124B0001A2B3D2"}, "AT+TID?",
        {"OK=MID,0x00124B0001A2B3D2"});
    row("work mode", {"AT+DFWM=1"}, "AT+DFWM?", {"OK=1"});
    row("descriptor with commas", {"AT+WNODE=2,Kitchen, lamp"}, "AT+RNODE=2", {"OK=Kitchen, lamp"});
    row("descriptor longest", {"AT+WNODE=4,0123456789ABCDEF"}, "AT+RNODE=4",
        {"OK=0123456789ABCDEF"});
    row("output level", {"AT+IOSET=14,1", "AT+IOOUT=14,1"}, "AT+IORD=14", {"OK=1"});
    row("direction", {"AT+IOSET=10,1", "AT+IOSET=17,1", "AT+IOSET=10,0"}, "AT+IOSET?",
        {"OK=9,0", "OK=10,0", "OK=14,0", "OK=15,0", "OK=17,1", "OK"});
    row("transparent io", {"AT+TPIO=1,15,9,NID,0x1234"}, "AT+TPIO?", {"OK=15,9,NID,0x1234", "OK"});
    row("io sampling", {"AT+IOSMP=1,17,300,MID,0x00124B0001A2B3C4"}, "AT+IOSMP?",
        {"OK=1,17,300,MID,0x00124B0001A2B3C4", "OK"});
    row("adc sampling", {"AT+ADCSMP=1,3,600,NID,0x1A2B"}, "AT+ADCSMP?",
        {"OK=1,3,600,NID,0x1A2B", "OK"});
    row("pwm", {"AT+PWM=1,2,0020,50"}, "AT+PWM?", {"OK=1,2,0020,50", "OK"});
    row("pwm extremes", {"AT+PWM=1,3,10000,100", "AT+PWM=1,1,20,0"}, "AT+PWM?",
        {"OK=1,1,20,0", "OK=1,3,10000,100", "OK"});
}

void TestSimCommands::roundTrips()
{
    QFETCH(QByteArrayList, sets);
    QFETCH(QByteArray, query);
    QFETCH(QByteArrayList, reply);

    for (const bool remote : {false, true}) {
        Probe p;
        const QByteArray via = remote ? kSensor : QByteArray();
        for (const QByteArray &set : sets)
            QCOMPARE(p.ask(set + via), expected({"OK"}, remote));
        QCOMPARE(p.ask(query + via), expected(reply, remote));
        // The node on the other side of the link keeps its own value.
        const QByteArray other = remote ? QByteArray() : kSensor;
        Probe fresh;
        QCOMPARE(p.ask(query + other), fresh.ask(query + other));
    }
}

void TestSimCommands::listReplies()
{
    Probe p;
    QCOMPARE(p.ask("AT+IOSET?"),
             QByteArray("OK=9,0\r\nOK=10,0\r\nOK=14,0\r\nOK=15,0\r\nOK=17,0\r\nOK\r\n"));
    // Nothing switched on: only the closing line.
    QCOMPARE(p.ask("AT+TPIO?"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+IOSMP?"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+ADCSMP?"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+PWM?"), QByteArray("OK\r\n"));

    // Rows come in line / channel order and disappear when switched off.
    QCOMPARE(p.ask("AT+PWM=1,3,500,10"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+PWM=1,1,1000,90"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+PWM?"), QByteArray("OK=1,1,1000,90\r\nOK=1,3,500,10\r\nOK\r\n"));
    QCOMPARE(p.ask("AT+PWM=0,1"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+PWM?"), QByteArray("OK=1,3,500,10\r\nOK\r\n"));
    QCOMPARE(p.ask("AT+TPIO=1,9,17,MID,0x00124B0001A2B3D3"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+TPIO=1,10,9,NID,0x5E6F"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+TPIO=0,9"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+TPIO?"), QByteArray("OK=10,9,NID,0x5E6F\r\nOK\r\n"));

    // Remote lists: rows without a suffix, the closing line with it.
    QCOMPARE(p.ask("AT+IOSET?>NID,0x5E6F"),
             QByteArray("OK=9,1\r\nOK=10,1\r\nOK=14,0\r\nOK=15,0\r\nOK=17,0\r\n"
                        "OK<0x5E6F,0x00124B0001A2B3D3\r\n"));
    QCOMPARE(p.ask("AT+PWM?>NID,0x7A8B"),
             QByteArray("OK=1,1,1000,40\r\nOK<0x7A8B,0x00124B0001A2B3D4\r\n"));
    QCOMPARE(p.ask("AT+ADCSMP?>NID,0x7A8B"), QByteArray("OK<0x7A8B,0x00124B0001A2B3D4\r\n"));
}

void TestSimCommands::errors_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("code");

    const QByteArray longDesc(SimLimits::kMaxDescriptorLength + 1, 'd');
    const QByteArray longData(SimLimits::kMaxPacketDataLength + 1, 'x');
    const QByteArray longLine = "AT+WNODE=1," + QByteArray(SimLimits::kMaxLineLength, 'a');
    const QByteArray longParam = "AT+EPID=0x" + QByteArray(SimLimits::kMaxParameterLength, '1');
    struct Row
    {
        const char *name;
        QByteArray line;
        int code;
    };
    const Row rows[] = {
        {"no AT", "XYZ", 10},
        {"lower case", "at+ver", 10},
        {"too long", longLine, 11},
        {"empty line", "", 12},
        {"empty word", "AT+", 12},
        {"control character", "AT+VER\x01", 13},
        {"word not A-Z", "AT+ver", 14},
        {"no plus", "ATI", 15},
        {"unknown word", "AT+FOO", 15},
        {"parameter too long", longParam, 16},
        {"letters for a number", "AT+CH=x", 20},
        {"too many parameters", "AT+CH=11,12", 20},
        {"type word", "AT+TYP=Coor", 20},
        {"missing parameter", "AT+CH=", 21},
        {"missing descriptor", "AT+WNODE=1,", 21},
        {"missing descriptor number", "AT+WNODE=1", 21},
        {"missing io level", "AT+IOSET=9", 21},
        {"empty interval", "AT+IOSMP=1,9,,LID,0x0", 21},
        {"missing packet data", "AT+SEND=NID,0x1A2B,", 21},
        {"missing scan time", "AT+SCAN=", 21},
        {"query with parameters", "AT+CH?1", 22},
        {"channel low", "AT+CH=10", 23},
        {"channel high", "AT+CH=27", 23},
        {"end device", "AT+TYP=E", 23},
        {"baud index", "AT+IPR=6", 23},
        {"data bits", "AT+DBIT=4", 23},
        {"descriptor number", "AT+WNODE=5,x", 23},
        {"rnode 0", "AT+RNODE=0", 23},
        {"direction 2", "AT+IOSET=9,2", 23},
        {"transparent io switch", "AT+TPIO=2,9", 23},
        {"transparent io mode", "AT+TPIO=1,9,10,LID,0x0", 23},
        {"sampling interval 0", "AT+IOSMP=1,9,0,LID,0x0", 23},
        {"sampling mode", "AT+IOSMP=1,9,10,XID,0x0", 23},
        {"adc channel", "AT+ADCRD=5", 23},
        {"adc sampling channel", "AT+ADCSMP=1,0,10,LID,0x0", 23},
        {"pwm channel", "AT+PWM=1,4,1000,50", 23},
        {"pwm frequency low", "AT+PWM=1,1,19,50", 23},
        {"pwm frequency high", "AT+PWM=1,1,10001,50", 23},
        {"pwm duty", "AT+PWM=1,1,1000,101", 23},
        {"send mode", "AT+SEND=LID,0x0,hi", 23},
        {"scan 0", "AT+SCAN=0", 23},
        {"scan 256", "AT+SCAN=256", 23},
        {"transparent io off with more", "AT+TPIO=0,9,10", 20},
        {"pwm frequency letters", "AT+PWM=1,1,1k,5", 20},
        {"scan letters", "AT+SCAN=abc", 20},
        {"descriptor too long", "AT+WNODE=1," + longDesc, 24},
        {"test form", "AT+CH=?", 30},
        {"query of execute word", "AT+VER?", 31},
        {"set of query word", "AT+NID=1", 32},
        {"execute of set word", "AT+CH", 33},
        {"address digits", "AT+TPIO=1,9,10,NID,0x12345", 40},
        {"address form", "AT+IOSMP=1,9,10,LID,1234", 40},
        {"transparent address", "AT+TID=NID,0x", 40},
        {"packet address", "AT+SEND=NID,zz,hi", 40},
        {"remote address", "AT+CH?>NID,0xZZ", 40},
        {"remote address empty", "AT+CH?>NID,", 40},
        {"remote net address too big", "AT+CH?>NID,0x12345", 40},
        {"epid", "AT+EPID=12ab", 41},
        {"epid digits", "AT+EPID=0x", 41},
        {"io line", "AT+IOSET=11,1", 80},
        {"io level line", "AT+IOOUT=12,1", 80},
        {"io read line", "AT+IORD=16", 80},
        {"transparent target line", "AT+TPIO=1,9,11,NID,0x1", 80},
        {"level on an input", "AT+IOOUT=9,1", 81},
        {"packet too long", "AT+SEND=NID,0x1A2B," + longData, 100},
    };
    for (const Row &r : rows)
        QTest::newRow(r.name) << r.line << r.code;
}

void TestSimCommands::errors()
{
    QFETCH(QByteArray, line);
    QFETCH(int, code);
    Probe p;
    QCOMPARE(p.ask(line), "ERR=" + QByteArray::number(code) + "\r\n");
    // A refused command changes nothing: the module still answers as before.
    QCOMPARE(p.ask("AT+CH?"), QByteArray("OK=15\r\n"));
    QCOMPARE(p.ask("AT+RNODE=1"), QByteArray("OK=LOCAL_NODE\r\n"));
}

void TestSimCommands::networkNotStarted()
{
    Probe p;
    QCOMPARE(p.ask("AT+NLEAV"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+NS?"), QByteArray("OK=STOPPED\r\n"));
    QCOMPARE(p.ask("AT+NID?"), QByteArray("ERR=60\r\n"));
    QCOMPARE(p.ask("AT+LQI?"), QByteArray("ERR=60\r\n"));
    QCOMPARE(p.ask("AT+SEND=NID,0x1A2B,hello"), QByteArray("ERR=60\r\n"));
    QCOMPARE(p.ask("AT+SCAN=1"), QByteArray("ERR=60\r\n"));
    QCOMPARE(p.ask("AT+VER>NID,0x1A2B"), QByteArray("ERR=60\r\n"));
    // What needs no network still works.
    QCOMPARE(p.ask("AT+MID?"), QByteArray("OK=0x00124B0001A2B3C4\r\n"));
    QCOMPARE(p.ask("AT+NSTA"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+NID?"), QByteArray("OK=0x0000\r\n"));
    QCOMPARE(p.ask("AT+VER>NID,0x1A2B"), "OK=SIM-1.0.0<0x1A2B,0x00124B0001A2B3D1\r\n");
    QCOMPARE(p.ask("AT+NRST"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+NS?"), QByteArray("OK=RUNNING\r\n"));
}

void TestSimCommands::storeRestartFactory()
{
    for (const bool remote : {false, true}) {
        Probe p;
        const QByteArray via = remote ? kSensor : QByteArray();
        auto channel = [&]() {
            return p.ask("AT+CH?" + via);
        };
        QCOMPARE(p.ask("AT+CH=20" + via), expected({"OK"}, remote));
        QCOMPARE(p.ask("AT+RST" + via), expected({"OK"}, remote));
        QCOMPARE(channel(), expected({"OK=15"}, remote)); // never stored

        QCOMPARE(p.ask("AT+CH=20" + via), expected({"OK"}, remote));
        QCOMPARE(p.ask("AT+WNODE=1,RENAMED" + via), expected({"OK"}, remote));
        QCOMPARE(p.ask("AT+W" + via), expected({"OK"}, remote));
        QCOMPARE(p.ask("AT+CH=22" + via), expected({"OK"}, remote));
        QCOMPARE(p.ask("AT+RST" + via), expected({"OK"}, remote));
        QCOMPARE(channel(), expected({"OK=20"}, remote));
        QCOMPARE(p.ask("AT+RNODE=1" + via), expected({"OK=RENAMED"}, remote));

        QCOMPARE(p.ask("AT+DFRST" + via), expected({"OK"}, remote));
        QCOMPARE(channel(), expected({"OK=15"}, remote));
        // Factory values are what is stored now, too.
        QCOMPARE(p.ask("AT+RST" + via), expected({"OK"}, remote));
        QCOMPARE(channel(), expected({"OK=15"}, remote));
        QCOMPARE(p.ask("AT+RNODE=1" + via),
                 expected({remote ? "OK=SENSOR_ADC" : "OK=LOCAL_NODE"}, remote));
    }

    // A module stored with auto start off comes back without a network.
    Probe p;
    QCOMPARE(p.ask("AT+NASTA=0"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+W"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+RST"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+NID?"), QByteArray("ERR=60\r\n"));
    QCOMPARE(p.sim.local().stored().autoStart, 0);
    QCOMPARE(p.ask("AT+DFRST"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+NID?"), QByteArray("OK=0x0000\r\n"));
}

void TestSimCommands::lineAssembly()
{
    Probe p;
    // Byte by byte.
    for (const char c : QByteArray("AT+VER\r\n"))
        p.sim.receive(QByteArray(1, c));
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray("OK=SIM-1.0.0\r\n"));
    QCOMPARE(p.sim.receivedLines().constLast(), QStringLiteral("AT+VER"));

    // Several lines in one write are answered in order.
    p.out.clear();
    p.sim.receive("AT+CH?\r\nAT+TYP?\r\nAT\r\n");
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray("OK=15\r\nOK=C\r\nOK\r\n"));

    // A lone LF or CR does not end a line.
    QCOMPARE(p.ask("AT\nAT"), QByteArray("ERR=13\r\n"));
    QCOMPARE(p.ask("AT\rAT"), QByteArray("ERR=13\r\n"));
    QCOMPARE(p.sim.receivedLines().constLast(), QStringLiteral("AT\rAT"));

    // Endless input without a line end is not kept whole, and the line is refused.
    p.out.clear();
    for (int i = 0; i < 100; ++i)
        p.sim.receive(QByteArray(1000, 'A'));
    QVERIFY(!p.sim.hasPendingOutput());
    p.sim.receive("\r\n");
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray("ERR=11\r\n"));
    QVERIFY(p.sim.receivedLines().constLast().size() <= SimLimits::kMaxLineLength + 2);
    QCOMPARE(p.ask("AT"), QByteArray("OK\r\n"));

    // For terminal programs: a lone CR or LF ends a line, empty lines are skipped.
    p.sim.setAnyLineEnd(true);
    p.out.clear();
    p.sim.receive("AT\rAT+CH?\n\r\n\nAT+TYP?\r");
    p.sim.receive("\n");
    QVERIFY(p.settle());
    QCOMPARE(p.out, QByteArray("OK\r\nOK=15\r\nOK=C\r\n"));
}

void TestSimCommands::consoleOnlyWords()
{
    Probe p;
    QCOMPARE(p.ask("AT+PWMRD=1"), QByteArray("OK=0,1000,0\r\n"));
    QCOMPARE(p.ask("AT+PWMRD=1>NID,0x7A8B"), "OK=1,1000,40<0x7A8B,0x00124B0001A2B3D4\r\n");
    QCOMPARE(p.ask("AT+PWMRD"), QByteArray("ERR=33\r\n"));

    // Transparent mode towards the transparent destination (0x1A2B out of the box):
    // lines are data and get no answer until the way out.
    QCOMPARE(p.ask("AT+TPMOD"), QByteArray("OK\r\n"));
    QVERIFY(p.sim.inTransparentMode());
    QCOMPARE(p.ask("AT+VER"), QByteArray());
    QCOMPARE(p.ask("hello"), QByteArray());
    QCOMPARE(p.ask("AT+ESC"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+VER"), QByteArray("OK=SIM-1.0.0\r\n"));
    // Nobody at the destination: refused.
    QCOMPARE(p.ask("AT+TID=NID,0x4444"), QByteArray("OK\r\n"));
    QCOMPARE(p.ask("AT+TPMOD"), QByteArray("ERR=42\r\n"));
    QVERIFY(!p.sim.inTransparentMode());
    // Only the module on the port scans or enters transparent mode.
    QCOMPARE(p.ask("AT+SCAN=1>NID,0x1A2B"), QByteArray("ERR=15\r\n"));
    QCOMPARE(p.ask("AT+ESC"), QByteArray("OK\r\n"));
}

QTEST_GUILESS_MAIN(TestSimCommands)
#include "tst_simcommands.moc"
