// Writing the form to the simulated module as one batch: the exact commands, the
// module's state afterwards (locally and on a remote node), refused steps, resends,
// time-outs and the stop button.

#include "testutil.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

class TestAccess
{
public:
    static ZBdevice &target(Nodeweave *w) { return *w->targetDevice; }
    static bool reading(Nodeweave *w) { return w->readCfgRunning; }
    static bool writing(Nodeweave *w) { return w->writeCfgRunning; }
    static int retries(Nodeweave *w) { return w->writeCfgRetries; }
    static QTimer *timer(Nodeweave *w) { return w->writeCfgTimer; }
};

namespace {

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

int countOf(SimModule *sim, const QString &prefix)
{
    int n = 0;
    for (const QString &line : sim->receivedLines())
        n += line.startsWith(prefix);
    return n;
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

class TstWriteCfg : public QObject
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
    bool idle(WindowFixture &f)
    {
        return waitUntil(
            [&] { return !TestAccess::reading(f.w.get()) && !TestAccess::writing(f.w.get()); });
    }
    // Fills the form from the target, then closes the port so that the edits a test
    // makes are not sent at once by the immediate settings.
    bool readThenClose(WindowFixture &f)
    {
        f.find<QPushButton>("pushButton_readConfiguration")->click();
        if (!idle(f) || f.status() != QStringLiteral("读取配置完成"))
            return false;
        f.find<QPushButton>("pushButton_openCom")->click();
        return !f.find<QPushButton>("pushButton_send")->isEnabled();
    }
    bool reopen(WindowFixture &f)
    {
        if (!f.openPort())
            return false;
        f.sim()->clearReceivedLines();
        return true;
    }
    void write(WindowFixture &f) { f.find<QPushButton>("pushButton_writeConfiguartion")->click(); }
    QComboBox *box(WindowFixture &f, const QByteArray &name)
    {
        return f.find<QComboBox>(name.constData());
    }
    QLineEdit *edit(WindowFixture &f, const QByteArray &name)
    {
        return f.find<QLineEdit>(name.constData());
    }
    QAbstractButton *button(WindowFixture &f, const QByteArray &name)
    {
        return f.find<QAbstractButton>(name.constData());
    }
    void verifyIdle(WindowFixture &f, int tab)
    {
        QCOMPARE(f.find<QTabWidget>("tabWidget")->currentIndex(), tab);
        auto *bar = f.find<QProgressBar>("progressBar_cfg");
        QVERIFY(!bar->isEnabled());
        QCOMPARE(bar->value(), 0);
        QVERIFY(!f.find<QPushButton>("pushButton_stopCfg")->isEnabled());
        QVERIFY(f.find<QPushButton>("pushButton_readConfiguration")->isEnabled());
        QVERIFY(f.find<QPushButton>("pushButton_writeConfiguartion")->isEnabled());
        QVERIFY(f.find<QPushButton>("pushButton_Import")->isEnabled());
        QVERIFY(f.find<QPushButton>("pushButton_Export")->isEnabled());
        QCOMPARE(TestAccess::retries(f.w.get()), 0);
    }

private slots:
    void roundTripLocal();
    void roundTripRemote();
    void inputsSkipLevelSteps();
    void refusedStepsResendThenFail();
    void resendComposesAnew();
    void timeoutsAndStop();
};

void TstWriteCfg::roundTripLocal()
{
    WindowFixture f;
    QVERIFY(open(f));
    QVERIFY(readThenClose(f));

    box(f, "comboBox_deviceType")->setCurrentIndex(1);
    box(f, "comboBox_deviceBps")->setCurrentIndex(2);
    box(f, "comboBox_deviceDataBit")->setCurrentIndex(2);
    box(f, "comboBox_deviceParBit")->setCurrentIndex(1);
    box(f, "comboBox_deviceStopBit")->setCurrentIndex(1);
    box(f, "comboBox_deviceFlow")->setCurrentIndex(1);
    edit(f, "lineEdit_EPID")->setText(QStringLiteral("0x00000000000000AB"));
    edit(f, "lineEdit_joinTime")->setText(QStringLiteral("99"));
    box(f, "comboBox_TID_AM")->setCurrentIndex(1);
    box(f, "comboBox_TID_ADDR")->setEditText(QStringLiteral("0x00124B0001A2B3D1"));
    box(f, "comboBox_CH")->setCurrentIndex(15);
    box(f, "comboBox_netLock")->setCurrentIndex(1);
    box(f, "comboBox_autoNet")->setCurrentIndex(0);
    for (int i = 1; i <= 4; ++i)
        edit(f, "lineEdit_DESC" + QByteArray::number(i))->setText(QStringLiteral("W%1").arg(i));
    for (const char *n : {"9", "10", "14", "15", "17"})
        button(f, QByteArray("radioButton_") + n + "input")->setChecked(true);
    button(f, "radioButton_9output")->setChecked(true);
    box(f, "comboBox_9output")->setCurrentIndex(1);
    button(f, "radioButton_14output")->setChecked(true);
    box(f, "comboBox_14output")->setCurrentIndex(0);
    for (const char *n : {"9", "10", "14", "15", "17"}) {
        button(f, QByteArray("checkBox_TPIO") + n)->setChecked(false);
        button(f, QByteArray("checkBox_IOSMP") + n)->setChecked(false);
    }
    button(f, "checkBox_TPIO10")->setChecked(true);
    box(f, "comboBox_TPIO10_TIO")->setCurrentIndex(3);
    box(f, "comboBox_TPIO10_AM")->setCurrentIndex(0);
    box(f, "comboBox_TPIO10_ADDR")->setEditText(QStringLiteral("0x3C4D"));
    button(f, "checkBox_IOSMP17")->setChecked(true);
    edit(f, "lineEdit_IOSMP_IT17")->setText(QStringLiteral("30"));
    box(f, "comboBox_IOSMP17_AM")->setCurrentIndex(1);
    box(f, "comboBox_IOSMP17_ADDR")->setEditText(QStringLiteral("0x00124B0001A2B3D2"));
    for (int c = 1; c <= 4; ++c)
        button(f, "checkBox_ADSMP" + QByteArray::number(c))->setChecked(c == 2);
    edit(f, "lineEdit_ADSMP2_IT")->setText(QStringLiteral("20"));
    box(f, "comboBox_ADSMP2")->setCurrentIndex(0);
    box(f, "comboBox_ADSMP2_ADDR")->setEditText(QStringLiteral("0x5E6F"));
    button(f, "checkBox_PWM1")->setChecked(true);
    edit(f, "lineEdit_PWM1_FRQ")->setText(QStringLiteral("2000"));
    f.find<QSpinBox>("spinBox_PWM1")->setValue(40);
    button(f, "checkBox_PWM2")->setChecked(false);
    // A switched-off channel sends only its number, whatever its fields hold.
    button(f, "checkBox_PWM3")->setChecked(false);
    edit(f, "lineEdit_PWM3_FRQ")->setText(QStringLiteral("5000"));
    f.find<QSpinBox>("spinBox_PWM3")->setValue(77);

    QVERIFY(reopen(f));
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(3);
    write(f);
    auto *bar = f.find<QProgressBar>("progressBar_cfg");
    QVERIFY(bar->isEnabled());
    QCOMPARE(bar->maximum(), 44);
    QVERIFY(TestAccess::timer(f.w.get())->isActive());
    QCOMPARE(TestAccess::timer(f.w.get())->interval(), 2000);
    QVERIFY(!f.find<QPushButton>("pushButton_readConfiguration")->isEnabled());
    QVERIFY(!f.find<QPushButton>("pushButton_Import")->isEnabled());
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置完成"));
    verifyIdle(f, 3);

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

    // The module holds (and stored) what the form said.
    const SimNodeConfig &c = f.sim()->local().stored();
    QCOMPARE(c.type, 'R');
    QCOMPARE(c.uart.baudIndex, 2);
    QCOMPARE(c.uart.dataBits, 7);
    QCOMPARE(c.uart.parityIndex, 1);
    QCOMPARE(c.uart.stopBits, 2);
    QCOMPARE(c.uart.flowIndex, 1);
    QCOMPARE(c.epid, QStringLiteral("0x00000000000000AB"));
    QCOMPARE(c.channel, 26);
    QCOMPARE(c.desc[3], QStringLiteral("W4"));
    QVERIFY(c.ioLine(9).output);
    QCOMPARE(c.ioLine(9).level, 1);
    QVERIFY(c.ioLine(10).tpio.on);
    QCOMPARE(c.ioLine(10).tpio.tio, 15);
    QCOMPARE(c.ioLine(17).iosmp.mode, QStringLiteral("MID"));
    QVERIFY(c.adc[1].adcsmp.on);
    QCOMPARE(c.pwm[0].freq, QStringLiteral("2000"));
    QCOMPARE(c.pwm[0].duty, 40);
    QVERIFY(!c.pwm[2].on);

    // Read back: the form shows again what was written.
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("读取配置完成"));
    QCOMPARE(box(f, "comboBox_deviceType")->currentText(), QStringLiteral("Router"));
    QCOMPARE(box(f, "comboBox_deviceBps")->currentText(), QStringLiteral("19200"));
    QCOMPARE(box(f, "comboBox_deviceDataBit")->currentText(), QStringLiteral("7"));
    QCOMPARE(box(f, "comboBox_deviceParBit")->currentText(), QStringLiteral("Even"));
    QCOMPARE(box(f, "comboBox_deviceStopBit")->currentText(), QStringLiteral("2"));
    QCOMPARE(box(f, "comboBox_deviceFlow")->currentText(), QStringLiteral("Hardware"));
    QCOMPARE(edit(f, "lineEdit_joinTime")->text(), QStringLiteral("99"));
    QCOMPARE(box(f, "comboBox_TID_AM")->currentText(), QStringLiteral("MID"));
    QCOMPARE(box(f, "comboBox_TID_ADDR")->currentText(), QStringLiteral("0x00124B0001A2B3D1"));
    QCOMPARE(box(f, "comboBox_CH")->currentText(), QStringLiteral("26"));
    QCOMPARE(box(f, "comboBox_netLock")->currentText(), QStringLiteral("Y"));
    QCOMPARE(box(f, "comboBox_autoNet")->currentText(), QStringLiteral("N"));
    QCOMPARE(edit(f, "lineEdit_DESC2")->text(), QStringLiteral("W2"));
    QVERIFY(button(f, "radioButton_9output")->isChecked());
    QCOMPARE(box(f, "comboBox_9output")->currentText(), QStringLiteral("H"));
    QVERIFY(button(f, "radioButton_14output")->isChecked());
    QVERIFY(button(f, "radioButton_10input")->isChecked());
    QVERIFY(button(f, "checkBox_TPIO10")->isChecked());
    QCOMPARE(box(f, "comboBox_TPIO10_TIO")->currentText(), QStringLiteral("15"));
    QCOMPARE(box(f, "comboBox_TPIO10_ADDR")->currentText(), QStringLiteral("0x3C4D"));
    QVERIFY(button(f, "checkBox_IOSMP17")->isChecked());
    QCOMPARE(edit(f, "lineEdit_IOSMP_IT17")->text(), QStringLiteral("30"));
    QVERIFY(!button(f, "checkBox_IOSMP9")->isChecked());
    QVERIFY(button(f, "checkBox_ADSMP2")->isChecked());
    QCOMPARE(box(f, "comboBox_ADSMP2_ADDR")->currentText(), QStringLiteral("0x5E6F"));
    QVERIFY(button(f, "checkBox_PWM1")->isChecked());
    QCOMPARE(edit(f, "lineEdit_PWM1_FRQ")->text(), QStringLiteral("2000"));
    QCOMPARE(f.find<QSpinBox>("spinBox_PWM1")->value(), 40);
    QVERIFY(!button(f, "checkBox_PWM3")->isChecked());
}

void TstWriteCfg::roundTripRemote()
{
    WindowFixture f;
    QVERIFY(open(f));
    SimNode *node = f.sim()->remotes().at(2);
    const QString net = node->config().netAddr;
    TestAccess::target(f.w.get()) = ZBdevice{false, node->config().macAddr, net, QString()};
    QVERIFY(readThenClose(f));
    const int localChannel = f.sim()->local().config().channel;

    box(f, "comboBox_CH")->setCurrentIndex(1);
    edit(f, "lineEdit_DESC1")->setText(QStringLiteral("REMOTE-W"));
    button(f, "checkBox_PWM2")->setChecked(true);
    edit(f, "lineEdit_PWM2_FRQ")->setText(QStringLiteral("300"));
    f.find<QSpinBox>("spinBox_PWM2")->setValue(10);

    QVERIFY(reopen(f));
    write(f);
    QCOMPARE(TestAccess::timer(f.w.get())->interval(), 5500);
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置完成"));
    verifyIdle(f, 0);

    const QStringList sent = f.sim()->receivedLines();
    QVERIFY(sent.size() >= 39);
    for (const QString &line : sent)
        QVERIFY2(line.endsWith(QStringLiteral(">NID,") + net), qPrintable(line));
    QCOMPARE(sent.last(), QStringLiteral("AT+W>NID,") + net);
    QVERIFY(sent.contains(QStringLiteral("AT+PWM=1,2,300,10>NID,") + net));

    const SimNodeConfig &c = node->stored();
    QCOMPARE(c.channel, 12);
    QCOMPARE(c.desc[0], QStringLiteral("REMOTE-W"));
    QVERIFY(c.pwm[1].on);
    QCOMPARE(c.pwm[1].freq, QStringLiteral("300"));
    QCOMPARE(f.sim()->local().config().channel, localChannel);
}

void TstWriteCfg::inputsSkipLevelSteps()
{
    WindowFixture f;
    QVERIFY(open(f));
    QVERIFY(readThenClose(f));
    for (const char *n : {"9", "10", "14", "15", "17"})
        button(f, QByteArray("radioButton_") + n + "input")->setChecked(true);
    box(f, "comboBox_deviceType")->setCurrentIndex(0);
    box(f, "comboBox_deviceBps")->setCurrentIndex(5);
    box(f, "comboBox_deviceDataBit")->setCurrentIndex(3);
    QVERIFY(reopen(f));
    write(f);
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置完成"));

    const QStringList sent = f.sim()->receivedLines();
    QCOMPARE(sent.size(), 39);
    QCOMPARE(sent.at(0), QStringLiteral("AT+TYP=C"));
    QCOMPARE(sent.at(1), QStringLiteral("AT+IPR=5"));
    QCOMPARE(sent.at(2), QStringLiteral("AT+DBIT=8"));
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+IOOUT")), 0);
    const int last = int(sent.indexOf(QStringLiteral("AT+IOSET=17,0")));
    QVERIFY(last > 0);
    QCOMPARE(sent.at(last + 1), QStringLiteral("AT+TPIO=0,9"));
}

void TstWriteCfg::refusedStepsResendThenFail()
{
    WindowFixture f;
    QVERIFY(open(f));
    QVERIFY(readThenClose(f));
    QVERIFY(reopen(f));

    // A value where a plain "OK" belongs counts as a failure: one resend.
    onLine(f.sim(), QStringLiteral("AT+JOINT="), [&] { f.sim()->wrongShapeNextReply(); });
    write(f);
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置完成"));
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+JOINT=")), 2);

    // Twice for the same step: the batch ends there, nothing after it is sent.
    f.sim()->clearReceivedLines();
    onLine(
        f.sim(), QStringLiteral("AT+CH="), [&] { f.sim()->wrongShapeNextReply(); }, 2);
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(4);
    write(f);
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置遇到错误"));
    verifyIdle(f, 4);
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+CH=")), 2);
    QVERIFY(f.sim()->receivedLines().last().startsWith(QStringLiteral("AT+CH=")));
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+NLOCK=")), 0);

    // A field the module refuses is sent as it stands; its error ends the batch the same way.
    edit(f, "lineEdit_joinTime")->setText(QStringLiteral("999"));
    f.sim()->clearReceivedLines();
    write(f);
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置遇到错误"));
    QCOMPARE(f.sim()->receivedLines().mid(7), QStringList({"AT+JOINT=999", "AT+JOINT=999"}));
}

void TstWriteCfg::resendComposesAnew()
{
    WindowFixture f;
    QVERIFY(open(f));
    QVERIFY(readThenClose(f));
    edit(f, "lineEdit_EPID")->setText(QStringLiteral("0x00000000000000AB"));
    QVERIFY(reopen(f));
    // The user corrects the field while the first attempt is answered with an error.
    onLine(f.sim(), QStringLiteral("AT+EPID="), [&] {
        f.sim()->wrongShapeNextReply();
        edit(f, "lineEdit_EPID")->setText(QStringLiteral("0x00000000000000CD"));
    });
    write(f);
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置完成"));
    const QStringList sent = f.sim()->receivedLines();
    QCOMPARE(sent.at(6), QStringLiteral("AT+EPID=0x00000000000000AB"));
    QCOMPARE(sent.at(7), QStringLiteral("AT+EPID=0x00000000000000CD"));
    QCOMPARE(f.sim()->local().stored().epid, QStringLiteral("0x00000000000000CD"));
}

void TstWriteCfg::timeoutsAndStop()
{
    WindowFixture f;
    QVERIFY(open(f));
    QVERIFY(readThenClose(f));
    QVERIFY(reopen(f));
    auto timeout = [&] {
        QVERIFY(QMetaObject::invokeMethod(f.w.get(), "writeCfgTimeout"));
    };

    // A dropped reply: the step is sent again and the batch goes on.
    onLine(f.sim(), QStringLiteral("AT+IPR="), [&] { f.sim()->dropNextReply(); });
    write(f);
    QTRY_COMPARE(countOf(f.sim(), QStringLiteral("AT+IPR=")), 1);
    timeout();
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置完成"));
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+IPR=")), 2);

    // No answer at all: two time-outs end the batch.
    f.sim()->clearReceivedLines();
    f.sim()->setSilent(true);
    write(f);
    timeout();
    QVERIFY(TestAccess::writing(f.w.get()));
    timeout();
    QCOMPARE(f.status(), QStringLiteral("写入配置遇到错误"));
    verifyIdle(f, 0);
    QCOMPARE(f.sim()->receivedLines(), QStringList({"AT+TYP=C", "AT+TYP=C"}));

    // Stop while a step waits: the late reply moves nothing.
    f.sim()->setSilent(false);
    f.sim()->clearReceivedLines();
    // Pressed as soon as the step is out, well before its delayed reply.
    onLine(f.sim(), QStringLiteral("AT+IPR="), [&] {
        f.sim()->delayNextReply(100);
        QTimer::singleShot(0, f.w.get(),
                           [&] { f.find<QPushButton>("pushButton_stopCfg")->click(); });
    });
    write(f);
    QVERIFY(waitUntil([&] { return !TestAccess::writing(f.w.get()); }));
    QCOMPARE(countOf(f.sim(), QStringLiteral("AT+")), 2);
    QCOMPARE(f.status(), QStringLiteral("写入配置遇到错误"));
    QVERIFY(!TestAccess::writing(f.w.get()));
    const int sent = int(f.sim()->receivedLines().size());
    QTRY_VERIFY(!f.sim()->hasPendingOutput());
    QTest::qWait(100);
    QCOMPARE(f.sim()->receivedLines().size(), sent);
    QCOMPARE(f.find<QProgressBar>("progressBar_cfg")->value(), 0);
}

QTEST_MAIN(TstWriteCfg)
#include "tst_writecfg.moc"
