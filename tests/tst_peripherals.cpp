// Packets, digital IO, ADC sampling and PWM acting at once on the simulated module.

#include "at/errortable.h"
#include "peripherals/families.h"
#include "peripherals/peripheralcommands.h"
#include "testutil.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

namespace {

constexpr auto kIoLines = Family::kIoLines;

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

QString pwmRangeText()
{
    return QStringLiteral("错误：PWM频率必须是20-10000");
}

QByteArray name(const char *pattern, int n)
{
    return QByteArray(pattern).replace("%1", QByteArray::number(n));
}

ZBdevice remoteOf(SimNode *node)
{
    ZBdevice d;
    d.isLocal = false;
    d.netAddr = node->config().netAddr;
    d.macAddr = node->config().macAddr;
    return d;
}

int countLines(const QStringList &lines, const QString &text)
{
    return int(std::count(lines.begin(), lines.end(), text));
}

bool logContains(const WindowFixture &f, const QString &part)
{
    auto *log = f.find<QTableWidget>("tableWidget_log");
    for (int r = 0; r < log->rowCount(); ++r) {
        const QTableWidgetItem *item = log->item(r, 0);
        if (item && item->text().contains(part))
            return true;
    }
    return false;
}

} // namespace

class TestPeripherals : public QObject
{
    Q_OBJECT

private slots:
    void packetSend();
    void packetErrors();
    void regularPacketSend();
    void regularSendInterval();
    void regularSendStopsWhileBusy();
    void ioLines();
    void ioLevelOnInputLine();
    void ioTransparentAndSampling();
    void adcSampling();
    void pwmOutputs();
    void pwmFrequencyCheck();
    void pwmMessageInEnglish();
    void silentWhileFormIsFilled();
    void samplesInterleaveWithRead();
};

void TestPeripherals::packetSend()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    sim->setRemoteLatency(5);
    sim->clearReceivedLines();
    auto *data = f.find<QLineEdit>("lineEdit_sendPkt_DATA");
    f.find<QComboBox>("comboBox_sendPkt_AM")->setCurrentText(QStringLiteral("NID"));
    f.find<QComboBox>("comboBox_sendPkt_ADDR")->setEditText(QStringLiteral("0x1A2B"));
    type(data, QStringLiteral("hello, node"));
    auto *send = f.find<QPushButton>("pushButton_sendPkt");
    send->click();
    QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+SEND=NID,0x1A2B,hello, node"});
    QTRY_COMPARE(f.status(), successText());

    // A packet for the module itself comes back on the port and shows in the log.
    sim->clearReceivedLines();
    f.find<QComboBox>("comboBox_sendPkt_ADDR")->setEditText(QStringLiteral("0x0000"));
    type(data, QStringLiteral("loop"));
    send->click();
    QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+SEND=NID,0x0000,loop"});
    QTRY_VERIFY(logContains(f, QStringLiteral("RECV=0x0000,loop")));

    // With a remote node as target the command itself carries the target's suffix.
    SimNode *hall = sim->nodeByNet(QStringLiteral("0x1A2B"));
    QVERIFY(hall);
    TestAccess::setTarget(f.w.get(), remoteOf(hall));
    sim->clearReceivedLines();
    f.find<QComboBox>("comboBox_sendPkt_AM")->setCurrentText(QStringLiteral("MID"));
    f.find<QComboBox>("comboBox_sendPkt_ADDR")->setEditText(QStringLiteral("0x00124B0001A2B3D2"));
    data->clear();
    send->click();
    QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+SEND=MID,0x00124B0001A2B3D2,>NID,0x1A2B"});
}

void TestPeripherals::packetErrors()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    f.find<QComboBox>("comboBox_sendPkt_AM")->setCurrentText(QStringLiteral("NID"));
    f.find<QComboBox>("comboBox_sendPkt_ADDR")->setEditText(QStringLiteral("0x1A2B"));
    auto *data = f.find<QLineEdit>("lineEdit_sendPkt_DATA");
    auto *send = f.find<QPushButton>("pushButton_sendPkt");

    type(data, QString(200, QLatin1Char('x')));
    send->click();
    QTRY_COMPARE(f.status(), errorText(100));

    f.find<QPushButton>("pushButton_leaveNet")->click();
    QTRY_VERIFY(!sim->local().config().networkStarted);
    type(data, QStringLiteral("short"));
    send->click();
    QTRY_COMPARE(f.status(), errorText(60));
}

void TestPeripherals::regularPacketSend()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    f.find<QComboBox>("comboBox_sendPkt_AM")->setCurrentText(QStringLiteral("NID"));
    f.find<QComboBox>("comboBox_sendPkt_ADDR")->setEditText(QStringLiteral("0x1A2B"));
    type(f.find<QLineEdit>("lineEdit_sendPkt_DATA"), QStringLiteral("tick"));
    auto *interval = f.find<QLineEdit>("lineEdit_sendPkt_regular_time");
    auto *regular = f.find<QCheckBox>("checkBox_sendPkt_regulerSend");
    QTimer *timer = TestAccess::packetTimer(f.w.get());
    const QString line = QStringLiteral("AT+SEND=NID,0x1A2B,tick");

    type(interval, QStringLiteral("30"));
    sim->clearReceivedLines();
    regular->click();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 30);
    QVERIFY(!interval->isEnabled());
    QTRY_VERIFY(countLines(sim->receivedLines(), line) >= 3);
    QVERIFY(f.messages.isEmpty());

    // A change of data takes effect at the next timeout.
    type(f.find<QLineEdit>("lineEdit_sendPkt_DATA"), QStringLiteral("tock"));
    QTRY_VERIFY(sim->receivedLines().contains(QStringLiteral("AT+SEND=NID,0x1A2B,tock")));

    regular->click();
    QVERIFY(!timer->isActive());
    QVERIFY(interval->isEnabled());
    QTest::qWait(60);
    sim->clearReceivedLines();
    QTest::qWait(150);
    QCOMPARE(sim->receivedLines(), QStringList());

    // Zero is accepted and runs at the shortest period; the window keeps handling events
    // and the box still stops it.
    type(interval, QStringLiteral("0"));
    regular->click();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), PeripheralCommand::kMinRepeatPeriodMs);
    bool otherEventRan = false;
    QTimer::singleShot(50, f.w.get(), [&] { otherEventRan = true; });
    QTRY_VERIFY(otherEventRan);
    QTRY_VERIFY(sim->receivedLines().size() >= 3);
    regular->click();
    QVERIFY(!regular->isChecked());
    QVERIFY(!timer->isActive());
    QVERIFY(f.messages.isEmpty());
}

void TestPeripherals::regularSendInterval()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    auto *interval = f.find<QLineEdit>("lineEdit_sendPkt_regular_time");
    auto *regular = f.find<QCheckBox>("checkBox_sendPkt_regulerSend");
    QTimer *timer = TestAccess::packetTimer(f.w.get());

    // Empty, and numbers too large for the timer: refused with the message, the box is
    // unchecked again, nothing runs.
    for (const QString &text :
         {QString(), QStringLiteral("4294967296"), QStringLiteral("3000000000")}) {
        f.messages.clear();
        interval->setText(text); // the validator lets any digit string through
        regular->click();
        QCOMPARE(f.messages, QStringList{QStringLiteral("定时时间错误")});
        QVERIFY(!regular->isChecked());
        QVERIFY(!timer->isActive());
        QVERIFY(interval->isEnabled());
    }

    f.messages.clear();
    interval->setText(QStringLiteral("2147483647"));
    regular->click();
    QVERIFY(f.messages.isEmpty());
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 2147483647);
    regular->click();
    QVERIFY(!timer->isActive());
}

void TestPeripherals::regularSendStopsWhileBusy()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    f.find<QComboBox>("comboBox_sendPkt_ADDR")->setEditText(QStringLiteral("0x1A2B"));
    type(f.find<QLineEdit>("lineEdit_sendPkt_DATA"), QStringLiteral("p"));
    auto *interval = f.find<QLineEdit>("lineEdit_sendPkt_regular_time");
    auto *regular = f.find<QCheckBox>("checkBox_sendPkt_regulerSend");
    QTimer *timer = TestAccess::packetTimer(f.w.get());
    type(interval, QStringLiteral("20"));
    regular->click();
    QVERIFY(timer->isActive());
    QTRY_VERIFY(!sim->receivedLines().isEmpty());

    // While the form is being filled the timer runs on but its timeouts send nothing.
    TestAccess::setReadRunning(f.w.get(), true);
    QTest::qWait(30);
    sim->clearReceivedLines();
    QTest::qWait(120);
    QVERIFY(timer->isActive());
    QCOMPARE(sim->receivedLines(), QStringList());

    // Unchecking stops it all the same: no packets behind an unchecked box.
    regular->click();
    QVERIFY(!timer->isActive());
    QVERIFY(interval->isEnabled());
    // Checking while busy starts nothing.
    regular->click();
    QVERIFY(regular->isChecked());
    QVERIFY(!timer->isActive());
    regular->click();

    TestAccess::setReadRunning(f.w.get(), false);
    QTest::qWait(100);
    QCOMPARE(sim->receivedLines(), QStringList());
    QVERIFY(f.messages.isEmpty());
}

void TestPeripherals::ioLines()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    sim->setRemoteLatency(5);
    SimNode *remote = sim->nodeByNet(QStringLiteral("0x3C4D"));
    QVERIFY(remote);

    // Locally and then on a remote target: direction from the input button's slot only,
    // level by index; the node's state follows.
    for (SimNode *node : {&sim->local(), remote}) {
        const QString suffix = node == remote ? QStringLiteral(">NID,0x3C4D") : QString();
        if (node == remote)
            TestAccess::setTarget(f.w.get(), remoteOf(remote));
        for (const int n : kIoLines) {
            const QString N = QString::number(n);
            auto *input = f.find<QRadioButton>(name("radioButton_%1input", n));
            auto *output = f.find<QRadioButton>(name("radioButton_%1output", n));
            auto *level = f.find<QComboBox>(name("comboBox_%1output", n));
            QVERIFY(input->isChecked());
            QVERIFY(!level->isEnabled());

            sim->clearReceivedLines();
            output->click();
            QVERIFY(level->isEnabled());
            QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+IOSET=" + N + ",1" + suffix});
            QTRY_VERIFY(node->config().ioLine(n).output);

            sim->clearReceivedLines();
            level->setCurrentIndex(level->currentIndex() == 1 ? 0 : 1);
            const bool high = level->currentText() == QLatin1String("H");
            QTRY_COMPARE(sim->receivedLines(),
                         QStringList{"AT+IOOUT=" + N + (high ? ",1" : ",0") + suffix});
            sim->clearReceivedLines();
            level->setCurrentIndex(high ? 0 : 1);
            QTRY_COMPARE(sim->receivedLines(),
                         QStringList{"AT+IOOUT=" + N + (high ? ",0" : ",1") + suffix});
            QTRY_COMPARE(node->config().ioLine(n).level, high ? 0 : 1);

            sim->clearReceivedLines();
            input->click();
            QVERIFY(!level->isEnabled());
            QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+IOSET=" + N + ",0" + suffix});
            QTRY_VERIFY(!node->config().ioLine(n).output);
        }
    }
}

void TestPeripherals::ioLevelOnInputLine()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    // Line 14 made an output but not stored; a reset turns it back into an input while
    // the form still offers the level.
    f.find<QRadioButton>("radioButton_14output")->click();
    QTRY_VERIFY(sim->local().config().ioLine(14).output);
    f.find<QPushButton>("pushButton_reset")->click();
    QTRY_VERIFY(!sim->local().config().ioLine(14).output);
    auto *level = f.find<QComboBox>("comboBox_14output");
    sim->clearReceivedLines();
    level->setCurrentText(level->currentText() == QLatin1String("H") ? QStringLiteral("L")
                                                                     : QStringLiteral("H"));
    QTRY_COMPARE(f.status(), errorText(81));
    QCOMPARE(sim->receivedLines().size(), 1);
    // The form is not set back.
    QVERIFY(f.find<QRadioButton>("radioButton_14output")->isChecked());
}

void TestPeripherals::ioTransparentAndSampling()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    const SimNodeConfig &c = sim->local().config();

    for (const int n : kIoLines) {
        const QString N = QString::number(n);
        auto *tpio = f.find<QCheckBox>(name("checkBox_TPIO%1", n));
        f.find<QComboBox>(name("comboBox_TPIO%1_TIO", n))->setCurrentText(QStringLiteral("9"));
        f.find<QComboBox>(name("comboBox_TPIO%1_AM", n))->setCurrentText(QStringLiteral("NID"));
        f.find<QComboBox>(name("comboBox_TPIO%1_ADDR", n))->setEditText(QStringLiteral("0x5E6F"));
        sim->clearReceivedLines();
        tpio->click();
        QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+TPIO=1," + N + ",9,NID,0x5E6F"});
        QTRY_VERIFY(c.ioLine(n).tpio.on);
        QCOMPARE(c.ioLine(n).tpio.addr, QStringLiteral("0x5E6F"));
        QVERIFY(!f.find<QComboBox>(name("comboBox_TPIO%1_ADDR", n))->isEnabled());
        sim->clearReceivedLines();
        tpio->click();
        QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+TPIO=0," + N});
        QTRY_VERIFY(!c.ioLine(n).tpio.on);

        auto *smp = f.find<QCheckBox>(name("checkBox_IOSMP%1", n));
        auto *it = f.find<QLineEdit>(name("lineEdit_IOSMP_IT%1", n));
        type(it, QStringLiteral("25"));
        f.find<QComboBox>(name("comboBox_IOSMP%1_AM", n))->setCurrentText(QStringLiteral("MID"));
        f.find<QComboBox>(name("comboBox_IOSMP%1_ADDR", n))
            ->setEditText(QStringLiteral("0x00124B0001A2B3D1"));
        sim->clearReceivedLines();
        smp->click();
        QTRY_COMPARE(sim->receivedLines(),
                     QStringList{"AT+IOSMP=1," + N + ",25,MID,0x00124B0001A2B3D1"});
        QTRY_VERIFY(c.ioLine(n).iosmp.on);
        QCOMPARE(c.ioLine(n).iosmp.interval, QStringLiteral("25"));
        sim->clearReceivedLines();
        smp->click();
        QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+IOSMP=0," + N});
        QTRY_VERIFY(!c.ioLine(n).iosmp.on);
    }

    // An empty interval leaves two commas together; the module refuses it and the box
    // stays checked.
    f.find<QLineEdit>("lineEdit_IOSMP_IT17")->clear();
    f.find<QComboBox>("comboBox_IOSMP17_AM")->setCurrentText(QStringLiteral("NID"));
    f.find<QComboBox>("comboBox_IOSMP17_ADDR")->setEditText(QStringLiteral("0x0000"));
    sim->clearReceivedLines();
    f.find<QCheckBox>("checkBox_IOSMP17")->click();
    QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+IOSMP=1,17,,NID,0x0000"});
    QTRY_COMPARE(f.status(), errorText(21));
    QVERIFY(f.find<QCheckBox>("checkBox_IOSMP17")->isChecked());
}

void TestPeripherals::adcSampling()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    sim->setSampleTimeScale(0.005); // "10" seconds become 50 ms
    const SimNodeConfig &c = sim->local().config();

    // Channel 4 alone, with the sampling group in "LID" mode.
    auto *mode4 = f.find<QComboBox>("comboBox_ADSMP4");
    mode4->setCurrentText(QStringLiteral("NID"));
    mode4->setCurrentText(QStringLiteral("LID"));
    QCOMPARE(f.find<QComboBox>("comboBox_ADSMP4_ADDR")->currentText(), QStringLiteral("0x0"));
    type(f.find<QLineEdit>("lineEdit_ADSMP4_IT"), QStringLiteral("10"));
    for (int ch = 1; ch <= 3; ++ch)
        QVERIFY(!f.find<QCheckBox>(name("checkBox_ADSMP%1", ch))->isChecked());
    sim->clearReceivedLines();
    f.find<QCheckBox>("checkBox_ADSMP4")->click();
    QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+ADCSMP=1,4,10,LID,0x0"});
    QTRY_VERIFY(c.adc.at(3).adcsmp.on);
    QVERIFY(!f.find<QLineEdit>("lineEdit_ADSMP4_IT")->isEnabled());
    // The module's unsolicited samples appear in the log.
    QTRY_VERIFY(logContains(f, QStringLiteral("ADC=4,0x0000,") + c.adc.at(3).reading));

    // Channel 2 towards a remote node by network address, then each box stops only its
    // own channel.
    f.find<QComboBox>("comboBox_ADSMP2")->setCurrentText(QStringLiteral("NID"));
    f.find<QComboBox>("comboBox_ADSMP2_ADDR")->setEditText(QStringLiteral("0x1A2B"));
    type(f.find<QLineEdit>("lineEdit_ADSMP2_IT"), QStringLiteral("3"));
    sim->clearReceivedLines();
    f.find<QCheckBox>("checkBox_ADSMP2")->click();
    QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+ADCSMP=1,2,3,NID,0x1A2B"});
    QTRY_VERIFY(c.adc.at(1).adcsmp.on);

    sim->clearReceivedLines();
    f.find<QCheckBox>("checkBox_ADSMP4")->click();
    QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+ADCSMP=0,4"});
    QTRY_VERIFY(!c.adc.at(3).adcsmp.on);
    QVERIFY(c.adc.at(1).adcsmp.on);
    sim->clearReceivedLines();
    f.find<QCheckBox>("checkBox_ADSMP2")->click();
    QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+ADCSMP=0,2"});

    // Channels 1 and 3 on a remote target carry its suffix.
    SimNode *sensor = sim->nodeByNet(QStringLiteral("0x3C4D"));
    TestAccess::setTarget(f.w.get(), remoteOf(sensor));
    sim->setRemoteLatency(5);
    for (const int ch : {1, 3}) {
        f.find<QComboBox>(name("comboBox_ADSMP%1", ch))->setCurrentText(QStringLiteral("LID"));
        type(f.find<QLineEdit>(name("lineEdit_ADSMP%1_IT", ch)), QStringLiteral("60"));
        sim->clearReceivedLines();
        f.find<QCheckBox>(name("checkBox_ADSMP%1", ch))->click();
        QTRY_COMPARE(sim->receivedLines(),
                     QStringList{"AT+ADCSMP=1," + QString::number(ch) + ",60,LID,0x0>NID,0x3C4D"});
        QTRY_VERIFY(sensor->config().adc.at(ch - 1).adcsmp.on);
        sim->clearReceivedLines();
        f.find<QCheckBox>(name("checkBox_ADSMP%1", ch))->click();
        QTRY_COMPARE(sim->receivedLines(),
                     QStringList{"AT+ADCSMP=0," + QString::number(ch) + ">NID,0x3C4D"});
    }
}

void TestPeripherals::pwmOutputs()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    const SimNodeConfig &c = sim->local().config();

    for (int k = 1; k <= 3; ++k) {
        const QString K = QString::number(k);
        auto *box = f.find<QCheckBox>(name("checkBox_PWM%1", k));
        auto *slider = f.find<QSlider>(name("horizontalSlider_PWM%1", k));
        auto *spin = f.find<QSpinBox>(name("spinBox_PWM%1", k));
        auto *freq = f.find<QLineEdit>(name("lineEdit_PWM%1_FRQ", k));

        // The duty widgets stay equal; while the output is off their changes send nothing.
        sim->clearReceivedLines();
        slider->setValue(30 + k);
        QCOMPARE(spin->value(), 30 + k);
        spin->setValue(50);
        QCOMPARE(slider->value(), 50);
        type(freq, QStringLiteral("1000"));
        QTest::qWait(30);
        QCOMPARE(sim->receivedLines(), QStringList());

        box->click();
        QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+PWM=1," + K + ",1000,50"});
        QTRY_VERIFY(c.pwm.at(k - 1).on);
        QCOMPARE(c.pwm.at(k - 1).duty, 50);
        QTRY_COMPARE(f.status(), successText());
        QVERIFY(!freq->isEnabled() && !spin->isEnabled() && !slider->isEnabled());

        sim->clearReceivedLines();
        box->click();
        QTRY_COMPARE(sim->receivedLines(), QStringList{"AT+PWM=0," + K});
        QTRY_VERIFY(!c.pwm.at(k - 1).on);
    }
}

void TestPeripherals::pwmFrequencyCheck()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    auto *box = f.find<QCheckBox>("checkBox_PWM2");
    auto *freq = f.find<QLineEdit>("lineEdit_PWM2_FRQ");
    f.find<QSpinBox>("spinBox_PWM2")->setValue(7);

    for (const char *bad : {"19", "10001", "0"}) {
        type(freq, QString::fromLatin1(bad));
        sim->clearReceivedLines();
        f.w->statusBar()->clearMessage();
        box->click();
        QCOMPARE(f.status(), pwmRangeText());
        QTest::qWait(30);
        QCOMPARE(sim->receivedLines(), QStringList());
        QVERIFY(box->isChecked());
        QVERIFY(!freq->isEnabled());
        box->click(); // the user unchecks it, which sends the stop command
        QTRY_COMPARE(sim->receivedLines(), QStringList{QStringLiteral("AT+PWM=0,2")});
    }

    for (const char *good : {"20", "10000", "0020"}) {
        type(freq, QString::fromLatin1(good));
        sim->clearReceivedLines();
        box->click();
        QTRY_COMPARE(sim->receivedLines(),
                     QStringList{QLatin1String("AT+PWM=1,2,") + QLatin1String(good) + ",7"});
        QTRY_VERIFY(sim->local().config().pwm.at(1).on);
        QCOMPARE(sim->local().config().pwm.at(1).freq, QString::fromLatin1(good));
        box->click();
        QTRY_VERIFY(!sim->local().config().pwm.at(1).on);
    }
}

void TestPeripherals::pwmMessageInEnglish()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    QCoreApplication::installTranslator(f.w->appTranslator());
    auto restore = qScopeGuard([&] { QCoreApplication::removeTranslator(f.w->appTranslator()); });
    TestAccess::langButton(f.w.get())->click();
    QCOMPARE(TestAccess::langButton(f.w.get())->text(), QStringLiteral("中文"));

    // The English text names no limits; filling it must not complain either.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QString::arg")));
    type(f.find<QLineEdit>("lineEdit_PWM1_FRQ"), QStringLiteral("5"));
    f.sim()->clearReceivedLines();
    f.find<QCheckBox>("checkBox_PWM1")->click();
    QCOMPARE(f.status(), QStringLiteral("Invalid Frequency"));
    QTest::qWait(30);
    QCOMPARE(f.sim()->receivedLines(), QStringList());
}

void TestPeripherals::silentWhileFormIsFilled()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    ZBdevice a;
    a.netAddr = QStringLiteral("0x1A2B");
    a.macAddr = QStringLiteral("0x00124B0001A2B3D1");
    ZBdevice b;
    b.netAddr = QStringLiteral("0x3C4D");
    b.macAddr = QStringLiteral("0x00124B0001A2B3D2");
    TestAccess::devices(f.w.get()) = {a, b};

    for (const bool reading : {true, false}) {
        TestAccess::setReadRunning(f.w.get(), reading);
        TestAccess::setImportRunning(f.w.get(), !reading);
        sim->clearReceivedLines();
        for (const int n : kIoLines) {
            f.find<QRadioButton>(name("radioButton_%1output", n))->click();
            auto *level = f.find<QComboBox>(name("comboBox_%1output", n));
            level->setCurrentIndex(1 - level->currentIndex());
            f.find<QCheckBox>(name("checkBox_TPIO%1", n))->click();
            f.find<QCheckBox>(name("checkBox_IOSMP%1", n))->click();
            f.find<QRadioButton>(name("radioButton_%1input", n))->click();
        }
        for (int ch = 1; ch <= 4; ++ch)
            f.find<QCheckBox>(name("checkBox_ADSMP%1", ch))->click();
        for (int k = 1; k <= 3; ++k) {
            f.find<QCheckBox>(name("checkBox_PWM%1", k))->click();
            f.find<QSpinBox>(name("spinBox_PWM%1", k))->setValue(k * 10 + (reading ? 1 : 2));
        }
        f.find<QPushButton>("pushButton_sendPkt")->click();

        // The address-mode refills are no commands and still run.
        auto *am = f.find<QComboBox>("comboBox_IOSMP9_AM");
        am->setCurrentText(QStringLiteral("LID"));
        QCOMPARE(f.find<QComboBox>("comboBox_IOSMP9_ADDR")->currentText(), QStringLiteral("0x0"));
        am->setCurrentText(QStringLiteral("NID"));
        auto *addr = f.find<QComboBox>("comboBox_IOSMP9_ADDR");
        QCOMPARE(addr->count(), 2);
        QCOMPARE(addr->itemText(1), QStringLiteral("0x3C4D"));
        auto *tpioAm = f.find<QComboBox>("comboBox_TPIO10_AM");
        tpioAm->setCurrentIndex(1 - tpioAm->currentIndex());
        QCOMPARE(f.find<QComboBox>("comboBox_TPIO10_ADDR")->count(), 2);

        QTest::qWait(100);
        QCOMPARE(sim->receivedLines(), QStringList());
    }
}

void TestPeripherals::samplesInterleaveWithRead()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    // The module's own state, so that the read has something to fill in.
    SimNodeConfig &c = sim->local().config();
    c.ioLine(14).output = true;
    c.ioLine(14).level = 1;
    c.ioLine(10).iosmp = {true, QStringLiteral("10"), QStringLiteral("LID"), QStringLiteral("0x0")};
    c.adc.at(0).adcsmp = {true, QStringLiteral("10"), QStringLiteral("LID"), QStringLiteral("0x0")};
    c.pwm.at(2) = {true, QStringLiteral("0500"), 33};
    c.ioLine(15).tpio = {true, 17, QStringLiteral("NID"), QStringLiteral("0x5E6F")};
    sim->setSampleTimeScale(0.002); // "10" seconds become 20 ms; starts the samplers set above
    QTRY_VERIFY(logContains(f, QStringLiteral("ADC=1,0x0000,")));
    QTRY_VERIFY(logContains(f, QStringLiteral("IO=10,0x0000,")));

    sim->clearReceivedLines();
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    QVERIFY(TestAccess::reading(f.w.get()));
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("读取配置完成"), 20000);

    // Only the read's queries reached the module, although the read checked boxes and
    // set levels, spin boxes and directions on its way.
    const QStringList queries = TestAccess::readQueries(f.w.get());
    for (const QString &line : sim->receivedLines())
        QVERIFY2(queries.contains(line), qPrintable(line));
    QVERIFY(f.find<QRadioButton>("radioButton_14output")->isChecked());
    QCOMPARE(f.find<QComboBox>("comboBox_14output")->currentText(), QStringLiteral("H"));
    QVERIFY(f.find<QCheckBox>("checkBox_IOSMP10")->isChecked());
    QVERIFY(f.find<QCheckBox>("checkBox_ADSMP1")->isChecked());
    QVERIFY(f.find<QCheckBox>("checkBox_PWM3")->isChecked());
    QCOMPARE(f.find<QLineEdit>("lineEdit_PWM3_FRQ")->text(), QStringLiteral("0500"));
    QCOMPARE(f.find<QSpinBox>("spinBox_PWM3")->value(), 33);
    QVERIFY(f.find<QCheckBox>("checkBox_TPIO15")->isChecked());
    QVERIFY(c.pwm.at(2).on);
    QVERIFY(c.ioLine(10).iosmp.on);
}

QTEST_MAIN(TestPeripherals)
#include "tst_peripherals.moc"
