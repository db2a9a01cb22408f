// Batch Write against the simulated network: every ticked node written one after the
// other and read back, nodes that refuse, answer slowly, leave or keep their old value,
// Stop, a lost port, when the button may be pressed, and the report.

#include "cfgform.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QTableWidget>

namespace {

QDialog *panel(WindowFixture &f)
{
    return f.find<QDialog>("BatchWritePanelClass");
}

template <typename T> T *inPanel(WindowFixture &f, const char *name)
{
    return panel(f)->findChild<T *>(QString::fromLatin1(name));
}

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
    for (QWidget *w : f.find<QTabWidget>("tabWidget")->findChildren<QWidget *>())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            if (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) ||
                qobject_cast<QAbstractButton *>(w))
                out.append(w->objectName() + QLatin1Char('=') +
                           CfgForm::value(f, w->objectName().toLatin1()));
    return out;
}

// Runs the batch and saves its report; returns the report's rows, header first.
QList<QStringList> runAndReport(WindowFixture &f)
{
    batchButton(f)->click();
    if (!waitUntil([&] { return batchButton(f)->isEnabled(); }, 30000))
        return {};
    f.nextSaveFile = f.dir.filePath(QStringLiteral("report.csv"));
    inPanel<QPushButton>(f, "pushButton_batchSaveReport")->click();
    QFile file(f.nextSaveFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Cells are quoted as CSV quotes them: a quoted cell may hold commas and quotes.
    QList<QStringList> rows;
    QString cell;
    QStringList row;
    bool quoted = false;
    const QString text = QString::fromUtf8(file.readAll());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted && c == QLatin1Char('"') && text.mid(i + 1, 1) == QLatin1String("\""))
            cell += text.at(++i);
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char(','))
            row.append(std::exchange(cell, QString()));
        else if (!quoted && c == QLatin1Char('\n'))
            rows.append(std::exchange(row, {}) << std::exchange(cell, QString()));
        else if (quoted || c != QLatin1Char('\r'))
            cell += c;
    }
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
    QTest::addColumn<bool>("verify");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("quirk"); // node, then what it does
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QString>("failure"); // command, reply and differences of the failed node
    QTest::addColumn<QString>("summary");

    QTest::newRow("all verified, module and remote nodes")
        << QList<int>{0, 1, 2, 3} << true << true << QString()
        << QStringList{"verified", "verified", "verified", "verified"} << QString()
        << "Batch write: 4 of 4 nodes written and verified";
    QTest::newRow("without verifying, in Chinese")
        << QList<int>{1, 4} << false << false << QString() << QStringList{"written", "written"}
        << QString() << "批量写入：2 个节点中的 2 个已写入";
    QTest::newRow("a node refuses the channel")
        << QList<int>{0, 1, 2, 3} << true << true << "0x3C4D refuse CH"
        << QStringList{"verified", "verified", "failed", "verified"} << "AT+CH=20|ERR=23|"
        << "Batch write: 3 of 4 nodes written and verified; 0x3C4D failed at AT+CH=20 (ERR=23)";
    QTest::newRow("a node keeps its old channel")
        << QList<int>{1, 3} << true << false << "0x5E6F keep CH"
        << QStringList{"verified", "failed"} << "||CH: wrote 20, read 15"
        << "批量写入：2 个节点中的 1 个已写入并校验；0x5E6F 校验失败（CH: wrote 20, read 15）";
    QTest::newRow("a node answers slowly")
        << QList<int>{1, 2} << true << true << "0x1A2B slow" << QStringList{"verified", "verified"}
        << QString() << "Batch write: 2 of 2 nodes written and verified";
    QTest::newRow("a node leaves the network")
        << QList<int>{1, 2} << true << true << "0x3C4D leave" << QStringList{"verified", "failed"}
        << "AT+NLOCK=0|ERR=71|"
        << "Batch write: 1 of 2 nodes written and verified; 0x3C4D failed at AT+NLOCK=0 (ERR=71)";
}

void TestBatchWrite::outcomes()
{
    QFETCH(QList<int>, rows);
    QFETCH(bool, verify);
    QFETCH(bool, english);
    QFETCH(QString, quirk);
    QFETCH(QStringList, results);
    QFETCH(QString, failure);
    QFETCH(QString, summary);

    WindowFixture f;
    QVERIFY(prepare(f));
    if (english)
        TestAccess::langButton(f.w.get())->click();
    if (!quirk.isEmpty()) {
        SimQuirks &q = f.sim()->nodeByNet(quirk.section(QLatin1Char(' '), 0, 0))->quirks();
        const QString what = quirk.section(QLatin1Char(' '), 1);
        if (what.startsWith(QLatin1String("refuse")))
            q = {"CH", 23, {}, 0, 0};
        else if (what.startsWith(QLatin1String("keep")))
            q = {{}, 0, "CH", 0, 0};
        else if (what == QLatin1String("slow"))
            q.extraLatencyMs = 40;
        else
            q.leaveAfter = 10; // answers the tenth command, "AT+CH=20", then goes
    }
    tick(f, rows);
    inPanel<QCheckBox>(f, "checkBox_batchVerify")->setChecked(verify);
    const QStringList before = formState(f);
    const ZBdevice target = TestAccess::target(f.w.get());
    f.sim()->clearReceivedLines();

    const QList<QStringList> report = runAndReport(f);
    QCOMPARE(report.size(), rows.size() + 1);
    QCOMPARE(report.at(0).size(), 9);
    auto *states = inPanel<QTableWidget>(f, "tableWidget_batchNodes");
    auto *devices = f.find<QTableWidget>("tableWidget_device");
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList &line = report.at(i + 1);
        QCOMPARE(line.value(0), devices->item(rows[i], 0)->text());
        QCOMPARE(line.value(1), devices->item(rows[i], 1)->text());
        QCOMPARE(line.value(2), devices->item(rows[i], 2)->text());
        QCOMPARE(line.value(3), results[i]);
        const QDateTime start = QDateTime::fromString(line.value(7), Qt::ISODateWithMs);
        QVERIFY(start.isValid() &&
                start <= QDateTime::fromString(line.value(8), Qt::ISODateWithMs));
        if (results[i] == QLatin1String("failed")) {
            QCOMPARE(QStringList(line.mid(4, 3)).join(QLatin1Char('|')), failure);
            QCOMPARE(states->item(i, 3)->foreground().color(), QColor(Qt::red));
        }
        // The module takes no suffix; a remote node is addressed by its network address.
        const QString sent = QStringLiteral("AT+CH=20") +
                             (rows[i] ? QStringLiteral(">NID,") + line.value(1) : QString());
        QCOMPARE(f.sim()->receivedLines().count(sent),
                 quirk.endsWith(QLatin1String("refuse CH")) && results[i] == "failed" ? 2 : 1);
    }
    QCOMPARE(f.status(), summary);
    QCOMPARE(logTexts(f).constLast(), summary);
    QCOMPARE(inPanel<QLabel>(f, "label_batchSummary")->text(), summary);
    // Nothing went to a node that was not ticked; the form and the target are as they were.
    QCOMPARE(f.sim()->receivedLines().count(QStringLiteral("AT+CH=20>NID,0x7A8B")),
             rows.contains(4) ? 1 : 0);
    QCOMPARE(formState(f), before);
    QVERIFY(TestAccess::target(f.w.get()) == target);

    // The panel follows a language switch.
    TestAccess::langButton(f.w.get())->click();
    QVERIFY(inPanel<QLabel>(f, "label_batchSummary")->text() != summary);
    QCOMPARE(inPanel<QCheckBox>(f, "checkBox_batchVerify")->text(),
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
                inPanel<QPushButton>(f, "pushButton_batchStop")->click();
        });
    });
    batchButton(f)->click();
    QVERIFY(panel(f)->isVisible());
    QVERIFY(waitUntil([&] { return sentAtStop >= 0 && !TestAccess::sequenceRunning(f.w.get()); }));
    QTest::qWait(100);
    // Nothing went out after the answer that ended the run.
    QCOMPARE(f.sim()->receivedLines().size(), sentAtStop);
    auto *states = inPanel<QTableWidget>(f, "tableWidget_batchNodes");
    QVERIFY2(states->item(0, 3)->text().startsWith(firstState),
             qPrintable(states->item(0, 3)->text()));
    QCOMPARE(states->item(1, 3)->text(), QStringLiteral("跳过"));
    QCOMPARE(states->item(2, 3)->text(), QStringLiteral("跳过"));
    const QString summary = inPanel<QLabel>(f, "label_batchSummary")->text();
    QVERIFY2(summary.contains(summaryEnd), qPrintable(summary));
    QCOMPARE(TestAccess::portOpen(f.w.get()), !portLost);
    QCOMPARE(batchButton(f)->isEnabled(), !portLost);
    QVERIFY(inPanel<QPushButton>(f, "pushButton_batchSaveReport")->isEnabled());
}

void TestBatchWrite::buttonAndSettings()
{
    WindowFixture f;
    QVERIFY(!batchButton(f)->isEnabled());
    QVERIFY(prepare(f));
    auto *all = f.find<QCheckBox>("checkBox_deviceSelectAll");
    QVERIFY(batchButton(f)->isEnabled()); // the scan ticked the module
    tick(f, {});
    QVERIFY(!batchButton(f)->isEnabled());
    all->setChecked(true);
    QVERIFY(batchButton(f)->isEnabled());
    all->setChecked(false);
    tick(f, {2});
    QVERIFY(batchButton(f)->isEnabled());
    f.find<QPushButton>("pushButton_scan")->click();
    QVERIFY(!batchButton(f)->isEnabled()); // a scan runs
    QVERIFY(waitUntil([&] { return !TestAccess::scanning(f.w.get()); }));
    tick(f, {2});
    QVERIFY(batchButton(f)->isEnabled());
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    QVERIFY(!batchButton(f)->isEnabled()); // a read runs
    QVERIFY(waitUntil([&] { return !TestAccess::sequenceRunning(f.w.get()); }));
    QVERIFY(batchButton(f)->isEnabled());
    batchButton(f)->click();
    // A batch runs: no second batch, no other run, no form edits.
    QVERIFY(!batchButton(f)->isEnabled());
    QVERIFY(!f.find<QPushButton>("pushButton_writeConfiguartion")->isEnabled());
    QVERIFY(!f.find<QPushButton>("pushButton_Import")->isEnabled());
    QVERIFY(!f.find<QWidget>("tab_2")->isEnabled());
    QVERIFY(!inPanel<QCheckBox>(f, "checkBox_batchVerify")->isEnabled());
    QVERIFY(waitUntil([&] { return batchButton(f)->isEnabled(); }));
    QVERIFY(f.find<QWidget>("tab_2")->isEnabled());
    f.find<QPushButton>("pushButton_openCom")->click();
    QVERIFY(!batchButton(f)->isEnabled()); // the port is closed

    // "Verify after write" is remembered.
    inPanel<QCheckBox>(f, "checkBox_batchVerify")->setChecked(false);
    f.restart();
    QVERIFY(!inPanel<QCheckBox>(f, "checkBox_batchVerify")->isChecked());
}

QTEST_MAIN(TestBatchWrite)
#include "tst_batchwrite.moc"
