// A network scan against the simulated module: the device table, the count, the
// progress bar, the scan-time check, the grace ticks and the early stop.

#include "network/scanprotocol.h"
#include "testutil.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QTimer>

namespace {

struct Row
{
    QString mac, net, descriptor;
    bool checked;
};

QList<Row> tableRows(WindowFixture &f)
{
    auto *t = f.find<QTableWidget>("tableWidget_device");
    QList<Row> rows;
    for (int r = 0; r < t->rowCount(); ++r)
        rows.append({t->item(r, 0)->text(), t->item(r, 1)->text(), t->item(r, 2)->text(),
                     t->item(r, 0)->checkState() == Qt::Checked});
    return rows;
}

// The nodes the simulated module reports, in the order it reports them.
QList<SimNodeConfig> simNetwork(SimModule *sim)
{
    QList<SimNodeConfig> nodes{sim->local().config()};
    for (SimNode *n : sim->remotes())
        nodes.append(n->config());
    return nodes;
}

void startScan(WindowFixture &f, const QString &seconds)
{
    f.find<QLineEdit>("lineEdit_scanTime")->setText(seconds);
    f.find<QPushButton>("pushButton_scan")->click();
}

QString scanButtonText(WindowFixture &f)
{
    return f.find<QPushButton>("pushButton_scan")->text();
}

QString countLabel(WindowFixture &f)
{
    return f.find<QLabel>("label_founddeviceNum")->text();
}

QString report(int index, const QString &net, const QString &mac, const QString &descriptor)
{
    return QStringLiteral("OK=%1,%2,%3,%4\r\n").arg(index).arg(net, mac, descriptor);
}

} // namespace

class TestScan : public QObject
{
    Q_OBJECT

private slots:
    void reportLines_data();
    void reportLines();
    void scanListsTheNetwork();
    void secondScanStartsAfresh();
    void scanTimeIsChecked_data();
    void scanTimeIsChecked();
    void scanEndsAfterGraceTicks_data();
    void scanEndsAfterGraceTicks();
    void earlyStopKeepsRows();
    void reportShapesInTheTable();
};

void TestScan::reportLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("isReport");
    QTest::addColumn<QString>("net");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("descriptor");

    // clang-format off
    QTest::newRow("plain") << "OK=0,0x0000,0x00124B0001A2B3C4,LOCAL\r\n" << true << "0x0000" << "0x00124B0001A2B3C4" << "LOCAL";
    QTest::newRow("commas in descriptor") << "OK=3,0x1,0xAb,a,b,,c\r\n" << true << "0x1" << "0xAb" << "a,b,,c";
    QTest::newRow("mixed case kept") << "OK=12,0xaBcD,0x00124b0001a2B3d1,x\r\n" << true << "0xaBcD" << "0x00124b0001a2B3d1" << "x";
    QTest::newRow("8-digit net") << "OK=1,0x12345678,0x1,x\r\n" << true << "0x12345678" << "0x1" << "x";
    QTest::newRow("9-digit net") << "OK=1,0x123456789,0x1,x\r\n" << false << "" << "" << "";
    QTest::newRow("17-digit mac") << "OK=1,0x1,0x00124B0001A2B3C4F,x\r\n" << false << "" << "" << "";
    QTest::newRow("no descriptor") << "OK=1,0x1,0x2,\r\n" << false << "" << "" << "";
    QTest::newRow("no line end") << "OK=1,0x1,0x2,x" << false << "" << "" << "";
    QTest::newRow("remote value") << "OK=15<0x1A2B,0x00124B0001A2B3D1\r\n" << false << "" << "" << "";
    QTest::newRow("lower-case prefix") << "OK=1,0X1,0x2,x\r\n" << false << "" << "" << "";
    // clang-format on
}

void TestScan::reportLines()
{
    QFETCH(QString, line);
    QFETCH(bool, isReport);
    const std::optional<ZBdevice> d = ScanProtocol::report(line);
    QCOMPARE(d.has_value(), isReport);
    if (!d)
        return;
    QFETCH(QString, net);
    QFETCH(QString, mac);
    QFETCH(QString, descriptor);
    QCOMPARE(d->netAddr, net);
    QCOMPARE(d->macAddr, mac);
    QCOMPARE(d->descriptor, descriptor);
    QVERIFY(!d->isLocal);
    QVERIFY(!ScanProtocol::isEnd(line));
}

void TestScan::scanListsTheNetwork()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    // A descriptor with commas and addresses in mixed case go through as received.
    sim->remotes().at(1)->config().desc.at(0) = QStringLiteral("LAB,BENCH 2,<A>");
    sim->remotes().at(2)->config().macAddr = QStringLiteral("0x00124b0001A2b3d3");
    sim->remotes().at(2)->config().netAddr = QStringLiteral("0x5e6F");
    const QList<SimNodeConfig> nodes = simNetwork(sim);
    QVERIFY(nodes.size() >= 3);

    // One group in each mode; TID in MID mode collects MAC addresses while the scan runs.
    f.find<QComboBox>("comboBox_TID_AM")->setCurrentText(QStringLiteral("MID"));
    f.find<QComboBox>("comboBox_TPIO9_AM")->setCurrentText(QStringLiteral("NID"));
    f.find<QComboBox>("comboBox_IOSMP9_AM")->setCurrentText(QStringLiteral("LID"));
    f.find<QComboBox>("comboBox_ADSMP2")->setCurrentText(QStringLiteral("MID"));

    // Every address box lists the nodes in the mode its group shows; a box keeps the
    // text it had, and only an empty one shows the first node.
    const std::pair<const char *, const char *> groups[] = {
        {"comboBox_TID_AM", "comboBox_TID_ADDR"},
        {"comboBox_TPIO9_AM", "comboBox_TPIO9_ADDR"},
        {"comboBox_IOSMP9_AM", "comboBox_IOSMP9_ADDR"},
        {"comboBox_ADSMP2", "comboBox_ADSMP2_ADDR"}};
    f.find<QComboBox>("comboBox_ADSMP2_ADDR")->setEditText(QString());
    QMap<QString, QString> textBefore;
    for (const auto &[modeName, addrName] : groups)
        textBefore[QString::fromLatin1(addrName)] = f.find<QComboBox>(addrName)->currentText();

    auto *bar = f.find<QProgressBar>("progressBar_scan");
    sim->clearReceivedLines();
    // Real seconds, once: the module spreads its reports over the scan time.
    startScan(f, QStringLiteral("1"));
    QCOMPARE(scanButtonText(f), QStringLiteral("停止扫描"));
    QCOMPARE(bar->maximum(), 1);
    QTRY_COMPARE(sim->receivedLines(), QStringList{QStringLiteral("AT+SCAN=1")});
    QTRY_COMPARE_WITH_TIMEOUT(scanButtonText(f), QStringLiteral("扫描"), 10000);
    QVERIFY(!TestAccess::scanning(f.w.get()));
    QVERIFY(!TestAccess::scanClockRuns(f.w.get()));
    QCOMPARE(bar->value(), 0);

    const QList<Row> rows = tableRows(f);
    QCOMPARE(rows.size(), nodes.size());
    const QList<ZBdevice> &list = TestAccess::devices(f.w.get());
    QCOMPARE(list.size(), nodes.size());
    for (int i = 0; i < nodes.size(); ++i) {
        QCOMPARE(rows[i].mac, nodes[i].macAddr);
        QCOMPARE(rows[i].net, nodes[i].netAddr);
        QCOMPARE(rows[i].descriptor, nodes[i].desc.at(0));
        // Only the first report, the module on the port, is marked.
        QCOMPARE(rows[i].checked, i == 0);
        QCOMPARE(list[i].macAddr, nodes[i].macAddr);
        QCOMPARE(list[i].netAddr, nodes[i].netAddr);
        QCOMPARE(list[i].descriptor, nodes[i].desc.at(0));
        QVERIFY(!list[i].isLocal);
    }
    QCOMPARE(countLabel(f), QStringLiteral("设备数量：%1").arg(nodes.size()));

    // Whole addresses: each cell's text as its tooltip, elided in the middle where it
    // does not fit, columns the user can widen from their start widths, and a pane that
    // takes its share of a wider window.
    auto *table = f.find<QTableWidget>("tableWidget_device");
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(table->item(r, c)->toolTip(), table->item(r, c)->text());
    QCOMPARE(table->textElideMode(), Qt::ElideMiddle);
    QCOMPARE(table->columnWidth(0), 160);
    QCOMPARE(table->columnWidth(1), 60);
    QCOMPARE(table->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    QCOMPARE(table->horizontalHeader()->sectionResizeMode(1), QHeaderView::Interactive);
    QVERIFY(table->horizontalHeader()->stretchLastSection());
    const int paneWidth = table->width();
    f.w->resize(f.w->width() + 600, f.w->height());
    QTRY_VERIFY(table->width() > paneWidth + 100);

    const ZBdevice &target = TestAccess::target(f.w.get());
    QVERIFY(target.isLocal);
    QCOMPARE(target.macAddr, nodes[0].macAddr);
    QCOMPARE(target.netAddr, nodes[0].netAddr);
    QCOMPARE(f.find<QLineEdit>("lineEdit_targetDeviceNet")->text(), nodes[0].netAddr);
    QCOMPARE(f.find<QLineEdit>("lineEdit_targetDeviceMac")->text(), nodes[0].macAddr);
    QVERIFY(!f.find<QCheckBox>("checkBox_autoRemote")->isChecked());

    for (const auto &[modeName, addrName] : groups) {
        const QString mode = f.find<QComboBox>(modeName)->currentText();
        auto *addr = f.find<QComboBox>(addrName);
        QStringList items;
        for (int i = 0; i < addr->count(); ++i)
            items << addr->itemText(i);
        QStringList expected;
        for (const SimNodeConfig &n : nodes) {
            if (mode == QLatin1String("NID"))
                expected << n.netAddr;
            else if (mode == QLatin1String("MID"))
                expected << n.macAddr;
        }
        QCOMPARE(items, expected);
        const QString before = textBefore.value(QString::fromLatin1(addrName));
        QCOMPARE(addr->currentText(), !before.isEmpty()              ? before
                                      : mode == QLatin1String("LID") ? QStringLiteral("0x0")
                                                                     : expected.first());
    }

    // The module's closing "OK" ended the scan; lines after it are no reports.
    emit f.w->recvNewLine(report(9, QStringLiteral("0x9"), QStringLiteral("0x9"), "late"));
    QCOMPARE(tableRows(f).size(), nodes.size());
}

void TestScan::secondScanStartsAfresh()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    sim->setScanTimeScale(0.2);
    startScan(f, QStringLiteral("1"));
    QTRY_COMPARE(scanButtonText(f), QStringLiteral("扫描"));
    const int firstCount = tableRows(f).size();
    QVERIFY(firstCount > 1);
    auto *tid = f.find<QComboBox>("comboBox_TID_ADDR");
    QCOMPARE(tid->count(), firstCount);

    // Addresses the user typed (or a read filled in) stay through every later scan; only
    // the lists of offered addresses are rebuilt.
    auto *tpio = f.find<QComboBox>("comboBox_TPIO9_ADDR");
    tid->setEditText(QStringLiteral("0x3C4D"));
    tpio->setEditText(QStringLiteral("0x00124B00AABBCCDD"));

    // A broadcast target is dropped by the new scan through the select-all box.
    auto *all = f.find<QCheckBox>("checkBox_deviceSelectAll");
    all->setChecked(true);
    QVERIFY(!TestAccess::target(f.w.get()).isLocal);

    // Only the module itself answers this time.
    for (SimNode *n : sim->remotes())
        n->config().networkStarted = false;
    startScan(f, QStringLiteral("1"));
    QVERIFY(TestAccess::scanning(f.w.get()));
    QCOMPARE(tableRows(f).size(), 0);
    QVERIFY(TestAccess::devices(f.w.get()).isEmpty());
    QCOMPARE(tid->count(), 0);
    QCOMPARE(tpio->count(), 0);
    QCOMPARE(tid->currentText(), QStringLiteral("0x3C4D"));
    QVERIFY(!all->isChecked());
    const ZBdevice &target = TestAccess::target(f.w.get());
    QVERIFY(target.isLocal);
    QVERIFY(target.netAddr.isEmpty());
    QVERIFY(target.macAddr.isEmpty());
    // The label keeps the last count until the first new device arrives.
    QCOMPARE(countLabel(f), QStringLiteral("设备数量：%1").arg(firstCount));
    QTRY_COMPARE(scanButtonText(f), QStringLiteral("扫描"));
    QCOMPARE(tableRows(f).size(), 1);
    QCOMPARE(countLabel(f), QStringLiteral("设备数量：1"));
    QCOMPARE(TestAccess::devices(f.w.get()).size(), 1);
    QCOMPARE(tid->count(), 1);
    QCOMPARE(tid->itemText(0), sim->local().config().netAddr);
    QCOMPARE(tpio->itemText(0), sim->local().config().macAddr);
    QCOMPARE(tid->currentText(), QStringLiteral("0x3C4D"));
    QCOMPARE(tpio->currentText(), QStringLiteral("0x00124B00AABBCCDD"));

    // A scan the module refuses leaves them too: the next write still has its targets.
    sim->local().config().networkStarted = false;
    startScan(f, QStringLiteral("1"));
    QTRY_VERIFY(f.status().startsWith(QStringLiteral("错误：")));
    f.find<QPushButton>("pushButton_scan")->click();
    QCOMPARE(tid->count(), 0);
    QCOMPARE(tid->currentText(), QStringLiteral("0x3C4D"));
    QCOMPARE(tpio->currentText(), QStringLiteral("0x00124B00AABBCCDD"));
}

void TestScan::scanTimeIsChecked_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0") << "0" << false;
    QTest::newRow("256") << "256" << false;
    QTest::newRow("abc") << "abc" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("-1") << "-1" << false;
    QTest::newRow("0x10") << "0x10" << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("255") << "255" << true;
    QTest::newRow("005 as typed") << "005" << true;
}

void TestScan::scanTimeIsChecked()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    auto *sent = f.find<QLabel>("label_sendCnt");
    const QString sentBefore = sent->text();
    sim->clearReceivedLines();

    startScan(f, typed);
    if (!accepted) {
        QCOMPARE(f.messages, QStringList{QStringLiteral("支持的扫描时间为1-255")});
        QCOMPARE(sent->text(), sentBefore);
        QVERIFY(!TestAccess::scanning(f.w.get()));
        QCOMPARE(scanButtonText(f), QStringLiteral("扫描"));
        // Something sent would have been recorded by the time a reply to a probe is.
        QMetaObject::invokeMethod(f.w.get(), "sendCmd", Q_ARG(QString, QStringLiteral("AT+CH?")));
        QTRY_COMPARE(sim->receivedLines(), QStringList{QStringLiteral("AT+CH?")});
        return;
    }
    QVERIFY(f.messages.isEmpty());
    QVERIFY(TestAccess::scanning(f.w.get()));
    QCOMPARE(f.find<QProgressBar>("progressBar_scan")->maximum(), typed.toInt());
    QTRY_COMPARE(sim->receivedLines(), QStringList{QLatin1String("AT+SCAN=") + typed});
    f.find<QPushButton>("pushButton_scan")->click();
    QTRY_COMPARE(sim->receivedLines().value(1), QStringLiteral("AT+ESC"));
}

void TestScan::scanEndsAfterGraceTicks_data()
{
    QTest::addColumn<bool>("errorReply");
    QTest::newRow("module silent") << false;
    QTest::newRow("module refuses the scan") << true;
}

void TestScan::scanEndsAfterGraceTicks()
{
    QFETCH(bool, errorReply);
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
    if (errorReply)
        sim->local().config().networkStarted = false; // the module answers ERR=60
    else
        sim->setSilent(true);

    startScan(f, QStringLiteral("3"));
    TestAccess::holdScanClock(f.w.get());
    if (errorReply) {
        QTRY_COMPARE(lines.count(), 1);
        QCOMPARE(lines.at(0).at(0).toString(), QStringLiteral("ERR=60\r\n"));
    }
    QVERIFY(TestAccess::scanning(f.w.get()));

    auto *bar = f.find<QProgressBar>("progressBar_scan");
    for (int tick = 1; tick <= 3; ++tick) {
        TestAccess::tick(f.w.get());
        QCOMPARE(bar->value(), tick);
    }
    for (int tick = 4; tick <= 12; ++tick) {
        TestAccess::tick(f.w.get());
        QVERIFY2(TestAccess::scanning(f.w.get()), qPrintable(QString::number(tick)));
        QCOMPARE(bar->value(), 3);
    }
    TestAccess::tick(f.w.get());
    QVERIFY(!TestAccess::scanning(f.w.get()));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(scanButtonText(f), QStringLiteral("扫描"));
    QCOMPARE(tableRows(f).size(), 0);

    // Ended: neither reports nor stray ticks change anything any more.
    emit f.w->recvNewLine(report(0, QStringLiteral("0x1"), QStringLiteral("0x2"), "x"));
    TestAccess::tick(f.w.get());
    QCOMPARE(tableRows(f).size(), 0);
    QCOMPARE(bar->value(), 0);
}

void TestScan::earlyStopKeepsRows()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    // Twenty scan seconds pass in four: the remote nodes come 0.8 s apart.
    sim->setScanTimeScale(0.2);
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
    sim->clearReceivedLines();
    startScan(f, QStringLiteral("20"));
    QTRY_VERIFY(tableRows(f).size() >= 2);
    const int listed = tableRows(f).size();
    QVERIFY(listed < 1 + sim->remotes().size());

    lines.clear();
    f.find<QPushButton>("pushButton_scan")->click();
    // Ended at once, without waiting for the module.
    QCOMPARE(scanButtonText(f), QStringLiteral("扫描"));
    QVERIFY(!TestAccess::scanning(f.w.get()));
    QCOMPARE(f.find<QProgressBar>("progressBar_scan")->value(), 0);
    QTRY_COMPARE(sim->receivedLines().value(1), QStringLiteral("AT+ESC"));
    // The module's answer to the stop arrives, and nothing of the scan after it.
    QTRY_VERIFY(!lines.isEmpty());
    QCOMPARE(lines.last().at(0).toString(), QStringLiteral("OK\r\n"));
    QVERIFY(!sim->isScanning());
    QCOMPARE(tableRows(f).size(), listed);
    QCOMPARE(TestAccess::devices(f.w.get()).size(), listed);
    QCOMPARE(countLabel(f), QStringLiteral("设备数量：%1").arg(listed));
}

void TestScan::reportShapesInTheTable()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    // The module stays quiet, so only the lines fed here reach the scan.
    f.sim()->setSilent(true);
    startScan(f, QStringLiteral("10"));
    Nodeweave *w = f.w.get();
    emit w->recvNewLine(report(0, QStringLiteral("0x0000"), QStringLiteral("0xAbCdEf"), "ME"));
    emit w->recvNewLine(report(1, QStringLiteral("0x1A2b"), QStringLiteral("0x1"), "a,b,c"));
    // A 17-digit MAC is no report.
    emit w->recvNewLine(
        report(2, QStringLiteral("0x1"), QStringLiteral("0x00124B0001A2B3C4F"), "too long"));
    emit w->recvNewLine(QStringLiteral("ERR=2\r\n"));
    emit w->recvNewLine(report(3, QStringLiteral("0x1A2b"), QStringLiteral("0x1"), "a,b,c"));
    QVERIFY(TestAccess::scanning(w));

    const QList<Row> rows = tableRows(f);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].mac, QStringLiteral("0xAbCdEf"));
    QCOMPARE(rows[1].net, QStringLiteral("0x1A2b"));
    QCOMPARE(rows[1].descriptor, QStringLiteral("a,b,c"));
    // Duplicates stay, both in the table and in the list.
    QCOMPARE(rows[2].net, rows[1].net);
    QCOMPARE(rows[2].mac, rows[1].mac);
    QCOMPARE(TestAccess::devices(w).size(), 3);
    QCOMPARE(TestAccess::devices(w)[1], TestAccess::devices(w)[2]);
    QCOMPARE(f.find<QComboBox>("comboBox_TID_ADDR")->count(), 3);
    QCOMPARE(countLabel(f), QStringLiteral("设备数量：3"));

    // "OK" with anything after it does not end the scan; the exact line does.
    emit w->recvNewLine(QStringLiteral("OK<0x1,0x2\r\n"));
    emit w->recvNewLine(QStringLiteral("OK\r\n\n"));
    QVERIFY(TestAccess::scanning(w));
    emit w->recvNewLine(QStringLiteral("OK\r\n"));
    QVERIFY(!TestAccess::scanning(w));
}

QTEST_MAIN(TestScan)
#include "tst_scan.moc"
