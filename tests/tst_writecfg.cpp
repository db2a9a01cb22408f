// Writing the form to the simulated module as one batch: the exact commands, the
// module's state afterwards (locally and on a remote node), refused steps, resends,
// time-outs and the stop button.

#include "cfgform.h"

#include <algorithm>

namespace {

const QString kDone = QStringLiteral("写入配置完成");
const QString kFailed = QStringLiteral("写入配置遇到错误");

void write(WindowFixture &f)
{
    f.find<QPushButton>("pushButton_writeConfiguartion")->click();
}

bool timeout(WindowFixture &f)
{
    return QMetaObject::invokeMethod(f.w.get(), "writeCfgTimeout");
}

// Fills the form from the target, then closes the port so that the edits a test makes
// are not sent at once by the immediate settings; `edits` are made while it is closed.
bool readAndEdit(WindowFixture &f, const CfgForm::Values &edits = {})
{
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    if (!runEnded(f) || f.status() != QStringLiteral("读取配置完成"))
        return false;
    f.find<QPushButton>("pushButton_openCom")->click();
    CfgForm::set(f, edits);
    if (!f.openPort())
        return false;
    f.sim()->clearReceivedLines();
    return true;
}

} // namespace

class TestWriteCfg : public QObject
{
    Q_OBJECT

private slots:
    void roundTripLocal();
    void roundTripRemote();
    void inputsSkipLevelSteps();
    void refusedStepsResendThenFail();
    void resendComposesAnew();
    void timeoutsAndStop();
};

void TestWriteCfg::roundTripLocal()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    const CfgForm::Values edits = {
        {"comboBox_deviceType", "Router"},
        {"comboBox_deviceBps", "19200"},
        {"comboBox_deviceDataBit", "7"},
        {"comboBox_deviceParBit", "Even"},
        {"comboBox_deviceStopBit", "2"},
        {"comboBox_deviceFlow", "Hardware"},
        {"lineEdit_EPID", "0x00000000000000AB"},
        {"lineEdit_joinTime", "99"},
        {"comboBox_TID_AM", "MID"},
        {"comboBox_TID_ADDR", "0x00124B0001A2B3D1"},
        {"comboBox_CH", "26"},
        {"comboBox_netLock", "Y"},
        {"comboBox_autoNet", "N"},
        {"lineEdit_DESC1", "W1"},
        {"lineEdit_DESC2", "W2"},
        {"lineEdit_DESC3", "W3"},
        {"lineEdit_DESC4", "W4"},
        {"radioButton_9output", "on"},
        {"comboBox_9output", "H"},
        {"radioButton_10input", "on"},
        {"radioButton_14output", "on"},
        {"comboBox_14output", "L"},
        {"radioButton_15input", "on"},
        {"radioButton_17input", "on"},
        {"checkBox_TPIO9", "off"},
        {"checkBox_TPIO10", "on"},
        {"comboBox_TPIO10_TIO", "15"},
        {"comboBox_TPIO10_AM", "NID"},
        {"comboBox_TPIO10_ADDR", "0x3C4D"},
        {"checkBox_IOSMP9", "off"},
        {"checkBox_IOSMP17", "on"},
        {"lineEdit_IOSMP_IT17", "30"},
        {"comboBox_IOSMP17_AM", "MID"},
        {"comboBox_IOSMP17_ADDR", "0x00124B0001A2B3D2"},
        {"checkBox_ADSMP1", "off"},
        {"checkBox_ADSMP2", "on"},
        {"lineEdit_ADSMP2_IT", "20"},
        {"comboBox_ADSMP2", "NID"},
        {"comboBox_ADSMP2_ADDR", "0x5E6F"},
        {"checkBox_PWM1", "on"},
        {"lineEdit_PWM1_FRQ", "2000"},
        {"spinBox_PWM1", "40"},
        {"checkBox_PWM2", "off"},
    };
    // A switched-off channel sends only its number, whatever its fields hold.
    QVERIFY(readAndEdit(f, edits + CfgForm::Values{{"checkBox_PWM3", "off"},
                                                   {"lineEdit_PWM3_FRQ", "5000"},
                                                   {"spinBox_PWM3", "77"}}));

    // While each command is out the user sees the page of the fields being written and
    // the bar at that command's step.
    auto *tabs = f.find<QTabWidget>("tabWidget");
    auto *bar = f.find<QProgressBar>("progressBar_cfg");
    QHash<QString, int> pageAt;
    QList<int> stepAt;
    connect(f.sim(), &SimModule::lineReceived, bar, [&](const QString &line) {
        pageAt.insert(line, tabs->currentIndex());
        stepAt.append(bar->value());
    });
    tabs->setCurrentIndex(3);
    write(f);
    QVERIFY(bar->isEnabled());
    QCOMPARE(bar->maximum(), 44);
    QVERIFY(TestAccess::stepTimer(f.w.get()).isActive());
    QCOMPARE(TestAccess::stepTimer(f.w.get()).interval(), 2000);
    QVERIFY(!f.find<QPushButton>("pushButton_readConfiguration")->isEnabled());
    QVERIFY(!f.find<QPushButton>("pushButton_Import")->isEnabled());
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(idleMismatches(f, 3), QString());

    const QStringList expected = {
        "AT+TYP=R",
        "AT+IPR=2",
        "AT+DBIT=7",
        "AT+PAR=1",
        "AT+STO=2",
        "AT+IFC=1",
        "AT+EPID=0x00000000000000AB",
        "AT+JOINT=99",
        "AT+TID=MID,0x00124B0001A2B3D1",
        "AT+CH=26",
        "AT+NLOCK=1",
        "AT+NASTA=0",
        "AT+WNODE=1,W1",
        "AT+WNODE=2,W2",
        "AT+WNODE=3,W3",
        "AT+WNODE=4,W4",
        "AT+IOSET=9,1",
        "AT+IOSET=10,0",
        "AT+IOSET=14,1",
        "AT+IOSET=15,0",
        "AT+IOSET=17,0",
        "AT+IOOUT=9,1",
        "AT+IOOUT=14,0",
        "AT+TPIO=0,9",
        "AT+TPIO=1,10,15,NID,0x3C4D",
        "AT+TPIO=0,14",
        "AT+TPIO=0,15",
        "AT+TPIO=0,17",
        "AT+IOSMP=0,9",
        "AT+IOSMP=0,10",
        "AT+IOSMP=0,14",
        "AT+IOSMP=0,15",
        "AT+IOSMP=1,17,30,MID,0x00124B0001A2B3D2",
        "AT+ADCSMP=0,1",
        "AT+ADCSMP=1,2,20,NID,0x5E6F",
        "AT+ADCSMP=0,3",
        "AT+ADCSMP=0,4",
        "AT+PWM=1,1,2000,40",
        "AT+PWM=0,2",
        "AT+PWM=0,3",
        "AT+W",
    };
    QCOMPARE(f.sim()->receivedLines(), expected);
    const QList<QPair<QString, int>> pages = {{"AT+TYP=R", 0},
                                              {"AT+EPID=0x00000000000000AB", 1},
                                              {"AT+IOSET=9,1", 2},
                                              {"AT+ADCSMP=0,1", 3},
                                              {"AT+PWM=1,1,2000,40", 4}};
    for (const auto &[line, page] : pages)
        QVERIFY2(pageAt.value(line, -1) == page, qPrintable(line));
    QCOMPARE(stepAt.size(), expected.size());
    QCOMPARE(stepAt.first(), 0);
    QCOMPARE(stepAt.last(), 43);
    QVERIFY(std::adjacent_find(stepAt.begin(), stepAt.end(), std::greater_equal<int>()) ==
            stepAt.end());
    // "AT+W" came last: the module stored what the form said.
    QCOMPARE(f.sim()->local().stored().channel, 26);
    QCOMPARE(f.sim()->local().stored().pwm[0].freq, QStringLiteral("2000"));

    // Read back from the module: the form shows again what was written.
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    QCOMPARE(CfgForm::mismatches(f, edits), QString());
    QCOMPARE(CfgForm::value(f, "checkBox_PWM3"), QStringLiteral("off"));
}

void TestWriteCfg::roundTripRemote()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    SimNode *node = f.sim()->remotes().at(2);
    const QString net = node->config().netAddr;
    TestAccess::target(f.w.get()) = ZBdevice{false, node->config().macAddr, net, QString()};
    const int localChannel = f.sim()->local().config().channel;
    const CfgForm::Values edits = {{"comboBox_CH", "12"},
                                   {"lineEdit_DESC1", "REMOTE-W"},
                                   {"checkBox_PWM2", "on"},
                                   {"lineEdit_PWM2_FRQ", "300"},
                                   {"spinBox_PWM2", "10"}};
    QVERIFY(readAndEdit(f, edits));

    write(f);
    QCOMPARE(TestAccess::stepTimer(f.w.get()).interval(), 5500);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(idleMismatches(f, 0), QString());

    // Every command carries the remote suffix; the remote form of "OK" counted.
    const QStringList sent = f.sim()->receivedLines();
    QVERIFY(sent.size() >= 39);
    for (const QString &line : sent)
        QVERIFY2(line.endsWith(">NID," + net), qPrintable(line));
    QCOMPARE(sent.last(), "AT+W>NID," + net);
    QVERIFY(sent.contains("AT+PWM=1,2,300,10>NID," + net));
    QCOMPARE(node->stored().channel, 12);
    QCOMPARE(node->stored().desc[0], QStringLiteral("REMOTE-W"));
    QCOMPARE(f.sim()->local().config().channel, localChannel);

    f.find<QPushButton>("pushButton_readConfiguration")->click();
    QVERIFY(runEnded(f));
    QCOMPARE(CfgForm::mismatches(f, edits), QString());
}

void TestWriteCfg::inputsSkipLevelSteps()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    QVERIFY(readAndEdit(f, {{"radioButton_9input", "on"},
                            {"radioButton_10input", "on"},
                            {"radioButton_14input", "on"},
                            {"radioButton_15input", "on"},
                            {"radioButton_17input", "on"},
                            {"comboBox_deviceType", "Coor"},
                            {"comboBox_deviceBps", "115200"},
                            {"comboBox_deviceDataBit", "8"}}));
    write(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);

    const QStringList sent = f.sim()->receivedLines();
    QCOMPARE(sent.size(), 39);
    QCOMPARE(sent.mid(0, 3), QStringList({"AT+TYP=C", "AT+IPR=5", "AT+DBIT=8"}));
    QCOMPARE(countOf(f.sim(), "AT+IOOUT"), 0);
    const int last = int(sent.indexOf("AT+IOSET=17,0"));
    QVERIFY(last > 0);
    QCOMPARE(sent.at(last + 1), QStringLiteral("AT+TPIO=0,9"));
}

void TestWriteCfg::refusedStepsResendThenFail()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    QVERIFY(readAndEdit(f));

    // A value where a plain "OK" belongs counts as a failure: one resend.
    onLine(f.sim(), "AT+JOINT=", [&] { f.sim()->wrongShapeNextReply(); });
    write(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(countOf(f.sim(), "AT+JOINT="), 2);

    // Twice for the same step: the batch ends there, nothing after it is sent.
    f.sim()->clearReceivedLines();
    onLine(
        f.sim(), "AT+CH=", [&] { f.sim()->wrongShapeNextReply(); }, 2);
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(4);
    write(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kFailed);
    QCOMPARE(idleMismatches(f, 4), QString());
    QCOMPARE(countOf(f.sim(), "AT+CH="), 2);
    QVERIFY(f.sim()->receivedLines().last().startsWith("AT+CH="));

    // A field the module refuses is sent as it stands; its error ends the batch the same way.
    CfgForm::set(f, {{"lineEdit_joinTime", "999"}});
    f.sim()->clearReceivedLines();
    write(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kFailed);
    QCOMPARE(f.sim()->receivedLines().mid(7), QStringList({"AT+JOINT=999", "AT+JOINT=999"}));
}

void TestWriteCfg::resendComposesAnew()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    QVERIFY(readAndEdit(f, {{"lineEdit_EPID", "0x00000000000000AB"}}));
    // The user corrects the field while the first attempt is answered wrongly.
    onLine(f.sim(), "AT+EPID=", [&] {
        f.sim()->wrongShapeNextReply();
        CfgForm::set(f, {{"lineEdit_EPID", "0x00000000000000CD"}});
    });
    write(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(f.sim()->receivedLines().mid(6, 2),
             QStringList({"AT+EPID=0x00000000000000AB", "AT+EPID=0x00000000000000CD"}));
    QCOMPARE(f.sim()->local().stored().epid, QStringLiteral("0x00000000000000CD"));
}

void TestWriteCfg::timeoutsAndStop()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    QVERIFY(readAndEdit(f));

    // A dropped reply: the step is sent again and the batch goes on.
    onLine(f.sim(), "AT+IPR=", [&] { f.sim()->dropNextReply(); });
    write(f);
    QTRY_COMPARE(countOf(f.sim(), "AT+IPR="), 1);
    QVERIFY(timeout(f));
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(countOf(f.sim(), "AT+IPR="), 2);

    // No answer at all: two time-outs end the batch.
    f.sim()->clearReceivedLines();
    f.sim()->setSilent(true);
    write(f);
    QVERIFY(timeout(f));
    QVERIFY(TestAccess::writing(f.w.get()));
    QVERIFY(timeout(f));
    QCOMPARE(f.status(), kFailed);
    QCOMPARE(idleMismatches(f, 0), QString());
    QCOMPARE(f.sim()->receivedLines(), QStringList({"AT+TYP=C", "AT+TYP=C"}));

    // Stop pressed as soon as a step is out, well before its delayed reply: the late
    // reply moves nothing.
    f.sim()->setSilent(false);
    f.sim()->clearReceivedLines();
    onLine(f.sim(), "AT+IPR=", [&] {
        f.sim()->delayNextReply(100);
        QTimer::singleShot(0, f.w.get(),
                           [&] { f.find<QPushButton>("pushButton_stopCfg")->click(); });
    });
    write(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kFailed);
    QTRY_VERIFY(!f.sim()->hasPendingOutput());
    QTest::qWait(100); // the poll of the port hands on anything still buffered
    QCOMPARE(f.sim()->receivedLines(), QStringList({"AT+TYP=C", "AT+IPR=5"}));
    QCOMPARE(f.find<QProgressBar>("progressBar_cfg")->value(), 0);
}

QTEST_MAIN(TestWriteCfg)
#include "tst_writecfg.moc"
