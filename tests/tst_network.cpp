// A network scan against the simulated module (the device table, the count, the progress
// bar, the scan time, the grace ticks, the early stop), the target device chosen in the
// table with the suffix it puts on every command, and the address groups.

#include "cfgform.h"
#include "network/scanprotocol.h"

#include <QProgressBar>
#include <QRegularExpression>

namespace {

// The simulated module's network, in the order a scan reports it.
const QStringList kNets = {"0x0000", "0x1A2B", "0x3C4D", "0x5E6F", "0x7A8B"};
const QStringList kMacs = {"0x00124B0001A2B3C4", "0x00124B0001A2B3D1", "0x00124B0001A2B3D2",
                           "0x00124B0001A2B3D3", "0x00124B0001A2B3D4"};

QTableWidget *table(WindowFixture &f)
{
    return f.find<QTableWidget>("tableWidget_device");
}

// Scans (quickly: the module's scan time is scaled down) and waits for the end.
void scan(WindowFixture &f, const QString &seconds = "2", bool wait = true)
{
    f.sim()->setScanTimeScale(0.1);
    formSet(f, "lineEdit_scanTime=" + seconds + ";pushButton_scan");
    if (wait)
        QTRY_COMPARE_WITH_TIMEOUT(formDiff(f, "pushButton_scan=扫描"), QString(), 10000);
}

// The rows' marks, "1" for a checked row.
QString marks(WindowFixture &f)
{
    QString out;
    for (int r = 0; r < table(f)->rowCount(); ++r)
        out += table(f)->item(r, 0)->checkState() == Qt::Checked ? '1' : '0';
    return out;
}

void clickRow(WindowFixture &f, int row, int column)
{
    const QRect cell = table(f)->visualItemRect(table(f)->item(row, column));
    QTest::mouseClick(table(f)->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

QStringList items(WindowFixture &f, const char *box)
{
    QStringList out;
    for (int i = 0; i < f.find<QComboBox>(box)->count(); ++i)
        out << f.find<QComboBox>(box)->itemText(i);
    return out;
}

} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT

private slots:
    void scanListsTheNetwork()
    {
        WindowFixture f;
        QVERIFY(f.openPort());
        SimModule *sim = f.sim();
        // One group in each mode; a box keeps the text it had, an empty one shows the first
        // node (or "0x0" in LID mode).
        formSet(f, "comboBox_TID_AM=MID;comboBox_TPIO9_AM=NID;comboBox_IOSMP9_AM=LID;"
                   "comboBox_ADSMP2=MID;comboBox_ADSMP2_ADDR=;comboBox_TID_ADDR=0x77");
        sim->clearReceivedLines();
        formSet(f, "lineEdit_scanTime=0;pushButton_scan");
        QTest::failOnWarning(QRegularExpression("QString::arg"));
        TestAccess::langButton(f.w.get())->click();
        formSet(f, "pushButton_scan");
        TestAccess::langButton(f.w.get())->click();
        QCOMPARE(f.messages, QStringList({"支持的扫描时间为1-255", "Invalid scan time"}));
        QCOMPARE(TestAccess::scanClock(f.w.get())->timerType(), Qt::PreciseTimer);
        // Real seconds, once: the module spreads its reports over them.
        formSet(f, "lineEdit_scanTime=001;pushButton_scan");
        auto *bar = f.find<QProgressBar>("progressBar_scan");
        // While it runs, no run or import may start.
        QCOMPARE_FORM(f, "pushButton_scan=停止扫描;-pushButton_readConfiguration;"
                         "-pushButton_writeConfiguartion;-pushButton_Import");
        QCOMPARE(bar->maximum(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(formDiff(f, "pushButton_scan=扫描"), QString(), 10000);
        QCOMPARE(sim->receivedLines(), QStringList("AT+SCAN=001")); // as typed
        QVERIFY(!TestAccess::scanning(f.w.get()) && !TestAccess::scanClockRuns(f.w.get()));
        QCOMPARE(bar->value(), 0);
        QCOMPARE(columnTexts(table(f), 0), kMacs);
        QCOMPARE(columnTexts(table(f), 1), kNets);
        QCOMPARE(columnTexts(table(f), 2).join('|'),
                 QString("LOCAL_NODE|ROUTER_HALL|SENSOR_ADC|SWITCH_IO|PWM_LIGHT"));
        QCOMPARE(table(f)->item(3, 0)->toolTip() + table(f)->item(1, 2)->toolTip(),
                 kMacs[3] + "ROUTER_HALL");
        QCOMPARE(table(f)->textElideMode(), Qt::ElideMiddle);
        QCOMPARE(marks(f), QString("10000"));
        QVERIFY(TestAccess::target(f.w.get()).isLocal);
        QCOMPARE_FORM(f, "label_founddeviceNum=设备数量：5;lineEdit_targetDeviceNet=0x0000;"
                         "lineEdit_targetDeviceMac=0x00124B0001A2B3C4;checkBox_autoRemote=off;"
                         "lineEdit_consoleAddr=;comboBox_TID_ADDR=0x77;comboBox_TPIO9_ADDR=0x0;"
                         "comboBox_IOSMP9_ADDR=0x0;comboBox_ADSMP2_ADDR=0x00124B0001A2B3C4");
        QCOMPARE(items(f, "comboBox_TID_ADDR"), kMacs);

        // A new scan starts afresh: the select-all dropped, the lists emptied, the typed
        // addresses kept, the count kept until the first new device.
        formSet(f, "checkBox_deviceSelectAll=on");
        scan(f, "20", false); // nodes come 0.4 s apart
        QCOMPARE(table(f)->rowCount() + TestAccess::devices(f.w.get()).size(), 0);
        QCOMPARE(items(f, "comboBox_TID_ADDR"), QStringList());
        QVERIFY(TestAccess::target(f.w.get()).isLocal);
        QCOMPARE_FORM(f, "comboBox_TID_ADDR=0x77;checkBox_deviceSelectAll=off;"
                         "lineEdit_targetDeviceNet=;checkBox_autoRemote=off;"
                         "label_founddeviceNum=设备数量：5");
        QTRY_VERIFY(table(f)->rowCount() >= 2);
        QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
        sim->clearReceivedLines();
        formSet(f, "pushButton_scan");
        const int listed = table(f)->rowCount();
        QVERIFY(listed < 5);
        // Stopped at once, without waiting for the module, whose answer comes after.
        QVERIFY(!TestAccess::scanning(f.w.get()));
        QCOMPARE(bar->value(), 0);
        QCOMPARE(sim->receivedLines(), QStringList("AT+ESC"));
        QTRY_COMPARE(lines.value(0).value(0).toString(), QString("OK\r\n"));
        QTest::qWait(100);
        QCOMPARE(items(f, "comboBox_TID_ADDR"), kMacs.mid(0, listed));
        QCOMPARE_FORM(
            f, "pushButton_scan=扫描;comboBox_TID_ADDR=0x77;label_founddeviceNum=设备数量：" +
                   QString::number(listed));
    }

    void scanTime()
    {
        // Whole seconds from 1 to 255, written in base 10.
        QStringList accepted;
        for (const QString &typed :
             QStringList{"0", "256", "abc", "", "-1", "0x10", "1", "255", "005"}) {
            if (const std::optional<int> seconds = ScanProtocol::seconds(typed))
                accepted << typed + QString("=%1").arg(*seconds);
        }
        QCOMPARE(accepted.join(' '), "1=1 255=255 005=5");
    }

    void scanEndsAfterGraceTicks()
    {
        for (const bool refused : {false, true}) { // the module silent, or refusing the scan
            WindowFixture f;
            QVERIFY(f.openPort());
            QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
            f.sim()->local().config().networkStarted = !refused;
            f.sim()->setSilent(!refused);
            scan(f, "3", false);
            TestAccess::holdScanClock(f.w.get());
            if (refused)
                QTRY_COMPARE(lines.value(0).value(0).toString(), QString("ERR=60\r\n"));
            auto *bar = f.find<QProgressBar>("progressBar_scan");
            for (int tick = 1; tick <= 13; ++tick) {
                QVERIFY2(TestAccess::scanning(f.w.get()), qPrintable(QString::number(tick)));
                TestAccess::tick(f.w.get());
                QCOMPARE(bar->value(), tick == 13 ? 0 : qMin(tick, 3));
            }
            QCOMPARE_FORM(f, "pushButton_scan=扫描");
            // Ended: neither reports nor stray ticks change anything any more.
            emit f.w->recvNewLine("OK=0,0x1,0x2,x\r\n");
            TestAccess::tick(f.w.get());
            QCOMPARE(table(f)->rowCount() + bar->value(), 0);
        }
    }

    void targetAndAddressGroups()
    {
        WindowFixture f;
        QVERIFY(f.openPort());
        // Even with nothing scanned, "all" is the broadcast address, and Read and Write,
        // which need one node, are refused at once.
        formSet(f, "checkBox_deviceSelectAll=on");
        QVERIFY(!TestAccess::target(f.w.get()).isLocal);
        QCOMPARE_FORM(f, "lineEdit_targetDeviceNet=0xFFFF;lineEdit_targetDeviceMac="
                         "0xFFFFFFFFFFFFFFFF;checkBox_autoRemote=on;lineEdit_consoleAddr=0xFFFF");
        for (const char *button :
             {"pushButton_readConfiguration", "pushButton_writeConfiguartion"}) {
            f.find<QPushButton>(button)->click();
            QVERIFY(!TestAccess::sequenceRunning(f.w.get()));
            QCOMPARE(f.status(), QString("读取或写入配置只能针对一个节点；多个节点请用批量写入"));
        }
        formSet(f, "checkBox_deviceSelectAll=off");
        QVERIFY(TestAccess::target(f.w.get()).isLocal);
        QCOMPARE_FORM(f, "lineEdit_targetDeviceNet=;lineEdit_targetDeviceMac=;"
                         "checkBox_autoRemote=off");
        formSet(f, "comboBox_TPIO9_AM=MID;comboBox_ADSMP1=NID");
        scan(f);
        // Any cell of a row other than 0 makes that node the remote target; exactly its own
        // row stays marked, whatever the user did to the check boxes.
        table(f)->item(4, 0)->setCheckState(Qt::Checked);
        clickRow(f, 2, 2);
        QCOMPARE(marks(f), QString("00100"));
        QVERIFY(!TestAccess::target(f.w.get()).isLocal);
        QCOMPARE_FORM(f, "lineEdit_targetDeviceNet=0x3C4D;lineEdit_targetDeviceMac="
                         "0x00124B0001A2B3D2;checkBox_autoRemote=on;lineEdit_consoleAddr=0x3C4D");
        // The console's mode shows the address in its form; commands still name the node by
        // its network address.
        formSet(f, "comboBox_consoleAddrMode=MID");
        QCOMPARE_FORM(f, "lineEdit_consoleAddr=0x00124B0001A2B3D2");
        f.sim()->clearReceivedLines();
        f.w->sendCmd("AT+NS?");
        QTRY_COMPARE(f.sim()->receivedLines(), QStringList("AT+NS?>NID,0x3C4D"));
        // Row 0 is the module on the port: no suffix, though a mode change shows its address.
        clickRow(f, 0, 1);
        QCOMPARE(marks(f), QString("10000"));
        QVERIFY(TestAccess::target(f.w.get()).isLocal);
        QCOMPARE_FORM(f, "lineEdit_targetDeviceNet=0x0000;checkBox_autoRemote=off;"
                         "lineEdit_consoleAddr=");
        formSet(f, "comboBox_consoleAddrMode=NID");
        QCOMPARE_FORM(f, "lineEdit_consoleAddr=0x0000;checkBox_autoRemote=off");
        // A row click drops a select-all first; with rows, the select-all box marks and
        // unmarks every one of them.
        formSet(f, "checkBox_deviceSelectAll=on");
        clickRow(f, 3, 1);
        QCOMPARE_FORM(f, "checkBox_deviceSelectAll=off;lineEdit_targetDeviceNet=0x5E6F");
        QCOMPARE(marks(f), QString("00010"));
        formSet(f, "checkBox_deviceSelectAll=on");
        QCOMPARE(marks(f), QString("11111"));
        formSet(f, "checkBox_deviceSelectAll=off");
        QCOMPARE(marks(f), QString("00000"));

        // Each group's address box lists the scanned nodes in the form its mode names (a
        // change of target left them alone), takes from the keyboard what its group allows,
        // and the send-packet group waits while the program fills the form.
        QCOMPARE(items(f, "comboBox_TPIO9_ADDR"), kMacs);
        QCOMPARE(items(f, "comboBox_ADSMP1_ADDR"), kNets);
        const std::pair<const char *, const char *> groups[] = {
            {"comboBox_TPIO9_AM", "comboBox_TPIO9_ADDR"},
            {"comboBox_IOSMP14_AM", "comboBox_IOSMP14_ADDR"},
            {"comboBox_ADSMP1", "comboBox_ADSMP1_ADDR"},
            {"comboBox_TID_AM", "comboBox_TID_ADDR"},
            {"comboBox_sendPkt_AM", "comboBox_sendPkt_ADDR"}};
        for (const auto &[mode, address] : groups) {
            for (const QString &m : QStringList{"NID", "MID", "LID"}) {
                if (f.find<QComboBox>(mode)->findText(m) < 0)
                    continue;
                CfgForm::set(f, {{mode, m}});
                const QStringList listed = m == "NID" ? kNets : m == "MID" ? kMacs : QStringList();
                QCOMPARE(items(f, address), listed);
                if (listed.isEmpty())
                    QCOMPARE(CfgForm::value(f, address), QString("0x0"));
            }
        }
        formSet(f, "comboBox_sendPkt_AM=NID;comboBox_TPIO10_AM=NID");
        holdRead(f, true);
        formSet(f, "comboBox_sendPkt_AM=MID;comboBox_TPIO10_AM=MID");
        QCOMPARE(items(f, "comboBox_sendPkt_ADDR"), kNets);
        QCOMPARE(items(f, "comboBox_TPIO10_ADDR"), kMacs);
        holdRead(f, false);
        // Typed: hexadecimal addresses of up to 16 digits where the group takes only those.
        int strict = 3;
        for (const char *name :
             {"comboBox_TID_ADDR", "comboBox_ADSMP1_ADDR", "comboBox_ADSMP4_ADDR",
              "comboBox_sendPkt_ADDR", "comboBox_TPIO15_ADDR", "comboBox_IOSMP17_ADDR"}) {
            QString typed;
            for (const QString &text :
                 QStringList{"0x00124B0001A2B3C4F", "0xaBg1", "1234", "x12"}) {
                f.find<QComboBox>(name)->clearEditText();
                QTest::keyClicks(f.find<QComboBox>(name)->lineEdit(), text);
                typed += CfgForm::value(f, name) + "|";
            }
            QCOMPARE(typed, strict-- > 0 ? QString("0x00124B0001A2B3C4|0xaB1|||")
                                         : QString("0x00124B0001A2B3C4F|0xaBg1|1234|x12|"));
        }
    }
};

QTEST_MAIN(TestNetwork)
#include "tst_network.moc"
