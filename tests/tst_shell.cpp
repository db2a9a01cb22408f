// The window as it starts, its settings file, its two languages, its serial port and the
// program's command line.

#include "cfgform.h"
#include "serial/portproblem.h"
#include "testpty.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>

#include <grp.h>
#include <sys/stat.h>

namespace {

// Every text the form shows, so that a language switched there and back can be compared.
QStringList formTexts(QWidget *w)
{
    QStringList out{w->windowTitle()};
    for (QLabel *l : w->findChildren<QLabel *>())
        out << l->text();
    for (QAbstractButton *b : w->findChildren<QAbstractButton *>())
        out << b->text();
    for (QGroupBox *g : w->findChildren<QGroupBox *>())
        out << g->title();
    for (QTabWidget *t : w->findChildren<QTabWidget *>())
        for (int i = 0; i < t->count(); ++i)
            out << t->tabText(i);
    return out;
}

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void startState();
    void settings();
    void languages();
    void serialPort();
    void portLostAndReconnected();
    void settingsLocation();
    void commandLine_data();
    void commandLine();
    void commandLinePortAndSettings();
};

void TestShell::startState()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    QTRY_COMPARE(f.status(), QString("就绪"));
    QCOMPARE(formDiff(f,
                      "-pushButton_send;-pushButton_scan;-pushButton_readConfiguration;"
                      "-pushButton_writeConfiguartion;-pushButton_writeConfiguartionBull;"
                      "-pushButton_stopCfg;-progressBar_cfg;-progressBar_scan;+pushButton_openCom;"
                      "pushButton_openCom=打开;label_sendCnt=0;label_recvCnt=0;comboBox_bps=115200;"
                      "comboBox_dataBit=8;comboBox_parBit=None;comboBox_stopBit=1;"
                      "checkBox_reconnect=off;radioButton_9input=on;-comboBox_9output;"
                      "comboBox_consoleAddrMode=NID;comboBox_TID_AM=NID;comboBox_sendPkt_AM=NID;"
                      "comboBox_TPIO9_AM=MID;comboBox_TPIO17_AM=MID;comboBox_TPIO14_ADDR=0x0;"
                      "comboBox_IOSMP10_AM=LID;comboBox_IOSMP15_AM=LID;comboBox_IOSMP9_ADDR=0x0;"
                      "comboBox_ADSMP1=LID;comboBox_ADSMP4=LID;comboBox_ADSMP3_ADDR=0x0"),
             QString());
    QVERIFY(TestAccess::target(w).isLocal);
    QCOMPARE(f.find<QTabWidget>("tabWidget")->currentIndex(), 0);
    QPushButton *lang = TestAccess::langButton(w);
    QCOMPARE(lang->text(), QString("English"));
    QCOMPARE(lang->parentWidget(), static_cast<QWidget *>(w->statusBar()));
    QVERIFY(lang->isVisible() && lang->geometry().right() > w->statusBar()->width() - 80);
    auto *ports = f.find<QComboBox>("comboBox_comPort");
    QCOMPARE(ports->itemText(ports->count() - 1), QString("Simulator"));
    QCOMPARE(shownLed(f), ledImage(":/Nodeweave/comGrayLed"));
    QVERIFY(!w->windowIcon().isNull());
    auto *log = f.find<QTableWidget>("tableWidget_log");
    QCOMPARE(log->columnCount(), 1);
    QVERIFY(!log->horizontalHeader()->isVisible() && !log->verticalHeader()->isVisible());
    auto *dev = f.find<QTableWidget>("tableWidget_device");
    QCOMPARE(QList<int>({dev->columnCount(), dev->columnWidth(0), dev->columnWidth(1)}),
             QList<int>({3, 160, 60}));
    // Each IO line's two buttons form one exclusive group with the line's number as id.
    const int lines[] = {9, 10, 14, 15, 17};
    for (int i = 0; i < 5; ++i) {
        QButtonGroup *g = TestAccess::ioGroup(w, i);
        QVERIFY(g->exclusive() && g->buttons().size() == 2);
        for (QAbstractButton *b : g->buttons())
            QCOMPARE(g->id(b), lines[i]);
    }
    // A PWM duty is one number in two widgets, 0 to 100; a box locks its group's fields.
    for (const QByteArray n : {"1", "2", "3"}) {
        auto *slider = f.find<QSlider>("horizontalSlider_PWM" + n);
        auto *spin = f.find<QSpinBox>("spinBox_PWM" + n);
        slider->setValue(37);
        QCOMPARE(spin->value(), 37);
        spin->setValue(101);
        QCOMPARE(QList<int>({spin->value(), slider->value(), slider->maximum()}),
                 QList<int>({100, 100, 100}));
    }
    formSet(f, "radioButton_9output=on;checkBox_PWM1=on;checkBox_PWM2=on;checkBox_PWM3=on;"
               "checkBox_ADSMP2=on;checkBox_TPIO14=on;checkBox_IOSMP17=on");
    QCOMPARE(formDiff(f,
                      "+comboBox_9output;-horizontalSlider_PWM1;-spinBox_PWM1;-lineEdit_PWM1_FRQ;"
                      "-horizontalSlider_PWM2;-spinBox_PWM2;-lineEdit_PWM2_FRQ;"
                      "-horizontalSlider_PWM3;-spinBox_PWM3;-lineEdit_PWM3_FRQ;"
                      "-lineEdit_ADSMP2_IT;-comboBox_ADSMP2;-comboBox_ADSMP2_ADDR;"
                      "-comboBox_TPIO14_TIO;-comboBox_TPIO14_ADDR;-lineEdit_IOSMP_IT17"),
             QString());
}

void TestShell::settings()
{
    {
        WindowFixture f;
        QCOMPARE(QRect(f.w->pos(), f.w->size()), QRect(100, 50, 1200, 550));
        QCOMPARE(formDiff(f, "lineEdit_cmd=AT;lineEdit_scanTime=5;lineEdit_regular_time=;"
                             "lineEdit_sendPkt_DATA="),
                 QString());
        const QString changed = "comboBox_bps=9600;comboBox_dataBit=7;comboBox_parBit=Odd;"
                                "comboBox_stopBit=2;lineEdit_cmd=AT+VER;lineEdit_regular_time=250;"
                                "lineEdit_scanTime=12;lineEdit_sendPkt_DATA=hello, node;"
                                "checkBox_reconnect=on;comboBox_comPort=Simulator";
        formSet(f, changed);
        f.w->resize(1300, 640);
        f.w->move(140, 90);
        QVERIFY(f.openPort()); // the last port opened is offered again, not opened
        f.find<QPushButton>("pushButton_openCom")->click();
        TestAccess::langButton(f.w.get())->click();
        f.restart();
        QCOMPARE(QRect(f.w->pos(), f.w->size()), QRect(140, 90, 1300, 640));
        QCOMPARE(formDiff(f, changed + ";pushButton_openCom=Open"), QString());
        QVERIFY(!TestAccess::portOpen(f.w.get()));
        QSettings ini(f.dir.filePath("Nodeweave.ini"), QSettings::IniFormat);
        QStringList stored;
        for (const char *key :
             {"LANG/lang", "comSettings/bps", "comSettings/dataBit", "comSettings/parBit",
              "comSettings/stopBit", "comSettings/port", "comSettings/reconnect",
              "consoleSettings/cmd_line", "scan/scanTime", "sendPkt/sendPktData", "pos&size/isMax"})
            stored << ini.value(key).toString();
        QCOMPARE(stored.join('|'),
                 QString("中文|1|2|2|1|Simulator|true|AT+VER|12|hello, node|false"));
        f.w->showMaximized();
        QTRY_VERIFY(f.w->isMaximized());
        f.restart(false);
        QVERIFY(f.w->windowState() & Qt::WindowMaximized);
    }
    // An index beyond the items leaves the box without a current item; the port then
    // opens at 115200. Garbage elsewhere falls back or is taken as text.
    WindowFixture odd("[comSettings]\nbps=9\ndataBit=abc\nparBit=-4\n[pos%26size]\n"
                      "pos=garbage\nsize=@Size(0 0)\nisMax=false\n[scan]\nscanTime=abc\n");
    QCOMPARE(QList<int>({odd.find<QComboBox>("comboBox_bps")->currentIndex(),
                         odd.find<QComboBox>("comboBox_dataBit")->currentIndex(),
                         odd.find<QComboBox>("comboBox_parBit")->currentIndex()}),
             QList<int>({-1, 0, -1}));
    QCOMPARE(formDiff(odd, "lineEdit_scanTime=abc"), QString());
    QVERIFY(!odd.w->isMaximized());
    QCOMPARE(portSettingsFromIndexes(-1, 3, 0, 0).baudRate, 115200);
    QVERIFY(odd.openPort());
}

void TestShell::languages()
{
    {
        WindowFixture f;
        const QStringList chinese = formTexts(f.w.get());
        formSet(f, "lineEdit_EPID=0x1234;lineEdit_PWM2_FRQ=2500");
        QVERIFY(f.openPort());
        f.sim()->clearReceivedLines();
        TestAccess::langButton(f.w.get())->click();
        // What the user typed survives, the port stays open, nothing is sent.
        QCOMPARE(formDiff(f, "lineEdit_EPID=0x1234;lineEdit_PWM2_FRQ=2500;pushButton_openCom=Close;"
                             "label_bps=BaudRate;groupBox_comPort=ComPort"),
                 QString());
        QCOMPARE(TestAccess::langButton(f.w.get())->text() + f.w->windowTitle() +
                     f.find<QTabWidget>("tabWidget")->tabText(0),
                 QString("中文NodeweaveBase Info"));
        QCOMPARE(shownLed(f), ledImage(":/Nodeweave/comGreenLed"));
        TestAccess::langButton(f.w.get())->click();
        QCOMPARE(formDiff(f, "pushButton_openCom=关闭"), QString());
        f.find<QPushButton>("pushButton_openCom")->click();
        QCOMPARE(formTexts(f.w.get()), chinese);
        QVERIFY(f.sim()->receivedLines().isEmpty());
    }
    // Any stored text other than "English" starts in English, the button showing that
    // text; texts without an English entry show their source.
    WindowFixture stored("[LANG]\nlang=\n");
    QPushButton *lang = TestAccess::langButton(stored.w.get());
    QCOMPARE(lang->text(), QString());
    QCOMPARE(formDiff(stored, "label_stopBit=StopBit;label_22=S："), QString());
    lang->click();
    QCOMPARE(lang->text(), QString("English"));
    QCOMPARE(formDiff(stored, "pushButton_openCom=打开"), QString());
}

void TestShell::serialPort()
{
    Pty pty, other, denied, held;
    WindowFixture f;
    QVERIFY(f.openPort(pty.slavePath));
    QCOMPARE(formDiff(f, "pushButton_openCom=关闭;+pushButton_scan;+pushButton_readConfiguration;"
                         "+pushButton_writeConfiguartion"),
             QString());
    QCOMPARE(shownLed(f), ledImage(":/Nodeweave/comGreenLed"));
    QCOMPARE(pty.speed(), speed_t(B115200));
    QByteArray all; // all 256 byte values pass
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
    pty.send(all + "\r\nOK\r\n");
    QTRY_COMPARE(lines.size(), 2);
    QCOMPARE(lines.at(1).at(0).toString(), QString("OK\r\n"));
    QTRY_COMPARE(formDiff(f, "label_recvCnt=262"), QString());
    f.w->comSend("AT+VER\r\n");
    QByteArray got;
    QTRY_COMPARE(got += pty.receive(), QByteArray("AT+VER\r\n"));
    // A changed line setting reaches the open port at once.
    formSet(f, "comboBox_bps=9600");
    QTRY_COMPARE(pty.speed(), speed_t(B9600));
    // Switching to a port that opens keeps the port open; to one that fails closes it.
    auto *ports = f.find<QComboBox>("comboBox_comPort");
    ports->addItem(other.slavePath);
    ports->setCurrentIndex(ports->findText(other.slavePath));
    QVERIFY(TestAccess::portOpen(f.w.get()));
    ports->addItem("/dev/nodeweave-gone");
    ports->setCurrentIndex(ports->findText("/dev/nodeweave-gone"));
    QCOMPARE(f.messages.takeLast(), QString("无法打开/dev/nodeweave-gone\n设备不存在"));
    QVERIFY(!TestAccess::portOpen(f.w.get()));
    QCOMPARE(formDiff(f, "pushButton_openCom=打开;-pushButton_scan"), QString());
    QCOMPARE(shownLed(f), ledImage(":/Nodeweave/comGrayLed"));
    // Each reason a port does not open, with its hint. Root may open any device file: the
    // program then looks at it as a user outside its group would, through the effective
    // ids. Without root the owner takes its own access away.
    const QString regular = f.dir.filePath("plain-file");
    QFile(regular).open(QIODevice::WriteOnly);
    QSerialPort holder;
    holder.setPortName(held.slavePath);
    QVERIFY(holder.open(QIODevice::ReadWrite));
    const bool root = geteuid() == 0;
    QCOMPARE(::chmod(QFile::encodeName(denied.slavePath), root ? 0660 : 0), 0);
    if (root)
        QCOMPARE(::chown(QFile::encodeName(denied.slavePath), 0, getgrnam("dialout")->gr_gid), 0);
    const std::pair<QString, QString> cases[] = {
        {"/dev/nodeweave-no-such-port", "设备不存在"},
        {regular, "这不是串口设备"},
        {f.dir.path(), "这不是串口设备"},
        {denied.slavePath,
         root ? "没有使用该设备的权限\n把用户加入 dialout 组：sudo usermod -aG dialout $USER，"
                "然后注销并重新登录。"
              : "没有使用该设备的权限\n设备属于 " + PortProblem::deviceGroup(denied.slavePath) +
                    " 组：请管理员允许该用户使用它。"},
        {held.slavePath, "串口正被另一个程序使用\n请先关闭正在使用该串口的程序。"}};
    for (const auto &[path, explained] : cases) {
        const bool drop = root && path == denied.slavePath;
        QVERIFY(!drop || (::setegid(65534) == 0 && ::seteuid(65534) == 0));
        QVERIFY(!f.openPort(path));
        QVERIFY(!drop || (::seteuid(0) == 0 && ::setegid(0) == 0));
        QCOMPARE(f.messages.takeLast(), "无法打开" + path + "\n" + explained);
    }
    TestAccess::langButton(f.w.get())->click();
    QVERIFY(!f.openPort(held.slavePath));
    QCOMPARE(f.messages.takeLast(), "Can not open " + held.slavePath +
                                        "\nThe port is in use by another program\n"
                                        "Close the program that uses the port first.");
    // The real box: a typed name is shown as typed, never read as rich text.
    Dialogs::clearHooks();
    QString shown;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        shown = box->textFormat() == Qt::PlainText ? box->text() : "rich text";
        box->accept();
    });
    QVERIFY(!f.openPort("/dev/<b>nodeweave</b>"));
    QCOMPARE(shown, QString("Can not open /dev/<b>nodeweave</b>\nThe device does not exist"));
}

// A module served on a pseudo-terminal behind a by-id style link; killed and started
// again, it comes back on another terminal under the same link.
void TestShell::portLostAndReconnected()
{
    WindowFixture f;
    QTemporaryDir byId;
    TestAccess::watcher(f.w.get())->setDirectories({byId.path()});
    QProcess modsim;
    const auto restartModsim = [&] {
        if (modsim.state() == QProcess::Running) {
            modsim.terminate();
            modsim.waitForFinished(5000);
            QTRY_VERIFY(!TestAccess::portOpen(f.w.get()));
        }
        modsim.start(MODSIM_BIN, {"--link", byId.filePath("usb-Tellwind_Radio_0001-if00")});
        while (!modsim.canReadLine() && modsim.waitForReadyRead(5000)) {
        }
    };
    formSet(f, "checkBox_reconnect=on;comboBox_bps=9600");
    restartModsim();
    QString path = QString::fromLocal8Bit(modsim.readLine()).trimmed();
    QTRY_VERIFY(f.find<QComboBox>("comboBox_comPort")->findText(path) >= 0);
    QVERIFY(f.openPort(path));
    // A read running when the port goes ends with failure; it is not resumed later.
    formSet(f, "pushButton_readConfiguration");
    restartModsim();
    QCOMPARE(f.status(), "串口已断开：" + path + "（设备已断开或不再应答）");
    QCOMPARE(formDiff(f, "pushButton_openCom=打开;-pushButton_stopCfg"), QString());
    path = QString::fromLocal8Bit(modsim.readLine()).trimmed();
    QTRY_VERIFY(TestAccess::portOpen(f.w.get()));
    QCOMPARE(f.status(), "串口已重新连接：" + path);
    QCOMPARE(
        formDiff(f, "comboBox_comPort=" + path + ";pushButton_openCom=关闭;-pushButton_stopCfg"),
        QString());
    QCOMPARE(TestAccess::serialPort(f.w.get())->baudRate(), 9600);
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
    f.w->comSend("AT+VER\r\n");
    QTRY_COMPARE(lines.size(), 1);
    // Off, the lost port stays closed when it comes back.
    formSet(f, "checkBox_reconnect=off");
    restartModsim();
    path = QString::fromLocal8Bit(modsim.readLine()).trimmed();
    QTRY_VERIFY(f.find<QComboBox>("comboBox_comPort")->findText(path) >= 0);
    QTest::qWait(300);
    QVERIFY(!TestAccess::portOpen(f.w.get()));
    QVERIFY(f.messages.isEmpty());
    modsim.terminate();
    modsim.waitForFinished(5000);
}

// The working directory when files can be made there; the per-user configuration folder
// when not; a named file always. A file that cannot be written is said at start.
void TestShell::settingsLocation()
{
    QStandardPaths::setTestModeEnabled(true);
    const QDir userDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    QDir(userDir).removeRecursively();
    WindowFixture f;
    QCOMPARE(f.w->settingsFileName(), f.dir.filePath("Nodeweave.ini"));
    QDir::setCurrent("/proc"); // no file can be made there, not even by root
    f.restart();
    QCOMPARE(f.w->settingsFileName(), userDir.filePath("Nodeweave.ini"));
    formSet(f, "lineEdit_cmd=AT+MENU");
    f.restart();
    QCOMPARE(formDiff(f, "lineEdit_cmd=AT+MENU"), QString());
    QTRY_COMPARE(f.status(), QString("就绪"));
    Nodeweave::setSettingsFile("/proc/nodeweave.ini");
    f.restart();
    QTRY_COMPARE(f.status(), QString("设置无法保存到 /proc/nodeweave.ini"));
    Nodeweave::setSettingsFile(QString());
    QDir(userDir).removeRecursively();
}

// The program itself, without a display: these end before any window is made.
void TestShell::commandLine_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard output when 0, else on standard error
    // clang-format off
    QTest::newRow("version") << "--version" << 0 << "nodeweave " NODEWEAVE_VERSION "\n";
    QTest::newRow("help") << "--help" << 0 << "--settings <file>";
    QTest::newRow("unknown") << "--bogus" << 2 << "Unknown option 'bogus'";
    QTest::newRow("no value") << "--port" << 2 << "Missing value after '--port'";
    QTest::newRow("stray") << "ttyUSB0" << 2 << "unexpected argument 'ttyUSB0'";
    // clang-format on
}

void TestShell::commandLine()
{
    QFETCH(QString, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : QStringList{"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    p.setProcessEnvironment(env);
    p.start(NODEWEAVE_BIN, {args});
    QVERIFY(p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit);
    QCOMPARE(p.exitCode(), status);
    const QString out =
        QString::fromUtf8(status ? p.readAllStandardError() : p.readAllStandardOutput());
    QVERIFY2(args == "--version" ? out == said : out.contains(said), qPrintable(out));
    // Refused: the error, then the usage.
    QVERIFY(!status ||
            (out.contains("Usage: nodeweave [options]") && out.contains("--port <name>")));
}

// --port opens the port once the window shows; --settings names the settings file.
void TestShell::commandLinePortAndSettings()
{
    QTemporaryDir dir;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_LOGGING_RULES", "nodeweave.start.info=true");
    p.setProcessEnvironment(env);
    p.start(NODEWEAVE_BIN, {"--settings", dir.filePath("bench.ini"), "-platform", "offscreen",
                            "--port", "Simulator"});
    QVERIFY(p.waitForStarted());
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("port Simulator open") ||
                                 p.state() != QProcess::Running,
                             10000);
    p.kill();
    p.waitForFinished();
    QVERIFY2(err.contains("settings file " + QFile::encodeName(dir.filePath("bench.ini"))) &&
                 err.contains("window shown"),
             err.constData());
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
