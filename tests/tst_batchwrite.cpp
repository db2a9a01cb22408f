// Batch Write against the simulated network: every ticked node written one after the
// other and read back, nodes that refuse, answer slowly, leave or keep their old value,
// Stop, a lost port, when the button may be pressed, and the report.

#include "cfgform.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QTableWidget>

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
    f.find<QLineEdit>("lineEdit_scanTime")->setText(QStringLiteral("1"));
    f.find<QPushButton>("pushButton_scan")->click();
    if (!waitUntil([&] { return !TestAccess::scanning(f.w.get()); }))
        return false;
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    if (!waitUntil([&] { return !TestAccess::sequenceRunning(f.w.get()); }) ||
        f.status() != QStringLiteral("读取配置完成"))
        return false;
    f.find<QPushButton>("pushButton_openCom")->click();
    CfgForm::set(f, {{"comboBox_CH", "20"}, {"lineEdit_DESC2", "BATCH"}});
    return f.openPort();
}

void tick(WindowFixture &f, const QList<int> &rows)
{
    auto *table = f.find<QTableWidget>("tableWidget_device");
    for (int r = 0; r < table->rowCount(); ++r)
        table->item(r, 0)->setCheckState(rows.contains(r) ? Qt::Checked : Qt::Unchecked);
}

// Every value the configuration tabs show, to prove a batch leaves them alone.
QStringList formState(WindowFixture &f)
{
    QStringList out;
    for (QWidget *w : f.find<QTabWidget>("tabWidget")->findChildren<QWidget *>()) {
        auto *edit = qobject_cast<QLineEdit *>(w);
        auto *box = qobject_cast<QComboBox *>(w);
        auto *button = qobject_cast<QAbstractButton *>(w);
        out.append(edit  ? edit->text()
                   : box ? box->currentText()
                         : QString::number(button && button->isChecked()));
    }
    return out;
}

// Runs the batch and saves its report; returns the report's rows, header first.
QList<QStringList> runAndReport(WindowFixture &f)
{
    batchButton(f)->click();
    if (!waitUntil([&] { return batchButton(f)->isEnabled(); }, 30000))
        return {};
    f.nextSaveFile = f.dir.filePath(QStringLiteral("report.csv"));
    f.find<QPushButton>("pushButton_batchSaveReport")->click();
    QFile file(f.nextSaveFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A quoted cell may hold commas and doubled quotes.
    static const QRegularExpression cellPattern(
        QStringLiteral("(\"(?:[^\"]|\"\")*\"|[^,\r\n]*)(,|\r\n)"));
    QList<QStringList> rows(1);
    for (auto it = cellPattern.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString cell = m.captured(1);
        if (cell.startsWith(QLatin1Char('"')))
            cell =
                cell.mid(1, cell.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
        rows.last().append(cell);
        if (m.captured(2) != QLatin1String(","))
            rows.append(QStringList());
    }
    rows.removeLast();
    return rows;
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
    void buttonAndSettings();
};

void TestBatchWrite::outcomes_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("quirk"); // a node, then how it misbehaves
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QString>("failure"); // command, reply and differences of the failed node
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
        << QStringList{"verified", "verified", "failed", "verified"} << "AT+CH=20|ERR=23|"
        << "Batch write: 3 of 4 nodes written and verified; 0x3C4D failed at AT+CH=20 (ERR=23)";
    QTest::newRow("a node keeps its old channel")
        << QList<int>{1, 3} << "0x5E6F keep" << QStringList{"verified", "failed"}
        << "||CH: wrote 20, read 15"
        << "批量写入：2 个节点中的 1 个已写入并校验；0x5E6F 校验失败（CH: wrote 20, read 15）";
    QTest::newRow("a node answers slowly")
        << QList<int>{1, 2} << "0x1A2B slow" << QStringList{"verified", "verified"} << QString()
        << "Batch write: 2 of 2 nodes written and verified";
    QTest::newRow("a node leaves the network")
        << QList<int>{1, 2} << "0x3C4D leave" << QStringList{"verified", "failed"}
        << "AT+NLOCK=0|ERR=71|"
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
        q.extraLatencyMs = quirk.endsWith(QLatin1String("slow")) ? 40 : 0;
        q.leaveAfter = quirk.endsWith(QLatin1String("leave")) ? 10 : 0; // after "AT+CH=20"
    }
    tick(f, rows);
    f.find<QCheckBox>("checkBox_batchVerify")->setChecked(results[0] != "written");
    const QStringList before = formState(f);
    const ZBdevice target = TestAccess::target(f.w.get());
    f.sim()->clearReceivedLines();

    const QList<QStringList> report = runAndReport(f);
    QCOMPARE(report.size(), rows.size() + 1);
    QCOMPARE(report.at(0).size(), 9);
    auto *states = f.find<QTableWidget>("tableWidget_batchNodes");
    auto *devices = f.find<QTableWidget>("tableWidget_device");
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList &line = report.at(i + 1);
        QCOMPARE(line.mid(0, 4),
                 QStringList({devices->item(rows[i], 0)->text(), devices->item(rows[i], 1)->text(),
                              devices->item(rows[i], 2)->text(), results[i]}));
        const auto time = [&](int cell) {
            return QDateTime::fromString(line.value(cell), Qt::ISODateWithMs);
        };
        QVERIFY(time(7).isValid() && time(7) <= time(8));
        if (results[i] == QLatin1String("failed")) {
            QCOMPARE(QStringList(line.mid(4, 3)).join(QLatin1Char('|')), failure);
            QCOMPARE(states->item(i, 3)->foreground().color(), QColor(Qt::red));
        }
        // The module takes no suffix; a remote node is addressed by its network address.
        const QString sent = QStringLiteral("AT+CH=20") +
                             (rows[i] ? QStringLiteral(">NID,") + line.value(1) : QString());
        QCOMPARE(f.sim()->receivedLines().count(sent),
                 quirk.endsWith(QLatin1String("refuse")) && results[i] == "failed" ? 2 : 1);
    }
    QCOMPARE(f.status(), summary);
    QCOMPARE(logTexts(f).constLast(), summary);
    QCOMPARE(f.find<QLabel>("label_batchSummary")->text(), summary);
    // The form and the target are as they were.
    QCOMPARE(formState(f), before);
    QVERIFY(TestAccess::target(f.w.get()) == target);

    // The panel follows a language switch.
    TestAccess::langButton(f.w.get())->click();
    QVERIFY(f.find<QLabel>("label_batchSummary")->text() != summary);
    QCOMPARE(f.find<QCheckBox>("checkBox_batchVerify")->text(),
             english ? QStringLiteral("写入后校验") : QStringLiteral("Verify after write"));
}

void TestBatchWrite::interrupted_data()
{
    QTest::addColumn<bool>("portLost");
    QTest::addColumn<QString>("firstState");
    QTest::addColumn<QString>("summaryEnd");
    QTest::newRow("stop") << false << "已停止：AT+CH=20"
                          << "跳过 2 个";
    QTest::newRow("port lost") << true << "失败：AT+NLOCK=0（串口已断开：Simulator（"
                               << "跳过 2 个；串口已断开：Simulator（";
}

void TestBatchWrite::interrupted()
{
    QFETCH(bool, portLost);
    QFETCH(QString, firstState);
    QFETCH(QString, summaryEnd);
    WindowFixture f;
    QVERIFY(prepare(f));
    tick(f, {1, 2, 3});
    int sentAtStop = -1;
    // Pressed while the channel command waits for its answer; the line is cut instead at
    // the next command.
    onLine(f.sim(), QStringLiteral("AT+CH=20"), [&] {
        QTimer::singleShot(0, [&] {
            sentAtStop = int(f.sim()->receivedLines().size());
            if (portLost)
                f.sim()->breakHostLineAfter(0);
            else
                f.find<QPushButton>("pushButton_batchStop")->click();
        });
    });
    batchButton(f)->click();
    QVERIFY(f.find<QDialog>("BatchWritePanelClass")->isVisible());
    QVERIFY(waitUntil([&] { return sentAtStop >= 0 && !TestAccess::sequenceRunning(f.w.get()); }));
    QTest::qWait(100);
    // Nothing went out after the answer that ended the run.
    QCOMPARE(f.sim()->receivedLines().size(), sentAtStop);
    auto *states = f.find<QTableWidget>("tableWidget_batchNodes");
    QVERIFY2(states->item(0, 3)->text().startsWith(firstState),
             qPrintable(states->item(0, 3)->text()));
    QCOMPARE(states->item(1, 3)->text() + states->item(2, 3)->text(), QStringLiteral("跳过跳过"));
    const QString summary = f.find<QLabel>("label_batchSummary")->text();
    QVERIFY2(summary.contains(summaryEnd), qPrintable(summary));
    QCOMPARE(TestAccess::portOpen(f.w.get()), !portLost);
    QCOMPARE(batchButton(f)->isEnabled(), !portLost);
    QVERIFY(f.find<QPushButton>("pushButton_batchSaveReport")->isEnabled());
}

void TestBatchWrite::buttonAndSettings()
{
    WindowFixture f;
    QVERIFY(!batchButton(f)->isEnabled());
    QVERIFY(prepare(f));
    QVERIFY(batchButton(f)->isEnabled()); // the scan ticked the module
    tick(f, {});
    QVERIFY(!batchButton(f)->isEnabled());
    f.find<QCheckBox>("checkBox_deviceSelectAll")->setChecked(true); // every row, all ticked
    QVERIFY(batchButton(f)->isEnabled());
    tick(f, {2});
    f.find<QPushButton>("pushButton_scan")->click();
    QVERIFY(!batchButton(f)->isEnabled()); // a scan runs
    QVERIFY(waitUntil([&] { return !TestAccess::scanning(f.w.get()); }));
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    QVERIFY(!batchButton(f)->isEnabled()); // a read runs
    QVERIFY(waitUntil([&] { return !TestAccess::sequenceRunning(f.w.get()); }));
    QVERIFY(batchButton(f)->isEnabled());
    batchButton(f)->click();
    // A batch runs: no second batch, no other run, no form edits.
    QVERIFY(!batchButton(f)->isEnabled() && !f.find<QWidget>("tab_2")->isEnabled());
    QVERIFY(!f.find<QPushButton>("pushButton_writeConfiguartion")->isEnabled());
    QVERIFY(!f.find<QCheckBox>("checkBox_batchVerify")->isEnabled());
    QVERIFY(waitUntil([&] { return batchButton(f)->isEnabled(); }));
    QVERIFY(f.find<QWidget>("tab_2")->isEnabled());
    f.find<QPushButton>("pushButton_openCom")->click();
    QVERIFY(!batchButton(f)->isEnabled()); // the port is closed

    // "Verify after write" is remembered.
    f.find<QCheckBox>("checkBox_batchVerify")->setChecked(false);
    f.restart();
    QVERIFY(!f.find<QCheckBox>("checkBox_batchVerify")->isChecked());
}

QTEST_MAIN(TestBatchWrite)
#include "tst_batchwrite.moc"
