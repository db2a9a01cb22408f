// Batch Write against the simulated network: ticked nodes written and read back, nodes that
// refuse, leave or keep their value, Stop, a lost port, when it is offered, the report.

#include "cfgform.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QTabWidget>

namespace {

QPushButton *batchButton(WindowFixture &f)
{
    return f.find<QPushButton>("pushButton_writeConfiguartionBull");
}

// The module's own configuration in the form, channel 20 and a descriptor of the batch's
// own (edited with the port closed, so nothing goes out at once), and the network scanned:
// rows 0x0000 (the module), 0x1A2B, 0x3C4D, 0x5E6F, 0x7A8B.
bool prepare(WindowFixture &f)
{
    if (!openFast(f))
        return false;
    f.sim()->setRemoteFailDelay(20);
    f.sim()->setScanTimeScale(0.05);
    formSet(f, "lineEdit_scanTime=1;pushButton_scan");
    if (!waitUntil([&] { return !TestAccess::scanning(f.w.get()); }))
        return false;
    formSet(f, "pushButton_readConfiguration");
    if (!runEnded(f) || f.status() != QStringLiteral("读取配置完成"))
        return false;
    formSet(f, "pushButton_openCom;comboBox_CH=20;lineEdit_DESC2=BATCH;pushButton_openCom");
    return TestAccess::portOpen(f.w.get());
}

const QString kGroups = QStringLiteral("uart network io tpio iosmp adc pwm");

// Opens the panel and ticks the nodes of `rows` with the mouse, as a user does.
void tick(WindowFixture &f, const QList<int> &rows)
{
    batchButton(f)->click();
    auto *table = f.find<QTableWidget>("tableWidget_batchNodes");
    const int indicator = table->style()->pixelMetric(QStyle::PM_IndicatorWidth);
    for (int r = 0; r < table->rowCount(); ++r) {
        QTableWidgetItem *mac = table->item(r, 0);
        if ((mac->checkState() == Qt::Checked) == rows.contains(r))
            continue;
        const QRect rect = table->visualItemRect(mac);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          QPoint(rect.left() + 3 + indicator / 2, rect.center().y()));
    }
    for (int r = 0; r < table->rowCount(); ++r)
        QCOMPARE(table->item(r, 0)->checkState() == Qt::Checked, rows.contains(r));
}

bool finished(WindowFixture &f)
{
    return waitUntil(
        [&] {
            return f.find<QPushButton>("pushButton_batchSaveReport")->isEnabled() &&
                   !f.find<QPushButton>("pushButton_batchStop")->isEnabled();
        },
        30000);
}

// Starts the batch, waits for its end and saves its report: its lines, header first.
QStringList runAndReport(WindowFixture &f)
{
    f.find<QPushButton>("pushButton_batchStart")->click();
    if (!finished(f))
        return {};
    f.nextSaveFile = f.dir.filePath(QStringLiteral("report.csv"));
    f.find<QPushButton>("pushButton_batchSaveReport")->click();
    QFile file(f.nextSaveFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The byte-order mark shown as "<BOM>".
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.replace(0, 3, "<BOM>");
    return QString::fromUtf8(bytes).split("\r\n", Qt::SkipEmptyParts);
}

} // namespace

class TestBatchWrite : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data();
    void outcomes();
    void interrupted_data();
    void interrupted();
    void offered();
    void ownValuesAndQuestions();
};

void TestBatchWrite::outcomes_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("quirk"); // a node, then how it misbehaves
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QString>("failure"); // the failed node's cells: command, reply, differences
    QTest::addColumn<QString>("summary");

    QTest::newRow("all verified, module and remote nodes")
        << QList<int>{0, 1, 2, 3} << QString()
        << QStringList{"verified", "verified", "verified", "verified"} << QString()
        << "Batch write: 4 of 4 nodes written and verified";
    QTest::newRow("without verifying, in Chinese")
        << QList<int>{1, 4} << QString() << QStringList{"written", "written"} << QString()
        << "批量写入：2 个节点中的 2 个已写入";
    QTest::newRow("a node refuses the channel")
        << QList<int>{0, 1, 2, 3} << "0x3C4D refuse"
        << QStringList{"verified", "verified", "failed", "verified"}
        << ",AT+CH=20,ERR=23 (Do not support this parameter),"
        << "Batch write: 3 of 4 nodes written and verified; 0x3C4D failed at AT+CH=20 (ERR=23)";
    QTest::newRow("a node keeps its old channel")
        << QList<int>{1, 3} << "0x5E6F keep" << QStringList{"verified", "failed"}
        << ",,,\"CH: wrote 20, read 15\""
        << "批量写入：2 个节点中的 1 个已写入并校验；0x5E6F 校验失败（CH: wrote 20, read 15）";
    QTest::newRow("a node leaves the network")
        << QList<int>{1, 2} << "0x3C4D leave" << QStringList{"verified", "failed"}
        << ",AT+NLOCK=0,ERR=71 (Remote AT send timeout),"
        << "Batch write: 1 of 2 nodes written and verified; 0x3C4D failed at AT+NLOCK=0 (ERR=71)";
}

void TestBatchWrite::outcomes()
{
    QFETCH(QList<int>, rows);
    QFETCH(QString, quirk);
    QFETCH(QStringList, results);
    QFETCH(QString, failure);
    QFETCH(QString, summary);
    WindowFixture f;
    QVERIFY(prepare(f));
    const bool english = summary.startsWith('B');
    if (english)
        TestAccess::langButton(f.w.get())->click();
    if (!quirk.isEmpty()) {
        SimQuirks &q = f.sim()->nodeByNet(quirk.left(6))->quirks();
        q.refuseWord = quirk.endsWith(QLatin1String("refuse")) ? "CH" : "";
        q.refuseCode = 23;
        q.keepWord = quirk.endsWith(QLatin1String("keep")) ? "CH" : "";
        q.leaveAfter = quirk.endsWith(QLatin1String("leave")) ? 9 : 0; // after "AT+CH=20"
    }
    tick(f, rows);
    f.find<QCheckBox>("checkBox_batchVerify")->setChecked(results[0] != "written");
    const auto before = formState(f, false);
    const ZBdevice target = TestAccess::target(f.w.get());
    f.sim()->clearReceivedLines();

    const QStringList report = runAndReport(f);
    QCOMPARE(report.size(), rows.size() + 1);
    // A spreadsheet reads UTF-8 by its byte-order mark.
    QVERIFY(report[0].startsWith(QStringLiteral("<BOM>MAC,")));
    auto *states = f.find<QTableWidget>("tableWidget_batchNodes");
    auto *devices = f.find<QTableWidget>("tableWidget_device");
    for (int i = 0; i < rows.size(); ++i) {
        const QString line = report.at(i + 1);
        const auto time = [&](int n) {
            return QDateTime::fromString(line.section(',', n, n), Qt::ISODateWithMs);
        };
        QVERIFY(time(-2).isValid() && time(-2) <= time(-1));
        const QString net = devices->item(rows[i], 1)->text();
        const bool failed = results[i] == QLatin1String("failed");
        QCOMPARE(line.section(',', 0, -3), devices->item(rows[i], 0)->text() + ',' + net + ',' +
                                               devices->item(rows[i], 2)->text() + ',' +
                                               results[i] + (failed ? failure : ",,,") + ',' +
                                               kGroups + ',');
        QCOMPARE(states->item(i, 3)->foreground().color() == QColor(Qt::red), failed);
        // The module takes no suffix; a remote node is addressed by its network address.
        const QString sent = "AT+CH=20" + (rows[i] ? ">NID," + net : QString());
        QCOMPARE(f.sim()->receivedLines().count(sent),
                 quirk.endsWith(QLatin1String("refuse")) && failed ? 2 : 1);
    }
    QCOMPARE(QStringList({f.status(), logTexts(f).constLast(),
                          f.find<QLabel>("label_batchSummary")->text()}),
             QStringList(3, summary));
    // The form and the target are as they were.
    QCOMPARE(formState(f, false), before);
    QVERIFY(TestAccess::target(f.w.get()) == target);

    // The panel follows a language switch.
    TestAccess::langButton(f.w.get())->click();
    QVERIFY(f.find<QLabel>("label_batchSummary")->text() != summary);
    QCOMPARE(f.find<QCheckBox>("checkBox_batchVerify")->text(),
             english ? QStringLiteral("写入后校验") : QStringLiteral("Verify after write"));
    // "Verify after write" is remembered.
    f.restart();
    QVERIFY(f.openPort());
    batchButton(f)->click();
    QCOMPARE_FORM(f, "checkBox_batchVerify=" +
                         QString::fromLatin1(results[0] != "written" ? "on" : "off"));
}

void TestBatchWrite::interrupted_data()
{
    QTest::addColumn<bool>("portLost");
    QTest::addColumn<QString>("shown"); // the nodes' states and the summary, a pattern
    QTest::newRow("stop") << false << "^已停止：AT\\+CH=20\\|跳过\\|跳过\\|.*；跳过 2 个$";
    QTest::newRow("port lost") << true
                               << "^失败：AT\\+NLOCK=0（串口已断开：Simulator（.*\\|跳过\\|跳过\\|"
                                  ".*；跳过 2 个；串口已断开：Simulator（";
}

void TestBatchWrite::interrupted()
{
    QFETCH(bool, portLost);
    QFETCH(QString, shown);
    WindowFixture f;
    QVERIFY(prepare(f));
    tick(f, {1, 2, 3});
    int sentAtStop = -1;
    QString locked; // what a running batch leaves offered: no second batch, other run or edits
    // While the channel command waits for its answer: Stop, or the line cut at the next command.
    onLine(f.sim(), QStringLiteral("AT+CH=20"), [&] {
        QTimer::singleShot(0, [&] {
            locked =
                formDiff(f, "+pushButton_writeConfiguartionBull;-checkBox_batchVerify;"
                            "-pushButton_writeConfiguartion;-pushButton_batchStart;-" +
                                f.find<QTabWidget>("tabWidget")->currentWidget()->objectName());
            sentAtStop = int(f.sim()->receivedLines().size());
            if (portLost)
                f.sim()->breakHostLineAfter(0);
            else
                f.find<QPushButton>("pushButton_batchStop")->click();
        });
    });
    f.find<QPushButton>("pushButton_batchStart")->click();
    auto *panel = f.find<QDialog>("BatchWritePanelClass");
    QVERIFY(panel->isVisible());
    QVERIFY(waitUntil([&] { return sentAtStop >= 0 && !TestAccess::sequenceRunning(f.w.get()); }));
    QTest::qWait(100);
    // Nothing went out after the answer that ended the run.
    QCOMPARE(f.sim()->receivedLines().size(), sentAtStop);
    QCOMPARE(locked, QString());
    const QString texts = columnTexts(f.find<QTableWidget>("tableWidget_batchNodes"), 3).join('|') +
                          '|' + f.find<QLabel>("label_batchSummary")->text();
    QVERIFY2(texts.contains(QRegularExpression(shown)), qPrintable(texts));
    QCOMPARE_FORM(f, QStringLiteral("+pushButton_writeConfiguartionBull;%1pushButton_"
                                    "writeConfiguartion;+pushButton_batchSaveReport;+tab_2;"
                                    "+checkBox_batchVerify")
                         .arg(portLost ? u"-" : u"+"));
    // Closed, reopened from the Batch Write button: the last run is still there to be saved.
    panel->close();
    QVERIFY(!panel->isVisible());
    batchButton(f)->click();
    QVERIFY(panel->isVisible());
    f.nextSaveFile = f.dir.filePath(QStringLiteral("report.csv"));
    f.find<QPushButton>("pushButton_batchSaveReport")->click();
    QFile file(f.nextSaveFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString first = QString::fromUtf8(file.readAll()).split("\r\n").value(1);
    // Stopped by the user: its own word, and no reply taken for a refusal.
    QCOMPARE(first.section(',', 3, portLost ? 4 : 5),
             portLost ? QStringLiteral("failed,AT+NLOCK=0") : QStringLiteral("stopped,AT+CH=20,"));
}

void TestBatchWrite::offered()
{
    WindowFixture f;
    QVERIFY(prepare(f));
    QVERIFY(batchButton(f)->isEnabled());
    tick(f, {0}); // the scan ticked the module in the device table: the panel begins so
    auto *start = f.find<QPushButton>("pushButton_batchStart");
    QVERIFY(start->isEnabled());
    tick(f, {});
    QVERIFY(!start->isEnabled());
    f.find<QPushButton>("pushButton_batchAll")->click();
    QVERIFY(start->isEnabled());
    // Node identity is left out unless asked for, and then Start asks first.
    QCOMPARE(f.find<QLabel>("label_batchPlan")->text(),
             QStringLiteral("写入 34 个设置（7 组）到 5 个节点，然后校验"));
    f.find<QPushButton>("pushButton_scan")->click();
    QVERIFY(!batchButton(f)->isEnabled()); // a scan runs
    QVERIFY(waitUntil([&] { return !TestAccess::scanning(f.w.get()); }));
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    QVERIFY(!batchButton(f)->isEnabled()); // a read runs
    QVERIFY(runEnded(f));
    QVERIFY(batchButton(f)->isEnabled());
}

void TestBatchWrite::ownValuesAndQuestions()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    f.sim()->setScanTimeScale(0.05);
    formSet(f, "lineEdit_scanTime=1;pushButton_scan");
    QVERIFY(waitUntil([&] { return !TestAccess::scanning(f.w.get()); }));
    tick(f, {1, 2});
    const auto load = [&](const QByteArray &csv) {
        f.nextOpenFile = f.dir.filePath(QStringLiteral("nodes.csv"));
        QFile file(f.nextOpenFile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size());
        file.close();
        f.find<QPushButton>("pushButton_batchValues")->click();
    };
    // A file with an unknown column or a value a field refuses is refused whole, by its line.
    load("node,DESC1,COLOUR\n0x1A2B,A,red\n");
    QVERIFY(f.messages.constLast().endsWith("第 1 行：未知的列 COLOUR"));
    load("node,CH\n0x1A2B,20\n0x3C4D,27\n");
    QVERIFY(f.messages.constLast().endsWith("第 3 行：值不被接受：CH=27"));
    auto *plan = f.find<QLabel>("label_batchPlan");
    QCOMPARE(plan->text(), QStringLiteral("写入 34 个设置（7 组）到 2 个节点，然后校验"));
    load("\xEF\xBB\xBFnode,DESC1\r\n0x1a2b,LINE_A\r\n0x00124B0001A2B3D2,LINE_B\r\n0x9999,X\r\n");
    QCOMPARE(plan->text(),
             QStringLiteral("写入 34 个设置（7 组）到 2 个节点，然后校验；2 个节点有各自的值；"
                            "值文件中扫描未发现的节点：0x9999"));
    // Only the nodes' own values: no group.
    auto *groups = f.find<QListWidget>("listWidget_batchGroups");
    for (int i = 0; i < groups->count(); ++i)
        groups->item(i)->setCheckState(Qt::Unchecked);
    // The form was never read or imported, and the descriptors are identity: asked twice;
    // a No to the first sends nothing.
    f.answerYes = false;
    f.find<QPushButton>("pushButton_batchStart")->click();
    QCOMPARE(f.questions.size(), 1);
    QVERIFY(!TestAccess::sequenceRunning(f.w.get()));
    f.answerYes = true;
    const QStringList report = runAndReport(f);
    QCOMPARE(f.questions.size(), 3);
    QCOMPARE(f.sim()->nodeByNet("0x1A2B")->config().desc[0], QStringLiteral("LINE_A"));
    QCOMPARE(f.sim()->nodeByNet("0x3C4D")->config().desc[0], QStringLiteral("LINE_B"));
    QCOMPARE(report.value(1).section(',', 3, 3), QStringLiteral("verified"));
    QCOMPARE(report.value(2).section(',', -4, -3), QStringLiteral(",WNODE 1=LINE_B"));
    QCOMPARE(f.sim()->receivedLines().filter("AT+WNODE").size(), 2);
}

QTEST_MAIN(TestBatchWrite)
#include "tst_batchwrite.moc"
