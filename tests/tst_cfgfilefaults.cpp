// Configuration files that are damaged or hostile, through the window: cut at any point,
// too large, nested beyond reason, or not text at all — none may touch the form. And an
// export whose process is killed while it writes must leave the previous file whole.

#include "config/cfgfileformat.h"
#include "testutil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QXmlStreamWriter>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Set in the environment of the child that exports and is killed: the path to export to.
const char *const kExportChildVariable = "NODEWEAVE_TEST_EXPORT_TO";

using State = QMap<QString, QString>;

QString nwTr(const char *source)
{
    return QCoreApplication::translate("Nodeweave", source);
}

// Every value the five tabs show, by widget name.
State formState(WindowFixture &f)
{
    State s;
    for (QWidget *w : f.find<QTabWidget>("tabWidget")->findChildren<QWidget *>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
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
    s[QStringLiteral("tab")] = QString::number(f.find<QTabWidget>("tabWidget")->currentIndex());
    return s;
}

// Moves the form away from the values an import starts from, so that an import that
// got as far as resetting the form would show.
void moveAwayFromReset(WindowFixture &f)
{
    int n = 0;
    for (QWidget *w : f.find<QTabWidget>("tabWidget")->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        if (auto *box = qobject_cast<QComboBox *>(w); box && !box->isEditable() && box->count() > 1)
            box->setCurrentIndex((box->currentIndex() + 1) % box->count());
        else if (auto *edit = qobject_cast<QLineEdit *>(w); edit && edit->isEnabled())
            edit->setText(QString::number(++n));
        else if (auto *check = qobject_cast<QCheckBox *>(w);
                 check && !check->objectName().contains(QLatin1String("regulerSend")))
            check->setChecked(!check->isChecked());
        else if (auto *spin = qobject_cast<QSpinBox *>(w))
            spin->setValue((spin->value() + 37) % 101);
    }
    f.find<QLineEdit>("lineEdit_devicePart")->setText(QStringLiteral("PART-7"));
    f.find<QTabWidget>("tabWidget")->setCurrentIndex(3);
    f.messages.clear();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A whole configuration as the export writes it.
QByteArray wholeDocument()
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(CfgFile::rootName());
    for (const CfgFile::Group &g : CfgFile::groups())
        CfgFile::writeGroup(xml, g, [](const CfgFile::Field &) { return QStringLiteral("1"); });
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

QString notCfgText()
{
    return nwTr("不是%1格式的XML配置文件,导入失败").arg(QStringLiteral("Nodeweave"));
}

QString errorText()
{
    return nwTr("导入遇到错误");
}

// Imports `bytes` and checks that the form, the page and the buttons are as they were,
// with one of `statuses` shown.
void importLeavesFormAlone(WindowFixture &f, const QByteArray &bytes, const QStringList &statuses,
                           const char *what)
{
    const State before = formState(f);
    const QString path = f.dir.filePath(QStringLiteral("bad.xml"));
    writeFile(path, bytes);
    f.w->statusBar()->clearMessage();
    f.nextOpenFile = path;
    f.find<QPushButton>("pushButton_Import")->click();
    QVERIFY2(statuses.contains(f.status()),
             qPrintable(QStringLiteral("%1: %2").arg(QString::fromUtf8(what), f.status())));
    QVERIFY2(formState(f) == before, what);
    QVERIFY2(f.messages.isEmpty(), what);
    QVERIFY(!TestAccess::importRunning(f.w.get()));
    QVERIFY(!TestAccess::fileOpRunning(f.w.get()));
    QVERIFY(f.find<QPushButton>("pushButton_Import")->isEnabled());
    QVERIFY(f.find<QPushButton>("pushButton_Export")->isEnabled());
}

// The child: a window that exports its form to the given path and reports each page it
// shows while it writes. The parent kills it somewhere along the way.
int exportChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString path = qEnvironmentVariable(kExportChildVariable);
    Dialogs::Hooks hooks;
    hooks.saveFileName = [path](const QString &) {
        return path;
    };
    hooks.message = [](const QString &text) {
        std::printf("message %s\n", qPrintable(text));
        std::fflush(stdout);
    };
    Dialogs::setHooks(hooks);
    Nodeweave w;
    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    QObject::connect(tabs, &QTabWidget::currentChanged, [](int index) {
        std::printf("page %d\n", index);
        std::fflush(stdout);
    });
    w.show();
    std::printf("ready\n");
    std::fflush(stdout);
    QMetaObject::invokeMethod(&w, "on_pushButton_Export_clicked");
    std::printf("done\n");
    std::fflush(stdout);
    return 0;
}

// Starts the exporting child and returns once it has printed `until` (or has ended).
bool startChild(QProcess &child, const QString &path, const QString &dir, const QByteArray &until,
                QByteArray *output)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kExportChildVariable), path);
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(dir);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForStarted(10000))
        return false;
    while (!output->contains(until) && child.state() == QProcess::Running) {
        child.waitForReadyRead(100);
        *output += child.readAllStandardOutput();
    }
    *output += child.readAllStandardOutput();
    return output->contains(until);
}

void kill9(QProcess &child)
{
    // processId() is 0 once the child has ended, and kill(0) would hit this whole group.
    if (child.state() == QProcess::Running && child.processId() > 0)
        ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished(10000);
}

// What the child has open in `dir`: the file an export writes before it replaces the
// old one (unnamed on Linux, so only its descriptor shows it).
QStringList filesOpenIn(const QProcess &child, const QString &dir)
{
    QStringList open;
    const QString fds = QStringLiteral("/proc/%1/fd").arg(child.processId());
    for (const QString &fd :
         QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const ssize_t n =
            ::readlink(QFile::encodeName(fds + '/' + fd).constData(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        const QString name = QFile::decodeName(QByteArray(target, int(n)));
        if (name.startsWith(dir + '/'))
            open << name;
    }
    return open;
}

} // namespace

// A failed check inside the helper ends the case, not only the helper.
#define REFUSED(bytes, statuses, what)                                                             \
    do {                                                                                           \
        importLeavesFormAlone(f, bytes, statuses, what);                                           \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (0)

class TestCfgFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void truncatedAtEveryPoint();
    void oversizedFiles();
    void deeplyNestedFiles();
    void binaryFiles();
    void exportKilledMidWrite();
};

void TestCfgFileFaults::truncatedAtEveryPoint()
{
    WindowFixture f;
    moveAwayFromReset(f);
    const QByteArray whole = wholeDocument();
    const qsizetype end = whole.lastIndexOf("</" + CfgFile::rootName().toLatin1() + ">");
    QVERIFY(end > 0);
    // Cut anywhere before the root's end tag is complete: in a declaration, a tag, an
    // entity, a leaf's text, between groups.
    int cuts = 0;
    for (qsizetype at = 1; at < end + 16; at += 1 + at % 23, ++cuts) {
        const QByteArray cut = whole.left(at);
        const bool beforeRoot = !cut.contains("<" + CfgFile::rootName().toLatin1() + ">");
        // No root element yet: it is not a configuration file at all.
        const QString status = beforeRoot ? notCfgText() : errorText();
        REFUSED(cut, {status}, qPrintable(QStringLiteral("cut at %1").arg(at)));
    }
    QVERIFY(cuts > 100);
}

void TestCfgFileFaults::oversizedFiles()
{
    WindowFixture f;
    moveAwayFromReset(f);
    // A good configuration that is merely too large (white space after the root): refused
    // on its size alone.
    QByteArray padded = wholeDocument();
    QCOMPARE(CfgFile::checkDocument(padded), CfgFile::Check::Ok);
    padded += QByteArray(CfgFile::maxFileSize + 1 - padded.size(), ' ');
    QCOMPARE(CfgFile::checkDocument(padded), CfgFile::Check::Ok);
    REFUSED(padded, {errorText()}, "padded");

    // One leaf holding megabytes of text.
    QByteArray huge = wholeDocument();
    huge.replace("<DESC1>1</DESC1>",
                 "<DESC1>" + QByteArray(int(CfgFile::maxFileSize) + 4096, 'x') + "</DESC1>");
    QVERIFY(huge.size() > CfgFile::maxFileSize);
    REFUSED(huge, {errorText()}, "huge leaf");

    // Just within the bound the same file is read (the bound is not off by one).
    padded.chop(1);
    const QString path = f.dir.filePath(QStringLiteral("limit.xml"));
    writeFile(path, padded);
    f.nextOpenFile = path;
    f.find<QPushButton>("pushButton_Import")->click();
    QCOMPARE(f.status(), nwTr("导入完成"));
    QCOMPARE(f.find<QLineEdit>("lineEdit_DESC1")->text(), QStringLiteral("1"));
}

void TestCfgFileFaults::deeplyNestedFiles()
{
    WindowFixture f;
    moveAwayFromReset(f);
    constexpr int kDepth = 200000;
    const QByteArray root = CfgFile::rootName().toLatin1();
    QByteArray open;
    QByteArray close;
    for (int i = 0; i < kDepth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    const QByteArray head = "<?xml version=\"1.0\"?>\n<" + root + ">";

    // Opened and never closed, inside the root.
    REFUSED(head + open, {errorText()}, "unclosed");
    // Nested inside a group whose leaves follow, then cut off.
    REFUSED(head + "<BASE_GROUP_ELEM>" + open + "<DFWM>TP_MODE</DFWM>", {errorText()},
            "unclosed in a group");
    // Inside a leaf: a leaf holds text only, however well-formed the rest is.
    REFUSED(head + "<BASE_GROUP_ELEM><DFWM>" + open + close + "</DFWM></BASE_GROUP_ELEM></" + root +
                ">",
            {errorText()}, "inside a leaf");
    // Around the root: the first element is not the root.
    REFUSED("<?xml version=\"1.0\"?>\n" + open + "<" + root + "/>" + close, {notCfgText()},
            "around the root");
    // Mismatched deep inside.
    QByteArray mismatched = head + open + close;
    mismatched.replace(head.size() + kDepth * 3 + kDepth * 2, 4, "</b>");
    REFUSED(mismatched + "</" + root + ">", {errorText()}, "mismatched");
}

void TestCfgFileFaults::binaryFiles()
{
    WindowFixture f;
    moveAwayFromReset(f);
    // Either refusal will do: bytes that are not UTF-8 already fail before any element.
    const QStringList refused = {notCfgText(), errorText()};

    QRandomGenerator rng(424242);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(int(rng.bounded(1, 20000)), Qt::Uninitialized);
        for (char &c : bytes)
            c = char(rng.bounded(256));
        REFUSED(bytes, refused, qPrintable(QStringLiteral("random %1").arg(round)));
    }
    REFUSED(QByteArray(4096, '\0'), refused, "zeros");
    REFUSED(readAll(QStringLiteral(":/Nodeweave/AppIcon")), refused, "image");
    REFUSED(readAll(QCoreApplication::applicationFilePath()).left(64 * 1024), refused, "program");

    // Binary inside a good file: characters XML does not allow in a leaf's text.
    const QByteArray whole = wholeDocument();
    for (const QByteArray &inject : {QByteArray("\0", 1), QByteArray("\x01\x02"),
                                     QByteArray("\x1b[0m"), QByteArray("\x7f\x08\x0c")}) {
        QByteArray d = whole;
        d.replace("<DESC2>1</DESC2>", "<DESC2>1" + inject + "</DESC2>");
        REFUSED(d, refused, ("injected " + inject.toHex()).constData());
    }
    // Binary after the root's end.
    REFUSED(whole + QByteArray("\x89PNG\r\n\x1a\n", 8), refused, "trailing binary");
}

void TestCfgFileFaults::exportKilledMidWrite()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("module.xml"));

    // A whole export first: what a finished one writes.
    QByteArray out;
    {
        QProcess child;
        QVERIFY(startChild(child, path, dir.path(), "done", &out));
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
    QVERIFY2(!out.contains("message"), out.constData());
    const QByteArray complete = readAll(path);
    QCOMPARE(CfgFile::checkDocument(complete), CfgFile::Check::Ok);
    const QByteArray old = "<?xml version=\"1.0\"?>\n<" + CfgFile::rootName().toLatin1() +
                           "><!-- the previous file --></" + CfgFile::rootName().toLatin1() + ">\n";

    // Killed while the file is open for writing: the old file stays as it was.
    for (const QByteArray page : {"page 1", "page 2", "page 4"}) {
        writeFile(path, old);
        QProcess child;
        out.clear();
        QVERIFY(startChild(child, path, dir.path(), page, &out));
        // The new contents are being written beside the old file.
        QCOMPARE(filesOpenIn(child, dir.path()).size(), 1);
        kill9(child);
        QCOMPARE(readAll(path), old);
    }

    // Killed at any moment from start to end: the file is always either the old one or the
    // whole new one, never a part.
    QRandomGenerator rng(99);
    int sawOld = 0;
    for (int round = 0; round < 6; ++round) {
        writeFile(path, old);
        QProcess child;
        out.clear();
        QVERIFY(startChild(child, path, dir.path(), "ready", &out));
        QTest::qWait(int(rng.bounded(1400)));
        kill9(child);
        const QByteArray now = readAll(path);
        QVERIFY2(now == old || now == complete, now.left(200).constData());
        sawOld += now == old;
    }
    QVERIFY(sawOld > 0);
}

// Built by hand instead of QTEST_MAIN: the same program also serves as the child that
// exports and is killed.
int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(kExportChildVariable))
        return exportChild(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestCfgFileFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cfgfilefaults.moc"
