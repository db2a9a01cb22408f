// The settings of the Base Info and Network tabs and the network control buttons act at
// once on the module (or the remote node chosen as target), and stay silent while the
// program itself fills the form.

#include "at/errortable.h"
#include "testutil.h"

#include <QCoreApplication>

namespace {

QString successText()
{
    return QCoreApplication::translate("Nodeweave", "成功");
}

QString errorText(int code)
{
    for (const ModuleError &e : moduleErrors()) {
        if (e.code == code)
            return QCoreApplication::translate("Nodeweave", "错误：%1")
                .arg(QCoreApplication::translate("Nodeweave", e.text));
    }
    return QString();
}

ZBdevice remoteTarget(SimModule *sim)
{
    const SimNodeConfig &c = sim->remotes().first()->config();
    ZBdevice d;
    d.isLocal = false;
    d.netAddr = c.netAddr;
    d.macAddr = c.macAddr;
    return d;
}

// The widgets whose every change sends a command, with a choice that differs from the
// form's start state.
const char *const kCombos[] = {"comboBox_defaultWorkMode", "comboBox_deviceType",
                               "comboBox_deviceBps",       "comboBox_deviceStopBit",
                               "comboBox_deviceDataBit",   "comboBox_deviceParBit",
                               "comboBox_deviceFlow",      "comboBox_CH",
                               "comboBox_netLock",         "comboBox_autoNet"};
const char *const kButtons[] = {"pushButton_reset", "pushButton_restore", "pushButton_startNet",
                                "pushButton_leaveNet", "pushButton_netRst"};

} // namespace

class TestImmediate : public QObject
{
    Q_OBJECT

private slots:
    void settingsReachTheModule();
    void networkControl();
    void remoteTarget();
    void moduleErrorShows();
    void silentWhileFormIsFilled();
    void readSendsOnlyQueries();
};

void TestImmediate::settingsReachTheModule()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    const SimNodeConfig &c = sim->local().config();

    struct Choice
    {
        const char *combo;
        const char *item;
        const char *line;
        std::function<bool()> applied;
    };
    const Choice choices[] = {
        {"comboBox_defaultWorkMode", "TP_MODE", "AT+DFWM=1",
         [&] {
             return c.dfwm == 1;
         }},
        {"comboBox_defaultWorkMode", "AT_MODE", "AT+DFWM=0",
         [&] {
             return c.dfwm == 0;
         }},
        {"comboBox_deviceType", "Router", "AT+TYP=R",
         [&] {
             return c.type == 'R';
         }},
        {"comboBox_deviceType", "Coor", "AT+TYP=C",
         [&] {
             return c.type == 'C';
         }},
        {"comboBox_deviceBps", "4800", "AT+IPR=0",
         [&] {
             return c.uart.baudIndex == 0;
         }},
        {"comboBox_deviceBps", "115200", "AT+IPR=5",
         [&] {
             return c.uart.baudIndex == 5;
         }},
        {"comboBox_deviceStopBit", "2", "AT+STO=2",
         [&] {
             return c.uart.stopBits == 2;
         }},
        {"comboBox_deviceDataBit", "5", "AT+DBIT=5",
         [&] {
             return c.uart.dataBits == 5;
         }},
        {"comboBox_deviceDataBit", "8", "AT+DBIT=8",
         [&] {
             return c.uart.dataBits == 8;
         }},
        {"comboBox_deviceParBit", "Odd", "AT+PAR=2",
         [&] {
             return c.uart.parityIndex == 2;
         }},
        {"comboBox_deviceParBit", "Even", "AT+PAR=1",
         [&] {
             return c.uart.parityIndex == 1;
         }},
        {"comboBox_deviceFlow", "Hardware", "AT+IFC=1",
         [&] {
             return c.uart.flowIndex == 1;
         }},
        {"comboBox_CH", "26", "AT+CH=26",
         [&] {
             return c.channel == 26;
         }},
        {"comboBox_CH", "11", "AT+CH=11",
         [&] {
             return c.channel == 11;
         }},
        {"comboBox_netLock", "Y", "AT+NLOCK=1",
         [&] {
             return c.lock == 1;
         }},
        {"comboBox_autoNet", "Y", "AT+NASTA=1",
         [&] {
             return c.autoStart == 1;
         }},
        {"comboBox_autoNet", "N", "AT+NASTA=0",
         [&] {
             return c.autoStart == 0;
         }},
    };
    for (const Choice &ch : choices) {
        auto *box = f.find<QComboBox>(ch.combo);
        const int index = box->findText(QString::fromLatin1(ch.item));
        QVERIFY2(index >= 0 && index != box->currentIndex(), ch.line);
        sim->clearReceivedLines();
        f.w->statusBar()->clearMessage();
        box->setCurrentIndex(index);
        QTRY_COMPARE(sim->receivedLines(), QStringList{QString::fromLatin1(ch.line)});
        QTRY_COMPARE(f.status(), successText());
        QVERIFY2(ch.applied(), ch.line);
    }

    // Choosing the item that is already current is no change: nothing goes out.
    sim->clearReceivedLines();
    for (const char *name : kCombos) {
        auto *box = f.find<QComboBox>(name);
        box->setCurrentIndex(box->currentIndex());
    }
    QTest::qWait(100);
    QCOMPARE(sim->receivedLines(), QStringList());
}

void TestImmediate::networkControl()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    const SimNodeConfig &c = sim->local().config();
    auto press = [&](const char *button, const char *line) {
        sim->clearReceivedLines();
        f.w->statusBar()->clearMessage();
        f.find<QPushButton>(button)->click();
        QTRY_COMPARE(sim->receivedLines(), QStringList{QString::fromLatin1(line)});
        QTRY_COMPARE(f.status(), successText());
    };

    press("pushButton_leaveNet", "AT+NLEAV");
    QVERIFY(!c.networkStarted);
    press("pushButton_startNet", "AT+NSTA");
    QVERIFY(c.networkStarted);
    press("pushButton_leaveNet", "AT+NLEAV");
    press("pushButton_netRst", "AT+NRST");
    QVERIFY(c.networkStarted);

    // Reset goes back to what the module stored; an unstored channel change is lost.
    const int storedChannel = sim->local().stored().channel;
    f.find<QComboBox>("comboBox_CH")
        ->setCurrentText(QString::number(storedChannel == 20 ? 21 : 20));
    QTRY_VERIFY(c.channel != storedChannel);
    press("pushButton_reset", "AT+RST");
    QCOMPARE(c.channel, storedChannel);

    // Restore brings back the factory values, stored ones included.
    f.find<QComboBox>("comboBox_deviceType")->setCurrentText(QStringLiteral("Router"));
    f.find<QComboBox>("comboBox_deviceParBit")->setCurrentText(QStringLiteral("Even"));
    QTRY_COMPARE(c.uart.parityIndex, 1);
    // Restore asks first (reset did not): No sends nothing.
    QCOMPARE(f.questions.size(), 0);
    f.answerYes = false;
    sim->clearReceivedLines();
    f.find<QPushButton>("pushButton_restore")->click();
    QCOMPARE(f.questions.size(), 1);
    QTest::qWait(50);
    QCOMPARE(sim->receivedLines(), QStringList());
    QCOMPARE(c.uart.parityIndex, 1);
    f.answerYes = true;
    press("pushButton_restore", "AT+DFRST");
    QCOMPARE(f.questions.size(), 2);
    QCOMPARE(c.type, sim->local().factory().type);
    QCOMPARE(c.uart.parityIndex, sim->local().factory().uart.parityIndex);
}

void TestImmediate::remoteTarget()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    sim->setRemoteLatency(5);
    const ZBdevice target = ::remoteTarget(sim);
    TestAccess::setTarget(f.w.get(), target);
    SimNode *remote = sim->nodeByNet(target.netAddr);
    QVERIFY(remote);
    const QString suffix = QLatin1String(">NID,") + target.netAddr;
    const char localType = sim->local().config().type;

    auto expectLine = [&](const QString &cmd) {
        QTRY_COMPARE(sim->receivedLines(), QStringList{cmd + suffix});
        sim->clearReceivedLines();
    };
    sim->clearReceivedLines();
    f.find<QComboBox>("comboBox_deviceType")->setCurrentText(QStringLiteral("Router"));
    expectLine(QStringLiteral("AT+TYP=R"));
    QTRY_COMPARE(remote->config().type, 'R');
    QCOMPARE(sim->local().config().type, localType);

    f.find<QComboBox>("comboBox_deviceBps")->setCurrentText(QStringLiteral("9600"));
    expectLine(QStringLiteral("AT+IPR=1"));
    f.find<QComboBox>("comboBox_CH")->setCurrentText(QStringLiteral("24"));
    expectLine(QStringLiteral("AT+CH=24"));
    QTRY_COMPARE(remote->config().channel, 24);
    QCOMPARE(remote->config().uart.baudIndex, 1);

    f.find<QPushButton>("pushButton_reset")->click();
    expectLine(QStringLiteral("AT+RST"));
    QTRY_COMPARE(remote->config().channel, remote->stored().channel);
    f.find<QPushButton>("pushButton_leaveNet")->click();
    expectLine(QStringLiteral("AT+NLEAV"));
    QTRY_VERIFY(!remote->config().networkStarted);
    QVERIFY(sim->local().config().networkStarted);
}

void TestImmediate::moduleErrorShows()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    // A node that is not in the network: the local module gives up after its delay.
    sim->setRemoteFailDelay(20);
    ZBdevice gone;
    gone.isLocal = false;
    gone.netAddr = QStringLiteral("0x7777");
    gone.macAddr = QStringLiteral("0x0011223344556677");
    QVERIFY(!sim->nodeByNet(gone.netAddr));
    TestAccess::setTarget(f.w.get(), gone);
    f.find<QComboBox>("comboBox_netLock")->setCurrentText(QStringLiteral("Y"));
    QTRY_COMPARE(sim->receivedLines().value(0), QStringLiteral("AT+NLOCK=1>NID,0x7777"));
    QTRY_COMPARE(f.status(), errorText(71));
    // The form keeps the choice although the module refused it.
    QCOMPARE(f.find<QComboBox>("comboBox_netLock")->currentText(), QStringLiteral("Y"));
}

void TestImmediate::silentWhileFormIsFilled()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    const SimNodeConfig before = sim->local().config();

    for (const bool reading : {true, false}) {
        TestAccess::setReadRunning(f.w.get(), reading);
        TestAccess::setImportRunning(f.w.get(), !reading);
        sim->clearReceivedLines();
        for (const char *name : kCombos) {
            auto *box = f.find<QComboBox>(name);
            QSignalSpy changed(box, &QComboBox::currentIndexChanged);
            box->setCurrentIndex((box->currentIndex() + 1) % box->count());
            QCOMPARE(changed.count(), 1); // the change signal fires, the slot keeps quiet
        }
        for (const char *name : kButtons)
            f.find<QPushButton>(name)->click();
        QTest::qWait(100);
        QCOMPARE(sim->receivedLines(), QStringList());
    }
    QCOMPARE(sim->local().config().channel, before.channel);
    QCOMPARE(sim->local().config().networkStarted, before.networkStarted);

    // Once the form is the user's again, a change goes out.
    TestAccess::setImportRunning(f.w.get(), false);
    auto *ch = f.find<QComboBox>("comboBox_CH");
    ch->setCurrentIndex((ch->currentIndex() + 1) % ch->count());
    QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+CH=" + ch->currentText()});
}

void TestImmediate::readSendsOnlyQueries()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    // A configuration that differs from the form's start values everywhere the read
    // sets a combo box, so every one of them raises its change signal.
    SimNodeConfig &c = sim->local().config();
    c.type = 'R';
    c.dfwm = 1;
    c.uart = {2, 7, 1, 2, 1};
    c.channel = 22;
    c.lock = 1;
    c.autoStart = 0;
    const SimNodeConfig before = c;
    sim->clearReceivedLines();

    f.find<QPushButton>("pushButton_readConfiguration")->click();
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("读取配置完成"), 15000);

    const QStringList queries = TestAccess::readQueries(f.w.get());
    QVERIFY(!queries.isEmpty());
    const QStringList received = sim->receivedLines();
    QVERIFY(!received.isEmpty());
    for (const QString &line : received)
        QVERIFY2(queries.contains(line), qPrintable(line));

    QCOMPARE(f.find<QComboBox>("comboBox_deviceType")->currentText(), QStringLiteral("Router"));
    QCOMPARE(f.find<QComboBox>("comboBox_defaultWorkMode")->currentIndex(), 1);
    QCOMPARE(f.find<QComboBox>("comboBox_deviceBps")->currentText(), QStringLiteral("19200"));
    QCOMPARE(f.find<QComboBox>("comboBox_deviceDataBit")->currentText(), QStringLiteral("7"));
    QCOMPARE(f.find<QComboBox>("comboBox_deviceParBit")->currentText(), QStringLiteral("Even"));
    QCOMPARE(f.find<QComboBox>("comboBox_deviceStopBit")->currentText(), QStringLiteral("2"));
    QCOMPARE(f.find<QComboBox>("comboBox_deviceFlow")->currentText(), QStringLiteral("Hardware"));
    QCOMPARE(f.find<QComboBox>("comboBox_CH")->currentText(), QStringLiteral("22"));
    QCOMPARE(f.find<QComboBox>("comboBox_netLock")->currentText(), QStringLiteral("Y"));
    QCOMPARE(f.find<QComboBox>("comboBox_autoNet")->currentText(), QStringLiteral("N"));
    QCOMPARE(sim->local().config().channel, before.channel);
}

QTEST_MAIN(TestImmediate)
#include "tst_immediate.moc"
