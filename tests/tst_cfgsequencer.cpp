// The widget-free pieces of the configuration runs: the step bookkeeping, the judging
// of read replies and the value parts of the set commands.

#include "config/cfgcompose.h"
#include "config/cfgreply.h"
#include "config/cfgsequencer.h"

#include <QTest>

class TstCfgSequencer : public QObject
{
    Q_OBJECT

private slots:
    void retriesAreSharedAndBounded();
    void startClearsWhatAStoppedRunLeft();
    void listLinesFollowTheTarget();
    void singleValueConversions();
    void composedValues_data();
    void composedValues();
};

void TstCfgSequencer::retriesAreSharedAndBounded()
{
    bool running = false;
    int pos = 7;
    int retries = 0;
    CfgSequencer seq(running, pos, retries);
    seq.start();
    QVERIFY(running);
    QCOMPARE(pos, 0);

    // First failure (rejection or time-out alike): one more attempt.
    QCOMPARE(seq.fail(), CfgSequencer::Verdict::Retry);
    QCOMPARE(retries, 1);
    // An accepted reply gives the next step its own retry.
    seq.accept();
    QCOMPARE(retries, 0);
    seq.advance();
    QCOMPARE(pos, 1);
    QCOMPARE(seq.fail(), CfgSequencer::Verdict::Retry);
    // The second failure of the same step gives up and leaves a clean count.
    QCOMPARE(seq.fail(), CfgSequencer::Verdict::GiveUp);
    QCOMPARE(retries, 0);
    QVERIFY(!seq.pastEnd(2));
    seq.advance();
    QVERIFY(seq.pastEnd(2));
    seq.finish();
    QVERIFY(!running);

    QCOMPARE(CfgSequencer::stepTimeoutMs(true), 2000);
    QCOMPARE(CfgSequencer::stepTimeoutMs(false), 5500);
}

void TstCfgSequencer::startClearsWhatAStoppedRunLeft()
{
    bool running = false;
    int pos = 0;
    int retries = 0;
    CfgSequencer seq(running, pos, retries);
    seq.start();
    seq.advance();
    QCOMPARE(seq.fail(), CfgSequencer::Verdict::Retry);
    seq.finish(); // stopped by the user while the step was being retried
    QCOMPARE(retries, 1);

    seq.start();
    QCOMPARE(retries, 0);
    QCOMPARE(pos, 0);
    // So the new run's first failure still earns a resend.
    QCOMPARE(seq.fail(), CfgSequencer::Verdict::Retry);
}

void TstCfgSequencer::listLinesFollowTheTarget()
{
    using CfgReply::ListLine;
    const QString bareOk = QStringLiteral("OK\r\n");
    const QString remoteOk = QStringLiteral("OK<0x1A2B,0x00124B0001A2B3D1\r\n");
    const QString row = QStringLiteral("OK=9,1\r\n");

    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, bareOk, false).kind, ListLine::Closing);
    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, remoteOk, true).kind, ListLine::Closing);
    // Each target closes its lists only with its own form of success.
    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, bareOk, true).kind, ListLine::Other);
    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, remoteOk, false).kind, ListLine::Other);
    // Rows carry no suffix for either target.
    for (bool remote : {false, true}) {
        const ListLine l = CfgReply::listLine(Reply::Form::Row2, row, remote);
        QCOMPARE(l.kind, ListLine::Row);
        QCOMPARE(l.fields, QStringList({"9", "1"}));
    }
    const ListLine pwm =
        CfgReply::listLine(Reply::Form::Row4, QStringLiteral("OK=1,2,1000,50\r\n"), false);
    QCOMPARE(pwm.fields, QStringList({"1", "2", "1000", "50"}));
    QCOMPARE(CfgReply::listLine(Reply::Form::Row4, row, false).kind, ListLine::Other);
    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, QStringLiteral("ERR=20\r\n"), false).kind,
             ListLine::Other);

    QCOMPARE(CfgReply::ioSlot(9), 0);
    QCOMPARE(CfgReply::ioSlot(17), 4);
    QCOMPARE(CfgReply::ioSlot(11), -1);
    QCOMPARE(CfgReply::ioSlot(0), -1);
    QCOMPARE(CfgReply::channelSlot(1, 4), 0);
    QCOMPARE(CfgReply::channelSlot(4, 4), 3);
    QCOMPARE(CfgReply::channelSlot(4, 3), -1);
    QCOMPARE(CfgReply::channelSlot(0, 3), -1);
}

void TstCfgSequencer::singleValueConversions()
{
    QVERIFY(CfgReply::isNetworkNotStarted(QStringLiteral("ERR=60\r\n")));
    QVERIFY(!CfgReply::isNetworkNotStarted(QStringLiteral("ERR=060\r\n")));
    QVERIFY(!CfgReply::isNetworkNotStarted(QStringLiteral("ERR=6\r\n")));

    QCOMPARE(CfgReply::rangedInt(QStringLiteral("11"), 11, 26), std::optional<int>(11));
    QCOMPARE(CfgReply::rangedInt(QStringLiteral("26"), 11, 26), std::optional<int>(26));
    QVERIFY(!CfgReply::rangedInt(QStringLiteral("10"), 11, 26));
    QVERIFY(!CfgReply::rangedInt(QStringLiteral("27"), 11, 26));
    QVERIFY(!CfgReply::rangedInt(QStringLiteral("1x"), 0, 1));
    QVERIFY(!CfgReply::rangedInt(QString(), 0, 1));

    QCOMPARE(CfgReply::deviceTypeIndex(QStringLiteral("C")), std::optional<int>(0));
    QCOMPARE(CfgReply::deviceTypeIndex(QStringLiteral("R")), std::optional<int>(1));
    QVERIFY(!CfgReply::deviceTypeIndex(QStringLiteral("E")));
    QVERIFY(!CfgReply::deviceTypeIndex(QStringLiteral("c")));

    QCOMPARE(CfgReply::twoModeIndex(QStringLiteral("NID")), 0);
    QCOMPARE(CfgReply::twoModeIndex(QStringLiteral("LID")), 1);
    QCOMPARE(CfgReply::samplingModeIndex(QStringLiteral("MID")), 1);
    QCOMPARE(CfgReply::samplingModeIndex(QStringLiteral("XYZ")), 2);

    const auto u = CfgReply::uartIndexes({"5", "8", "0", "1", "0"});
    QCOMPARE(u.baud, 5);
    QCOMPARE(u.dataBits, 3);
    QCOMPARE(u.parity, 0);
    QCOMPARE(u.stopBits, 0);
    QCOMPARE(u.flow, 0);
    const auto odd = CfgReply::uartIndexes({"2", "5", "2", "2", "1"});
    QCOMPARE(odd.dataBits, 0);
    QCOMPARE(odd.stopBits, 1);
    QCOMPARE(odd.flow, 1);
    // Not a number: the box is pointed nowhere rather than at a wrong item.
    QCOMPARE(CfgReply::uartIndexes({"x", "x", "x", "x", "x"}).dataBits, -5);
}

void TstCfgSequencer::composedValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("coordinator") << CfgCompose::typeLetter(0) << "C";
    QTest::newRow("router") << CfgCompose::typeLetter(1) << "R";
    QTest::newRow("other type") << CfgCompose::typeLetter(2) << "E";
    QTest::newRow("no type") << CfgCompose::typeLetter(-1) << "E";
    QTest::newRow("input") << CfgCompose::direction(true) << "0";
    QTest::newRow("output") << CfgCompose::direction(false) << "1";
    QTest::newRow("transparent io")
        << CfgCompose::group(true, 14, {"9", "NID", "0x1234"}) << "1,14,9,NID,0x1234";
    QTest::newRow("sampling off") << CfgCompose::group(false, 10, {"10", "LID", "0x0"}) << "0,10";
    QTest::newRow("pwm") << CfgCompose::group(true, 2, {"1000", "50"}) << "1,2,1000,50";
    QTest::newRow("empty field sent as it stands")
        << CfgCompose::group(true, 1, {"", "MID", ""}) << "1,1,,MID,";
}

void TstCfgSequencer::composedValues()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(value, expected);
}

QTEST_GUILESS_MAIN(TstCfgSequencer)
#include "tst_cfgsequencer.moc"
