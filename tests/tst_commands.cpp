// Every command text the program sends, from the one vocabulary that composes them, and
// the checks made before a PWM start or a packet repeat.

#include "at/commands.h"
#include "peripherals/peripheralcommands.h"

#include <QTest>

using namespace PeripheralCommand;

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void composed_data();
    void composed();
    void pwmFrequency_data();
    void pwmFrequency();
    void repeatInterval_data();
    void repeatInterval();
};

void TestCommands::composed_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("expected");
    using namespace Command;
    const auto row = [](const char *name, const QString &built, const char *expected) {
        QTest::newRow(name) << built << QString::fromUtf8(expected);
    };
    // The target and the line end.
    row("local line", line(QStringLiteral("AT+VER")), "AT+VER\r\n");
    row("by network address", addressed(QStringLiteral("AT+VER"), false, QStringLiteral("0x1A2B")),
        "AT+VER>NID,0x1A2B");
    row("by MAC address", addressed(QStringLiteral("AT"), true, QStringLiteral("0x00124B0001")),
        "AT>MID,0x00124B0001");
    row("empty address kept", addressed(QStringLiteral("AT"), false, QString()), "AT>NID,");
    // Queries of the configuration read.
    row("info", info(), "AT+INFO");
    row("version", version(), "AT+VER");
    row("query", query("CH"), "AT+CH?");
    row("query list", query("IOSMP"), "AT+IOSMP?");
    row("descriptor", readDescriptor(3), "AT+RNODE=3");
    row("io level", readIo(17), "AT+IORD=17");
    row("adc value", readAdc(4), "AT+ADCRD=4");
    // Module settings.
    row("AT_MODE", defaultWorkMode(0), "AT+DFWM=0");
    row("TP_MODE", defaultWorkMode(1), "AT+DFWM=1");
    row("Coor", deviceType(0), "AT+TYP=C");
    row("Router", deviceType(1), "AT+TYP=R");
    row("type beyond the items", deviceType(2), "AT+TYP=E");
    row("no type", deviceType(-1), "AT+TYP=E");
    row("4800 by index", baudRate(0), "AT+IPR=0");
    row("115200 by index", baudRate(5), "AT+IPR=5");
    row("stop bits by text", stopBits(QStringLiteral("2")), "AT+STO=2");
    row("data bits by text", dataBits(QStringLiteral("8")), "AT+DBIT=8");
    row("parity odd by index", parity(2), "AT+PAR=2");
    row("flow hardware by index", flowControl(1), "AT+IFC=1");
    row("channel by text", channel(QStringLiteral("26")), "AT+CH=26");
    row("lock N", networkLock(0), "AT+NLOCK=0");
    row("lock Y", networkLock(1), "AT+NLOCK=1");
    row("auto net N", autoNetwork(0), "AT+NASTA=0");
    row("auto net Y", autoNetwork(1), "AT+NASTA=1");
    row("extended pan id", extendedPanId(QStringLiteral("12345")), "AT+EPID=12345");
    row("join time", joinTime(QString()), "AT+JOINT=");
    row("target id", targetId(QStringLiteral("MID"), QStringLiteral("0xAB")), "AT+TID=MID,0xAB");
    row("write descriptor", writeDescriptor(4, QStringLiteral("a, b")), "AT+WNODE=4,a, b");
    row("save", save(), "AT+W");
    // System and network control, scan.
    row("reset", reset(), "AT+RST");
    row("restore", restoreFactory(), "AT+DFRST");
    row("start net", startNetwork(), "AT+NSTA");
    row("leave net", leaveNetwork(), "AT+NLEAV");
    row("restart net", restartNetwork(), "AT+NRST");
    row("scan as typed", scan(QStringLiteral("005")), "AT+SCAN=005");
    row("stop scan", stopScan(), "AT+ESC");
    // Packets and peripherals: parts are joined as they stand, nothing is trimmed.
    row("packet",
        sendPacket(QStringLiteral("NID"), QStringLiteral("0x796F"), QStringLiteral("hello")),
        "AT+SEND=NID,0x796F,hello");
    row("empty packet",
        sendPacket(QStringLiteral("MID"), QStringLiteral("0x00124B0001"), QString()),
        "AT+SEND=MID,0x00124B0001,");
    row("packet data untouched",
        sendPacket(QStringLiteral("NID"), QString(), QStringLiteral(" a,b ")),
        "AT+SEND=NID,, a,b ");
    row("input", ioDirection(9, true), "AT+IOSET=9,0");
    row("output", ioDirection(17, false), "AT+IOSET=17,1");
    row("level L", ioLevel(10, 0), "AT+IOOUT=10,0");
    row("level H", ioLevel(14, 1), "AT+IOOUT=14,1");
    row("transparent io on",
        transparentIo(true, 15, QStringLiteral("9"), QStringLiteral("NID"),
                      QStringLiteral("0x1A2B")),
        "AT+TPIO=1,15,9,NID,0x1A2B");
    row("transparent io off", transparentIo(false, 15, QStringLiteral("9"), QString(), QString()),
        "AT+TPIO=0,15");
    row("io sampling, empty interval",
        ioSample(true, 17, QString(), QStringLiteral("LID"), QStringLiteral("0x0")),
        "AT+IOSMP=1,17,,LID,0x0");
    row("io sampling, spaces kept",
        ioSample(true, 9, QStringLiteral("10"), QStringLiteral("MID"), QStringLiteral(" 0xAB ")),
        "AT+IOSMP=1,9,10,MID, 0xAB ");
    row("io sampling off",
        ioSample(false, 10, QStringLiteral("10"), QStringLiteral("LID"), QString()),
        "AT+IOSMP=0,10");
    row("adc sampling",
        adcSample(true, 3, QStringLiteral("10"), QStringLiteral("LID"), QStringLiteral("0x0")),
        "AT+ADCSMP=1,3,10,LID,0x0");
    row("adc sampling, empty fields",
        adcSample(true, 4, QString(), QStringLiteral("NID"), QString()), "AT+ADCSMP=1,4,,NID,");
    row("adc sampling off", adcSample(false, 1, QString(), QString(), QString()), "AT+ADCSMP=0,1");
    row("pwm", pwm(true, 2, QStringLiteral("1000"), 50), "AT+PWM=1,2,1000,50");
    row("pwm zeros kept", pwm(true, 1, QStringLiteral("0020"), 0), "AT+PWM=1,1,0020,0");
    row("pwm off", pwm(false, 3, QStringLiteral("1000"), 50), "AT+PWM=0,3");
}

void TestCommands::composed()
{
    QFETCH(QString, built);
    QFETCH(QString, expected);
    QCOMPARE(built, expected);
}

void TestCommands::pwmFrequency_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("below") << "19" << false;
    QTest::newRow("lowest") << "20" << true;
    QTest::newRow("typical") << "1000" << true;
    QTest::newRow("highest") << "10000" << true;
    QTest::newRow("above") << "10001" << false;
    QTest::newRow("leading zeros") << "0020" << true;
    QTest::newRow("zeros below") << "0019" << false;
    QTest::newRow("many zeros") << "00000000000000000000000020" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("sign") << "+100" << false;
    QTest::newRow("space") << " 100" << false;
    QTest::newRow("letters") << "1e3" << false;
    QTest::newRow("huge") << "99999999999999999999999" << false;
}

void TestCommands::pwmFrequency()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(pwmFrequencyValid(text), valid);
}

void TestCommands::repeatInterval_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("interval"); // -1: refused
    QTest::addColumn<int>("period");
    QTest::newRow("ordinary") << "1000" << 1000 << 1000;
    QTest::newRow("zero runs at the floor") << "0" << 0 << kMinRepeatPeriodMs;
    QTest::newRow("below the floor") << "3" << 3 << kMinRepeatPeriodMs;
    QTest::newRow("leading zeros") << "0050" << 50 << 50;
    QTest::newRow("largest a timer holds") << "2147483647" << 2147483647 << 2147483647;
    QTest::newRow("past a timer") << "2147483648" << -1 << 0;
    QTest::newRow("largest unsigned") << "4294967295" << -1 << 0;
    QTest::newRow("past unsigned") << "4294967296" << -1 << 0;
    QTest::newRow("empty") << "" << -1 << 0;
    QTest::newRow("sign") << "-5" << -1 << 0;
    QTest::newRow("space") << "10 " << -1 << 0;
}

void TestCommands::repeatInterval()
{
    QFETCH(QString, text);
    QFETCH(int, interval);
    QFETCH(int, period);
    const auto parsed = parseRepeatInterval(text);
    if (interval < 0) {
        QVERIFY(!parsed);
        return;
    }
    QVERIFY(parsed);
    QCOMPARE(*parsed, interval);
    QCOMPARE(repeatTimerPeriod(*parsed), period);
}

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
