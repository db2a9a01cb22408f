// Command composition of the immediate settings and the peripheral controls, and the
// checks made before a PWM start or a packet repeat.

#include "config/immediatecommands.h"
#include "peripherals/peripheralcommands.h"

#include <QTest>

using namespace PeripheralCommand;

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void immediateCommands_data();
    void immediateCommands();
    void ioCommands();
    void adcAndPwmCommands();
    void packetCommand();
    void pwmFrequency_data();
    void pwmFrequency();
    void repeatInterval_data();
    void repeatInterval();
};

void TestCommands::immediateCommands_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("expected");
    using namespace ImmediateCommand;
    QTest::newRow("AT_MODE") << defaultWorkMode(0) << "AT+DFWM=0";
    QTest::newRow("TP_MODE") << defaultWorkMode(1) << "AT+DFWM=1";
    QTest::newRow("Coor") << deviceType(0) << "AT+TYP=C";
    QTest::newRow("Router") << deviceType(1) << "AT+TYP=R";
    QTest::newRow("type beyond the items") << deviceType(2) << "AT+TYP=E";
    QTest::newRow("4800 by index") << baudRate(0) << "AT+IPR=0";
    QTest::newRow("115200 by index") << baudRate(5) << "AT+IPR=5";
    QTest::newRow("stop bits by text") << stopBits(QStringLiteral("2")) << "AT+STO=2";
    QTest::newRow("data bits by text") << dataBits(QStringLiteral("8")) << "AT+DBIT=8";
    QTest::newRow("parity odd by index") << parity(2) << "AT+PAR=2";
    QTest::newRow("flow hardware by index") << flowControl(1) << "AT+IFC=1";
    QTest::newRow("channel by text") << channel(QStringLiteral("26")) << "AT+CH=26";
    QTest::newRow("lock N") << networkLock(0) << "AT+NLOCK=0";
    QTest::newRow("lock Y") << networkLock(1) << "AT+NLOCK=1";
    QTest::newRow("auto net N") << autoNetwork(0) << "AT+NASTA=0";
    QTest::newRow("auto net Y") << autoNetwork(1) << "AT+NASTA=1";
    QTest::newRow("reset") << reset() << "AT+RST";
    QTest::newRow("restore") << restoreFactory() << "AT+DFRST";
    QTest::newRow("start net") << startNetwork() << "AT+NSTA";
    QTest::newRow("leave net") << leaveNetwork() << "AT+NLEAV";
    QTest::newRow("restart net") << restartNetwork() << "AT+NRST";
}

void TestCommands::immediateCommands()
{
    QFETCH(QString, built);
    QFETCH(QString, expected);
    QCOMPARE(built, expected);
}

void TestCommands::ioCommands()
{
    const int lines[] = {9, 10, 14, 15, 17};
    for (const int n : lines) {
        const QString N = QString::number(n);
        QCOMPARE(ioDirection(n, true), "AT+IOSET=" + N + ",0");
        QCOMPARE(ioDirection(n, false), "AT+IOSET=" + N + ",1");
        QCOMPARE(ioLevel(n, 0), "AT+IOOUT=" + N + ",0");
        QCOMPARE(ioLevel(n, 1), "AT+IOOUT=" + N + ",1");
        QCOMPARE(transparentIoOff(n), "AT+TPIO=0," + N);
        QCOMPARE(ioSampleOff(n), "AT+IOSMP=0," + N);
    }
    QCOMPARE(transparentIoOn(15, "9", "NID", "0x1A2B"),
             QStringLiteral("AT+TPIO=1,15,9,NID,0x1A2B"));
    // Parts are joined as they stand: an empty interval leaves two commas together and
    // nothing is trimmed.
    QCOMPARE(ioSampleOn(17, "", "LID", "0x0"), QStringLiteral("AT+IOSMP=1,17,,LID,0x0"));
    QCOMPARE(ioSampleOn(9, "10", "MID", " 0xAB "), QStringLiteral("AT+IOSMP=1,9,10,MID, 0xAB "));
}

void TestCommands::adcAndPwmCommands()
{
    for (int c = 1; c <= 4; ++c)
        QCOMPARE(adcSampleOff(c), "AT+ADCSMP=0," + QString::number(c));
    QCOMPARE(adcSampleOn(3, "10", "LID", "0x0"), QStringLiteral("AT+ADCSMP=1,3,10,LID,0x0"));
    QCOMPARE(adcSampleOn(4, "", "NID", ""), QStringLiteral("AT+ADCSMP=1,4,,NID,"));
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(pwmOff(k), "AT+PWM=0," + QString::number(k));
    QCOMPARE(pwmOn(2, "1000", 50), QStringLiteral("AT+PWM=1,2,1000,50"));
    QCOMPARE(pwmOn(1, "0020", 0), QStringLiteral("AT+PWM=1,1,0020,0")); // zeros kept
}

void TestCommands::packetCommand()
{
    QCOMPARE(sendPacket("NID", "0x796F", "hello"), QStringLiteral("AT+SEND=NID,0x796F,hello"));
    QCOMPARE(sendPacket("MID", "0x00124B0001", ""), QStringLiteral("AT+SEND=MID,0x00124B0001,"));
    // Data may hold commas and spaces; it goes out untouched.
    QCOMPARE(sendPacket("NID", "", " a,b "), QStringLiteral("AT+SEND=NID,, a,b "));
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
