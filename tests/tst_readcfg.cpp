// Reading the whole configuration from the simulated module into the form: locally and
// from a remote node, the replies that stand in for values or are refused, time-outs,
// the stop button and a port closed under a running read.

#include "testutil.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

class TestAccess
{
public:
    static ZBdevice &target(Nodeweave *w) { return *w->targetDevice; }
    static bool running(Nodeweave *w) { return w->readCfgRunning; }
    static int retries(Nodeweave *w) { return w->readCfgRetries; }
    static int position(Nodeweave *w) { return w->readCfgPos; }
    static CfgCmdQueue &queue(Nodeweave *w) { return w->readQueue; }
};

namespace {

const QStringList kQueries = {
    "AT+INFO",    "AT+VER",     "AT+TYP?",    "AT+NID?",    "AT+MID?",    "AT+NS?",    "AT+UART?",
    "AT+DFWM?",   "AT+EPID?",   "AT+JOINT?",  "AT+TID?",    "AT+LQI?",    "AT+CH?",    "AT+NLOCK?",
    "AT+NASTA?",  "AT+RNODE=1", "AT+RNODE=2", "AT+RNODE=3", "AT+RNODE=4", "AT+IOSET?", "AT+IORD=9",
    "AT+IORD=10", "AT+IORD=14", "AT+IORD=15", "AT+IORD=17", "AT+TPIO?",   "AT+IOSMP?", "AT+ADCRD=1",
    "AT+ADCRD=2", "AT+ADCRD=3", "AT+ADCRD=4", "AT+ADCSMP?", "AT+PWM?",
};

// Runs `action` inside the module, before it carries out the line, the first `times`
// times it receives a line beginning with `prefix`.
void onLine(SimModule *sim, const QString &prefix, std::function<void()> action, int times = 1)
{
    auto remaining = std::make_shared<int>(times);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(sim, &SimModule::lineReceived, sim, [=](const QString &line) {
        if (*remaining <= 0 || !line.startsWith(prefix))
            return;
        if (--*remaining == 0)
            QObject::disconnect(*connection);
        action();
    });
}

// A line arriving at the window as if from the port, once the current call has returned.
void deliverLater(Nodeweave *w, const QString &line)
{
    QTimer::singleShot(0, w, [w, line] { emit w->recvNewLine(line); });
}

int countOf(SimModule *sim, const QString &line)
{
    return int(sim->receivedLines().count(line));
}

// Runs the event loop until `done` holds. QTest::qWaitFor sleeps between its polls,
// which would make every step of a sequence wait for the test's own sleep.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(timeoutMs))
            return false;
        // The window's 50 ms poll timer guarantees that this returns regularly.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace

class TstReadCfg : public QObject
{
    Q_OBJECT

private:
    bool open(WindowFixture &f)
    {
        if (!f.openPort())
            return false;
        f.sim()->setLocalLatency(1);
        f.sim()->setRemoteLatency(2);
        return true;
    }
    void read(WindowFixture &f) { f.find<QPushButton>("pushButton_readConfiguration")->click(); }
    bool finished(WindowFixture &f)
    {
        return waitUntil([&] { return !TestAccess::running(f.w.get()); });
    }
    QString text(WindowFixture &f, const QByteArray &name)
    {
        return f.find<QLineEdit>(name.constData())->text();
    }
    QString item(WindowFixture &f, const QByteArray &name)
    {
        return f.find<QComboBox>(name.constData())->currentText();
    }
    bool checked(WindowFixture &f, const QByteArray &name)
    {
        return f.find<QAbstractButton>(name.constData())->isChecked();
    }
    // The state every run ends in, whatever its outcome.
    void verifyIdle(WindowFixture &f, int tab, bool portOpen = true)
    {
        QCOMPARE(f.find<QTabWidget>("tabWidget")->currentIndex(), tab);
        auto *bar = f.find<QProgressBar>("progressBar_cfg");
        QVERIFY(!bar->isEnabled());
        QCOMPARE(bar->value(), 0);
        QVERIFY(!f.find<QPushButton>("pushButton_stopCfg")->isEnabled());
        QCOMPARE(f.find<QPushButton>("pushButton_readConfiguration")->isEnabled(), portOpen);
        QCOMPARE(f.find<QPushButton>("pushButton_writeConfiguartion")->isEnabled(), portOpen);
        QVERIFY(f.find<QPushButton>("pushButton_Import")->isEnabled());
        QVERIFY(f.find<QPushButton>("pushButton_Export")->isEnabled());
        QCOMPARE(TestAccess::retries(f.w.get()), 0);
    }

private slots:
    void roundTripLocal();
    void roundTripRemote();
    void substitutesAndTypeLetters();
    void channelOutOfRangeFails_data();
    void channelOutOfRangeFails();
    void uartFieldsAndListRows();
    void refusedRows_data();
    void refusedRows();
    void echoesAreNoReplies();
    void timeoutsResendOnceThenFail();
    void stopDuringRetryAndRestart();
    void closedPortEndsByTimeouts();
};

void TstReadCfg::roundTripLocal()
{
    WindowFixture f;
    // Stale values that the reset at the start must remove.
    f.find<QLineEdit>("lineEdit_DESC3")->setText(QStringLiteral("stale"));
    f.find<QCheckBox>("checkBox_TPIO9")->setChecked(true);
    f.find<QCheckBox>("checkBox_PWM1")->setChecked(true);
    QVERIFY(open(f));

    SimNodeConfig &c = f.sim()->local().config();
    c.part = QStringLiteral("PART-X");
    c.version = QStringLiteral("V9.8");
    c.type = 'R';
    c.uart = {3, 7, 2, 2, 1};
    c.dfwm = 1;
    c.epid = QStringLiteral("0x00000000CAFEBABE");
    c.channel = 22;
    c.joinTime = QStringLiteral("77");
    c.lock = 1;
    c.autoStart = 0;
    c.tidMode = QStringLiteral("MID");
    c.tidAddr = QStringLiteral("0x00124B0001A2B3D2");
    c.desc = {QStringLiteral("D-ONE"), QStringLiteral("D-TWO"), QString(), QStringLiteral("D-4")};
    c.desc[2] = QStringLiteral("D-THREE");
    c.lqi = 123;
    const int outputs[] = {1, 0, 1, 0, 0};
    const int levels[] = {1, 0, 0, 1, 1};
    for (int i = 0; i < 5; ++i) {
        c.io[i].output = outputs[i];
        c.io[i].level = levels[i];
    }
    c.io[1].tpio = {true, 15, QStringLiteral("NID"), QStringLiteral("0x1A2B")};
    c.io[4].iosmp = {true, QStringLiteral("30"), QStringLiteral("MID"),
                     QStringLiteral("0x00124B0001A2B3D3")};
    c.io[0].iosmp = {true, QStringLiteral("5"), QStringLiteral("LID"), QStringLiteral("0x0")};
    const char *readings[] = {"11", "22", "33", "44"};
    for (int i = 0; i < 4; ++i)
        c.adc[i].reading = QString::fromLatin1(readings[i]);
    c.adc[1].adcsmp = {true, QStringLiteral("20"), QStringLiteral("NID"), QStringLiteral("0x3C4D")};
    c.pwm[2] = {true, QStringLiteral("2500"), 35};

    f.find<QTabWidget>("tabWidget")->setCurrentIndex(1);
    f.sim()->clearReceivedLines();
    read(f);
    // While it runs: only Stop is offered, and the bar counts the 33 queries.
    auto *bar = f.find<QProgressBar>("progressBar_cfg");
    QVERIFY(bar->isEnabled());
    QCOMPARE(bar->maximum(), 33);
    QVERIFY(f.find<QPushButton>("pushButton_stopCfg")->isEnabled());
    for (const char *name : {"pushButton_readConfiguration", "pushButton_writeConfiguartion",
                             "pushButton_Import", "pushButton_Export"})
        QVERIFY2(!f.find<QPushButton>(name)->isEnabled(), name);
    QVERIFY(finished(f));

    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    verifyIdle(f, 1);
    // The filled form sent nothing back to the module: only the queries arrived.
    QCOMPARE(f.sim()->receivedLines(), kQueries);

    QCOMPARE(text(f, "lineEdit_devicePart"), QStringLiteral("PART-X"));
    QCOMPARE(text(f, "lineEdit_deviceSoftwareVer"), QStringLiteral("V9.8"));
    QCOMPARE(item(f, "comboBox_deviceType"), QStringLiteral("Router"));
    QCOMPARE(text(f, "lineEdit_deviceNid"), c.netAddr);
    QCOMPARE(text(f, "lineEdit_deviceMid"), c.macAddr);
    QCOMPARE(text(f, "lineEdit_deviceRunState"), QStringLiteral("RUNNING"));
    QCOMPARE(item(f, "comboBox_deviceBps"), QStringLiteral("38400"));
    QCOMPARE(item(f, "comboBox_deviceDataBit"), QStringLiteral("7"));
    QCOMPARE(item(f, "comboBox_deviceParBit"), QStringLiteral("Odd"));
    QCOMPARE(item(f, "comboBox_deviceStopBit"), QStringLiteral("2"));
    QCOMPARE(item(f, "comboBox_deviceFlow"), QStringLiteral("Hardware"));
    QCOMPARE(item(f, "comboBox_defaultWorkMode"), QStringLiteral("TP_MODE"));

    QCOMPARE(text(f, "lineEdit_EPID"), c.epid);
    QCOMPARE(text(f, "lineEdit_joinTime"), QStringLiteral("77"));
    QCOMPARE(item(f, "comboBox_TID_AM"), QStringLiteral("MID"));
    QCOMPARE(item(f, "comboBox_TID_ADDR"), c.tidAddr);
    QCOMPARE(text(f, "lineEdit_LQI"), QStringLiteral("123"));
    QCOMPARE(item(f, "comboBox_CH"), QStringLiteral("22"));
    QCOMPARE(item(f, "comboBox_netLock"), QStringLiteral("Y"));
    QCOMPARE(item(f, "comboBox_autoNet"), QStringLiteral("N"));
    QCOMPARE(text(f, "lineEdit_DESC1"), QStringLiteral("D-ONE"));
    QCOMPARE(text(f, "lineEdit_DESC2"), QStringLiteral("D-TWO"));
    QCOMPARE(text(f, "lineEdit_DESC3"), QStringLiteral("D-THREE"));
    QCOMPARE(text(f, "lineEdit_DESC4"), QStringLiteral("D-4"));

    const QStringList lines = {"9", "10", "14", "15", "17"};
    for (int i = 0; i < 5; ++i) {
        const QByteArray n = lines[i].toLatin1();
        const bool out = outputs[i];
        QCOMPARE(checked(f, "radioButton_" + n + "output"), out);
        QCOMPARE(checked(f, "radioButton_" + n + "input"), !out);
        auto *level = f.find<QComboBox>(("comboBox_" + n + "output").constData());
        QCOMPARE(level->isEnabled(), out);
        QCOMPARE(level->currentIndex(), levels[i]);
        QCOMPARE(text(f, "lineEdit_" + n + "curInput"), QString::number(levels[i]));
        QCOMPARE(checked(f, "checkBox_TPIO" + n), i == 1);
        QCOMPARE(checked(f, "checkBox_IOSMP" + n), i == 0 || i == 4);
    }
    QCOMPARE(item(f, "comboBox_TPIO10_TIO"), QStringLiteral("15"));
    QCOMPARE(item(f, "comboBox_TPIO10_AM"), QStringLiteral("NID"));
    QCOMPARE(item(f, "comboBox_TPIO10_ADDR"), QStringLiteral("0x1A2B"));
    QCOMPARE(item(f, "comboBox_TPIO9_AM"), QStringLiteral("MID"));
    QCOMPARE(item(f, "comboBox_TPIO9_ADDR"), QStringLiteral("0x0"));
    QCOMPARE(text(f, "lineEdit_IOSMP_IT17"), QStringLiteral("30"));
    QCOMPARE(item(f, "comboBox_IOSMP17_AM"), QStringLiteral("MID"));
    QCOMPARE(item(f, "comboBox_IOSMP17_ADDR"), QStringLiteral("0x00124B0001A2B3D3"));
    QCOMPARE(text(f, "lineEdit_IOSMP_IT9"), QStringLiteral("5"));
    QCOMPARE(item(f, "comboBox_IOSMP9_AM"), QStringLiteral("LID"));
    QCOMPARE(item(f, "comboBox_IOSMP9_ADDR"), QStringLiteral("0x0"));
    QCOMPARE(text(f, "lineEdit_IOSMP_IT14"), QStringLiteral("10"));

    for (int ch = 1; ch <= 4; ++ch) {
        const QByteArray n = QByteArray::number(ch);
        QCOMPARE(text(f, "lineEdit_AD" + n), QString::fromLatin1(readings[ch - 1]));
        QCOMPARE(checked(f, "checkBox_ADSMP" + n), ch == 2);
    }
    QCOMPARE(text(f, "lineEdit_ADSMP2_IT"), QStringLiteral("20"));
    QCOMPARE(item(f, "comboBox_ADSMP2"), QStringLiteral("NID"));
    QCOMPARE(item(f, "comboBox_ADSMP2_ADDR"), QStringLiteral("0x3C4D"));
    QCOMPARE(item(f, "comboBox_ADSMP1"), QStringLiteral("LID"));

    QVERIFY(!checked(f, "checkBox_PWM1"));
    QCOMPARE(text(f, "lineEdit_PWM1_FRQ"), QStringLiteral("1000"));
    QVERIFY(checked(f, "checkBox_PWM3"));
    QCOMPARE(text(f, "lineEdit_PWM3_FRQ"), QStringLiteral("2500"));
    QCOMPARE(f.find<QSlider>("horizontalSlider_PWM3")->value(), 35);
    QCOMPARE(f.find<QSpinBox>("spinBox_PWM3")->value(), 35);
}

void TstReadCfg::roundTripRemote()
{
    WindowFixture f;
    QVERIFY(open(f));
    SimNode *node = f.sim()->remotes().at(0);
    SimNodeConfig &c = node->config();
    c.part = QStringLiteral("REMOTE-PART");
    c.channel = 25;
    c.io[2].output = true;
    c.io[2].level = 1;
    c.pwm[1] = {true, QStringLiteral("800"), 60};
    TestAccess::target(f.w.get()) = ZBdevice{false, c.macAddr, c.netAddr, c.desc[0]};

    // A bare "OK" cannot close a remote node's list: the query is sent again.
    onLine(f.sim(), QStringLiteral("AT+IOSET?"), [&] {
        f.sim()->dropNextReply();
        deliverLater(f.w.get(), QStringLiteral("OK\r\n"));
    });
    f.sim()->clearReceivedLines();
    read(f);
    QVERIFY(finished(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    verifyIdle(f, 0);

    const QStringList sent = f.sim()->receivedLines();
    QCOMPARE(sent.size(), 34);
    const QString suffix = QStringLiteral(">NID,") + c.netAddr;
    for (const QString &line : sent)
        QVERIFY2(line.endsWith(suffix), qPrintable(line));
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+IOSET?") + suffix), 2);

    QCOMPARE(text(f, "lineEdit_devicePart"), QStringLiteral("REMOTE-PART"));
    QCOMPARE(text(f, "lineEdit_deviceNid"), c.netAddr);
    QCOMPARE(item(f, "comboBox_deviceType"), QStringLiteral("Router"));
    QCOMPARE(item(f, "comboBox_CH"), QStringLiteral("25"));
    QCOMPARE(text(f, "lineEdit_DESC1"), c.desc[0]);
    QVERIFY(checked(f, "radioButton_14output"));
    QCOMPARE(item(f, "comboBox_14output"), QStringLiteral("H"));
    QVERIFY(checked(f, "checkBox_PWM2"));
    QCOMPARE(text(f, "lineEdit_PWM2_FRQ"), QStringLiteral("800"));
    QCOMPARE(f.find<QSpinBox>("spinBox_PWM2")->value(), 60);
    QCOMPARE(text(f, "lineEdit_AD1"), c.adc[0].reading);
}

void TstReadCfg::substitutesAndTypeLetters()
{
    WindowFixture f;
    f.find<QComboBox>("comboBox_deviceType")->setCurrentIndex(1);
    QVERIFY(open(f));
    SimNodeConfig &c = f.sim()->local().config();
    c.type = 'E'; // a type the form does not offer
    c.networkStarted = false;
    // The module's "network not started" does not stand in for a MAC address.
    onLine(f.sim(), QStringLiteral("AT+MID?"), [&] {
        f.sim()->dropNextReply();
        deliverLater(f.w.get(), QStringLiteral("ERR=60\r\n"));
    });
    f.sim()->clearReceivedLines();
    read(f);
    QVERIFY(finished(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    verifyIdle(f, 0);

    QCOMPARE(item(f, "comboBox_deviceType"), QStringLiteral("Coor"));
    QCOMPARE(text(f, "lineEdit_deviceNid"), QStringLiteral("0xFFFE"));
    QCOMPARE(text(f, "lineEdit_LQI"), QStringLiteral("0"));
    QCOMPARE(text(f, "lineEdit_deviceRunState"), QStringLiteral("STOPPED"));
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+NID?")), 1);
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+LQI?")), 1);
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+MID?")), 2);
    QCOMPARE(text(f, "lineEdit_deviceMid"), c.macAddr);
}

void TstReadCfg::channelOutOfRangeFails_data()
{
    QTest::addColumn<int>("channel");
    QTest::newRow("below") << 10;
    QTest::newRow("above") << 27;
}

void TstReadCfg::channelOutOfRangeFails()
{
    QFETCH(int, channel);
    WindowFixture f;
    QVERIFY(open(f));
    f.sim()->local().config().channel = channel;
    f.sim()->local().config().lqi = 200;
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(3);
    f.sim()->clearReceivedLines();
    read(f);
    QVERIFY(finished(f));

    QCOMPARE(f.status(), QStringLiteral("读取配置遇到错误"));
    verifyIdle(f, 3);
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+CH?")), 2);
    QCOMPARE(f.sim()->receivedLines().last(), QStringLiteral("AT+CH?"));
    // What was read before stays; the rest keeps its reset value.
    QCOMPARE(text(f, "lineEdit_LQI"), QStringLiteral("200"));
    QCOMPARE(item(f, "comboBox_CH"), QStringLiteral("15"));
    QCOMPARE(text(f, "lineEdit_DESC1"), QString());
}

void TstReadCfg::uartFieldsAndListRows()
{
    WindowFixture f;
    f.find<QComboBox>("comboBox_deviceBps")->setCurrentIndex(0);
    f.find<QComboBox>("comboBox_deviceDataBit")->setCurrentIndex(0);
    f.find<QComboBox>("comboBox_deviceParBit")->setCurrentIndex(2);
    f.find<QComboBox>("comboBox_deviceStopBit")->setCurrentIndex(1);
    f.find<QComboBox>("comboBox_deviceFlow")->setCurrentIndex(1);
    f.find<QCheckBox>("checkBox_TPIO9")->setChecked(true);
    f.find<QCheckBox>("checkBox_TPIO17")->setChecked(true);
    f.find<QRadioButton>("radioButton_15output")->setChecked(true);
    QVERIFY(open(f));
    SimNodeConfig &c = f.sim()->local().config();
    c.uart = {5, 8, 0, 1, 0};
    for (SimIoConfig &io : c.io) {
        io.output = false;
        io.tpio.on = false;
    }
    c.ioLine(9).output = true;
    read(f);
    QVERIFY(finished(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));

    QCOMPARE(item(f, "comboBox_deviceBps"), QStringLiteral("115200"));
    QCOMPARE(item(f, "comboBox_deviceDataBit"), QStringLiteral("8"));
    QCOMPARE(item(f, "comboBox_deviceParBit"), QStringLiteral("None"));
    QCOMPARE(item(f, "comboBox_deviceStopBit"), QStringLiteral("1"));
    QCOMPARE(item(f, "comboBox_deviceFlow"), QStringLiteral("None"));

    QVERIFY(checked(f, "radioButton_9output"));
    QVERIFY(f.find<QComboBox>("comboBox_9output")->isEnabled());
    for (const char *n : {"10", "14", "15", "17"}) {
        QVERIFY2(checked(f, QByteArray("radioButton_") + n + "input"), n);
        QVERIFY2(
            !f.find<QComboBox>((QByteArray("comboBox_") + n + "output").constData())->isEnabled(),
            n);
    }
    // The transparent-IO reply held only its closing line.
    for (const char *n : {"9", "10", "14", "15", "17"})
        QVERIFY2(!checked(f, QByteArray("checkBox_TPIO") + n), n);
}

void TstReadCfg::refusedRows_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QByteArray>("untouched");
    QTest::newRow("IO 11") << "AT+IOSET?"
                           << "OK=11,1\r\n"
                           << QByteArray();
    QTest::newRow("target IO 11") << "AT+TPIO?"
                                  << "OK=9,11,NID,0x1\r\n"
                                  << QByteArray("checkBox_TPIO9");
    QTest::newRow("sampling IO 0") << "AT+IOSMP?"
                                   << "OK=1,0,10,LID,0x0\r\n"
                                   << QByteArray();
    QTest::newRow("ADC channel 5") << "AT+ADCSMP?"
                                   << "OK=1,5,10,LID,0x0\r\n"
                                   << QByteArray();
    QTest::newRow("PWM channel 4") << "AT+PWM?"
                                   << "OK=1,4,1000,50\r\n"
                                   << QByteArray();
    QTest::newRow("value for a list") << "AT+PWM?"
                                      << "OK=1\r\n"
                                      << QByteArray();
    QTest::newRow("error reply") << "AT+VER"
                                 << "ERR=1\r\n"
                                 << QByteArray();
}

void TstReadCfg::refusedRows()
{
    QFETCH(QString, query);
    QFETCH(QString, reply);
    QFETCH(QByteArray, untouched);
    bool touched = false;
    WindowFixture f;
    QVERIFY(open(f));
    onLine(f.sim(), query, [&] {
        f.sim()->dropNextReply();
        deliverLater(f.w.get(), reply);
        if (!untouched.isEmpty()) {
            // Checked right after the refused row has been handled.
            QTimer::singleShot(0, f.w.get(), [&] {
                touched = f.find<QAbstractButton>(untouched.constData())->isChecked();
            });
        }
    });
    f.sim()->clearReceivedLines();
    read(f);
    QVERIFY(finished(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    QCOMPARE(countOf(f.sim(), query), 2);
    QVERIFY(!touched);
    verifyIdle(f, 0);
}

void TstReadCfg::echoesAreNoReplies()
{
    WindowFixture f;
    QVERIFY(open(f));
    f.sim()->setEcho(true);
    read(f);
    QVERIFY(finished(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));

    // During a resend, an echo neither costs the step its last attempt nor moves it on.
    f.sim()->setEcho(false);
    onLine(f.sim(), QStringLiteral("AT+VER"), [&] { f.sim()->dropNextReply(); });
    f.sim()->clearReceivedLines();
    read(f);
    QTRY_COMPARE(countOf(f.sim(), QStringLiteral("AT+VER")), 1);
    QVERIFY(QMetaObject::invokeMethod(f.w.get(), "readCfgTimeout"));
    QCOMPARE(TestAccess::retries(f.w.get()), 1);
    emit f.w->recvNewLine(QStringLiteral("AT+VER\r\n"));
    emit f.w->recvNewLine(QStringLiteral("IO=9,0x1A2B,1\r\n"));
    QCOMPARE(TestAccess::retries(f.w.get()), 1);
    QCOMPARE(TestAccess::position(f.w.get()), 1);
    QVERIFY(TestAccess::running(f.w.get()));
    QVERIFY(finished(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+VER")), 2);
    QVERIFY(!text(f, "lineEdit_deviceSoftwareVer").isEmpty());
}

void TstReadCfg::timeoutsResendOnceThenFail()
{
    WindowFixture f;
    QVERIFY(open(f));
    auto timeout = [&] {
        QVERIFY(QMetaObject::invokeMethod(f.w.get(), "readCfgTimeout"));
    };

    // A dropped reply: the query goes out once more and the read goes on.
    onLine(f.sim(), QStringLiteral("AT+NS?"), [&] { f.sim()->dropNextReply(); });
    read(f);
    QTRY_COMPARE(countOf(f.sim(), QStringLiteral("AT+NS?")), 1);
    timeout();
    QVERIFY(finished(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+NS?")), 2);

    // Replies late past both attempts: failure, and the late lines change nothing.
    f.sim()->clearReceivedLines();
    onLine(
        f.sim(), QStringLiteral("AT+INFO"), [&] { f.sim()->delayNextReply(150); }, 2);
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(4);
    read(f); // the first query goes out at once
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+INFO")), 1);
    timeout();
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+INFO")), 2);
    timeout();
    QVERIFY(!TestAccess::running(f.w.get()));
    QCOMPARE(f.status(), QStringLiteral("读取配置遇到错误"));
    verifyIdle(f, 4);
    QTRY_VERIFY(!f.sim()->hasPendingOutput());
    QTest::qWait(100); // the poll of the port hands on anything still buffered
    QCOMPARE(text(f, "lineEdit_devicePart"), QString());
    QCOMPARE(f.status(), QStringLiteral("读取配置遇到错误"));
    QCOMPARE(f.sim()->receivedLines().size(), 2);

    // A module that stopped answering.
    f.sim()->setSilent(true);
    read(f);
    timeout();
    timeout();
    QCOMPARE(f.status(), QStringLiteral("读取配置遇到错误"));
    verifyIdle(f, 4);
    // A time-out after the end finds nothing to do.
    timeout();
    QCOMPARE(f.sim()->receivedLines().size(), 4);

    // An empty queue succeeds at once and sends nothing.
    f.sim()->setSilent(false);
    TestAccess::queue(f.w.get()).clear();
    read(f);
    QVERIFY(!TestAccess::running(f.w.get()));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    QCOMPARE(f.sim()->receivedLines().size(), 4);
}

void TstReadCfg::stopDuringRetryAndRestart()
{
    WindowFixture f;
    QVERIFY(open(f));
    auto *stop = f.find<QPushButton>("pushButton_stopCfg");
    // Stop while nothing runs does nothing.
    const QString before = f.status();
    QVERIFY(QMetaObject::invokeMethod(f.w.get(), "on_pushButton_stopCfg_clicked"));
    QCOMPARE(f.status(), before);

    onLine(f.sim(), QStringLiteral("AT+INFO"), [&] { f.sim()->dropNextReply(); });
    read(f);
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+INFO")), 1);
    QVERIFY(QMetaObject::invokeMethod(f.w.get(), "readCfgTimeout"));
    // Stopped while the resent query is on its way: its reply arrives to no one.
    stop->click();
    QCOMPARE(f.status(), QStringLiteral("读取配置遇到错误"));
    QVERIFY(!TestAccess::running(f.w.get()));
    QTRY_VERIFY(!f.sim()->hasPendingOutput());
    QTest::qWait(100);
    QCOMPARE(text(f, "lineEdit_devicePart"), QString());
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+VER")), 0);

    // The next run starts with its own retry: its first step may still fail once.
    onLine(f.sim(), QStringLiteral("AT+INFO"), [&] { f.sim()->dropNextReply(); });
    read(f);
    QCOMPARE(TestAccess::retries(f.w.get()), 0);
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+INFO")), 3);
    QVERIFY(QMetaObject::invokeMethod(f.w.get(), "readCfgTimeout"));
    QVERIFY(TestAccess::running(f.w.get()));
    QVERIFY(finished(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    QCOMPARE(text(f, "lineEdit_devicePart"), f.sim()->local().config().part);
}

void TstReadCfg::closedPortEndsByTimeouts()
{
    WindowFixture f;
    QVERIFY(open(f));
    onLine(f.sim(), QStringLiteral("AT+EPID?"), [&] { f.sim()->dropNextReply(); });
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    read(f);
    QTRY_COMPARE(countOf(f.sim(), QStringLiteral("AT+EPID?")), 1);
    f.find<QPushButton>("pushButton_openCom")->click(); // closes the port
    QVERIFY(TestAccess::running(f.w.get()));
    const int sent = int(f.sim()->receivedLines().size());

    QVERIFY(QMetaObject::invokeMethod(f.w.get(), "readCfgTimeout"));
    QVERIFY(TestAccess::running(f.w.get()));
    QVERIFY(QMetaObject::invokeMethod(f.w.get(), "readCfgTimeout"));
    QCOMPARE(f.status(), QStringLiteral("读取配置遇到错误"));
    QCOMPARE(f.sim()->receivedLines().size(), sent);
    // No port, so neither Read nor Write is offered at the end.
    verifyIdle(f, 2, false);
    QCOMPARE(text(f, "lineEdit_devicePart"), f.sim()->local().config().part);
}

QTEST_MAIN(TstReadCfg)
#include "tst_readcfg.moc"
