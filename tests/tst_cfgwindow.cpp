// The window's configuration form against the simulated module: read, written, saved, loaded.

#include "app/framepacer.h"
#include "cfgform.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QSet>
#include <QSpinBox>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

// Read, Write, Import and Export, each "+" (offered) or "-".
const QString kFormRuns = QStringLiteral(
    "%1pushButton_readConfiguration;%1pushButton_writeConfiguartion;%2pushButton_Import;"
    "%2pushButton_Export");
const char *const kRead = "pushButton_readConfiguration";
const char *const kWrite = "pushButton_writeConfiguartion";
const QString kReadDone = QStringLiteral("读取配置完成");
const QString kReadFailed = QStringLiteral("读取配置遇到错误");
const QString kImported = QStringLiteral("导入完成");

// Calls `painted` each time `widget` is painted.
class PaintWatch : public QObject
{
public:
    PaintWatch(QWidget *widget, std::function<void()> painted) : m_painted(std::move(painted))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted();
        return false;
    }

private:
    std::function<void()> m_painted;
};

// Clicks Read or Write: the status once the run has ended (or at once).
QString run(WindowFixture &f, const char *button, bool wait = true)
{
    f.find<QPushButton>(button)->click();
    return !wait || runEnded(f) ? f.status() : QStringLiteral("still running");
}

// What the window shows after a run besides the tab: "" when the bar and Stop are idle, Read
// and Write offered with an open port only, and the file buttons free.
QString afterRun(WindowFixture &f, bool portOpen = true)
{
    return formDiff(f, kFormRuns.arg(portOpen ? u"+" : u"-", u"+") +
                           ";progressBar_cfg=0;-progressBar_cfg;-pushButton_stopCfg;+tab_1;+tab_2;"
                           "+tab_3;+tab_4;+tab_5") +
           QStringLiteral("tab %1").arg(f.find<QTabWidget>("tabWidget")->currentIndex());
}

// Moves every field of the file to another value (addresses after the modes that refill them).
void changeEveryField(WindowFixture &f, int *counter)
{
    QList<QComboBox *> addresses;
    for (const QString &name : formState(f).keys()) {
        QWidget *w = f.find<QWidget>(name.toLatin1().constData());
        if (auto *box = qobject_cast<QComboBox *>(w); box && box->isEditable())
            addresses << box;
        else if (box)
            box->setCurrentIndex((box->currentIndex() + 1) % box->count());
        else if (auto *edit = qobject_cast<QLineEdit *>(w))
            edit->setText(QString::number(++*counter));
        else if (auto *check = qobject_cast<QCheckBox *>(w))
            check->setChecked(!check->isChecked());
        else if (auto *spin = qobject_cast<QSpinBox *>(w))
            spin->setValue((spin->value() + 37) % 101);
        else if (name.endsWith(QLatin1String("input"))) // a pin's direction radio buttons
            formSet(f, CfgForm::value(f, name.toLatin1()) == "on" ? name.chopped(5) + "output=on"
                                                                  : name + "=on");
    }
    for (QComboBox *box : addresses)
        box->setEditText(QStringLiteral("0x%1").arg(++*counter, 4, 16, QLatin1Char('0')));
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Exports or imports: the status, each page shown meanwhile (and which of Read, Write and the
// file buttons are not locked then, a click slipping in doing nothing), the message boxes' texts.
QString fileOp(WindowFixture &f, const char *button, const QString &path)
{
    f.nextSaveFile = f.nextOpenFile = path;
    f.w->statusBar()->clearMessage();
    f.messages.clear();
    QString pages;
    auto c =
        QObject::connect(f.find<QTabWidget>("tabWidget"), &QTabWidget::currentChanged, [&](int i) {
            QMetaObject::invokeMethod(f.w.get(), "on_pushButton_Import_clicked");
            pages += ' ' + QString::number(i) + formDiff(f, kFormRuns.arg(u"-", u"-"));
        });
    f.find<QPushButton>(button)->click();
    QObject::disconnect(c);
    return f.status() + pages + f.messages.join(QString());
}

} // namespace

class TestCfgWindow : public QObject
{
    Q_OBJECT

private slots:
    void readFillsTheFormAndWriteSendsIt();
    void readReplies_data();
    void readReplies();
    void failuresAndStop();
    void otherNodesAndEditsDuringRuns();
    void exportAndImport();
};

void TestCfgWindow::readFillsTheFormAndWriteSendsIt()
{
    WindowFixture f;
    formSet(f, "checkBox_TPIO9=on;checkBox_PWM1=on"); // the reset clears them
    QVERIFY(openFast(f));
    formSet(f, "lineEdit_regular_time=5000;lineEdit_sendPkt_regular_time=5000;"
               "checkBox_regulerSend=on;checkBox_sendPkt_regulerSend=on");
    SimNodeConfig &c = f.sim()->local().config();
    c.part = "PART-X";
    for (int i = 0; i < 5; ++i)
        c.io[i].level = i % 2;
    for (int i = 0; i < 4; ++i)
        c.adc[i].reading = QString::number(11 * (i + 1));
    auto *tabs = f.find<QTabWidget>("tabWidget");
    tabs->setCurrentIndex(1);
    f.sim()->clearReceivedLines();
    // While it runs only Stop is offered and nothing else talks to the module.
    run(f, kRead, false);
    QCOMPARE_FORM(f, kFormRuns.arg(u"-", u"-") +
                         ";+pushButton_stopCfg;+progressBar_cfg;-pushButton_scan;-pushButton_send;"
                         "-pushButton_sendPkt;-checkBox_regulerSend;checkBox_regulerSend=off;"
                         "-checkBox_sendPkt_regulerSend;checkBox_sendPkt_regulerSend=off;-tab_2");
    // A page the user turns to meanwhile is locked too.
    tabs->setCurrentIndex(4);
    QCOMPARE_FORM(f, "-tab_5");
    // The window paints at the log's pace while the run changes it.
    auto *pacer = f.w->findChild<FramePacer *>();
    QVERIFY(pacer->isBusy());
    QVERIFY(runEnded(f));
    QVERIFY(!pacer->isBusy());
    QCOMPARE(f.status(), kReadDone);
    QCOMPARE(afterRun(f), "tab 1");
    // Only the queries arrived: the filled form sent nothing back.
    QCOMPARE(f.sim()->receivedLines().join(QLatin1Char(' ')),
             "AT+INFO AT+VER AT+TYP? AT+NID? AT+MID? AT+NS? AT+UART? AT+DFWM? AT+EPID? AT+JOINT? "
             "AT+TID? AT+LQI? AT+CH? AT+NLOCK? AT+NASTA? AT+RNODE=1 AT+RNODE=2 AT+RNODE=3 "
             "AT+RNODE=4 AT+IOSET? AT+IORD=9 AT+IORD=10 AT+IORD=14 AT+IORD=15 AT+IORD=17 AT+TPIO? "
             "AT+IOSMP? AT+ADCRD=1 AT+ADCRD=2 AT+ADCRD=3 AT+ADCRD=4 AT+ADCSMP? AT+PWM?");
    QCOMPARE_FORM(f, "lineEdit_devicePart=PART-X;lineEdit_deviceRunState=RUNNING;lineEdit_LQI=255;"
                     "checkBox_TPIO9=off;checkBox_PWM1=off;lineEdit_AD1=11;lineEdit_AD2=22;"
                     "lineEdit_AD3=33;lineEdit_AD4=44;lineEdit_9curInput=0;lineEdit_10curInput=1;"
                     "lineEdit_14curInput=0;lineEdit_15curInput=1;lineEdit_17curInput=0;"
                     "comboBox_10output=H;lineEdit_deviceNid=" +
                         c.netAddr + ";lineEdit_deviceMid=" + c.macAddr);

    const QString edits = QStringLiteral(
        "comboBox_deviceType=Router;comboBox_deviceBps=19200;comboBox_deviceDataBit=7;"
        "comboBox_deviceParBit=Even;comboBox_deviceStopBit=2;comboBox_deviceFlow=Hardware;"
        "lineEdit_EPID=0x00000000000000AB;lineEdit_joinTime=99;comboBox_TID_AM=MID;"
        "comboBox_TID_ADDR=0x00124B0001A2B3D1;comboBox_CH=26;comboBox_netLock=Y;comboBox_autoNet=N;"
        "lineEdit_DESC1=W1;lineEdit_DESC2=W2;lineEdit_DESC3=W3;lineEdit_DESC4=W4;"
        "radioButton_9output=on;comboBox_9output=H;radioButton_10input=on;radioButton_14output=on;"
        "comboBox_14output=L;radioButton_15input=on;radioButton_17input=on;checkBox_TPIO9=off;"
        "checkBox_TPIO10=on;comboBox_TPIO10_TIO=15;comboBox_TPIO10_AM=NID;"
        "comboBox_TPIO10_ADDR=0x3C4D;checkBox_IOSMP9=off;checkBox_IOSMP17=on;"
        "lineEdit_IOSMP_IT17=30;comboBox_IOSMP17_AM=MID;comboBox_IOSMP17_ADDR=0x00124B0001A2B3D2;"
        "checkBox_ADSMP1=off;checkBox_ADSMP2=on;lineEdit_ADSMP2_IT=20;comboBox_ADSMP2=NID;"
        "comboBox_ADSMP2_ADDR=0x5E6F;checkBox_PWM1=on;lineEdit_PWM1_FRQ=2000;spinBox_PWM1=40;"
        "checkBox_PWM2=off;checkBox_PWM3=off;");
    // Edited with the port closed (nothing goes out at once); an off channel sends its number only.
    f.find<QPushButton>("pushButton_openCom")->click();
    formSet(f, edits + "lineEdit_PWM3_FRQ=5000;spinBox_PWM3=77");
    QVERIFY(f.openPort());
    f.sim()->clearReceivedLines();
    // Each picture painted while the run goes shows the page of the command that is out (the
    // bar moves with every step, so every picture paints it). The page is turned for the
    // picture, not for every command, which would hold the next one up. Replies slower than
    // a frame, so that pictures come.
    const QString pageOfCommand = QStringLiteral("00000011111111112222222222222222233334444");
    QString shown, expected;
    PaintWatch barPaints(f.find<QProgressBar>("progressBar_cfg"), [&] {
        if (TestAccess::sequenceRunning(f.w.get())) {
            // A page the run turns to is locked before it is painted.
            shown += QString::number(tabs->currentIndex()) +
                     (tabs->currentWidget()->isEnabled() ? QStringLiteral("+") : QString());
            expected += pageOfCommand.at(f.sim()->receivedLines().size() - 1);
        }
    });
    f.sim()->setLocalLatency(12);
    tabs->setCurrentIndex(3);
    QCOMPARE(run(f, kWrite), QStringLiteral("写入配置完成"));
    f.sim()->setLocalLatency(1);
    QCOMPARE(shown, expected);
    QVERIFY2(QSet<QChar>(shown.begin(), shown.end()).size() >= 2, qPrintable(shown));
    QCOMPARE(afterRun(f), "tab 3");
    QCOMPARE(f.sim()->receivedLines().join(QLatin1Char(' ')),
             "AT+TYP=R AT+IPR=2 AT+DBIT=7 AT+PAR=1 AT+STO=2 AT+IFC=1 AT+EPID=0x00000000000000AB "
             "AT+JOINT=99 AT+TID=MID,0x00124B0001A2B3D1 AT+CH=26 AT+NLOCK=1 AT+NASTA=0 "
             "AT+WNODE=1,W1 AT+WNODE=2,W2 AT+WNODE=3,W3 AT+WNODE=4,W4 AT+IOSET=9,1 AT+IOSET=10,0 "
             "AT+IOSET=14,1 AT+IOSET=15,0 AT+IOSET=17,0 AT+IOOUT=9,1 AT+IOOUT=14,0 AT+TPIO=0,9 "
             "AT+TPIO=1,10,15,NID,0x3C4D AT+TPIO=0,14 AT+TPIO=0,15 AT+TPIO=0,17 AT+IOSMP=0,9 "
             "AT+IOSMP=0,10 AT+IOSMP=0,14 AT+IOSMP=0,15 AT+IOSMP=1,17,30,MID,0x00124B0001A2B3D2 "
             "AT+ADCSMP=0,1 AT+ADCSMP=1,2,20,NID,0x5E6F AT+ADCSMP=0,3 AT+ADCSMP=0,4 "
             "AT+PWM=1,1,2000,40 AT+PWM=0,2 AT+PWM=0,3 AT+W");
    // Read back, the module shows what was written.
    QCOMPARE(run(f, kRead), kReadDone);
    QCOMPARE_FORM(f, edits);
}

void TestCfgWindow::readReplies_data()
{
    // A reply in place of the module's: the field right after it, and how often the query went.
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("sent");
    const auto row = [](const char *query, const char *reply, const char *field, const char *value,
                        int sent) {
        QTest::addRow("%s %s", query, reply) << query << QString::fromLatin1(reply) + "\r\n"
                                             << QByteArray(field) << value << sent;
    };
    row("AT+IOSET?", "OK=11,1", "radioButton_9output", "off", 2);
    row("AT+TPIO?", "OK=9,11,NID,0x1", "checkBox_TPIO9", "on", 2);
    row("AT+IOSMP?", "OK=1,0,10,LID,0x0", "checkBox_IOSMP9", "off", 2);
    row("AT+ADCSMP?", "OK=1,5,10,LID,0x0", "checkBox_ADSMP1", "off", 2);
    row("AT+PWM?", "OK=1,4,1000,50", "checkBox_PWM1", "off", 2);
    row("AT+VER", "ERR=1", "lineEdit_deviceSoftwareVer", "", 2);
    row("AT+DFWM?", "OK=1,0", "comboBox_defaultWorkMode", "AT_MODE", 2);
    row("AT+NLOCK?", "OK=2", "comboBox_netLock", "N", 2);
    row("AT+CH?", "OK=10", "comboBox_CH", "15", 2);
    row("AT+CH?", "OK=27", "comboBox_CH", "15", 2);
    row("AT+TYP?", "OK=E", "comboBox_deviceType", "Coor", 1); // a type the form lacks
    // "Network not started" stands in for the network address and link quality only.
    row("AT+NID?", "ERR=60", "lineEdit_deviceNid", "0xFFFE", 1);
    row("AT+LQI?", "ERR=60", "lineEdit_LQI", "0", 1);
    row("AT+MID?", "ERR=60", "lineEdit_deviceMid", "", 2);
}

void TestCfgWindow::readReplies()
{
    QFETCH(QString, query);
    QFETCH(QString, reply);
    QFETCH(QByteArray, field);
    QString seen = QStringLiteral("not looked at");
    WindowFixture f;
    formSet(f, "comboBox_deviceType=Router");
    QVERIFY(openFast(f));
    onLine(f.sim(), query, [&] {
        f.sim()->dropNextReply();
        QTimer::singleShot(0, f.w.get(), [&] {
            emit f.w->recvNewLine(reply);
            // The form takes an answer a turn later, once the next query is out.
            QTimer::singleShot(0, f.w.get(), [&] { seen = CfgForm::value(f, field); });
        });
    });
    f.sim()->clearReceivedLines();
    QCOMPARE(run(f, kRead), kReadDone);
    QTEST(seen, "value");
    QTEST(countOf(f.sim(), query), "sent");
}

void TestCfgWindow::failuresAndStop()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    // Stop pressed as soon as a step is out: its late reply moves nothing.
    QCOMPARE(run(f, kRead), kReadDone);
    f.sim()->clearReceivedLines();
    onLine(f.sim(), "AT+IPR=", [&] {
        f.sim()->delayNextReply(100);
        QTimer::singleShot(0, f.w.get(),
                           [&] { f.find<QPushButton>("pushButton_stopCfg")->click(); });
    });
    QCOMPARE(run(f, kWrite), QStringLiteral("写入配置遇到错误"));
    QTRY_VERIFY(!f.sim()->hasPendingOutput());
    QTest::qWait(100); // the poll of the port hands on anything still buffered
    QCOMPARE(f.sim()->receivedLines(), QStringList({"AT+TYP=C", "AT+IPR=5"}));
    QTRY_VERIFY(logTexts(f).contains("写入配置遇到错误：在 AT+IPR=5 处被停止"));

    SimNode *node = f.sim()->remotes().at(2);
    const SimNodeConfig &c = node->config();
    TestAccess::target(f.w.get()) = ZBdevice{false, c.macAddr, c.netAddr, c.desc[0]};
    // A remote node closing its lists with a bare "OK": two attempts, failure, and a log note.
    node->setListClosing(SimNode::ListClosing::BareOk);
    f.sim()->clearReceivedLines();
    QCOMPARE(run(f, kRead), kReadFailed);
    QCOMPARE(f.sim()->receivedLines().filter("AT+IO"),
             QStringList(2, "AT+IOSET?>NID," + c.netAddr));
    QTRY_VERIFY(
        logTexts(f).contains("读取配置遇到错误：在 AT+IOSET? 处（回复 \"OK\"：回复不被接受）"));

    // The port closed under a read of the module: its step timer ends it (two local
    // time-outs), and Read and Write are no longer offered.
    TestAccess::target(f.w.get()) = ZBdevice{true, {}, {}, {}};
    onLine(f.sim(), "AT+EPID?", [&] { f.sim()->dropNextReply(); });
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    f.sim()->clearReceivedLines();
    run(f, kRead, false);
    QTRY_COMPARE(countOf(f.sim(), "AT+EPID?"), 1);
    f.find<QPushButton>("pushButton_openCom")->click();
    // The step's own timer: one resend into the closed port, then the second time-out.
    QVERIFY(runEnded(f));
    QCOMPARE(f.status(), kReadFailed);
    QCOMPARE(countOf(f.sim(), "AT+EPID?"), 1);
    QCOMPARE(afterRun(f, false), "tab 2");
    QTRY_VERIFY(logTexts(f).contains("读取配置遇到错误：在 AT+EPID? 处（无回复）"));

    // The line breaks as a write's first command goes out: the run ends there, and the page
    // it was about to show does not replace the user's tab a turn later.
    QVERIFY(f.openPort());
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(3);
    f.sim()->breakHostLineAfter(4);
    run(f, kWrite, false);
    QCoreApplication::processEvents();
    QCOMPARE(afterRun(f, false), "tab 3");
}

void TestCfgWindow::otherNodesAndEditsDuringRuns()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    SimModule *sim = f.sim();
    // 0x3C4D answers a console query late, while a slow read of 0x1A2B runs: its reply is
    // noted and ignored, and the read takes each of its own queries' answers once.
    QVERIFY(sim->setNodeKnobs("0x3C4D:late=JOINT:150").isEmpty());
    QVERIFY(sim->setNodeKnobs("0x1A2B:latency=20").isEmpty());
    formSet(f, "lineEdit_cmd=AT+JOINT?>NID,0x3C4D;pushButton_send");
    setRemoteTarget(f, "0x1A2B", "0x00124B0001A2B3D1");
    sim->clearReceivedLines();
    QCOMPARE(run(f, kRead), kReadDone);
    QVERIFY(logTexts(f).contains("已忽略来自 0x3C4D 的回复"));
    QCOMPARE(sim->receivedLines().size(), 33);
    QCOMPARE(CfgForm::value(f, "lineEdit_joinTime"), sim->nodeByNet("0x1A2B")->config().joinTime);

    // A field changed while a write runs is neither sent at once nor taken for the write's.
    setRemoteTarget(f, {}, {});
    TestAccess::target(f.w.get()).isLocal = true;
    QVERIFY(sim->setNodeKnobs("0:refuse=DBIT:23").isEmpty());
    onLine(sim, "AT+IPR=", [&] { formSet(f, "comboBox_defaultWorkMode=TP_MODE"); });
    sim->clearReceivedLines();
    QCOMPARE(run(f, kWrite), QStringLiteral("写入配置遇到错误"));
    QCOMPARE(countOf(sim, "AT+DFWM"), 0);
    QCOMPARE(countOf(sim, "AT+DBIT="), 2);
}

void TestCfgWindow::exportAndImport()
{
    WindowFixture f;
    auto expected = formState(f); // a fresh form shows what the reset gives
    int counter = 100;
    changeEveryField(f, &counter);
    const auto saved = formState(f);
    QVERIFY(openFast(f));
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    const QString first = f.dir.filePath("a.xml");
    QCOMPARE(fileOp(f, "pushButton_Export", first), QStringLiteral("导出完成 0 1 2 3 4 2"));
    QCOMPARE_FORM(f, kFormRuns.arg(u"+", u"+"));
    const QByteArray exported = readAll(first);
    QVERIFY(exported.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QX_MODULE_CFG>\n"
                                "    <BASE_GROUP_ELEM>\n        <DEVICE_TYPE>"));

    // Changed again, with nothing sent to the module from here on.
    f.find<QPushButton>("pushButton_openCom")->click();
    changeEveryField(f, &counter);
    f.find<QLineEdit>("lineEdit_devicePart")->setText(QStringLiteral("PART-7")); // reset clears it
    QVERIFY(openFast(f));
    QTest::qWait(200);
    f.sim()->clearReceivedLines();
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(3);
    const auto changed = formState(f, false);
    // Cancelled, or refused (checked whole before the form is touched, no page shown): no change.
    QCOMPARE(fileOp(f, "pushButton_Import", QString()) + fileOp(f, "pushButton_Export", QString()),
             QString());
    const QString path = f.dir.filePath("values.xml");
    const QList<QPair<QByteArray, QString>> files = {
        {QByteArray(), "不能打开文件" + path},
        {"<?xml version=\"1.0\"?><OTHER><BASE_GROUP_ELEM/></OTHER>",
         "不是Nodeweave格式的XML配置文件,导入失败"},
        {"<QX_MODULE_CFG><NETWORK_GROUP_ELEM><EPID>1<X/></EPID></NETWORK_GROUP_ELEM>",
         "导入遇到错误"}};
    for (const auto &[bytes, told] : files) {
        if (!bytes.isNull())
            writeFile(path, bytes);
        QCOMPARE(fileOp(f, "pushButton_Import", path), told);
        QCOMPARE(formState(f, false), changed);
    }
    // An export that fails as the disk fills up (a size limit stands in) keeps the old file.
    struct rlimit limit;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const struct rlimit small = {512, limit.rlim_max};
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString status = fileOp(f, "pushButton_Export", first);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(status, " 0 1 2 3 4 3不能打开文件" + first); // pages, box
    QCOMPARE(readAll(first), exported);
    QCOMPARE(fileOp(f, "pushButton_Import", first), kImported + " 0 1 2 3 4 3");
    QCOMPARE(formState(f), saved);
    QTest::qWait(300);
    QCOMPARE(f.sim()->receivedLines(), QStringList());
    // The user's own change does go out.
    f.find<QCheckBox>("checkBox_TPIO9")->setChecked(false);
    QTRY_COMPARE(f.sim()->receivedLines(), QStringList({"AT+TPIO=0,9"}));

    // An import takes only what the form would take from the user.
    static const QRegularExpression keptByReset(
        QStringLiteral("^comboBox_(\\d+output|TPIO\\d+_TIO|TID_ADDR)$"));
    for (const auto &[name, value] : formState(f).asKeyValueRange())
        if (keptByReset.match(name).hasMatch())
            expected[name] = value;
    // Nodes of an earlier scan: a mode change lists their addresses.
    TestAccess::devices(f.w.get()) = {ZBdevice{false, "0x00124B0000000001", "0x1111", "a"},
                                      ZBdevice{false, "0x00124B0000000002", "0x2222", "b"}};
    // Every group and kind of leaf, out of order, with stray text, a leaf twice, an unknown element
    // (the rest of its group skipped) and values the form would refuse.
    writeFile(path,
              "<?xml version=\"1.0\"?><QX_MODULE_CFG><PWM_GROUP_ELME>text"
              "<PWM1_ELEM>1,abc,500</PWM1_ELEM><PWM2_ELEM>0,100,250</PWM2_ELEM>"
              "</PWM_GROUP_ELME><BASE_GROUP_ELEM><DEVICE_TYPE>router</DEVICE_TYPE>"
              "<UART>9600,7,Even,2,Hardware</UART><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
              "<NETWORK_GROUP_ELEM><!-- c --><CH>27</CH><EPID>abc</EPID><EPID>0x12AB</EPID>"
              "<JOINT>-7</JOINT><TID>MID,0x00124B0001</TID><NLOCK>y</NLOCK>"
              "<AUTONET>Y</AUTONET><DESC2>d</DESC2><X/><DESC1>skipped</DESC1></NETWORK_GROUP_ELEM>"
              "<IO_GROUP_ELEM><IO10_INOUT_ELEM>x,H</IO10_INOUT_ELEM><TPIO9_ELEM>1,10,NID"
              "</TPIO9_ELEM><TPIO10_ELEM>x,14,NID,0x1234</TPIO10_ELEM><IO9SMP_ELEM>"
              "1,30,NID,0xBEEF</IO9SMP_ELEM></IO_GROUP_ELEM><AD_GROUP_ELEM><ADSMP2_ELEM>"
              "0,5,MID,0x77</ADSMP2_ELEM></AD_GROUP_ELEM></QX_MODULE_CFG>");
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(1);
    const QString refused = QStringLiteral(
        "以下配置项的值不被表单接受，未导入：\nPWM1_ELEM: abc\nPWM1_ELEM: 500\nPWM2_ELEM: 250\n"
        "DEVICE_TYPE: router\nCH: 27\nEPID: abc\nJOINT: -7\nNLOCK: y\nTPIO9_ELEM: 1,10,NID");
    // One box and one log entry list every value not taken.
    QCOMPARE(fileOp(f, "pushButton_Import", path), kImported + " 4 0 1 2 3 1" + refused);
    QTRY_VERIFY(logTexts(f).contains(refused));
    // What was refused keeps what the reset gave it.
    const QString taken = QStringLiteral(
        "checkBox_PWM1=on;lineEdit_PWM2_FRQ=100;comboBox_deviceBps=9600;comboBox_deviceDataBit=7;"
        "comboBox_deviceParBit=Even;comboBox_deviceStopBit=2;comboBox_deviceFlow=Hardware;"
        "comboBox_defaultWorkMode=TP_MODE;lineEdit_EPID=0x12AB;comboBox_TID_AM=MID;"
        "comboBox_TID_ADDR=0x00124B0001;comboBox_autoNet=Y;lineEdit_DESC2=d;"
        "radioButton_10input=off;radioButton_10output=on;comboBox_10output=H;checkBox_TPIO10=on;"
        "comboBox_TPIO10_TIO=14;comboBox_TPIO10_AM=NID;comboBox_TPIO10_ADDR=0x1234;"
        "checkBox_IOSMP9=on;lineEdit_IOSMP_IT9=30;comboBox_IOSMP9_AM=NID;"
        "comboBox_IOSMP9_ADDR=0xBEEF;lineEdit_ADSMP2_IT=5;comboBox_ADSMP2=MID;"
        "comboBox_ADSMP2_ADDR=0x77");
    for (const QString &item : taken.split(';'))
        expected[item.section('=', 0, 0)] = item.section('=', 1);
    QCOMPARE(formState(f), expected);
}

QTEST_MAIN(TestCfgWindow)
#include "tst_cfgwindow.moc"
