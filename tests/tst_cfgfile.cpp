// Saving the configuration form to an XML file and loading it back, through the window:
// what the file holds, the round trip, the import's edge cases, files that must leave
// the form alone, failed exports, silence towards the module, and a node-to-node copy.

#include "config/cfgfileformat.h"
#include "testutil.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using State = QMap<QString, QString>;

QString tr(const char *source)
{
    return QCoreApplication::translate("Nodeweave", source);
}

QString wrongRootText()
{
    return tr("不是%1格式的XML配置文件,导入失败").arg(QStringLiteral("Nodeweave"));
}

// Fields of the tabs that the file does not hold: values only read from the module, and
// the send-packet group.
bool inFile(const QString &name)
{
    static const QRegularExpression notInFile(QStringLiteral(
        "^lineEdit_(device(Part|SoftwareVer|Nid|Mid|RunState)|LQI|\\d+curInput|AD\\d)$|sendPkt"));
    return !notInFile.match(name).hasMatch();
}

// Fields that the form reset does not touch.
bool keptByReset(const QString &name)
{
    static const QRegularExpression kept(
        QStringLiteral("^comboBox_(\\d+output|TPIO\\d+_TIO|TID_ADDR)$"));
    return kept.match(name).hasMatch();
}

// Every value shown on the five tabs, by widget name, found without the file's table.
State formState(WindowFixture &f, bool fileFieldsOnly = true)
{
    State s;
    for (QWidget *w : f.find<QTabWidget>("tabWidget")->findChildren<QWidget *>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) ||
            (fileFieldsOnly && !inFile(name)))
            continue;
        if (auto *box = qobject_cast<QComboBox *>(w))
            s[name] = box->currentText();
        else if (auto *edit = qobject_cast<QLineEdit *>(w))
            s[name] = edit->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w); button && button->isCheckable())
            s[name] = button->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
        else if (auto *spin = qobject_cast<QSpinBox *>(w))
            s[name] = QString::number(spin->value());
        else if (auto *slider = qobject_cast<QSlider *>(w))
            s[name] = QString::number(slider->value());
    }
    return s;
}

// Moves every field of the file to another value: the next item, another number, the
// other state. Address texts are set after all modes, whose change refills the lists.
void changeEveryField(WindowFixture &f, int *counter)
{
    const QList<QWidget *> widgets = f.find<QTabWidget>("tabWidget")->findChildren<QWidget *>();
    QList<QComboBox *> addresses;
    for (QWidget *w : widgets) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !inFile(name))
            continue;
        if (auto *box = qobject_cast<QComboBox *>(w)) {
            if (box->isEditable())
                addresses << box;
            else
                box->setCurrentIndex((box->currentIndex() + 1) % box->count());
        } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            edit->setText(QString::number(++*counter));
        } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
            check->setChecked(!check->isChecked());
        } else if (auto *radio = qobject_cast<QRadioButton *>(w)) {
            if (name.endsWith(QLatin1String("input"))) {
                auto *output = f.w->findChild<QRadioButton *>(name.chopped(5) + "output");
                (radio->isChecked() ? output : radio)->setChecked(true);
            }
        } else if (auto *spin = qobject_cast<QSpinBox *>(w)) {
            spin->setValue((spin->value() + 37) % 101);
        }
    }
    for (QComboBox *box : addresses)
        box->setEditText(QStringLiteral("0x%1").arg(++*counter, 4, 16, QLatin1Char('0')));
}

// Leaf texts of a file, by element name.
QMap<QString, QString> leafTexts(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&file);
    QMap<QString, QString> texts;
    QString current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement())
            current = xml.name().toString();
        else if (xml.isCharacters() && !xml.isWhitespace())
            texts[current] = xml.text().toString();
    }
    return texts;
}

QStringList items(QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray cfg(const char *groups)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QX_MODULE_CFG>") + groups +
           "</QX_MODULE_CFG>\n";
}

// Tab indexes made current, in order.
struct TabLog
{
    QList<int> tabs;
    QMetaObject::Connection c;
    explicit TabLog(WindowFixture &f)
    {
        c = QObject::connect(f.find<QTabWidget>("tabWidget"), &QTabWidget::currentChanged,
                             [this](int i) { tabs << i; });
    }
    ~TabLog() { QObject::disconnect(c); }
};

bool exportTo(WindowFixture &f, const QString &path)
{
    f.nextSaveFile = path;
    f.find<QPushButton>("pushButton_Export")->click();
    return f.status() == tr("导出完成");
}

bool importFrom(WindowFixture &f, const QString &path)
{
    f.nextOpenFile = path;
    f.find<QPushButton>("pushButton_Import")->click();
    return f.status() == tr("导入完成");
}

bool idle(WindowFixture &f)
{
    return QTest::qWaitFor([&] { return !TestAccess::sequenceRunning(f.w.get()); }, 20000);
}

} // namespace

class TestCfgFile : public QObject
{
    Q_OBJECT

private slots:
    void exportOfAFreshWindow();
    void roundTripRestoresEveryField();
    void emptyFieldSkipsItsLeaf();
    void importStructure();
    void importLeafValues();
    void badFilesLeaveTheFormAlone();
    void failedExportKeepsTheOldFile();
    void importSendsNothingToTheModule();
    void mutatedFilesThroughTheWindow();
    void copyOneNodeToAnother();
};

void TestCfgFile::exportOfAFreshWindow()
{
    WindowFixture f;
    const QString path = f.dir.filePath("fresh.xml");
    QStringList captions;
    Dialogs::Hooks hooks;
    hooks.message = [&](const QString &text) {
        f.messages << text;
    };
    hooks.saveFileName = [&](const QString &caption) {
        captions << caption;
        return f.nextSaveFile;
    };
    hooks.openFileName = [&](const QString &caption) {
        captions << caption;
        return f.nextOpenFile;
    };
    Dialogs::setHooks(hooks);

    // Cancelled: nothing written, nothing shown.
    f.nextSaveFile.clear();
    f.find<QPushButton>("pushButton_Export")->click();
    QCOMPARE(captions, QStringList{"Export Cfg File To"});
    QVERIFY(f.status() != tr("导出完成"));

    auto *tabs = f.find<QTabWidget>("tabWidget");
    auto *exportButton = f.find<QPushButton>("pushButton_Export");
    auto *importButton = f.find<QPushButton>("pushButton_Import");
    auto *readButton = f.find<QPushButton>("pushButton_readConfiguration");
    auto *writeButton = f.find<QPushButton>("pushButton_writeConfiguartion");
    QVERIFY(f.openPort());
    tabs->setCurrentIndex(2);
    // Each page is shown while it is saved; both buttons (and Read and Write) are locked
    // meanwhile, and a click that gets through the waits starts nothing.
    QList<bool> enabledDuring;
    TabLog log(f);
    auto c = connect(tabs, &QTabWidget::currentChanged, this, [&] {
        enabledDuring << exportButton->isEnabled() << importButton->isEnabled()
                      << readButton->isEnabled() << writeButton->isEnabled();
        QVERIFY(TestAccess::fileOpRunning(f.w.get()));
        QMetaObject::invokeMethod(f.w.get(), "on_pushButton_Import_clicked");
        QMetaObject::invokeMethod(f.w.get(), "on_pushButton_Export_clicked");
    });
    captions.clear();
    QVERIFY(exportTo(f, path));
    disconnect(c);
    QCOMPARE(captions, QStringList{"Export Cfg File To"});
    QCOMPARE(log.tabs, QList<int>({0, 1, 2, 3, 4, 2}));
    QVERIFY(!enabledDuring.contains(true));
    QVERIFY(exportButton->isEnabled());
    QVERIFY(importButton->isEnabled());
    QVERIFY(readButton->isEnabled());
    QVERIFY(writeButton->isEnabled());
    QVERIFY(!TestAccess::fileOpRunning(f.w.get()));
    QVERIFY(f.messages.isEmpty());

    // The start values of the form.
    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QX_MODULE_CFG>\n    <"));
    const auto leaves = leafTexts(path);
    QCOMPARE(leaves.value("UART"), QStringLiteral("115200,8,None,1,None"));
    QVERIFY(leaves.value("TID").startsWith(QLatin1String("NID,")));
    QCOMPARE(leaves.value("DEVICE_TYPE"), QStringLiteral("Coor"));
    QCOMPARE(leaves.value("CH"), QStringLiteral("15"));
    QCOMPARE(leaves.value("IO9_INOUT_ELEM").left(2), QStringLiteral("0,"));
    QCOMPARE(leaves.value("TPIO9_ELEM").section(',', 2), QStringLiteral("MID,0x0"));
    QCOMPARE(leaves.value("IO17SMP_ELEM"), QStringLiteral("0,10,LID,0x0"));
    QCOMPARE(leaves.value("ADSMP4_ELEM"), QStringLiteral("0,10,LID,0x0"));
    QCOMPARE(leaves.value("PWM3_ELEM"), QStringLiteral("0,1000,0"));

    // Open dialog caption; cancelling changes nothing.
    captions.clear();
    const State before = formState(f, false);
    f.nextOpenFile.clear();
    importButton->click();
    QCOMPARE(captions, QStringList{"Import Cfg File From"});
    QCOMPARE(formState(f, false), before);
}

void TestCfgFile::roundTripRestoresEveryField()
{
    WindowFixture f;
    int counter = 100;
    changeEveryField(f, &counter);
    const State saved = formState(f);
    const QString first = f.dir.filePath("a.xml");
    QVERIFY(exportTo(f, first));

    changeEveryField(f, &counter);
    const State other = formState(f);
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QVERIFY2(other.value(it.key()) != it.value(), qPrintable(it.key()));

    auto *tabs = f.find<QTabWidget>("tabWidget");
    tabs->setCurrentIndex(3);
    QVERIFY(importFrom(f, first));
    QCOMPARE(tabs->currentIndex(), 3);
    const State loaded = formState(f);
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QCOMPARE(it.key() + "=" + loaded.value(it.key()), it.key() + "=" + it.value());
    QVERIFY(!TestAccess::importRunning(f.w.get()));
    QVERIFY(f.messages.isEmpty()); // nothing refused, nothing to say

    // Saving what was loaded gives the same file.
    const QString second = f.dir.filePath("b.xml");
    QVERIFY(exportTo(f, second));
    QCOMPARE(readAll(second), readAll(first));
}

void TestCfgFile::emptyFieldSkipsItsLeaf()
{
    WindowFixture f;
    const State reset = formState(f);
    int counter = 0;
    changeEveryField(f, &counter);
    f.find<QLineEdit>("lineEdit_IOSMP_IT9")->clear();
    f.find<QComboBox>("comboBox_TPIO10_ADDR")->setEditText(QString());
    f.find<QLineEdit>("lineEdit_PWM1_FRQ")->clear();
    f.find<QLineEdit>("lineEdit_DESC2")->clear();
    const State saved = formState(f);
    const QString path = f.dir.filePath("gaps.xml");
    QVERIFY(exportTo(f, path));
    QCOMPARE(leafTexts(path).value("IO9SMP_ELEM").section(',', 1, 1), QString());

    QVERIFY(importFrom(f, path));
    const State loaded = formState(f);
    const QRegularExpression skippedRows(
        QStringLiteral("IOSMP_?(IT)?9(_AM|_ADDR)?$|TPIO10(_AM|_ADDR)?$|PWM1(_FRQ)?$"));
    for (auto it = saved.cbegin(); it != saved.cend(); ++it) {
        const QString &name = it.key();
        // A several-field leaf with an empty field is skipped whole: its row keeps the
        // reset values (the target IO of a transparent IO row is not reset).
        const QString expected = skippedRows.match(name).hasMatch() && !keptByReset(name)
                                     ? reset.value(name)
                                     : it.value();
        QCOMPARE(name + "=" + loaded.value(name), name + "=" + expected);
    }
    QCOMPARE(loaded.value("lineEdit_DESC2"), QString());
    QCOMPARE(loaded.value("lineEdit_IOSMP_IT9"), QStringLiteral("10"));
    QCOMPARE(loaded.value("comboBox_IOSMP9_AM"), QStringLiteral("LID"));
    QCOMPARE(loaded.value("comboBox_TPIO10_ADDR"), QStringLiteral("0x0"));
    QCOMPARE(loaded.value("lineEdit_PWM1_FRQ"), QStringLiteral("1000"));
    QCOMPARE(loaded.value("checkBox_PWM1"), QStringLiteral("off"));
}

void TestCfgFile::importStructure()
{
    WindowFixture f;
    auto *tabs = f.find<QTabWidget>("tabWidget");
    const State reset = formState(f);
    int counter = 0;
    const QString path = f.dir.filePath("part.xml");

    // Only an empty root: the whole form reset, no page shown.
    changeEveryField(f, &counter);
    State changed = formState(f);
    writeFile(path, cfg(""));
    {
        TabLog log(f);
        QVERIFY(importFrom(f, path));
        QVERIFY(log.tabs.isEmpty());
    }
    State now = formState(f);
    for (auto it = reset.cbegin(); it != reset.cend(); ++it)
        QCOMPARE(it.key() + "=" + now.value(it.key()),
                 it.key() + "=" + (keptByReset(it.key()) ? changed : reset).value(it.key()));

    // Only the network group: only its fields change, only its page is shown.
    changeEveryField(f, &counter);
    changed = formState(f);
    tabs->setCurrentIndex(4);
    writeFile(path, cfg("<NETWORK_GROUP_ELEM><EPID>4321</EPID><CH>20</CH><JOINT>99</JOINT>"
                        "<NLOCK>Y</NLOCK><AUTONET>Y</AUTONET><TID>MID,0x00AB</TID>"
                        "<DESC1>d1</DESC1><DESC2>d2</DESC2><DESC3>d3</DESC3><DESC4>d4</DESC4>"
                        "</NETWORK_GROUP_ELEM>"));
    {
        TabLog log(f);
        QVERIFY(importFrom(f, path));
        QCOMPARE(log.tabs, QList<int>({1, 4}));
    }
    State expected = reset;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        if (keptByReset(it.key()))
            expected[it.key()] = it.value();
    expected["lineEdit_EPID"] = "4321";
    expected["comboBox_CH"] = "20";
    expected["lineEdit_joinTime"] = "99";
    expected["comboBox_netLock"] = "Y";
    expected["comboBox_autoNet"] = "Y";
    expected["comboBox_TID_AM"] = "MID";
    expected["comboBox_TID_ADDR"] = "0x00AB";
    for (int d = 1; d <= 4; ++d)
        expected[QStringLiteral("lineEdit_DESC%1").arg(d)] = QStringLiteral("d%1").arg(d);
    QCOMPARE(formState(f), expected);

    // Groups out of order; an unknown element first skips its group, last skips nothing;
    // a leaf given twice is applied twice; comments and stray text are passed over.
    tabs->setCurrentIndex(0);
    writeFile(path, cfg("<PWM_GROUP_ELME>text<PWM2_ELEM>1,300,55</PWM2_ELEM></PWM_GROUP_ELME>"
                        "<BASE_GROUP_ELEM><UNKNOWN/><DEVICE_TYPE>Router</DEVICE_TYPE>"
                        "<DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
                        "<NETWORK_GROUP_ELEM><!-- c --><CH>12</CH><EPID>1</EPID><EPID>2</EPID>"
                        "<UNKNOWN>3</UNKNOWN></NETWORK_GROUP_ELEM>"));
    {
        TabLog log(f);
        QVERIFY(importFrom(f, path));
        QCOMPARE(log.tabs, QList<int>({4, 0, 1, 0}));
    }
    now = formState(f);
    QCOMPARE(now.value("checkBox_PWM2"), QStringLiteral("on"));
    QCOMPARE(now.value("lineEdit_PWM2_FRQ"), QStringLiteral("300"));
    QCOMPARE(now.value("spinBox_PWM2"), QStringLiteral("55"));
    QCOMPARE(now.value("horizontalSlider_PWM2"), QStringLiteral("55"));
    QCOMPARE(now.value("comboBox_deviceType"), QStringLiteral("Coor"));
    QCOMPARE(now.value("comboBox_defaultWorkMode"), QStringLiteral("AT_MODE"));
    QCOMPARE(now.value("comboBox_CH"), QStringLiteral("12"));
    QCOMPARE(now.value("lineEdit_EPID"), QStringLiteral("2"));
}

void TestCfgFile::importLeafValues()
{
    WindowFixture f;
    const State reset = formState(f);
    const QString path = f.dir.filePath("values.xml");
    writeFile(path,
              cfg("<BASE_GROUP_ELEM><DEVICE_TYPE>router</DEVICE_TYPE>"
                  "<UART>9600,7,Even,2,Hardware</UART><DFWM>TP_MODE</DFWM>"
                  "</BASE_GROUP_ELEM>"
                  "<NETWORK_GROUP_ELEM><CH>27</CH><EPID>abc</EPID><JOINT>-7</JOINT>"
                  "<TID>MID,0x00124B0001</TID><NLOCK>y</NLOCK></NETWORK_GROUP_ELEM>"
                  "<IO_GROUP_ELEM><IO9_INOUT_ELEM>1,H</IO9_INOUT_ELEM>"
                  "<IO10_INOUT_ELEM>x,L</IO10_INOUT_ELEM><IO14_INOUT_ELEM>0,H</IO14_INOUT_ELEM>"
                  "<TPIO9_ELEM>1,10,NID</TPIO9_ELEM><TPIO10_ELEM>x,14,NID,0x1234</TPIO10_ELEM>"
                  "<IO9SMP_ELEM>1,30,NID,0xBEEF</IO9SMP_ELEM></IO_GROUP_ELEM>"
                  "<AD_GROUP_ELEM><ADSMP2_ELEM>0,5,MID,0x77</ADSMP2_ELEM>"
                  "<ADSMP3_ELEM>1,7,LID,0x5</ADSMP3_ELEM></AD_GROUP_ELEM>"
                  "<PWM_GROUP_ELME><PWM1_ELEM>1,abc,500</PWM1_ELEM>"
                  "<PWM2_ELEM>0,100,250</PWM2_ELEM><PWM3_ELEM>1,50,42</PWM3_ELEM>"
                  "</PWM_GROUP_ELME>"));
    // Nodes of an earlier scan: a mode change lists their addresses.
    TestAccess::devices(f.w.get()) = {ZBdevice{false, "0x00124B0000000001", "0x1111", "a"},
                                      ZBdevice{false, "0x00124B0000000002", "0x2222", "b"}};
    QVERIFY(importFrom(f, path));

    State expected = reset;
    // Items are matched exactly, case included; an unknown item leaves the box alone.
    expected["comboBox_deviceBps"] = "9600";
    expected["comboBox_deviceDataBit"] = "7";
    expected["comboBox_deviceParBit"] = "Even";
    expected["comboBox_deviceStopBit"] = "2";
    expected["comboBox_deviceFlow"] = "Hardware";
    expected["comboBox_defaultWorkMode"] = "TP_MODE";
    // A text, an address or a number is taken only when the field would take it from the
    // user: "abc" and "-7" leave EPID and join time reset.
    expected["comboBox_TID_AM"] = "MID";
    expected["comboBox_TID_ADDR"] = "0x00124B0001";
    // Direction: "0" is input, anything else output.
    expected["radioButton_9input"] = "off";
    expected["radioButton_9output"] = "on";
    expected["comboBox_9output"] = "H";
    expected["radioButton_10input"] = "off";
    expected["radioButton_10output"] = "on";
    expected["comboBox_10output"] = "L";
    expected["comboBox_14output"] = "H";
    // Three fields where four belong: skipped. Flag "x" checks the box; the address is
    // set after the mode change has refilled its list.
    expected["checkBox_TPIO10"] = "on";
    expected["comboBox_TPIO10_TIO"] = "14";
    expected["comboBox_TPIO10_AM"] = "NID";
    expected["comboBox_TPIO10_ADDR"] = "0x1234";
    expected["checkBox_IOSMP9"] = "on";
    expected["lineEdit_IOSMP_IT9"] = "30";
    expected["comboBox_IOSMP9_AM"] = "NID";
    expected["comboBox_IOSMP9_ADDR"] = "0xBEEF";
    expected["lineEdit_ADSMP2_IT"] = "5";
    expected["comboBox_ADSMP2"] = "MID";
    expected["comboBox_ADSMP2_ADDR"] = "0x77";
    expected["checkBox_ADSMP3"] = "on";
    expected["lineEdit_ADSMP3_IT"] = "7";
    expected["comboBox_ADSMP3_ADDR"] = "0x5";
    // Frequency "abc" and duties 500 and 250 are refused; the rest of their leaves is taken.
    expected["checkBox_PWM1"] = "on";
    expected["lineEdit_PWM2_FRQ"] = "100";
    expected["checkBox_PWM3"] = "on";
    expected["lineEdit_PWM3_FRQ"] = "50";
    expected["spinBox_PWM3"] = "42";
    expected["horizontalSlider_PWM3"] = "42";
    // "CH" 27 is no item: the box keeps its reset value.
    QCOMPARE(formState(f), expected);
    // The import still ends as done, and one box lists every value it did not take.
    QCOMPARE(f.status(), tr("导入完成"));
    const QStringList refused = {"DEVICE_TYPE: router", "CH: 27",         "EPID: abc",
                                 "JOINT: -7",           "NLOCK: y",       "TPIO9_ELEM: 1,10,NID",
                                 "PWM1_ELEM: abc",      "PWM1_ELEM: 500", "PWM2_ELEM: 250"};
    QCOMPARE(
        f.messages,
        QStringList{
            tr("以下配置项的值不被表单接受，未导入：\n%1").arg(refused.join(QLatin1Char('\n')))});
    QCOMPARE(CfgFile::describe(f.w->refusedImportValues()), refused);
    QTRY_COMPARE(logTexts(f).value(logTexts(f).size() - 1), f.messages.value(0));
    QVERIFY(f.find<QComboBox>("comboBox_9output")->isEnabled());
    // The address texts came after the refills, which added no item for them.
    QCOMPARE(items(f.find<QComboBox>("comboBox_TPIO10_ADDR")), QStringList({"0x1111", "0x2222"}));
    QCOMPARE(items(f.find<QComboBox>("comboBox_TID_ADDR")),
             QStringList({"0x00124B0000000001", "0x00124B0000000002"}));
}

void TestCfgFile::badFilesLeaveTheFormAlone()
{
    WindowFixture f;
    int counter = 0;
    changeEveryField(f, &counter);
    // Fields outside the file too: a reset would clear them.
    f.find<QLineEdit>("lineEdit_devicePart")->setText(QStringLiteral("PART-7"));
    f.find<QLineEdit>("lineEdit_LQI")->setText(QStringLiteral("200"));
    auto *tabs = f.find<QTabWidget>("tabWidget");
    tabs->setCurrentIndex(3);
    const State before = formState(f, false);

    QByteArray whole;
    {
        QBuffer buffer(&whole);
        buffer.open(QIODevice::WriteOnly);
        QXmlStreamWriter xml(&buffer);
        xml.setAutoFormatting(true);
        xml.writeStartDocument();
        xml.writeStartElement(CfgFile::rootName());
        for (const CfgFile::Group &g : CfgFile::groups())
            CfgFile::writeGroup(xml, g, [](const CfgFile::Field &) { return QStringLiteral("1"); });
        xml.writeEndElement();
        xml.writeEndDocument();
    }

    struct Case
    {
        const char *name;
        QByteArray bytes; // null: no file written
        QString message;  // message box expected, else the status text
        QString status;
    };
    const QString missing = f.dir.filePath("missing.xml");
    const QList<Case> cases = {
        {"missing", QByteArray(), tr("不能打开文件%1").arg(missing), QString()},
        {"directory", QByteArray(), tr("不能打开文件%1").arg(f.dir.path()), QString()},
        {"other root",
         QByteArray("<?xml version=\"1.0\"?><OTHER><BASE_GROUP_ELEM>"
                    "<DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM></OTHER>"),
         QString(), wrongRootText()},
        {"empty", QByteArray(""), QString(), wrongRootText()},
        {"truncated", whole.left(whole.size() / 2), QString(), tr("导入遇到错误")},
        {"malformed", cfg("<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM></NETWORK_GROUP_ELEM>"), QString(),
         tr("导入遇到错误")},
        {"leaf with an element", cfg("<NETWORK_GROUP_ELEM><EPID>1<X/></EPID></NETWORK_GROUP_ELEM>"),
         QString(), tr("导入遇到错误")},
        {"content after the root", cfg("") + "<QX_MODULE_CFG/>", QString(), tr("导入遇到错误")},
    };
    for (const Case &c : cases) {
        QString path = f.dir.filePath(QStringLiteral("bad.xml"));
        if (QByteArray(c.name) == "missing")
            path = missing;
        else if (QByteArray(c.name) == "directory")
            path = f.dir.path();
        else
            writeFile(path, c.bytes);
        f.messages.clear();
        f.w->statusBar()->clearMessage();
        TabLog log(f);
        f.nextOpenFile = path;
        f.find<QPushButton>("pushButton_Import")->click();
        QVERIFY2(log.tabs.isEmpty(), c.name);
        QCOMPARE(formState(f, false), before);
        if (c.message.isEmpty()) {
            QVERIFY2(f.messages.isEmpty(), c.name);
            QCOMPARE(f.status(), c.status);
        } else {
            QCOMPARE(f.messages, QStringList{c.message});
            QVERIFY2(f.status().isEmpty(), c.name);
        }
        QVERIFY(!TestAccess::importRunning(f.w.get()));
        QVERIFY(f.find<QPushButton>("pushButton_Import")->isEnabled());
        QVERIFY(f.find<QPushButton>("pushButton_Export")->isEnabled());
    }
    QCOMPARE(tabs->currentIndex(), 3);
}

void TestCfgFile::failedExportKeepsTheOldFile()
{
    WindowFixture f;
    const QByteArray old = "<old configuration/>\n";
    const QString dirPath = f.dir.filePath("ro");
    QVERIFY(QDir().mkdir(dirPath));
    const QString path = dirPath + "/keep.xml";
    writeFile(path, old);

    // A folder that does not exist.
    const QString nowhere = f.dir.filePath("no/such/dir.xml");
    f.nextSaveFile = nowhere;
    f.find<QPushButton>("pushButton_Export")->click();
    QCOMPARE(f.messages, QStringList{tr("不能打开文件%1").arg(nowhere)});
    QVERIFY(f.status() != tr("导出完成"));

    // A read-only folder. Root ignores permissions, so drop the effective user meanwhile.
    f.messages.clear();
    QVERIFY(QFile::setPermissions(f.dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                    QFileDevice::ExeOther));
    QVERIFY(QFile::setPermissions(dirPath, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther));
    const bool root = geteuid() == 0;
    if (root)
        QCOMPARE(seteuid(65534), 0);
    f.nextSaveFile = path;
    f.find<QPushButton>("pushButton_Export")->click();
    if (root)
        QCOMPARE(seteuid(0), 0);
    QVERIFY(QFile::setPermissions(dirPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner));
    QCOMPARE(f.messages, QStringList{tr("不能打开文件%1").arg(path)});
    QVERIFY(f.status() != tr("导出完成"));
    QCOMPARE(readAll(path), old);

    // The disk fills up while the file is written (a file size limit stands in for it):
    // the old file stays whole and no success is reported.
    f.messages.clear();
    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 512;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    f.find<QPushButton>("pushButton_Export")->click();
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(f.messages, QStringList{tr("不能打开文件%1").arg(path)});
    QVERIFY(f.status() != tr("导出完成"));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(dirPath).entryList(QDir::Files), QStringList{"keep.xml"});
    QVERIFY(f.find<QPushButton>("pushButton_Export")->isEnabled());

    // With room again the same export replaces the file.
    QVERIFY(exportTo(f, path));
    QVERIFY(CfgFile::checkDocument(readAll(path)) == CfgFile::Check::Ok);
}

void TestCfgFile::importSendsNothingToTheModule()
{
    WindowFixture f;
    int counter = 0;
    changeEveryField(f, &counter);
    f.find<QCheckBox>("checkBox_TPIO9")->setChecked(true);
    f.find<QCheckBox>("checkBox_PWM1")->setChecked(true);
    const State saved = formState(f);
    const QString path = f.dir.filePath("quiet.xml");
    QVERIFY(exportTo(f, path));

    QVERIFY(f.openPort());
    QTest::qWait(200);
    f.sim()->clearReceivedLines();
    // Every field the import sets changes (the reset comes first), and each change would
    // otherwise send its command at once.
    QList<bool> runningDuring;
    auto c = connect(f.find<QTabWidget>("tabWidget"), &QTabWidget::currentChanged, this,
                     [&] { runningDuring << TestAccess::importRunning(f.w.get()); });
    QVERIFY(importFrom(f, path));
    disconnect(c);
    QVERIFY(!runningDuring.isEmpty());
    QVERIFY(!runningDuring.contains(false));
    QCOMPARE(formState(f), saved);
    QTest::qWait(300);
    QCOMPARE(f.sim()->receivedLines(), QStringList());
    QVERIFY(!TestAccess::importRunning(f.w.get()));

    // The same kind of change made by the user afterwards does go out.
    f.find<QCheckBox>("checkBox_TPIO9")->setChecked(false);
    QTRY_VERIFY(!f.sim()->receivedLines().isEmpty());
    QCOMPARE(f.sim()->receivedLines().first(), QStringLiteral("AT+TPIO=0,9"));
}

void TestCfgFile::mutatedFilesThroughTheWindow()
{
    WindowFixture f;
    int counter = 0;
    changeEveryField(f, &counter);
    const QString base = f.dir.filePath("base.xml");
    QVERIFY(exportTo(f, base));
    const QByteArray original = readAll(base);
    const QString path = f.dir.filePath("mutant.xml");

    QRandomGenerator rng(77);
    int accepted = 0;
    for (int round = 0; round < 24; ++round) {
        QByteArray d = original;
        // Keep the groups few so that accepted files load quickly.
        const int cut = int(d.indexOf("<IO_GROUP_ELEM>"));
        d.remove(cut, d.indexOf("<PWM_GROUP_ELME>") - cut);
        for (int m = 0; m < 1 + int(rng.bounded(3)); ++m) {
            const int at = int(rng.bounded(int(d.size())));
            switch (rng.bounded(3)) {
            case 0:
                d[at] = "<>/&,x0\xff"[rng.bounded(8)];
                break;
            case 1:
                d.remove(at, 1 + int(rng.bounded(20)));
                break;
            case 2:
                d.insert(at, d.mid(int(rng.bounded(int(d.size()))), int(rng.bounded(40))));
                break;
            }
        }
        writeFile(path, d);
        const CfgFile::Check verdict = CfgFile::checkDocument(d);
        const State before = formState(f, false);
        f.messages.clear();
        QVERIFY(!importFrom(f, path) || verdict == CfgFile::Check::Ok);
        // At most the list of refused values, for a file that was read.
        QCOMPARE(f.messages.size(), f.w->refusedImportValues().isEmpty() ? 0 : 1);
        QVERIFY(f.messages.isEmpty() || verdict == CfgFile::Check::Ok);
        QVERIFY(!TestAccess::importRunning(f.w.get()));
        QVERIFY(f.find<QPushButton>("pushButton_Import")->isEnabled());
        switch (verdict) {
        case CfgFile::Check::Ok:
            ++accepted;
            QCOMPARE(f.status(), tr("导入完成"));
            break;
        case CfgFile::Check::WrongRoot:
            QCOMPARE(f.status(), wrongRootText());
            QCOMPARE(formState(f, false), before);
            break;
        default:
            QCOMPARE(f.status(), tr("导入遇到错误"));
            QCOMPARE(formState(f, false), before);
            break;
        }
    }
    QVERIFY(accepted > 0);
    QVERIFY(accepted < 24);
}

void TestCfgFile::copyOneNodeToAnother()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    f.sim()->setLocalLatency(1);
    f.sim()->setRemoteLatency(2);
    SimNode *from = f.sim()->remotes().at(0);
    SimNode *to = f.sim()->remotes().at(1);

    // A configuration unlike the factory one.
    SimNodeConfig &c = from->config();
    c.type = 'R';
    c.uart.baudIndex = 2;
    c.uart.parityIndex = 1;
    c.epid = QStringLiteral("0x00124B0099887766");
    c.channel = 22;
    c.joinTime = QStringLiteral("33");
    c.lock = 1;
    c.autoStart = 0;
    c.tidMode = QStringLiteral("MID");
    c.tidAddr = QStringLiteral("0x00124B00AABBCC");
    c.desc[0] = QStringLiteral("shelf-3");
    c.io[0].output = true;
    c.io[0].level = 1;
    c.io[1].tpio = {true, 14, QStringLiteral("NID"), QStringLiteral("0x1A2B")};
    c.io[2].iosmp = {true, QStringLiteral("25"), QStringLiteral("MID"), QStringLiteral("0xFE")};
    c.adc[1].adcsmp = {true, QStringLiteral("40"), QStringLiteral("NID"), QStringLiteral("0x9")};
    c.pwm[2] = {true, QStringLiteral("2500"), 65};

    auto readFrom = [&](SimNode *node) {
        TestAccess::target(f.w.get()) =
            ZBdevice{false, node->config().macAddr, node->config().netAddr, QString()};
        f.find<QPushButton>("pushButton_readConfiguration")->click();
        return idle(f) && f.status() == QStringLiteral("读取配置完成");
    };

    QVERIFY(readFrom(from));
    const QString saved = f.dir.filePath("node.xml");
    QVERIFY(exportTo(f, saved));
    QCOMPARE(leafTexts(saved).value("PWM3_ELEM"), QStringLiteral("1,2500,65"));

    // Load it with the other node as the target, then write it there.
    TestAccess::target(f.w.get()) =
        ZBdevice{false, to->config().macAddr, to->config().netAddr, QString()};
    f.sim()->clearReceivedLines();
    QVERIFY(importFrom(f, saved));
    QTest::qWait(200);
    QCOMPARE(f.sim()->receivedLines(), QStringList());
    f.find<QPushButton>("pushButton_writeConfiguartion")->click();
    QVERIFY(idle(f));
    QCOMPARE(f.status(), QStringLiteral("写入配置完成"));

    // Both nodes now read back the same configuration.
    QVERIFY(readFrom(to));
    const QString copied = f.dir.filePath("copy.xml");
    QVERIFY(exportTo(f, copied));
    QCOMPARE(leafTexts(copied), leafTexts(saved));
    QCOMPARE(to->config().channel, 22);
    QCOMPARE(to->config().pwm[2].freq, QStringLiteral("2500"));
}

QTEST_MAIN(TestCfgFile)
#include "tst_cfgfile.moc"
