// Saving the configuration form to a file and loading it back, through the window: what the
// file holds, the round trip, what an import takes, files that must leave the form alone,
// and exports that fail without harming the previous file.

#include "cfgform.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>

namespace {

using State = QMap<QString, QString>;

// Every value the five tabs show, by widget name, found without the file's own table;
// `fileOnly` leaves out what the file does not hold (values only read from the module).
State formState(WindowFixture &f, bool fileOnly = true)
{
    static const QRegularExpression field(QStringLiteral(
        "^(comboBox|lineEdit|radioButton|checkBox|spinBox|horizontalSlider)_(?!sendPkt)"));
    static const QRegularExpression notInFile(QStringLiteral(
        "^lineEdit_(device(Part|SoftwareVer|Nid|Mid|RunState)|LQI|\\d+curInput|AD\\d)$"));
    State s;
    for (QWidget *w : f.find<QTabWidget>("tabWidget")->findChildren<QWidget *>()) {
        if (field.match(w->objectName()).hasMatch() &&
            !(fileOnly && notInFile.match(w->objectName()).hasMatch()))
            s[w->objectName()] = CfgForm::value(f, w->objectName().toLatin1());
    }
    return s;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Moves every field of the file to another value. Address texts come after all modes,
// whose change refills the lists.
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
        else if (auto *in = qobject_cast<QRadioButton *>(w);
                 in && name.endsWith(QLatin1String("input")))
            (in->isChecked()
                 ? f.find<QRadioButton>((name.chopped(5) + "output").toLatin1().constData())
                 : in)
                ->setChecked(true);
    }
    for (QComboBox *box : addresses)
        box->setEditText(QStringLiteral("0x%1").arg(++*counter, 4, 16, QLatin1Char('0')));
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Export or import through the dialog; the status text it leaves.
QString fileOp(WindowFixture &f, const char *button, const QString &path)
{
    f.nextSaveFile = f.nextOpenFile = path;
    f.w->statusBar()->clearMessage();
    f.find<QPushButton>(button)->click();
    return f.status();
}

// The pages made current while `action` runs, each with what `probe` says at that moment.
QString pagesShown(WindowFixture &f, const std::function<void()> &action,
                   const std::function<QString()> &probe = nullptr)
{
    QStringList pages;
    auto c =
        QObject::connect(f.find<QTabWidget>("tabWidget"), &QTabWidget::currentChanged, [&](int i) {
            pages << QString::number(i) + (probe ? probe() : QString());
        });
    action();
    QObject::disconnect(c);
    return pages.join(QLatin1Char(' '));
}

const QString kExported = QStringLiteral("导出完成");
const QString kImported = QStringLiteral("导入完成");

} // namespace

class TestCfgFile : public QObject
{
    Q_OBJECT

private slots:
    void exportAndImportRestoreEveryField();
    void importTakesWhatTheFormAccepts();
    void badFilesLeaveTheFormAlone_data();
    void badFilesLeaveTheFormAlone();
    void failedExportKeepsTheOldFile();
};

void TestCfgFile::exportAndImportRestoreEveryField()
{
    WindowFixture f;
    QVERIFY(openFast(f));
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    // The file buttons, Read and Write are locked while the pages are saved one by one, and
    // a click that gets through the waits starts nothing.
    const char *buttons = "pushButton_Export pushButton_Import pushButton_readConfiguration "
                          "pushButton_writeConfiguartion";
    const auto locks = [&] {
        QMetaObject::invokeMethod(f.w.get(), "on_pushButton_Import_clicked");
        return QLatin1Char('/') + CfgForm::enabled(f, buttons);
    };
    const QString fresh = f.dir.filePath("fresh.xml");
    QCOMPARE(pagesShown(
                 f, [&] { QCOMPARE(fileOp(f, "pushButton_Export", fresh), kExported); }, locks),
             "0/0000 1/0000 2/0000 3/0000 4/0000 2/0000");
    QCOMPARE(CfgForm::enabled(f, buttons), "1111");
    const QByteArray bytes = readAll(fresh);
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QX_MODULE_CFG>\n    "
                             "<BASE_GROUP_ELEM>\n        <DEVICE_TYPE>Coor</DEVICE_TYPE>\n"));

    // Every field changed, saved, changed again, and loaded back: each change the import makes
    // would go to the module at once, were it not importing.
    f.find<QPushButton>("pushButton_openCom")->click();
    int counter = 100;
    changeEveryField(f, &counter);
    const State saved = formState(f);
    const QString first = f.dir.filePath("a.xml");
    QCOMPARE(fileOp(f, "pushButton_Export", first), kExported);
    changeEveryField(f, &counter);
    QVERIFY(openFast(f));
    QTest::qWait(200);
    f.sim()->clearReceivedLines();
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(3);
    const auto importing = [&] {
        return QLatin1Char('/') + QString::number(TestAccess::importRunning(f.w.get()));
    };
    QCOMPARE(pagesShown(
                 f, [&] { QCOMPARE(fileOp(f, "pushButton_Import", first), kImported); }, importing),
             "0/1 1/1 2/1 3/1 4/1 3/1");
    QCOMPARE(formState(f), saved);
    QCOMPARE(f.messages, QStringList());
    QTest::qWait(300);
    QCOMPARE(f.sim()->receivedLines(), QStringList());
    // Saving what was loaded gives the same file.
    QCOMPARE(fileOp(f, "pushButton_Export", f.dir.filePath("b.xml")), kExported);
    QCOMPARE(readAll(f.dir.filePath("b.xml")), readAll(first));

    // Cancelled dialogs do nothing; the user's own change does go out.
    QCOMPARE(fileOp(f, "pushButton_Import", QString()) + fileOp(f, "pushButton_Export", QString()),
             QString());
    QCOMPARE(formState(f), saved);
    f.find<QCheckBox>("checkBox_TPIO9")->setChecked(false);
    QTRY_COMPARE(f.sim()->receivedLines(), QStringList({"AT+TPIO=0,9"}));
}

void TestCfgFile::importTakesWhatTheFormAccepts()
{
    WindowFixture f;
    State expected = formState(f); // a fresh form shows what the reset gives
    int counter = 0;
    changeEveryField(f, &counter);
    static const QRegularExpression keptByReset(
        QStringLiteral("^comboBox_(\\d+output|TPIO\\d+_TIO|TID_ADDR)$"));
    for (const auto &[name, value] : formState(f).asKeyValueRange())
        if (keptByReset.match(name).hasMatch())
            expected[name] = value;
    // Nodes of an earlier scan: a mode change lists their addresses.
    TestAccess::devices(f.w.get()) = {ZBdevice{false, "0x00124B0000000001", "0x1111", "a"},
                                      ZBdevice{false, "0x00124B0000000002", "0x2222", "b"}};
    // Groups out of order, stray text and comments, a leaf twice (both applied), an unknown
    // element (the rest of its group skipped), values the form would refuse.
    const QString path = f.dir.filePath("values.xml");
    writeFile(path, "<?xml version=\"1.0\"?><QX_MODULE_CFG><PWM_GROUP_ELME>text"
                    "<PWM1_ELEM>1,abc,500</PWM1_ELEM><PWM2_ELEM>0,100,250</PWM2_ELEM>"
                    "</PWM_GROUP_ELME><BASE_GROUP_ELEM>"
                    "<DEVICE_TYPE>router</DEVICE_TYPE><UART>9600,7,Even,2,Hardware</UART>"
                    "<DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM><NETWORK_GROUP_ELEM><!-- c -->"
                    "<CH>27</CH><EPID>abc</EPID><EPID>0x12AB</EPID><JOINT>-7</JOINT>"
                    "<TID>MID,0x00124B0001</TID><NLOCK>y</NLOCK><AUTONET>Y</AUTONET><X/>"
                    "<DESC1>skipped</DESC1></NETWORK_GROUP_ELEM><IO_GROUP_ELEM>"
                    "<IO9_INOUT_ELEM>1,H</IO9_INOUT_ELEM><IO10_INOUT_ELEM>x,L</IO10_INOUT_ELEM>"
                    "<IO14_INOUT_ELEM>0,H</IO14_INOUT_ELEM><TPIO9_ELEM>1,10,NID</TPIO9_ELEM>"
                    "<TPIO10_ELEM>x,14,NID,0x1234</TPIO10_ELEM><IO9SMP_ELEM>1,30,NID,0xBEEF"
                    "</IO9SMP_ELEM></IO_GROUP_ELEM><AD_GROUP_ELEM><ADSMP2_ELEM>0,5,MID,0x77"
                    "</ADSMP2_ELEM><ADSMP3_ELEM>1,7,LID,0x5</ADSMP3_ELEM></AD_GROUP_ELEM>"
                    "</QX_MODULE_CFG>");
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(1);
    QCOMPARE(pagesShown(f, [&] { QCOMPARE(fileOp(f, "pushButton_Import", path), kImported); }),
             "4 0 1 2 3 1");

    // "CH" 27, "router" and "y" are no items; "abc", "-7" and duties above 100 are not what
    // the fields take from the user: those fields keep what the reset gave them.
    const auto taken = CfgForm::parse(
        "checkBox_PWM1=on lineEdit_PWM2_FRQ=100 comboBox_deviceBps=9600 "
        "comboBox_deviceDataBit=7 comboBox_deviceParBit=Even comboBox_deviceStopBit=2 "
        "comboBox_deviceFlow=Hardware comboBox_defaultWorkMode=TP_MODE lineEdit_EPID=0x12AB "
        "comboBox_TID_AM=MID comboBox_TID_ADDR=0x00124B0001 comboBox_autoNet=Y "
        "radioButton_9input=off radioButton_9output=on comboBox_9output=H "
        "radioButton_10input=off radioButton_10output=on comboBox_10output=L "
        "comboBox_14output=H checkBox_TPIO10=on comboBox_TPIO10_TIO=14 comboBox_TPIO10_AM=NID "
        "comboBox_TPIO10_ADDR=0x1234 checkBox_IOSMP9=on lineEdit_IOSMP_IT9=30 "
        "comboBox_IOSMP9_AM=NID comboBox_IOSMP9_ADDR=0xBEEF lineEdit_ADSMP2_IT=5 "
        "comboBox_ADSMP2=MID comboBox_ADSMP2_ADDR=0x77 checkBox_ADSMP3=on lineEdit_ADSMP3_IT=7 "
        "comboBox_ADSMP3_ADDR=0x5");
    for (const auto &[name, value] : taken)
        expected[QString::fromLatin1(name)] = value;
    QCOMPARE(formState(f), expected);
    QCOMPARE(CfgForm::mismatches(f, CfgForm::parse("comboBox_CH=15 comboBox_deviceType=Coor")),
             QString());

    // One box and one log entry list every value not taken.
    const QString refused = QStringLiteral(
        "以下配置项的值不被表单接受，未导入：\nPWM1_ELEM: abc\nPWM1_ELEM: 500\nPWM2_ELEM: 250\n"
        "DEVICE_TYPE: router\nCH: 27\nEPID: abc\nJOINT: -7\nNLOCK: y\nTPIO9_ELEM: 1,10,NID");
    QCOMPARE(f.messages, QStringList{refused});
    QTRY_COMPARE(logTexts(f).value(logTexts(f).size() - 1), refused);
    // The address texts came after the refills, which added no item for them.
    auto *tpio = f.find<QComboBox>("comboBox_TPIO10_ADDR");
    QCOMPARE(QStringList({tpio->itemText(0), tpio->itemText(1), QString::number(tpio->count())}),
             QStringList({"0x1111", "0x2222", "2"}));
}

void TestCfgFile::badFilesLeaveTheFormAlone_data()
{
    // `box`: the message box expected (%1 the path), else `status` in the status bar.
    QTest::addColumn<QString>("file"); // in the test's folder; "" is the folder itself
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("status");
    const QString cannotOpen = QStringLiteral("不能打开文件%1");
    const QString notCfg = QStringLiteral("不是Nodeweave格式的XML配置文件,导入失败");
    const QString error = QStringLiteral("导入遇到错误");
    const QByteArray head = "<?xml version=\"1.0\"?>\n<QX_MODULE_CFG>";
    QTest::newRow("missing") << "missing.xml" << QByteArray() << cannotOpen << "";
    QTest::newRow("a folder") << "" << QByteArray() << cannotOpen << "";
    QTest::newRow("other root") << "bad.xml"
                                << QByteArray("<?xml version=\"1.0\"?><OTHER><BASE_GROUP_ELEM>"
                                              "<DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM></OTHER>")
                                << "" << notCfg;
    QTest::newRow("cut short") << "bad.xml"
                               << head + "<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM><DEVICE_TYPE>Rou"
                               << "" << error;
    QTest::newRow("a leaf holding an element")
        << "bad.xml" << head + "<NETWORK_GROUP_ELEM><EPID>1<X/></EPID></NETWORK_GROUP_ELEM>"
        << "" << error;
}

void TestCfgFile::badFilesLeaveTheFormAlone()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, box);
    WindowFixture f;
    int counter = 0;
    changeEveryField(f, &counter);
    f.find<QLineEdit>("lineEdit_devicePart")->setText(QStringLiteral("PART-7")); // reset clears it
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(3);
    const State before = formState(f, false);
    const QString path = file.isEmpty() ? f.dir.path() : f.dir.filePath(file);
    if (!bytes.isNull())
        writeFile(path, bytes);

    QCOMPARE(pagesShown(f, [&] { QTEST(fileOp(f, "pushButton_Import", path), "status"); }), "");
    QCOMPARE(formState(f, false), before);
    QCOMPARE(f.messages, box.isEmpty() ? QStringList() : QStringList{box.arg(path)});
    QVERIFY(!TestAccess::importRunning(f.w.get()) && !TestAccess::fileOpRunning(f.w.get()));
    QVERIFY(f.find<QPushButton>("pushButton_Import")->isEnabled());
}

void TestCfgFile::failedExportKeepsTheOldFile()
{
    WindowFixture f;
    const QByteArray old = "<old configuration/>\n";
    const QString path = f.dir.filePath("keep.xml");
    writeFile(path, old);
    const QString nowhere = f.dir.filePath("no/such/dir.xml");
    QCOMPARE(fileOp(f, "pushButton_Export", nowhere), QString());

    // The disk fills up while the file is written (a file size limit stands in for it).
    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 512;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString status = fileOp(f, "pushButton_Export", path);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(status, QString());
    QCOMPARE(f.messages, QStringList({"不能打开文件" + nowhere, "不能打开文件" + path}));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(f.dir.path()).entryList({"keep.xml*"}, QDir::Files | QDir::Hidden),
             QStringList{"keep.xml"});
    QVERIFY(f.find<QPushButton>("pushButton_Export")->isEnabled());

    // With room again the same export replaces the file.
    QCOMPARE(fileOp(f, "pushButton_Export", path), kExported);
    QVERIFY(readAll(path).contains("<PWM_GROUP_ELME>"));
}

QTEST_MAIN(TestCfgFile)
#include "tst_cfgfile.moc"
