// The target device chosen in the device table, the remote suffix it puts on every
// command, and the address groups filled from the scanned nodes.

#include "at/replygrammar.h"
#include "testutil.h"

#include <QLineEdit>
#include <QTableWidget>

namespace {

QList<SimNodeConfig> simNetwork(SimModule *sim)
{
    QList<SimNodeConfig> nodes{sim->local().config()};
    for (SimNode *n : sim->remotes())
        nodes.append(n->config());
    return nodes;
}

// Opens the simulated module and scans its whole network (quickly: its scan time is
// scaled down).
void scanNetwork(WindowFixture &f)
{
    if (!f.find<QPushButton>("pushButton_send")->isEnabled())
        QVERIFY(f.openPort());
    f.sim()->setScanTimeScale(0.1);
    f.find<QLineEdit>("lineEdit_scanTime")->setText(QStringLiteral("2"));
    f.find<QPushButton>("pushButton_scan")->click();
    QTRY_COMPARE(f.find<QPushButton>("pushButton_scan")->text(), QStringLiteral("扫描"));
    QCOMPARE(f.find<QTableWidget>("tableWidget_device")->rowCount(), 1 + f.sim()->remotes().size());
}

void clickRow(WindowFixture &f, int row, int column)
{
    auto *table = f.find<QTableWidget>("tableWidget_device");
    const QRect cell = table->visualItemRect(table->item(row, column));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

QList<bool> rowMarks(WindowFixture &f)
{
    auto *table = f.find<QTableWidget>("tableWidget_device");
    QList<bool> marks;
    for (int r = 0; r < table->rowCount(); ++r)
        marks.append(table->item(r, 0)->checkState() == Qt::Checked);
    return marks;
}

QStringList items(QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList nets(const QList<SimNodeConfig> &nodes)
{
    QStringList out;
    for (const SimNodeConfig &n : nodes)
        out << n.netAddr;
    return out;
}

QStringList macs(const QList<SimNodeConfig> &nodes)
{
    QStringList out;
    for (const SimNodeConfig &n : nodes)
        out << n.macAddr;
    return out;
}

// What the module receives for one command sent through the window's command path.
QString sentLine(WindowFixture &f, const QString &cmd)
{
    f.sim()->clearReceivedLines();
    QMetaObject::invokeMethod(f.w.get(), "sendCmd", Q_ARG(QString, cmd));
    if (!QTest::qWaitFor([&] { return !f.sim()->receivedLines().isEmpty(); }))
        return QStringLiteral("<nothing>");
    return f.sim()->receivedLines().first();
}

// Types into an editable combo box as a user does.
QString typed(QComboBox *box, const QString &text)
{
    box->clearEditText();
    QTest::keyClicks(box->lineEdit(), text);
    return box->currentText();
}

} // namespace

class TestTarget : public QObject
{
    Q_OBJECT

private slots:
    void rowClicksChooseTheTarget();
    void selectAllBroadcasts();
    void consoleModeShowsTheAddress();
    void startModes();
    void modeChangesRefill();
    void sendPacketGroupWaitsWhileFormIsFilled();
    void addressValidators();
    void remoteNodeAnswersThroughTheTarget();
};

void TestTarget::rowClicksChooseTheTarget()
{
    WindowFixture f;
    scanNetwork(f);
    const QList<SimNodeConfig> nodes = simNetwork(f.sim());
    auto *remote = f.find<QCheckBox>("checkBox_autoRemote");
    auto *consoleAddr = f.find<QLineEdit>("lineEdit_consoleAddr");

    // Any cell of a row other than 0 makes that node the remote target.
    clickRow(f, 2, 2);
    QCOMPARE(rowMarks(f), (QList<bool>{false, false, true, false, false}));
    const ZBdevice &target = TestAccess::target(f.w.get());
    QVERIFY(!target.isLocal);
    QCOMPARE(target.netAddr, nodes[2].netAddr);
    QCOMPARE(target.macAddr, nodes[2].macAddr);
    QVERIFY(remote->isChecked());
    QCOMPARE(consoleAddr->text(), nodes[2].netAddr);
    QCOMPARE(f.find<QLineEdit>("lineEdit_targetDeviceNet")->text(), nodes[2].netAddr);
    QCOMPARE(f.find<QLineEdit>("lineEdit_targetDeviceMac")->text(), nodes[2].macAddr);
    QCOMPARE(sentLine(f, QStringLiteral("AT+CH?")),
             QStringLiteral("AT+CH?>NID,") + nodes[2].netAddr);

    // Whatever the user did to the check boxes, a click leaves exactly its own row marked.
    auto *table = f.find<QTableWidget>("tableWidget_device");
    table->item(4, 0)->setCheckState(Qt::Checked);
    table->item(1, 0)->setCheckState(Qt::Unchecked);
    clickRow(f, 1, 0);
    QCOMPARE(rowMarks(f), (QList<bool>{false, true, false, false, false}));
    QCOMPARE(TestAccess::target(f.w.get()).netAddr, nodes[1].netAddr);

    // Row 0 is the module on the port: no suffix.
    clickRow(f, 0, 1);
    QCOMPARE(rowMarks(f), (QList<bool>{true, false, false, false, false}));
    QVERIFY(TestAccess::target(f.w.get()).isLocal);
    QCOMPARE(TestAccess::target(f.w.get()).netAddr, nodes[0].netAddr);
    QVERIFY(!remote->isChecked());
    QVERIFY(consoleAddr->text().isEmpty());
    QCOMPARE(f.find<QLineEdit>("lineEdit_targetDeviceNet")->text(), nodes[0].netAddr);
    QCOMPARE(sentLine(f, QStringLiteral("AT+CH?")), QStringLiteral("AT+CH?"));

    // A row click drops a select-all first.
    auto *all = f.find<QCheckBox>("checkBox_deviceSelectAll");
    all->setChecked(true);
    clickRow(f, 3, 1);
    QVERIFY(!all->isChecked());
    QCOMPARE(rowMarks(f), (QList<bool>{false, false, false, true, false}));
    QCOMPARE(TestAccess::target(f.w.get()).netAddr, nodes[3].netAddr);
    QVERIFY(!TestAccess::target(f.w.get()).isLocal);
}

void TestTarget::selectAllBroadcasts()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    auto *all = f.find<QCheckBox>("checkBox_deviceSelectAll");
    auto *remote = f.find<QCheckBox>("checkBox_autoRemote");

    // Even with nothing scanned, "all" is the broadcast address.
    all->setChecked(true);
    const ZBdevice &target = TestAccess::target(f.w.get());
    QVERIFY(!target.isLocal);
    QCOMPARE(target.netAddr, QStringLiteral("0xFFFF"));
    QCOMPARE(target.macAddr, QStringLiteral("0xFFFFFFFFFFFFFFFF"));
    QVERIFY(remote->isChecked());
    QCOMPARE(f.find<QLineEdit>("lineEdit_consoleAddr")->text(), QStringLiteral("0xFFFF"));
    QCOMPARE(f.find<QLineEdit>("lineEdit_targetDeviceMac")->text(),
             QStringLiteral("0xFFFFFFFFFFFFFFFF"));
    QCOMPARE(sentLine(f, QStringLiteral("AT+LQI?")), QStringLiteral("AT+LQI?>NID,0xFFFF"));

    all->setChecked(false);
    QVERIFY(target.isLocal);
    QVERIFY(target.netAddr.isEmpty());
    QVERIFY(target.macAddr.isEmpty());
    QVERIFY(!remote->isChecked());
    QVERIFY(f.find<QLineEdit>("lineEdit_targetDeviceNet")->text().isEmpty());
    QCOMPARE(sentLine(f, QStringLiteral("AT+LQI?")), QStringLiteral("AT+LQI?"));

    // With rows, the box marks and unmarks every one of them.
    scanNetwork(f);
    all->setChecked(true);
    QCOMPARE(rowMarks(f), QList<bool>(5, true));
    QCOMPARE(target.netAddr, QStringLiteral("0xFFFF"));
    // Read and Write need one node: refused at once, nothing sent.
    for (const char *button : {"pushButton_readConfiguration", "pushButton_writeConfiguartion"}) {
        f.sim()->clearReceivedLines();
        f.find<QPushButton>(button)->click();
        QVERIFY(!TestAccess::sequenceRunning(f.w.get()));
        QCOMPARE(f.status(),
                 QStringLiteral("读取或写入配置只能针对一个节点；多个节点请用批量写入"));
        QTest::qWait(50);
        QCOMPARE(f.sim()->receivedLines(), QStringList());
    }
    all->setChecked(false);
    QCOMPARE(rowMarks(f), QList<bool>(5, false));
    QVERIFY(target.netAddr.isEmpty());
}

void TestTarget::consoleModeShowsTheAddress()
{
    WindowFixture f;
    scanNetwork(f);
    const QList<SimNodeConfig> nodes = simNetwork(f.sim());
    auto *mode = f.find<QComboBox>("comboBox_consoleAddrMode");
    auto *consoleAddr = f.find<QLineEdit>("lineEdit_consoleAddr");
    QCOMPARE(mode->currentText(), QStringLiteral("NID"));

    clickRow(f, 1, 1);
    mode->setCurrentText(QStringLiteral("MID"));
    QCOMPARE(consoleAddr->text(), nodes[1].macAddr);
    // Commands of the program still name the node by its network address.
    QCOMPARE(sentLine(f, QStringLiteral("AT+NS?")),
             QStringLiteral("AT+NS?>NID,") + nodes[1].netAddr);

    // A new target is shown in the mode the console is in.
    clickRow(f, 4, 2);
    QCOMPARE(consoleAddr->text(), nodes[4].macAddr);

    // The local target found by the scan shows its address on a mode change, though the
    // remote box stays unticked.
    clickRow(f, 0, 0);
    QVERIFY(consoleAddr->text().isEmpty());
    mode->setCurrentText(QStringLiteral("NID"));
    QCOMPARE(consoleAddr->text(), nodes[0].netAddr);
    QVERIFY(!f.find<QCheckBox>("checkBox_autoRemote")->isChecked());
}

void TestTarget::startModes()
{
    WindowFixture f;
    const std::pair<const char *, const char *> expected[] = {
        {"comboBox_TID_AM", "NID"},         {"comboBox_sendPkt_AM", "NID"},
        {"comboBox_TPIO9_AM", "MID"},       {"comboBox_TPIO17_AM", "MID"},
        {"comboBox_IOSMP10_AM", "LID"},     {"comboBox_IOSMP15_AM", "LID"},
        {"comboBox_ADSMP1", "LID"},         {"comboBox_ADSMP4", "LID"},
        {"comboBox_consoleAddrMode", "NID"}};
    for (const auto &[name, mode] : expected)
        QCOMPARE(f.find<QComboBox>(name)->currentText(), QLatin1String(mode));
    QCOMPARE(f.find<QComboBox>("comboBox_TPIO14_ADDR")->currentText(), QStringLiteral("0x0"));
    QCOMPARE(f.find<QComboBox>("comboBox_IOSMP9_ADDR")->currentText(), QStringLiteral("0x0"));
    QCOMPARE(f.find<QComboBox>("comboBox_ADSMP3_ADDR")->currentText(), QStringLiteral("0x0"));
    QVERIFY(TestAccess::target(f.w.get()).isLocal);
}

void TestTarget::modeChangesRefill()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    // Set before the scan: each node is offered in these modes as it is reported.
    f.find<QComboBox>("comboBox_TPIO9_AM")->setCurrentText(QStringLiteral("MID"));
    f.find<QComboBox>("comboBox_IOSMP14_AM")->setCurrentText(QStringLiteral("LID"));
    f.find<QComboBox>("comboBox_ADSMP1")->setCurrentText(QStringLiteral("NID"));
    // What a box holds stays when nodes are reported, typed or given by the reset.
    f.find<QComboBox>("comboBox_IOSMP14_ADDR")->setEditText(QStringLiteral("0x55"));
    scanNetwork(f);
    const QList<SimNodeConfig> nodes = simNetwork(f.sim());

    auto *tpioMode = f.find<QComboBox>("comboBox_TPIO9_AM");
    auto *tpio = f.find<QComboBox>("comboBox_TPIO9_ADDR");
    QCOMPARE(items(tpio), macs(nodes));
    QCOMPARE(tpio->currentText(), QStringLiteral("0x0"));
    tpioMode->setCurrentText(QStringLiteral("NID"));
    QCOMPARE(items(tpio), nets(nodes));
    tpioMode->setCurrentText(QStringLiteral("MID"));
    QCOMPARE(items(tpio), macs(nodes));

    auto *iosmpMode = f.find<QComboBox>("comboBox_IOSMP14_AM");
    auto *iosmp = f.find<QComboBox>("comboBox_IOSMP14_ADDR");
    QCOMPARE(iosmp->count(), 0);
    QCOMPARE(iosmp->currentText(), QStringLiteral("0x55"));
    iosmpMode->setCurrentText(QStringLiteral("NID"));
    QCOMPARE(items(iosmp), nets(nodes));
    QCOMPARE(iosmp->currentText(), nodes[0].netAddr);
    iosmpMode->setCurrentText(QStringLiteral("LID"));
    QCOMPARE(iosmp->count(), 0);
    QCOMPARE(iosmp->currentText(), QStringLiteral("0x0"));

    auto *adcMode = f.find<QComboBox>("comboBox_ADSMP1");
    auto *adc = f.find<QComboBox>("comboBox_ADSMP1_ADDR");
    QCOMPARE(items(adc), nets(nodes));
    adcMode->setCurrentText(QStringLiteral("LID"));
    QCOMPARE(adc->count(), 0);
    QCOMPARE(adc->currentText(), QStringLiteral("0x0"));
    adcMode->setCurrentText(QStringLiteral("MID"));
    QCOMPARE(items(adc), macs(nodes));

    // A change of target leaves the groups alone.
    clickRow(f, 2, 0);
    QCOMPARE(items(adc), macs(nodes));
    QCOMPARE(items(tpio), macs(nodes));

    // The lists come from the last scan: a scan that finds only the module lists only it.
    for (SimNode *n : f.sim()->remotes())
        n->config().networkStarted = false;
    f.find<QPushButton>("pushButton_scan")->click();
    QTRY_COMPARE(f.find<QPushButton>("pushButton_scan")->text(), QStringLiteral("扫描"));
    QCOMPARE(items(tpio), QStringList{nodes[0].macAddr});
    tpioMode->setCurrentText(QStringLiteral("NID"));
    QCOMPARE(items(tpio), QStringList{nodes[0].netAddr});
}

void TestTarget::sendPacketGroupWaitsWhileFormIsFilled()
{
    WindowFixture f;
    scanNetwork(f);
    const QList<SimNodeConfig> nodes = simNetwork(f.sim());
    auto *mode = f.find<QComboBox>("comboBox_sendPkt_AM");
    auto *addr = f.find<QComboBox>("comboBox_sendPkt_ADDR");
    auto *tpioMode = f.find<QComboBox>("comboBox_TPIO10_AM");
    auto *tpio = f.find<QComboBox>("comboBox_TPIO10_ADDR");
    QCOMPARE(items(addr), nets(nodes));

    for (const bool reading : {true, false}) {
        mode->setCurrentText(QStringLiteral("NID"));
        TestAccess::setReadRunning(f.w.get(), reading);
        TestAccess::setImportRunning(f.w.get(), !reading);
        mode->setCurrentText(QStringLiteral("MID"));
        QCOMPARE(items(addr), nets(nodes));
        // Only the send-packet group waits.
        tpioMode->setCurrentText(QStringLiteral("NID"));
        QCOMPARE(items(tpio), nets(nodes));
        tpioMode->setCurrentText(QStringLiteral("MID"));
        QCOMPARE(items(tpio), macs(nodes));
        TestAccess::setReadRunning(f.w.get(), false);
        TestAccess::setImportRunning(f.w.get(), false);
    }
    mode->setCurrentText(QStringLiteral("NID"));
    mode->setCurrentText(QStringLiteral("MID"));
    QCOMPARE(items(addr), macs(nodes));
}

void TestTarget::addressValidators()
{
    WindowFixture f;
    const QString sixteen = QStringLiteral("0x00124B0001A2B3C4");
    for (const char *name : {"comboBox_TID_ADDR", "comboBox_ADSMP1_ADDR", "comboBox_ADSMP2_ADDR",
                             "comboBox_ADSMP3_ADDR", "comboBox_ADSMP4_ADDR"}) {
        auto *box = f.find<QComboBox>(name);
        QCOMPARE(typed(box, sixteen + QLatin1Char('F')), sixteen);
        QCOMPARE(typed(box, QStringLiteral("0xaBg1")), QStringLiteral("0xaB1"));
        QCOMPARE(typed(box, QStringLiteral("1234")), QString());
        QCOMPARE(typed(box, QStringLiteral("x12")), QString());
    }
    for (const char *name :
         {"comboBox_sendPkt_ADDR", "comboBox_TPIO15_ADDR", "comboBox_IOSMP17_ADDR"}) {
        auto *box = f.find<QComboBox>(name);
        QCOMPARE(typed(box, QStringLiteral("anything, 17 digits 0x00124B0001A2B3C4F")),
                 QStringLiteral("anything, 17 digits 0x00124B0001A2B3C4F"));
    }
}

void TestTarget::remoteNodeAnswersThroughTheTarget()
{
    WindowFixture f;
    scanNetwork(f);
    SimModule *sim = f.sim();
    const QList<SimNodeConfig> nodes = simNetwork(sim);
    clickRow(f, 3, 2);
    SimNode *node = sim->nodeByNet(nodes[3].netAddr);
    QVERIFY(node);
    node->config().channel = 21;
    const QString expectedReply =
        QStringLiteral("OK=21") + QString::fromLatin1(node->suffix()) + QStringLiteral("\r\n");

    // Typed in the console: the remote box ticked by the row click aims it at the node.
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
    sim->clearReceivedLines();
    f.find<QLineEdit>("lineEdit_cmd")->setText(QStringLiteral("AT+CH?"));
    f.find<QPushButton>("pushButton_send")->click();
    QTRY_COMPARE(sim->receivedLines(),
                 QStringList{QStringLiteral("AT+CH?>NID,") + nodes[3].netAddr});
    QTRY_COMPARE(lines.count(), 1);
    // The answer is the chosen node's, with its remote suffix, and the log shows it.
    const QString reply = lines.at(0).at(0).toString();
    QCOMPARE(reply, expectedReply);
    QCOMPARE(Reply::match(Reply::Form::Value, reply, true).value_or(QStringList()),
             QStringList{QStringLiteral("21")});
    auto *log = f.find<QTableWidget>("tableWidget_log");
    const auto logShows = [log](const QString &text) {
        for (int r = 0; r < log->rowCount(); ++r) {
            if (log->item(r, 0) && log->item(r, 0)->text() == text)
                return true;
        }
        return false;
    };
    QTRY_VERIFY(logShows(expectedReply));

    // A command of the program goes the same way.
    lines.clear();
    QCOMPARE(sentLine(f, QStringLiteral("AT+CH?")),
             QStringLiteral("AT+CH?>NID,") + nodes[3].netAddr);
    QTRY_COMPARE(lines.count(), 1);
    QCOMPARE(lines.at(0).at(0).toString(), expectedReply);
}

QTEST_MAIN(TestTarget)
#include "tst_target.moc"
