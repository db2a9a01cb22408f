// What the form's immediate settings, network buttons, packets, IO lines, ADC sampling and
// PWM outputs send to the module (or to the remote node chosen as target) as the user
// changes them, and their silence while the program itself fills the form.

#include "cfgform.h"

#include <QCheckBox>
#include <QRegularExpression>
#include <QTabWidget>

class TestPeripherals : public QObject
{
    Q_OBJECT

private slots:
    void sends_data();
    void sends();
    void silentWhileFormIsFilled();
};

void TestPeripherals::sends_data()
{
    QTest::addColumn<QString>("target"); // a remote node's network address, or empty
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("lines");  // what the module receives, "|" between lines
    QTest::addColumn<QString>("status"); // empty: not looked at
    // "%1" in a row's texts is each of `units` in turn.
    const auto row = [](const char *name, const char *target, const char *steps, const char *lines,
                        const char *status = "Success", QStringList units = {""}) {
        for (const QString &n : units)
            QTest::addRow("%s%s", name, qPrintable(n)) << target << QString::fromUtf8(steps).arg(n)
                                                       << QString::fromUtf8(lines).arg(n) << status;
    };
    const QStringList io = {"9", "10", "14", "15", "17"}, adc = {"1", "2", "3", "4"};
    // clang-format off
    row("work mode", "", "comboBox_defaultWorkMode=TP_MODE;comboBox_defaultWorkMode=AT_MODE", "AT+DFWM=1|AT+DFWM=0");
    row("type", "", "comboBox_deviceType=Router;comboBox_deviceType=Coor", "AT+TYP=R|AT+TYP=C");
    row("baud", "", "comboBox_deviceBps=4800;comboBox_deviceBps=115200", "AT+IPR=0|AT+IPR=5");
    row("stop bits", "", "comboBox_deviceStopBit=2", "AT+STO=2");
    row("data bits", "", "comboBox_deviceDataBit=5;comboBox_deviceDataBit=8", "AT+DBIT=5|AT+DBIT=8");
    row("parity", "", "comboBox_deviceParBit=Odd;comboBox_deviceParBit=Even", "AT+PAR=2|AT+PAR=1");
    row("flow", "", "comboBox_deviceFlow=Hardware", "AT+IFC=1");
    row("channel", "", "comboBox_CH=26;comboBox_CH=11", "AT+CH=26|AT+CH=11");
    row("lock", "", "comboBox_netLock=Y", "AT+NLOCK=1");
    row("auto start", "", "comboBox_autoNet=Y;comboBox_autoNet=N", "AT+NASTA=1|AT+NASTA=0");
    row("network buttons", "", "pushButton_leaveNet;pushButton_startNet;pushButton_netRst;pushButton_reset", "AT+NLEAV|AT+NSTA|AT+NRST|AT+RST");
    row("restore", "", "pushButton_restore", "AT+DFRST");
    row("IO ", "", "radioButton_%1output=on;comboBox_%1output=H;comboBox_%1output=L;radioButton_%1input=on", "AT+IOSET=%1,1|AT+IOOUT=%1,1|AT+IOOUT=%1,0|AT+IOSET=%1,0", "Success", io);
    row("TPIO ", "", "comboBox_TPIO%1_TIO=15;comboBox_TPIO%1_AM=NID;comboBox_TPIO%1_ADDR=0x5E6F;checkBox_TPIO%1=on;checkBox_TPIO%1=off", "AT+TPIO=1,%1,15,NID,0x5E6F|AT+TPIO=0,%1", "Success", io);
    row("IOSMP ", "", "lineEdit_IOSMP_IT%1=25;comboBox_IOSMP%1_AM=MID;comboBox_IOSMP%1_ADDR=0x00124B0001A2B3D1;checkBox_IOSMP%1=on;checkBox_IOSMP%1=off", "AT+IOSMP=1,%1,25,MID,0x00124B0001A2B3D1|AT+IOSMP=0,%1", "Success", io);
    row("ADC ", "", "comboBox_ADSMP%1=NID;comboBox_ADSMP%1_ADDR=0x1A2B;lineEdit_ADSMP%1_IT=3;checkBox_ADSMP%1=on;checkBox_ADSMP%1=off", "AT+ADCSMP=1,%1,3,NID,0x1A2B|AT+ADCSMP=0,%1", "Success", adc);
    row("ADC in LID mode", "", "comboBox_ADSMP4=NID;comboBox_ADSMP4=LID;lineEdit_ADSMP4_IT=10;checkBox_ADSMP4=on", "AT+ADCSMP=1,4,10,LID,0x0");
    // While off, the duty and frequency send nothing; while on, every change goes out.
    row("PWM ", "", "lineEdit_PWM%1_FRQ=1000;spinBox_PWM%1=50;checkBox_PWM%1=on;spinBox_PWM%1=60;checkBox_PWM%1=off", "AT+PWM=1,%1,1000,50|AT+PWM=1,%1,1000,60|AT+PWM=0,%1", "Success", {"1", "2", "3"});
    row("PWM at ", "", "lineEdit_PWM2_FRQ=%1;spinBox_PWM2=7;checkBox_PWM2=on", "AT+PWM=1,2,%1,7", "Success", {"20", "10000", "0020"});
    row("PWM refused at ", "", "lineEdit_PWM2_FRQ=%1;checkBox_PWM2=on", "", "错误：PWM频率必须是20-10000", {"19", "10001", "0"});
    row("PWM refused, then off", "", "lineEdit_PWM2_FRQ=5;checkBox_PWM2=on;checkBox_PWM2=off", "AT+PWM=0,2");
    row("packet", "", "comboBox_sendPkt_ADDR=0x1A2B;lineEdit_sendPkt_DATA=hello, node;pushButton_sendPkt", "AT+SEND=NID,0x1A2B,hello, node");
    row("packet too long", "", "comboBox_sendPkt_ADDR=0x1A2B;lineEdit_sendPkt_DATA=%1;pushButton_sendPkt", "AT+SEND=NID,0x1A2B,%1", "错误：发送的数据过长", {QString(200, QLatin1Char('x'))});
    row("packet without network", "", "pushButton_leaveNet;comboBox_sendPkt_ADDR=0x1A2B;lineEdit_sendPkt_DATA=p;pushButton_sendPkt", "AT+NLEAV|AT+SEND=NID,0x1A2B,p", "错误：网络尚未启动");
    // A reset makes line 14 an input again while the form still offers its level.
    row("level of an input", "", "radioButton_14output=on;pushButton_reset;comboBox_14output=H", "AT+IOSET=14,1|AT+RST|AT+IOOUT=14,1", "错误：此IO已设置为输入，不能输出");
    row("sampling without interval", "", "lineEdit_IOSMP_IT17=;comboBox_IOSMP17_AM=NID;comboBox_IOSMP17_ADDR=0x0000;checkBox_IOSMP17=on", "AT+IOSMP=1,17,,NID,0x0000", "错误：缺少参数");
    // A remote target: every command carries its suffix.
    row("remote settings", "0x3C4D", "comboBox_deviceType=Router;comboBox_deviceBps=9600;comboBox_CH=24", "AT+TYP=R|AT+IPR=1|AT+CH=24", "");
    row("remote packet", "0x1A2B", "comboBox_sendPkt_AM=MID;comboBox_sendPkt_ADDR=0x00124B0001A2B3D2;pushButton_sendPkt", "AT+SEND=MID,0x00124B0001A2B3D2,", "");
    row("node not in the network", "0x7777", "comboBox_netLock=Y", "AT+NLOCK=1", "错误：远程AT指令发送超时");
    // clang-format on
}

void TestPeripherals::sends()
{
    QFETCH(QString, target);
    QFETCH(QString, steps);
    QFETCH(QString, lines);
    QFETCH(QString, status);
    WindowFixture f;
    QVERIFY(f.openPort());
    f.sim()->setRemoteLatency(5);
    f.sim()->setRemoteFailDelay(20);
    if (!target.isEmpty())
        setRemoteTarget(f, target);
    formSet(f, steps);
    QStringList expected = lines.split('|', Qt::SkipEmptyParts);
    for (QString &line : expected)
        line += target.isEmpty() ? QString() : ">NID," + target;
    QTRY_COMPARE(f.sim()->receivedLines(), expected);
    if (!status.isEmpty())
        QTRY_COMPARE(f.status(), status);
    QTest::qWait(30);
    QCOMPARE(f.sim()->receivedLines(), expected);
    QVERIFY(f.messages.isEmpty());
}

// A read or an import fills the form through the same change signals the user's edits fire:
// nothing may go out then but the read's own queries, and samples arriving meanwhile do not
// disturb it.
void TestPeripherals::silentWhileFormIsFilled()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    QTimer *packets = TestAccess::packetTimer(f.w.get());
    formSet(f, "comboBox_sendPkt_ADDR=0x1A2B;lineEdit_sendPkt_DATA=p;"
               "lineEdit_sendPkt_regular_time=20;checkBox_sendPkt_regulerSend=on");
    QTRY_VERIFY(!sim->receivedLines().isEmpty());
    for (const bool reading : {true, false}) {
        if (reading)
            holdRead(f, true);
        TestAccess::setImportRunning(f.w.get(), !reading);
        QTest::qWait(30);
        sim->clearReceivedLines();
        // Every choice moves on, the IO levels while their lines are outputs.
        const QStringList io = {"9", "10", "14", "15", "17"};
        for (const QString &n : io)
            formSet(f, QString("radioButton_%1output;checkBox_TPIO%1;checkBox_IOSMP%1").arg(n));
        for (QComboBox *box : f.find<QTabWidget>("tabWidget")->findChildren<QComboBox *>()) {
            if (box->count() > 1)
                box->setCurrentIndex((box->currentIndex() + 1) % box->count());
        }
        formSet(f, "radioButton_" + io.join("input;radioButton_") + "input");
        formSet(f, "checkBox_ADSMP1;checkBox_ADSMP2;checkBox_ADSMP3;checkBox_ADSMP4;checkBox_PWM1;"
                   "checkBox_PWM2;checkBox_PWM3;spinBox_PWM3=33;lineEdit_PWM3_FRQ=700;"
                   "pushButton_reset;pushButton_restore;pushButton_startNet;pushButton_leaveNet;"
                   "pushButton_netRst;pushButton_sendPkt");
        // A read stops the packet repeat; during an import it runs on without sending.
        // Unchecked it stops all the same, and checked again it does not start.
        QCOMPARE(packets->isActive(), !reading);
        formSet(f, "checkBox_sendPkt_regulerSend=off");
        QVERIFY(!packets->isActive());
        formSet(f, "checkBox_sendPkt_regulerSend=on");
        QVERIFY(!packets->isActive());
        QTest::qWait(100);
        QCOMPARE(sim->receivedLines(), QStringList());
        QVERIFY(f.questions.isEmpty());
        if (reading)
            holdRead(f, false);
        TestAccess::setImportRunning(f.w.get(), false);
        formSet(f, "checkBox_sendPkt_regulerSend=off;checkBox_sendPkt_regulerSend=on");
        QTRY_VERIFY(packets->isActive());
    }
    formSet(f, "checkBox_sendPkt_regulerSend=off");
    QTest::qWait(30);
    sim->clearReceivedLines();
    // Restore asks first: No sends nothing.
    f.answerYes = false;
    formSet(f, "pushButton_restore");
    QCOMPARE(f.questions, QStringList("确定要恢复出厂设置吗？"));
    QTest::qWait(50);
    QCOMPARE(sim->receivedLines(), QStringList());

    // A real read that changes the form, up to its last step.
    SimNodeConfig &c = sim->local().config();
    c.channel = 22;
    c.ioLine(14).output = true;
    c.ioLine(14).level = 1;
    c.ioLine(10).iosmp = {true, "10", "LID", "0x0"};
    c.adc.at(0).adcsmp = {true, "10", "LID", "0x0"};
    c.pwm.at(2) = {true, "0500", 33};
    c.ioLine(15).tpio = {true, 17, "NID", "0x5E6F"};
    sim->setSampleTimeScale(0.002); // "10" seconds become 20 ms
    QTRY_VERIFY(logTexts(f).join("").contains("ADC=1,0x0000,1024"));
    QTRY_VERIFY(logTexts(f).join("").contains("IO=10,0x0000,"));
    sim->clearReceivedLines();
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    // While it runs, nothing else may send.
    QCOMPARE_FORM(f, "-pushButton_send;-pushButton_scan;-pushButton_sendPkt;"
                     "-checkBox_sendPkt_regulerSend;-checkBox_regulerSend");
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), QString("读取配置完成"), 20000);
    const QStringList queries = TestAccess::readQueries(f.w.get());
    for (const QString &line : sim->receivedLines())
        QVERIFY2(queries.contains(line), qPrintable(line));
    QCOMPARE_FORM(f, "comboBox_CH=22;radioButton_14output=on;comboBox_14output=H;"
                     "checkBox_IOSMP10=on;checkBox_ADSMP1=on;checkBox_PWM3=on;"
                     "lineEdit_PWM3_FRQ=0500;spinBox_PWM3=33;checkBox_TPIO15=on");

    // The English refusal names no limits; filling it must not complain either.
    TestAccess::langButton(f.w.get())->click();
    QTest::failOnWarning(QRegularExpression("QString::arg"));
    formSet(f, "lineEdit_PWM1_FRQ=5;checkBox_PWM1=on");
    QCOMPARE(f.status(), QString("Invalid Frequency"));
}

QTEST_MAIN(TestPeripherals)
#include "tst_peripherals.moc"
