// Reading the configuration from the simulated module into the form and writing the form
// back, locally and to a remote node: the exact commands, the values, refused replies,
// resends, time-outs, Stop, a port closed under a run, and what a run locks.

#include "cfgform.h"

#include <QCheckBox>

namespace {

const QString kReadDone = QStringLiteral("读取配置完成");
const QString kReadFailed = QStringLiteral("读取配置遇到错误");
const QString kWriteDone = QStringLiteral("写入配置完成");

// Clicks Read or Write; with `wait`, returns the status once the run has ended.
QString run(WindowFixture &f, const char *button, bool wait = true)
{
    f.find<QPushButton>(button)->click();
    return !wait || runEnded(f) ? f.status() : QStringLiteral("still running");
}
const char *const kRead = "pushButton_readConfiguration";
const char *const kWrite = "pushButton_writeConfiguartion";

bool logged(WindowFixture &f, const QString &text)
{
    return logTexts(f).contains(text);
}

// Fills the form from the target, then makes `edits` while the port is closed, so that the
// immediate settings do not send them at once.
bool readAndEdit(WindowFixture &f, const QString &edits)
{
    const bool read = run(f, kRead) == kReadDone;
    f.find<QPushButton>("pushButton_openCom")->click();
    CfgForm::set(f, CfgForm::parse(edits));
    const bool open = f.openPort();
    f.sim()->clearReceivedLines();
    return read && open;
}

} // namespace

class TestCfgRun : public QObject
{
    Q_OBJECT

private slots:
    void readFillsTheFormAndLocksOtherWork();
    void readReplies_data();
    void readReplies();
    void writeSendsTheFormAndReadsItBack();
    void remoteNode();
    void failuresAndStop();
};

void TestCfgRun::readFillsTheFormAndLocksOtherWork()
{
    WindowFixture f;
    // Stale values that the reset at the start must remove.
    CfgForm::set(f, CfgForm::parse("checkBox_TPIO9=on checkBox_PWM1=on"));
    QVERIFY(openFast(f));
    CfgForm::set(f, CfgForm::parse("lineEdit_regular_time=5000 lineEdit_sendPkt_regular_time=5000 "
                                   "checkBox_regulerSend=on checkBox_sendPkt_regulerSend=on"));
    SimNodeConfig &c = f.sim()->local().config();
    c.part = "PART-X";
    c.version = "V9.8";
    c.lqi = 123;
    for (int i = 0; i < 5; ++i)
        c.io[i].level = i % 2;
    for (int i = 0; i < 4; ++i)
        c.adc[i].reading = QString::number(11 * (i + 1));
    const char *talkers = "pushButton_scan pushButton_send checkBox_regulerSend "
                          "pushButton_sendPkt checkBox_sendPkt_regulerSend";
    const char *formRuns = "pushButton_readConfiguration pushButton_writeConfiguartion "
                           "pushButton_Import pushButton_Export";
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(1);
    f.sim()->clearReceivedLines();
    // While it runs only Stop is offered, nothing else talks to the module (the repeats are
    // switched off), and the bar counts the queries.
    run(f, kRead, false);
    QCOMPARE(CfgForm::enabled(f, "pushButton_stopCfg progressBar_cfg") + " " +
                 CfgForm::enabled(f, formRuns) + " " + CfgForm::enabled(f, talkers),
             "11 0000 00000");
    QCOMPARE(CfgForm::value(f, "checkBox_regulerSend") +
                 CfgForm::value(f, "checkBox_sendPkt_regulerSend"),
             "offoff");
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kReadDone);
    QCOMPARE(idleMismatches(f, 1), QString());
    QCOMPARE(CfgForm::enabled(f, talkers), "11111");
    QTRY_VERIFY(logged(f, kReadDone));

    // Only the queries arrived: the filled form sent nothing back.
    QCOMPARE(f.sim()->receivedLines().join(QLatin1Char(' ')),
             "AT+INFO AT+VER AT+TYP? AT+NID? AT+MID? AT+NS? AT+UART? AT+DFWM? AT+EPID? AT+JOINT? "
             "AT+TID? AT+LQI? AT+CH? AT+NLOCK? AT+NASTA? AT+RNODE=1 AT+RNODE=2 AT+RNODE=3 "
             "AT+RNODE=4 AT+IOSET? AT+IORD=9 AT+IORD=10 AT+IORD=14 AT+IORD=15 AT+IORD=17 AT+TPIO? "
             "AT+IOSMP? AT+ADCRD=1 AT+ADCRD=2 AT+ADCRD=3 AT+ADCRD=4 AT+ADCSMP? AT+PWM?");
    CfgForm::Values expected = CfgForm::parse(
        "lineEdit_devicePart=PART-X lineEdit_deviceSoftwareVer=V9.8 "
        "lineEdit_deviceRunState=RUNNING "
        "lineEdit_LQI=123 checkBox_TPIO9=off checkBox_PWM1=off lineEdit_AD1=11 "
        "lineEdit_AD2=22 lineEdit_AD3=33 lineEdit_AD4=44 lineEdit_9curInput=0 "
        "lineEdit_10curInput=1 "
        "lineEdit_14curInput=0 lineEdit_15curInput=1 lineEdit_17curInput=0 comboBox_10output=H");
    expected += {{"lineEdit_deviceNid", c.netAddr}, {"lineEdit_deviceMid", c.macAddr}};
    QCOMPARE(CfgForm::mismatches(f, expected), QString());

    // A scan keeps the form's runs and imports waiting.
    f.sim()->setScanTimeScale(0.1);
    f.find<QLineEdit>("lineEdit_scanTime")->setText(QStringLiteral("2"));
    f.find<QPushButton>("pushButton_scan")->click();
    QCOMPARE(CfgForm::enabled(f, formRuns).left(3), "000");
    QTRY_VERIFY(!TestAccess::scanning(f.w.get()));
    QCOMPARE(CfgForm::enabled(f, formRuns), "1111");
}

void TestCfgRun::readReplies_data()
{
    // A reply put in place of the module's: the field right after the line has been
    // handled, and how often the query went out (twice: the reply was refused).
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("sent");
    const auto row = [](const char *query, const char *reply, const char *field, const char *value,
                        int sent) {
        QTest::addRow("%s %s", query, reply) << query << QString::fromLatin1(reply) + "\r\n"
                                             << QByteArray(field) << value << sent;
    };
    row("AT+IOSET?", "OK=11,1", "radioButton_9output", "off", 2);
    row("AT+TPIO?", "OK=9,11,NID,0x1", "checkBox_TPIO9", "off", 2);
    row("AT+IOSMP?", "OK=1,0,10,LID,0x0", "checkBox_IOSMP9", "off", 2);
    row("AT+ADCSMP?", "OK=1,5,10,LID,0x0", "checkBox_ADSMP1", "off", 2);
    row("AT+PWM?", "OK=1,4,1000,50", "checkBox_PWM1", "off", 2);
    row("AT+VER", "ERR=1", "lineEdit_deviceSoftwareVer", "", 2);
    row("AT+DFWM?", "OK=1,0", "comboBox_defaultWorkMode", "AT_MODE", 2);
    row("AT+NLOCK?", "OK=2", "comboBox_netLock", "N", 2);
    row("AT+CH?", "OK=10", "comboBox_CH", "15", 2);
    row("AT+CH?", "OK=27", "comboBox_CH", "15", 2);
    row("AT+TYP?", "OK=E", "comboBox_deviceType", "Coor", 1); // a type the form lacks
    // "Network not started" stands in for the network address and link quality only.
    row("AT+NID?", "ERR=60", "lineEdit_deviceNid", "0xFFFE", 1);
    row("AT+LQI?", "ERR=60", "lineEdit_LQI", "0", 1);
    row("AT+MID?", "ERR=60", "lineEdit_deviceMid", "", 2);
    row("AT+NID?", "ERR=6", "lineEdit_deviceNid", "", 2);
}

void TestCfgRun::readReplies()
{
    QFETCH(QString, query);
    QFETCH(QString, reply);
    QFETCH(QByteArray, field);
    QString seen = QStringLiteral("not looked at");
    WindowFixture f;
    CfgForm::set(f, CfgForm::parse("comboBox_deviceType=Router"));
    QVERIFY(openFast(f));
    onLine(f.sim(), query, [&] {
        f.sim()->dropNextReply();
        QTimer::singleShot(0, f.w.get(), [&] {
            emit f.w->recvNewLine(reply);
            seen = CfgForm::value(f, field);
        });
    });
    f.sim()->clearReceivedLines();
    QCOMPARE(run(f, kRead), kReadDone);
    QTEST(seen, "value");
    QTEST(countOf(f.sim(), query), "sent");
    QCOMPARE(idleMismatches(f, 0), QString());
}

void TestCfgRun::writeSendsTheFormAndReadsItBack()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    const QString edits = QStringLiteral(
        "comboBox_deviceType=Router comboBox_deviceBps=19200 comboBox_deviceDataBit=7 "
        "comboBox_deviceParBit=Even comboBox_deviceStopBit=2 comboBox_deviceFlow=Hardware "
        "lineEdit_EPID=0x00000000000000AB lineEdit_joinTime=99 comboBox_TID_AM=MID "
        "comboBox_TID_ADDR=0x00124B0001A2B3D1 comboBox_CH=26 comboBox_netLock=Y comboBox_autoNet=N "
        "lineEdit_DESC1=W1 lineEdit_DESC2=W2 lineEdit_DESC3=W3 lineEdit_DESC4=W4 "
        "radioButton_9output=on comboBox_9output=H radioButton_10input=on radioButton_14output=on "
        "comboBox_14output=L radioButton_15input=on radioButton_17input=on checkBox_TPIO9=off "
        "checkBox_TPIO10=on comboBox_TPIO10_TIO=15 comboBox_TPIO10_AM=NID "
        "comboBox_TPIO10_ADDR=0x3C4D checkBox_IOSMP9=off checkBox_IOSMP17=on "
        "lineEdit_IOSMP_IT17=30 "
        "comboBox_IOSMP17_AM=MID comboBox_IOSMP17_ADDR=0x00124B0001A2B3D2 checkBox_ADSMP1=off "
        "checkBox_ADSMP2=on lineEdit_ADSMP2_IT=20 comboBox_ADSMP2=NID comboBox_ADSMP2_ADDR=0x5E6F "
        "checkBox_PWM1=on lineEdit_PWM1_FRQ=2000 spinBox_PWM1=40 checkBox_PWM2=off ");
    // A switched-off channel sends only its number, whatever its fields hold.
    QVERIFY(readAndEdit(f, edits + "checkBox_PWM3=off lineEdit_PWM3_FRQ=5000 spinBox_PWM3=77"));

    // While each command is out the user sees the page of its fields and the bar at its step.
    auto *tabs = f.find<QTabWidget>("tabWidget");
    auto *bar = f.find<QProgressBar>("progressBar_cfg");
    QString pages;
    QList<int> steps;
    connect(f.sim(), &SimModule::lineReceived, bar, [&] {
        pages += QString::number(tabs->currentIndex());
        steps << bar->value();
    });
    tabs->setCurrentIndex(3);
    run(f, kWrite, false);
    QCOMPARE(bar->maximum(), 44);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置完成"));
    QCOMPARE(idleMismatches(f, 3), QString());
    QCOMPARE(f.sim()->receivedLines().join(QLatin1Char(' ')),
             "AT+TYP=R AT+IPR=2 AT+DBIT=7 AT+PAR=1 AT+STO=2 AT+IFC=1 AT+EPID=0x00000000000000AB "
             "AT+JOINT=99 AT+TID=MID,0x00124B0001A2B3D1 AT+CH=26 AT+NLOCK=1 AT+NASTA=0 "
             "AT+WNODE=1,W1 AT+WNODE=2,W2 AT+WNODE=3,W3 AT+WNODE=4,W4 AT+IOSET=9,1 AT+IOSET=10,0 "
             "AT+IOSET=14,1 AT+IOSET=15,0 AT+IOSET=17,0 AT+IOOUT=9,1 AT+IOOUT=14,0 AT+TPIO=0,9 "
             "AT+TPIO=1,10,15,NID,0x3C4D AT+TPIO=0,14 AT+TPIO=0,15 AT+TPIO=0,17 AT+IOSMP=0,9 "
             "AT+IOSMP=0,10 AT+IOSMP=0,14 AT+IOSMP=0,15 AT+IOSMP=1,17,30,MID,0x00124B0001A2B3D2 "
             "AT+ADCSMP=0,1 AT+ADCSMP=1,2,20,NID,0x5E6F AT+ADCSMP=0,3 AT+ADCSMP=0,4 "
             "AT+PWM=1,1,2000,40 AT+PWM=0,2 AT+PWM=0,3 AT+W");
    QCOMPARE(pages, "000000"
                    "1111111111"
                    "22222222222222222"
                    "3333"
                    "4444");
    // The skipped level steps of the inputs still count on the bar.
    QCOMPARE(steps.mid(20, 4), QList<int>({20, 21, 23, 26}));

    // "AT+W" came last: the module stored what the form said, and reads it back so.
    QCOMPARE(f.sim()->local().stored().channel, 26);
    QCOMPARE(run(f, kRead), kReadDone);
    QCOMPARE(CfgForm::mismatches(f, CfgForm::parse(edits + "checkBox_PWM3=off")), QString());
}

void TestCfgRun::remoteNode()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    SimNode *node = f.sim()->remotes().at(2);
    const SimNodeConfig &c = node->config();
    TestAccess::target(f.w.get()) = ZBdevice{false, c.macAddr, c.netAddr, c.desc[0]};
    const QString suffix = ">NID," + c.netAddr;
    // Read from the node and written back with a suffix on every command, the remote form of
    // "OK" counting; inputs only, so no level steps.
    const QString edits = QStringLiteral(
        "comboBox_CH=12 lineEdit_DESC1=REMOTE-W checkBox_PWM2=on lineEdit_PWM2_FRQ=300 "
        "spinBox_PWM2=10 radioButton_9input=on radioButton_10input=on radioButton_14input=on "
        "radioButton_15input=on radioButton_17input=on");
    QVERIFY(readAndEdit(f, edits));
    QCOMPARE(run(f, kWrite), kWriteDone);
    QCOMPARE(idleMismatches(f, 0), QString());
    const QStringList sent = f.sim()->receivedLines();
    QCOMPARE(sent.size(), 39);
    QCOMPARE(sent.filter(suffix), sent);
    QCOMPARE(sent.mid(20, 2), QStringList({"AT+IOSET=17,0" + suffix, "AT+TPIO=0,9" + suffix}));
    QCOMPARE(sent.at(36), "AT+PWM=1,2,300,10" + suffix);
    QCOMPARE(node->stored().channel, 12);
    QCOMPARE(f.sim()->local().stored().channel, 15);
    QCOMPARE(run(f, kRead), kReadDone);
    QCOMPARE(CfgForm::mismatches(f, CfgForm::parse(edits)), QString());

    // A node that closes its lists with a bare "OK": two attempts, then failure, and the log
    // says where and why.
    node->setListClosing(SimNode::ListClosing::BareOk);
    f.sim()->clearReceivedLines();
    QCOMPARE(run(f, kRead), kReadFailed);
    QCOMPARE(f.sim()->receivedLines().filter("AT+IO"), QStringList(2, "AT+IOSET?" + suffix));
    QTRY_VERIFY(logged(f, "读取配置遇到错误：在 AT+IOSET? 处（回复 \"OK\"：回复不被接受）"));
}

void TestCfgRun::failuresAndStop()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    QVERIFY(readAndEdit(f, ""));
    // Stop pressed as soon as a step is out: its late reply moves nothing.
    onLine(f.sim(), "AT+IPR=", [&] {
        f.sim()->delayNextReply(100);
        QTimer::singleShot(0, f.w.get(),
                           [&] { f.find<QPushButton>("pushButton_stopCfg")->click(); });
    });
    QCOMPARE(run(f, kWrite), QStringLiteral("写入配置遇到错误"));
    QTRY_VERIFY(!f.sim()->hasPendingOutput());
    QTest::qWait(100); // the poll of the port hands on anything still buffered
    QCOMPARE(f.sim()->receivedLines(), QStringList({"AT+TYP=C", "AT+IPR=5"}));
    QTRY_VERIFY(logged(f, "写入配置遇到错误：在 AT+IPR=5 处被停止"));

    // The port closed under a running read: it ends by its time-outs, sending nothing more,
    // and neither Read nor Write is offered afterwards.
    onLine(f.sim(), "AT+EPID?", [&] { f.sim()->dropNextReply(); });
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    f.sim()->clearReceivedLines();
    run(f, kRead, false);
    QTRY_COMPARE(countOf(f.sim(), "AT+EPID?"), 1);
    f.find<QPushButton>("pushButton_openCom")->click();
    for (int i = 0; i < 2; ++i) {
        QVERIFY(TestAccess::reading(f.w.get()));
        QVERIFY(QMetaObject::invokeMethod(f.w.get(), "readCfgTimeout"));
    }
    QCOMPARE(f.status(), kReadFailed);
    QCOMPARE(countOf(f.sim(), "AT+EPID?"), 1);
    QCOMPARE(idleMismatches(f, 2, false), QString());
    QTRY_VERIFY(logged(f, "读取配置遇到错误：在 AT+EPID? 处（无回复）"));
}

QTEST_MAIN(TestCfgRun)
#include "tst_cfgrun.moc"
