// Reading the whole configuration from the simulated module into the form: locally and
// from a remote node, the replies that stand in for values or are refused, time-outs,
// the stop button and a port closed under a running read.

#include "cfgform.h"

#include <QCheckBox>
#include <QTableWidget>

namespace {

const QStringList kQueries = {
    "AT+INFO",    "AT+VER",     "AT+TYP?",    "AT+NID?",    "AT+MID?",    "AT+NS?",    "AT+UART?",
    "AT+DFWM?",   "AT+EPID?",   "AT+JOINT?",  "AT+TID?",    "AT+LQI?",    "AT+CH?",    "AT+NLOCK?",
    "AT+NASTA?",  "AT+RNODE=1", "AT+RNODE=2", "AT+RNODE=3", "AT+RNODE=4", "AT+IOSET?", "AT+IORD=9",
    "AT+IORD=10", "AT+IORD=14", "AT+IORD=15", "AT+IORD=17", "AT+TPIO?",   "AT+IOSMP?", "AT+ADCRD=1",
    "AT+ADCRD=2", "AT+ADCRD=3", "AT+ADCRD=4", "AT+ADCSMP?", "AT+PWM?",
};

const QString kDone = QStringLiteral("读取配置完成");
const QString kFailed = QStringLiteral("读取配置遇到错误");

// A line arriving at the window as if from the port, once the current call has returned.
void deliverLater(Nodeweave *w, const QString &line)
{
    QTimer::singleShot(0, w, [w, line] { emit w->recvNewLine(line); });
}

void read(WindowFixture &f)
{
    f.find<QPushButton>("pushButton_readConfiguration")->click();
}

bool timeout(WindowFixture &f)
{
    return QMetaObject::invokeMethod(f.w.get(), "readCfgTimeout");
}

} // namespace

class TestReadCfg : public QObject
{
    Q_OBJECT

private slots:
    void roundTripLocal();
    void roundTripRemote();
    void substitutesAndTypeLetters();
    void channelOutOfRangeFails_data();
    void channelOutOfRangeFails();
    void uartFieldsAndListRows();
    void refusedLines_data();
    void refusedLines();
    void echoesAreNoReplies();
    void timeoutsResendOnceThenFail();
    void unclosedListsFailAfterTwoAttempts_data();
    void unclosedListsFailAfterTwoAttempts();
    void runsAndScansExcludeOtherWork();
    void stopDuringRetryAndRestart();
    void closedPortEndsByTimeouts();
};

void TestReadCfg::roundTripLocal()
{
    WindowFixture f;
    // Stale values that the reset at the start must remove.
    CfgForm::set(f,
                 {{"lineEdit_DESC3", "stale"}, {"checkBox_TPIO9", "on"}, {"checkBox_PWM1", "on"}});
    QVERIFY(openFast(f));

    SimNodeConfig &c = f.sim()->local().config();
    c.part = "PART-X";
    c.version = "V9.8";
    c.type = 'R';
    c.uart = {3, 7, 2, 2, 1};
    c.dfwm = 1;
    c.epid = "0x00000000CAFEBABE";
    c.channel = 22;
    c.joinTime = "77";
    c.lock = 1;
    c.autoStart = 0;
    c.tidMode = "MID";
    c.tidAddr = "0x00124B0001A2B3D2";
    c.desc = {"D-ONE", "D-TWO", "D-THREE", "D-4"};
    c.lqi = 123;
    const bool outputs[] = {true, false, true, false, false};
    const int levels[] = {1, 0, 0, 1, 1};
    for (int i = 0; i < 5; ++i)
        c.io[i] = {outputs[i], levels[i], {}, {}};
    c.io[1].tpio = {true, 15, "NID", "0x1A2B"};
    c.io[4].iosmp = {true, "30", "MID", "0x00124B0001A2B3D3"};
    c.io[0].iosmp = {true, "5", "LID", "0x0"};
    for (int i = 0; i < 4; ++i)
        c.adc[i].reading = QString::number(11 * (i + 1));
    c.adc[1].adcsmp = {true, "20", "NID", "0x3C4D"};
    c.pwm[2] = {true, "2500", 35};

    f.find<QTabWidget>("tabWidget")->setCurrentIndex(1);
    f.sim()->clearReceivedLines();
    read(f);
    // While it runs only Stop is offered, and the bar counts the 33 queries.
    auto *bar = f.find<QProgressBar>("progressBar_cfg");
    QVERIFY(bar->isEnabled());
    QCOMPARE(bar->maximum(), 33);
    QVERIFY(f.find<QPushButton>("pushButton_stopCfg")->isEnabled());
    for (const char *name : {"pushButton_readConfiguration", "pushButton_writeConfiguartion",
                             "pushButton_Import", "pushButton_Export"})
        QVERIFY2(!f.find<QPushButton>(name)->isEnabled(), name);
    QVERIFY(runEnded(f));

    QCOMPARE(f.status(), kDone);
    QCOMPARE(idleMismatches(f, 1), QString());
    // The filled form sent nothing back to the module: only the queries arrived.
    QCOMPARE(f.sim()->receivedLines(), kQueries);

    CfgForm::Values expected = {
        {"lineEdit_devicePart", "PART-X"},
        {"lineEdit_deviceSoftwareVer", "V9.8"},
        {"comboBox_deviceType", "Router"},
        {"lineEdit_deviceNid", c.netAddr},
        {"lineEdit_deviceMid", c.macAddr},
        {"lineEdit_deviceRunState", "RUNNING"},
        {"comboBox_deviceBps", "38400"},
        {"comboBox_deviceDataBit", "7"},
        {"comboBox_deviceParBit", "Odd"},
        {"comboBox_deviceStopBit", "2"},
        {"comboBox_deviceFlow", "Hardware"},
        {"comboBox_defaultWorkMode", "TP_MODE"},
        {"lineEdit_EPID", c.epid},
        {"lineEdit_joinTime", "77"},
        {"comboBox_TID_AM", "MID"},
        {"comboBox_TID_ADDR", c.tidAddr},
        {"lineEdit_LQI", "123"},
        {"comboBox_CH", "22"},
        {"comboBox_netLock", "Y"},
        {"comboBox_autoNet", "N"},
        {"lineEdit_DESC1", "D-ONE"},
        {"lineEdit_DESC2", "D-TWO"},
        {"lineEdit_DESC3", "D-THREE"},
        {"lineEdit_DESC4", "D-4"},
        {"comboBox_TPIO10_TIO", "15"},
        {"comboBox_TPIO10_AM", "NID"},
        {"comboBox_TPIO10_ADDR", "0x1A2B"},
        {"comboBox_TPIO9_AM", "MID"},
        {"comboBox_TPIO9_ADDR", "0x0"},
        {"lineEdit_IOSMP_IT17", "30"},
        {"comboBox_IOSMP17_AM", "MID"},
        {"comboBox_IOSMP17_ADDR", "0x00124B0001A2B3D3"},
        {"lineEdit_IOSMP_IT9", "5"},
        {"comboBox_IOSMP9_AM", "LID"},
        {"comboBox_IOSMP9_ADDR", "0x0"},
        {"lineEdit_IOSMP_IT14", "10"},
        {"lineEdit_ADSMP2_IT", "20"},
        {"comboBox_ADSMP2", "NID"},
        {"comboBox_ADSMP2_ADDR", "0x3C4D"},
        {"comboBox_ADSMP1", "LID"},
        {"checkBox_PWM1", "off"},
        {"lineEdit_PWM1_FRQ", "1000"},
        {"checkBox_PWM3", "on"},
        {"lineEdit_PWM3_FRQ", "2500"},
        {"horizontalSlider_PWM3", "35"},
        {"spinBox_PWM3", "35"},
    };
    const char *lines[] = {"9", "10", "14", "15", "17"};
    for (int i = 0; i < 5; ++i) {
        const QByteArray n = lines[i];
        const QString on = QStringLiteral("on"), off = QStringLiteral("off");
        expected.append(CfgForm::Values{{"radioButton_" + n + "output", outputs[i] ? on : off},
                                        {"radioButton_" + n + "input", outputs[i] ? off : on},
                                        {"comboBox_" + n + "output", levels[i] ? "H" : "L"},
                                        {"lineEdit_" + n + "curInput", QString::number(levels[i])},
                                        {"checkBox_TPIO" + n, i == 1 ? on : off},
                                        {"checkBox_IOSMP" + n, i == 0 || i == 4 ? on : off}});
        QCOMPARE(f.find<QComboBox>(("comboBox_" + n + "output").constData())->isEnabled(),
                 outputs[i]);
    }
    for (int ch = 1; ch <= 4; ++ch) {
        const QByteArray n = QByteArray::number(ch);
        expected.append(
            CfgForm::Values{{"lineEdit_AD" + n, QString::number(11 * ch)},
                            {"checkBox_ADSMP" + n, QString::fromLatin1(ch == 2 ? "on" : "off")}});
    }
    QCOMPARE(CfgForm::mismatches(f, expected), QString());
}

void TestReadCfg::roundTripRemote()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    SimNodeConfig &c = f.sim()->remotes().at(0)->config();
    c.part = "REMOTE-PART";
    c.channel = 25;
    c.ioLine(14) = {true, 1, {}, {}};
    c.pwm[1] = {true, "800", 60};
    TestAccess::target(f.w.get()) = ZBdevice{false, c.macAddr, c.netAddr, c.desc[0]};

    // A bare "OK" cannot close a remote node's list: the query is sent again.
    onLine(f.sim(), "AT+IOSET?", [&] {
        f.sim()->dropNextReply();
        deliverLater(f.w.get(), "OK\r\n");
    });
    f.sim()->clearReceivedLines();
    read(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(idleMismatches(f, 0), QString());

    const QStringList sent = f.sim()->receivedLines();
    QCOMPARE(sent.size(), 34);
    const QString suffix = ">NID," + c.netAddr;
    for (const QString &line : sent)
        QVERIFY2(line.endsWith(suffix), qPrintable(line));
    QCOMPARE(countOf(f.sim(), "AT+IOSET?" + suffix), 2);

    QCOMPARE(CfgForm::mismatches(f, {{"lineEdit_devicePart", "REMOTE-PART"},
                                     {"lineEdit_deviceNid", c.netAddr},
                                     {"comboBox_deviceType", "Router"},
                                     {"comboBox_CH", "25"},
                                     {"lineEdit_DESC1", c.desc[0]},
                                     {"radioButton_14output", "on"},
                                     {"comboBox_14output", "H"},
                                     {"checkBox_PWM2", "on"},
                                     {"lineEdit_PWM2_FRQ", "800"},
                                     {"spinBox_PWM2", "60"},
                                     {"lineEdit_AD1", c.adc[0].reading}}),
             QString());
}

void TestReadCfg::substitutesAndTypeLetters()
{
    WindowFixture f;
    CfgForm::set(f, {{"comboBox_deviceType", "Router"}});
    QVERIFY(openFast(f));
    SimNodeConfig &c = f.sim()->local().config();
    c.type = 'E'; // a type the form does not offer
    c.networkStarted = false;
    // "Network not started" stands in for the network address and the link quality,
    // not for a MAC address.
    onLine(f.sim(), "AT+MID?", [&] {
        f.sim()->dropNextReply();
        deliverLater(f.w.get(), "ERR=60\r\n");
    });
    f.sim()->clearReceivedLines();
    read(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(idleMismatches(f, 0), QString());

    QCOMPARE(CfgForm::mismatches(f, {{"comboBox_deviceType", "Coor"},
                                     {"lineEdit_deviceNid", "0xFFFE"},
                                     {"lineEdit_LQI", "0"},
                                     {"lineEdit_deviceRunState", "STOPPED"},
                                     {"lineEdit_deviceMid", c.macAddr}}),
             QString());
    QCOMPARE(countOf(f.sim(), "AT+NID?"), 1);
    QCOMPARE(countOf(f.sim(), "AT+LQI?"), 1);
    QCOMPARE(countOf(f.sim(), "AT+MID?"), 2);
}

void TestReadCfg::channelOutOfRangeFails_data()
{
    QTest::addColumn<int>("channel");
    QTest::newRow("below") << 10;
    QTest::newRow("above") << 27;
}

void TestReadCfg::channelOutOfRangeFails()
{
    QFETCH(int, channel);
    WindowFixture f;
    QVERIFY(openFast(f));
    f.sim()->local().config().channel = channel;
    f.sim()->local().config().lqi = 200;
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(3);
    f.sim()->clearReceivedLines();
    read(f);
    QVERIFY(runEnded(f));

    QCOMPARE(f.status(), kFailed);
    QCOMPARE(idleMismatches(f, 3), QString());
    QCOMPARE(countOf(f.sim(), "AT+CH?"), 2);
    QCOMPARE(f.sim()->receivedLines().last(), QStringLiteral("AT+CH?"));
    // What was read before stays; the rest keeps its reset value.
    QCOMPARE(CfgForm::mismatches(
                 f, {{"lineEdit_LQI", "200"}, {"comboBox_CH", "15"}, {"lineEdit_DESC1", ""}}),
             QString());
}

void TestReadCfg::uartFieldsAndListRows()
{
    WindowFixture f;
    CfgForm::set(f, {{"comboBox_deviceBps", "4800"},
                     {"comboBox_deviceDataBit", "5"},
                     {"comboBox_deviceParBit", "Odd"},
                     {"comboBox_deviceStopBit", "2"},
                     {"comboBox_deviceFlow", "Hardware"},
                     {"checkBox_TPIO9", "on"},
                     {"checkBox_TPIO17", "on"},
                     {"radioButton_15output", "on"}});
    QVERIFY(openFast(f));
    SimNodeConfig &c = f.sim()->local().config();
    c.uart = {5, 8, 0, 1, 0};
    for (SimIoConfig &io : c.io)
        io = SimIoConfig();
    c.ioLine(9).output = true;
    read(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);

    // The transparent-IO reply held only its closing line.
    QCOMPARE(CfgForm::mismatches(f, {{"comboBox_deviceBps", "115200"},
                                     {"comboBox_deviceDataBit", "8"},
                                     {"comboBox_deviceParBit", "None"},
                                     {"comboBox_deviceStopBit", "1"},
                                     {"comboBox_deviceFlow", "None"},
                                     {"radioButton_9output", "on"},
                                     {"radioButton_10input", "on"},
                                     {"radioButton_14input", "on"},
                                     {"radioButton_15input", "on"},
                                     {"radioButton_17input", "on"},
                                     {"checkBox_TPIO9", "off"},
                                     {"checkBox_TPIO17", "off"}}),
             QString());
    QVERIFY(f.find<QComboBox>("comboBox_9output")->isEnabled());
    QVERIFY(!f.find<QComboBox>("comboBox_15output")->isEnabled());
}

void TestReadCfg::refusedLines_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("reply");
    // A field the refused line must leave at its reset value.
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("value");
    QTest::newRow("IO 11") << "AT+IOSET?"
                           << "OK=11,1\r\n"
                           << QByteArray("radioButton_9output") << "off";
    QTest::newRow("target IO 11") << "AT+TPIO?"
                                  << "OK=9,11,NID,0x1\r\n"
                                  << QByteArray("checkBox_TPIO9") << "off";
    QTest::newRow("sampling IO 0") << "AT+IOSMP?"
                                   << "OK=1,0,10,LID,0x0\r\n"
                                   << QByteArray("checkBox_IOSMP9") << "off";
    QTest::newRow("ADC channel 5") << "AT+ADCSMP?"
                                   << "OK=1,5,10,LID,0x0\r\n"
                                   << QByteArray("checkBox_ADSMP1") << "off";
    QTest::newRow("PWM channel 4") << "AT+PWM?"
                                   << "OK=1,4,1000,50\r\n"
                                   << QByteArray("checkBox_PWM1") << "off";
    QTest::newRow("value for a list") << "AT+PWM?"
                                      << "OK=1\r\n"
                                      << QByteArray("checkBox_PWM1") << "off";
    QTest::newRow("error reply") << "AT+VER"
                                 << "ERR=1\r\n"
                                 << QByteArray("lineEdit_deviceSoftwareVer") << "";
    QTest::newRow("two fields for a digit") << "AT+DFWM?"
                                            << "OK=1,0\r\n"
                                            << QByteArray("comboBox_defaultWorkMode") << "AT_MODE";
    QTest::newRow("lock beyond 1") << "AT+NLOCK?"
                                   << "OK=2\r\n"
                                   << QByteArray("comboBox_netLock") << "N";
}

// A refused line changes nothing, and the query is sent once more.
void TestReadCfg::refusedLines()
{
    QFETCH(QString, query);
    QFETCH(QString, reply);
    QFETCH(QByteArray, field);
    QFETCH(QString, value);
    QString seen = QStringLiteral("not looked at");
    WindowFixture f;
    QVERIFY(openFast(f));
    onLine(f.sim(), query, [&] {
        f.sim()->dropNextReply();
        deliverLater(f.w.get(), reply);
        // Looked at right after the refused line has been handled.
        QTimer::singleShot(0, f.w.get(), [&] { seen = CfgForm::value(f, field); });
    });
    f.sim()->clearReceivedLines();
    read(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(countOf(f.sim(), query), 2);
    QCOMPARE(seen, value);
    QCOMPARE(idleMismatches(f, 0), QString());
}

void TestReadCfg::echoesAreNoReplies()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    f.sim()->setEcho(true);
    read(f);
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);

    // During a resend, an echo neither costs the step its last attempt nor moves it on.
    f.sim()->setEcho(false);
    onLine(f.sim(), "AT+VER", [&] { f.sim()->dropNextReply(); });
    f.sim()->clearReceivedLines();
    read(f);
    QTRY_COMPARE(countOf(f.sim(), "AT+VER"), 1);
    QVERIFY(timeout(f));
    QCOMPARE(TestAccess::retries(f.w.get()), 1);
    emit f.w->recvNewLine("AT+VER\r\n");
    emit f.w->recvNewLine("IO=9,0x1A2B,1\r\n");
    QCOMPARE(TestAccess::retries(f.w.get()), 1);
    QCOMPARE(TestAccess::position(f.w.get()), 1);
    QVERIFY(TestAccess::reading(f.w.get()));
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(countOf(f.sim(), "AT+VER"), 2);
    QCOMPARE(CfgForm::value(f, "lineEdit_deviceSoftwareVer"), f.sim()->local().config().version);
}

void TestReadCfg::timeoutsResendOnceThenFail()
{
    WindowFixture f;
    QVERIFY(openFast(f));

    // A dropped reply: the query goes out once more and the read goes on.
    onLine(f.sim(), "AT+NS?", [&] { f.sim()->dropNextReply(); });
    read(f);
    QTRY_COMPARE(countOf(f.sim(), "AT+NS?"), 1);
    QVERIFY(timeout(f));
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(countOf(f.sim(), "AT+NS?"), 2);

    // Replies late past both attempts: failure, and the late lines change nothing.
    f.sim()->clearReceivedLines();
    onLine(
        f.sim(), "AT+INFO", [&] { f.sim()->delayNextReply(150); }, 2);
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(4);
    read(f); // the first query goes out at once
    QCOMPARE(countOf(f.sim(), "AT+INFO"), 1);
    QVERIFY(timeout(f));
    QCOMPARE(countOf(f.sim(), "AT+INFO"), 2);
    QVERIFY(timeout(f));
    QVERIFY(!TestAccess::reading(f.w.get()));
    QCOMPARE(f.status(), kFailed);
    QCOMPARE(idleMismatches(f, 4), QString());
    QTRY_VERIFY(!f.sim()->hasPendingOutput());
    QTest::qWait(100); // the poll of the port hands on anything still buffered
    QCOMPARE(CfgForm::value(f, "lineEdit_devicePart"), QString());
    QCOMPARE(f.status(), kFailed);
    QCOMPARE(f.sim()->receivedLines().size(), 2);

    // A module that stopped answering.
    f.sim()->setSilent(true);
    read(f);
    QVERIFY(timeout(f));
    QVERIFY(timeout(f));
    QCOMPARE(f.status(), kFailed);
    QCOMPARE(idleMismatches(f, 4), QString());
    // A time-out after the end finds nothing to do.
    QVERIFY(timeout(f));
    QCOMPARE(f.sim()->receivedLines().size(), 4);

    // An empty queue succeeds at once and sends nothing.
    f.sim()->setSilent(false);
    TestAccess::readQueue(f.w.get()).clear();
    read(f);
    QVERIFY(!TestAccess::reading(f.w.get()));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(f.sim()->receivedLines().size(), 4);
}

void TestReadCfg::unclosedListsFailAfterTwoAttempts_data()
{
    QTest::addColumn<bool>("remote");
    // The log's account of the failure.
    QTest::addColumn<QString>("note");
    QTest::newRow("closing line lost") << false << "读取配置遇到错误：在 AT+IOSET? 处（无回复）";
    QTest::newRow("remote list closed by a bare OK")
        << true << "读取配置遇到错误：在 AT+IOSET? 处（回复 \"OK\"：回复不被接受）";
}

// The rows of each attempt are good, yet they never buy the step a third attempt.
void TestReadCfg::unclosedListsFailAfterTwoAttempts()
{
    QFETCH(bool, remote);
    QFETCH(QString, note);
    WindowFixture f;
    QVERIFY(openFast(f));
    SimNode *node = remote ? f.sim()->remotes().at(0) : &f.sim()->local();
    node->setListClosing(remote ? SimNode::ListClosing::BareOk : SimNode::ListClosing::Dropped);
    const SimNodeConfig &c = node->config();
    if (remote)
        TestAccess::target(f.w.get()) = ZBdevice{false, c.macAddr, c.netAddr, c.desc[0]};
    read(f);
    for (int attempt = 1; !remote && attempt <= 2; ++attempt) {
        QVERIFY(waitUntil([&] {
            return countOf(f.sim(), "AT+IOSET?") == attempt && !f.sim()->hasPendingOutput();
        }));
        QTest::qWait(100); // the rows reach the window
        QVERIFY(timeout(f));
    }
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kFailed);
    QCOMPARE(countOf(f.sim(), "AT+IOSET?"), 2);
    QCOMPARE(countOf(f.sim(), "AT+IORD"), 0);
    QCOMPARE(idleMismatches(f, 0), QString());
    QTRY_COMPARE(logTexts(f).last(), note);
    auto *log = f.find<QTableWidget>("tableWidget_log");
    QCOMPARE(log->item(log->rowCount() - 1, 0)->background().color(), QColor(225, 245, 215));
}

// A run owns the module: nothing else in the window sends meanwhile, and a scan keeps
// the form's runs and imports waiting.
void TestReadCfg::runsAndScansExcludeOtherWork()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    const auto enabled = [&](std::initializer_list<const char *> names) {
        QList<bool> out;
        for (const char *name : names)
            out << f.find<QWidget>(name)->isEnabled();
        return out;
    };
    const auto talkers = {"pushButton_scan", "pushButton_send", "checkBox_regulerSend",
                          "pushButton_sendPkt", "checkBox_sendPkt_regulerSend"};
    auto *consoleRepeat = f.find<QCheckBox>("checkBox_regulerSend");
    auto *packetRepeat = f.find<QCheckBox>("checkBox_sendPkt_regulerSend");
    f.find<QLineEdit>("lineEdit_regular_time")->setText(QStringLiteral("5000"));
    f.find<QLineEdit>("lineEdit_sendPkt_regular_time")->setText(QStringLiteral("5000"));
    consoleRepeat->setChecked(true);
    packetRepeat->setChecked(true);
    QVERIFY(TestAccess::consoleTimer(f.w.get())->isActive());
    QVERIFY(TestAccess::packetTimer(f.w.get())->isActive());

    onLine(f.sim(), "AT+INFO", [&] { f.sim()->dropNextReply(); });
    read(f);
    QCOMPARE(enabled(talkers), QList<bool>(5, false));
    QVERIFY(!consoleRepeat->isChecked() && !packetRepeat->isChecked());
    QVERIFY(!TestAccess::consoleTimer(f.w.get())->isActive());
    QVERIFY(!TestAccess::packetTimer(f.w.get())->isActive());
    QVERIFY(timeout(f));
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QTRY_COMPARE(logTexts(f).last(), kDone);
    QCOMPARE(enabled(talkers), QList<bool>(5, true));

    const auto formRuns = {"pushButton_readConfiguration", "pushButton_writeConfiguartion",
                           "pushButton_Import"};
    f.sim()->setScanTimeScale(0.1);
    f.find<QLineEdit>("lineEdit_scanTime")->setText(QStringLiteral("2"));
    f.find<QPushButton>("pushButton_scan")->click();
    QCOMPARE(enabled(formRuns), QList<bool>(3, false));
    QTRY_VERIFY(!TestAccess::scanning(f.w.get()));
    QCOMPARE(enabled(formRuns), QList<bool>(3, true));
    QTRY_COMPARE(logTexts(f).last(), QStringLiteral("扫描结束：发现 5 个设备"));
}

void TestReadCfg::stopDuringRetryAndRestart()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    // Stop while nothing runs does nothing.
    const QString before = f.status();
    QVERIFY(QMetaObject::invokeMethod(f.w.get(), "on_pushButton_stopCfg_clicked"));
    QCOMPARE(f.status(), before);

    onLine(f.sim(), "AT+INFO", [&] { f.sim()->dropNextReply(); });
    read(f);
    QCOMPARE(countOf(f.sim(), "AT+INFO"), 1);
    QVERIFY(timeout(f));
    // Stopped while the resent query is on its way: its reply arrives to no one.
    f.find<QPushButton>("pushButton_stopCfg")->click();
    QCOMPARE(f.status(), kFailed);
    QVERIFY(!TestAccess::reading(f.w.get()));
    QTRY_VERIFY(!f.sim()->hasPendingOutput());
    QTest::qWait(100);
    QCOMPARE(CfgForm::value(f, "lineEdit_devicePart"), QString());
    QCOMPARE(countOf(f.sim(), "AT+VER"), 0);

    // The next run starts with its own retry: its first step may still fail once.
    onLine(f.sim(), "AT+INFO", [&] { f.sim()->dropNextReply(); });
    read(f);
    QCOMPARE(TestAccess::retries(f.w.get()), 0);
    QCOMPARE(countOf(f.sim(), "AT+INFO"), 3);
    QVERIFY(timeout(f));
    QVERIFY(TestAccess::reading(f.w.get()));
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kDone);
    QCOMPARE(CfgForm::value(f, "lineEdit_devicePart"), f.sim()->local().config().part);
}

void TestReadCfg::closedPortEndsByTimeouts()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    onLine(f.sim(), "AT+EPID?", [&] { f.sim()->dropNextReply(); });
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    read(f);
    QTRY_COMPARE(countOf(f.sim(), "AT+EPID?"), 1);
    f.find<QPushButton>("pushButton_openCom")->click(); // closes the port
    QVERIFY(TestAccess::reading(f.w.get()));
    const int sent = int(f.sim()->receivedLines().size());

    QVERIFY(timeout(f));
    QVERIFY(TestAccess::reading(f.w.get()));
    QVERIFY(timeout(f));
    QCOMPARE(f.status(), kFailed);
    QCOMPARE(f.sim()->receivedLines().size(), sent);
    // No port, so neither Read nor Write is offered at the end.
    QCOMPARE(idleMismatches(f, 2, false), QString());
    QCOMPARE(CfgForm::value(f, "lineEdit_devicePart"), f.sim()->local().config().part);
}

QTEST_MAIN(TestReadCfg)
#include "tst_readcfg.moc"
