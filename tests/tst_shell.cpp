// The window as it starts, its settings, languages, serial port and command line.

#include "serial/portproblem.h"
#include "testpty.h"
#include "testutil.h"

#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>

#include <grp.h>
#include <list>
#include <unistd.h>

// Every text the form shows, so that a language switched there and back can be compared.
static QStringList formTexts(QWidget *w)
{
    QStringList out{w->windowTitle()};
    for (QWidget *child : w->findChildren<QWidget *>())
        if (!qobject_cast<QLineEdit *>(child))
            out << child->property("text").toString() << child->property("title").toString();
    for (QTabWidget *t : w->findChildren<QTabWidget *>())
        out << t->tabText(0) << t->tabText(1);
    return out;
}

// The port LED as shown, at the 25 x 25 the port toggle scales it to.
static bool ledIs(const WindowFixture &f, const QString &resource)
{
    return f.find<QLabel>("label_comLed")->pixmap().toImage() ==
           QPixmap(resource).scaled(25, 25, Qt::KeepAspectRatioByExpanding).toImage();
}

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void startState();
    void settings();
    void serialPort();
    void portLostAgainAndAgain();
    void portLostAndReconnected();
    void commandLine_data();
    void commandLine();
    void help();
    void fileNames_data();
    void fileNames();
};

void TestShell::startState()
{
    WindowFixture f;
    QCOMPARE_FORM(f, "-pushButton_send;-pushButton_scan;-pushButton_readConfiguration;"
                     "-pushButton_writeConfiguartion;-pushButton_writeConfiguartionBull;"
                     "-pushButton_stopCfg;-progressBar_cfg;-progressBar_scan;+pushButton_openCom;"
                     "pushButton_openCom=打开;label_sendCnt=0;label_recvCnt=0;comboBox_bps=115200;"
                     "comboBox_dataBit=8;comboBox_parBit=None;comboBox_stopBit=1;"
                     "checkBox_reconnect=off;radioButton_9input=on;-comboBox_9output;"
                     "comboBox_consoleAddrMode=NID;comboBox_TID_AM=NID;comboBox_sendPkt_AM=NID;"
                     "comboBox_TPIO9_AM=MID;comboBox_TPIO14_ADDR=0x0;comboBox_IOSMP10_AM=LID;"
                     "comboBox_IOSMP9_ADDR=0x0;comboBox_ADSMP1=LID;comboBox_ADSMP3_ADDR=0x0;"
                     "lineEdit_cmd=AT;lineEdit_scanTime=5;lineEdit_regular_time=;"
                     "lineEdit_sendPkt_DATA=;comboBox_deviceBps=115200");
    QCOMPARE(TestAccess::langButton(f.w.get())->text(), QString("English"));
    // A PWM duty is one number in two widgets, 0 to 100; a box locks its group's fields.
    for (const QString &n : QStringList{"1", "2", "3"}) {
        formSet(f, "horizontalSlider_PWM" + n + "=37");
        QCOMPARE_FORM(f, "spinBox_PWM" + n + "=37");
        formSet(f, "spinBox_PWM" + n + "=101");
        QCOMPARE_FORM(f, "spinBox_PWM" + n + "=100;horizontalSlider_PWM" + n + "=100");
    }
    formSet(f, "radioButton_9output=on;checkBox_PWM1=on;checkBox_PWM3=on;checkBox_ADSMP2=on;"
               "checkBox_TPIO14=on;checkBox_IOSMP17=on");
    QCOMPARE_FORM(f, "+comboBox_9output;-horizontalSlider_PWM1;-spinBox_PWM1;-lineEdit_PWM1_FRQ;"
                     "-lineEdit_PWM3_FRQ;+lineEdit_PWM2_FRQ;-lineEdit_ADSMP2_IT;-comboBox_ADSMP2;"
                     "-comboBox_ADSMP2_ADDR;-comboBox_TPIO14_TIO;-lineEdit_IOSMP_IT17");
    // Switched to English and back: typed text survives, the port stays open, nothing is sent.
    formSet(f, "lineEdit_EPID=0x1234;lineEdit_PWM2_FRQ=2500");
    const QStringList chinese = formTexts(f.w.get());
    QVERIFY(f.openPort());
    TestAccess::langButton(f.w.get())->click();
    QCOMPARE_FORM(f, "lineEdit_EPID=0x1234;lineEdit_PWM2_FRQ=2500;pushButton_openCom=Close;"
                     "label_bps=BaudRate;groupBox_comPort=ComPort;"
                     "label_founddeviceNum=Device Number: 0;pushButton_startNet=Start Network");
    QCOMPARE(TestAccess::langButton(f.w.get())->text(), QString("中文"));
    TestAccess::langButton(f.w.get())->click();
    f.find<QPushButton>("pushButton_openCom")->click();
    QCOMPARE(formTexts(f.w.get()), chinese);
    QVERIFY(f.sim()->receivedLines().isEmpty());

    // The pages after the first are made once the window is painted (the fixture waits for
    // that), or by the first reply; a window closed before keeps the packet stored.
    formSet(f, "lineEdit_sendPkt_DATA=kept");
    f.restart(false);
    f.restart(false);
    QVERIFY(!f.w->findChild<QWidget *>("scrollArea_tab2"));
    // Making them changes nothing the window shows already.
    const auto shown = [](QWidget *w) {
        return QStringList{w->property("text").toString(), w->property("currentText").toString(),
                           w->toolTip(), w->isEnabled() ? "+" : "-"};
    };
    QMap<QWidget *, QStringList> before;
    for (QWidget *w : f.w->findChildren<QWidget *>())
        before.insert(w, shown(w));
    f.w->makeConfigPages();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(shown(it.key()), it.value());
    f.restart(false);
    QVERIFY(f.openPort());
    f.find<QPushButton>("pushButton_send")->click();
    QTRY_VERIFY(f.w->findChild<QWidget *>("scrollArea_tab5"));
    QCOMPARE_FORM(f, "lineEdit_sendPkt_DATA=kept;comboBox_TPIO14_ADDR=0x0;+pushButton_sendPkt;"
                     "comboBox_deviceBps=115200;comboBox_CH=15");
    QCOMPARE(f.sim()->receivedLines(), QStringList{"AT"}); // the pages' reset sent nothing
}

void TestShell::settings()
{
    {
        WindowFixture f;
        QCOMPARE(QRect(f.w->pos(), f.w->size()), QRect(100, 50, 1200, 550));
        const QString changed = "comboBox_bps=9600;comboBox_dataBit=7;comboBox_parBit=Odd;"
                                "comboBox_stopBit=2;lineEdit_cmd=AT+VER;lineEdit_regular_time=250;"
                                "lineEdit_scanTime=12;lineEdit_sendPkt_DATA=hello, node;"
                                "checkBox_reconnect=on;comboBox_comPort=Simulator";
        formSet(f, changed);
        f.w->resize(1300, 640);
        f.w->move(140, 90);
        QVERIFY(f.openPort()); // the last port opened is offered again, not opened
        TestAccess::langButton(f.w.get())->click();
        f.restart();
        QCOMPARE(QRect(f.w->pos(), f.w->size()), QRect(140, 90, 1300, 640));
        QCOMPARE_FORM(f, changed + ";pushButton_openCom=Open");
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
    // Garbage: a bad index leaves no current item (the port opens at 115200), other values
    // fall back or stay text; any language but "English" starts in English, the button
    // showing the stored name, texts without an English entry their source.
    WindowFixture f("[comSettings]\nbps=9\ndataBit=abc\n[pos%26size]\npos=garbage\n"
                    "size=@Size(0 0)\n[scan]\nscanTime=abc\n[LANG]\nlang=\n");
    QCOMPARE(f.find<QComboBox>("comboBox_bps")->currentIndex(), -1);
    QCOMPARE(TestAccess::langButton(f.w.get())->text(), QString());
    QCOMPARE_FORM(f, "comboBox_dataBit=5;lineEdit_scanTime=abc;label_stopBit=StopBit;label_22=S：");
    QCOMPARE(portSettingsFromIndexes(-1, 3, 0, 0).baudRate, 115200);
    QVERIFY(f.openPort());
    TestAccess::langButton(f.w.get())->click();
    QCOMPARE_FORM(f, "pushButton_openCom=关闭");
    // Nodeweave.ini in the working directory when there is one, else the per-user file,
    // from wherever the program starts; a named file that cannot be written is still read.
    QStandardPaths::setTestModeEnabled(true);
    const QDir userDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    QDir(userDir).removeRecursively();
    QTemporaryDir home;
    const QStringList cwds = {home.path(), "/proc", home.path()},
                      cmds = {"AT", "AT+MENU", "AT+HOME"};
    for (int i = 0; i < cwds.size(); ++i) {
        QDir::setCurrent(cwds[i]);
        f.restart();
        QCOMPARE(f.w->settingsFileName(), userDir.filePath("Nodeweave.ini"));
        QCOMPARE_FORM(f, "lineEdit_cmd=" + cmds[i]);
        formSet(f, "lineEdit_cmd=" + cmds[(i + 1) % cmds.size()]);
    }
    QVERIFY(!QFile::exists(home.filePath("Nodeweave.ini")));
    QTRY_COMPARE(f.status(), QString("就绪"));
    // Reached through a folder that takes no files, a file of the test's own.
    QFile held(f.dir.filePath("held.ini"));
    QVERIFY(held.open(QIODevice::ReadWrite) && held.write("[scan]\nscanTime=42\n") > 0);
    held.flush();
    const QString readOnly = "/proc/self/fd/" + QString::number(held.handle());
    Nodeweave::setSettingsFile(readOnly);
    f.restart();
    QCOMPARE_FORM(f, "lineEdit_scanTime=42");
    QTRY_COMPARE(f.status(), "设置文件 " + readOnly + " 无法写入：更改不会保存");
    Nodeweave::setSettingsFile(QString());
    QDir(userDir).removeRecursively();
}

void TestShell::serialPort()
{
    Pty pty, other, held;
    WindowFixture f;
    QVERIFY(f.openPort(pty.slavePath));
    QCOMPARE_FORM(f, "pushButton_openCom=关闭;+pushButton_scan;+pushButton_readConfiguration");
    QVERIFY(ledIs(f, ":/Nodeweave/comGreenLed.png"));
    QCOMPARE(pty.speed(), speed_t(B115200));
    f.w->comSend("AT+VER\r\n");
    QByteArray got;
    QTRY_COMPARE(got += pty.receive(), QByteArray("AT+VER\r\n"));
    // A changed line setting reaches the open port at once.
    formSet(f, "comboBox_bps=9600");
    QTRY_COMPARE(pty.speed(), speed_t(B9600));
    // Switching to a port that opens keeps the port open; to one that fails closes it.
    auto *ports = f.find<QComboBox>("comboBox_comPort");
    ports->addItems({other.slavePath, "/dev/nodeweave-gone"});
    ports->setCurrentIndex(ports->count() - 2);
    QVERIFY(TestAccess::portOpen(f.w.get()));
    ports->setCurrentIndex(ports->count() - 1);
    QCOMPARE_FORM(f, "pushButton_openCom=打开;-pushButton_scan");
    // Why a port does not open, with a hint.
    const QString regular = f.dir.filePath("plain-file");
    QFile(regular).open(QIODevice::WriteOnly);
    QSerialPort holder;
    holder.setPortName(held.slavePath);
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QVERIFY(!f.openPort(regular) && !f.openPort(held.slavePath));
    QCOMPARE(f.messages.join('|'), "无法打开/dev/nodeweave-gone\n设备不存在|无法打开" + regular +
                                       "\n这不是串口设备|无法打开" + held.slavePath +
                                       "\n串口正被另一个程序使用\n请先关闭正在使用该串口的程序。");
    // A device of the dialout group that this user may not use: the exact fix is named.
    const QString dialout = f.dir.filePath("ttyDialout");
    const group *gr = getgrnam("dialout");
    QVERIFY(QFile(dialout).open(QIODevice::WriteOnly) && gr &&
            ::chown(QFile::encodeName(dialout).constData(), uid_t(-1), gr->gr_gid) == 0);
    QCOMPARE(PortProblem::hint(PortProblem::Kind::NoPermission, dialout),
             "把用户加入 dialout 组：sudo usermod -aG dialout $USER，然后注销并重新登录。");
    // In English, and in the real box: a typed name is shown as typed, not as rich text.
    TestAccess::langButton(f.w.get())->click();
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

// The far side goes away mid-line, again and again under traffic: nothing is left behind.
void TestShell::portLostAgainAndAgain()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    formSet(f, "lineEdit_cmd=AT+VER;lineEdit_regular_time=1;checkBox_regulerSend=on");
    const auto fds = [] {
        return QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size();
    };
    qsizetype fdsAfterFive = -1;
    QSignalSpy lines(w, &Nodeweave::recvNewLine);
    for (int round = 0; round < 20; ++round) {
        Pty pty;
        QVERIFY(f.openPort(pty.slavePath));
        const int before = f.find<QLabel>("label_recvCnt")->text().toInt();
        QByteArray fromProgram;
        QTimer traffic;
        connect(&traffic, &QTimer::timeout, [&] {
            pty.trySend("ADC=1,0x0000,512\r\nIO=9,0x0000,1\r\n");
            fromProgram += pty.receive();
        });
        traffic.start(1);
        QTRY_VERIFY(f.find<QLabel>("label_recvCnt")->text().toInt() >= before + 200 &&
                    fromProgram.count("AT+VER\r\n") >= 3);
        traffic.stop();
        pty.trySend("ADC=2,0x00");
        QTRY_COMPARE(TestAccess::pendingSize(w), 10);
        pty.closeMaster();
        QTRY_VERIFY(!TestAccess::portOpen(w));
        QCOMPARE_FORM(f, "pushButton_openCom=打开;-pushButton_send;-pushButton_scan;"
                         "-pushButton_readConfiguration;-pushButton_writeConfiguartion");
        QVERIFY(ledIs(f, ":/Nodeweave/comGrayLed.png"));
        // Qt opens a few descriptors of its own on first use.
        if (round == 4)
            QTest::qWait(50), fdsAfterFive = fds();
    }
    formSet(f, "checkBox_regulerSend=off");
    QTest::qWait(50);
    QVERIFY(w->findChildren<QSerialPort *>().isEmpty());
    QCOMPARE(fds(), fdsAfterFive);
    QVERIFY(f.messages.isEmpty());
    // No line carries a piece of one cut short: each port starts clean.
    for (const QList<QVariant> &l : std::as_const(lines))
        QVERIFY2(!l.at(0).toString().contains("ADC=2"), qPrintable(l.at(0).toString()));
}

// A module behind a by-id style link, killed and started again on another terminal.
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
            if (!QTest::qWaitFor([&] { return !TestAccess::portOpen(f.w.get()); }))
                return QString("still open");
        }
        modsim.start(MODSIM_BIN, {"--link", byId.filePath("usb-Tellwind_Radio_0001-if00")});
        while (!modsim.canReadLine() && modsim.waitForReadyRead(5000)) {
        }
        return QString::fromLocal8Bit(modsim.readLine()).trimmed();
    };
    formSet(f, "checkBox_reconnect=on;comboBox_bps=9600");
    QString path = restartModsim();
    QTRY_VERIFY(f.find<QComboBox>("comboBox_comPort")->findText(path) >= 0);
    auto *ports = f.find<QComboBox>("comboBox_comPort");
    QCOMPARE(ports->itemText(ports->count() - 1), "Simulator"); // after the refresh, too
    QVERIFY(f.openPort(path));
    // A read running when the port goes ends with failure; it is not resumed later.
    formSet(f, "pushButton_readConfiguration");
    const QString lost = path;
    path = restartModsim();
    QCOMPARE(f.status(), "串口已断开：" + lost + "（设备已断开或不再应答）");
    QCOMPARE_FORM(f, "pushButton_openCom=打开;-pushButton_stopCfg");
    QTRY_VERIFY(TestAccess::portOpen(f.w.get()));
    QCOMPARE(f.status() + QString::number(TestAccess::serialPort(f.w.get())->baudRate()),
             "串口已重新连接：" + path + "9600");
    QCOMPARE_FORM(f, "comboBox_comPort=" + path + ";pushButton_openCom=关闭;-pushButton_stopCfg");
    // Off, the lost port stays closed when it comes back.
    formSet(f, "checkBox_reconnect=off");
    path = restartModsim();
    QTRY_VERIFY(f.find<QComboBox>("comboBox_comPort")->findText(path) >= 0);
    QTest::qWait(300);
    QVERIFY(!TestAccess::portOpen(f.w.get()));
    modsim.terminate();
    modsim.waitForFinished(5000);
    // A pseudo-terminal comes back under /dev/pts, which is not watched: the lost path is
    // looked at while the port is awaited, and only then.
    QVERIFY(!TestAccess::reconnectPolling(f.w.get()));
    formSet(f, "checkBox_reconnect=on");
    auto pty = std::make_unique<Pty>();
    QVERIFY(f.openPort(pty->slavePath));
    const QString pts = pty->slavePath;
    pty->closeMaster();
    QTRY_VERIFY(TestAccess::reconnectPolling(f.w.get()));
    std::list<Pty> others; // the lowest free number is given out: soon the lost one again
    while (others.size() < 64 && (others.empty() || others.back().slavePath != pts))
        others.emplace_back();
    QTRY_VERIFY(TestAccess::portOpen(f.w.get()));
    QCOMPARE_FORM(f, "comboBox_comPort=" + pts + ";pushButton_openCom=关闭");
    QVERIFY(!TestAccess::reconnectPolling(f.w.get()));
}

// Options that end before any window is made (no display); --port and --settings.
void TestShell::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard output when 0, else on standard error
    // clang-format off
    QTest::newRow("version") << QStringList{"--version"} << 0 << "nodeweave " NODEWEAVE_VERSION "\n";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--settings <file>";
    QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << "Unknown option 'bogus'|Usage: nodeweave [options]|--port <name>";
    QTest::newRow("no value") << QStringList{"--port"} << 2 << "Missing value after '--port'|Usage: nodeweave [options]";
    QTest::newRow("stray") << QStringList{"ttyUSB0"} << 2 << "unexpected argument 'ttyUSB0'|Usage: nodeweave [options]";
    QTest::newRow("modsim knobs") << QStringList{"modsim", "--help"} << 0 << "--node <node:knobs>|refuse=WORD:CODE|keep=WORD|latency=MS|leave-after=N|late=WORD[:MS]";
    QTest::newRow("modsim bad knob") << QStringList{"modsim", "--node", "2:hop=1"} << 2 << "nodeweave-modsim: --node 2:hop=1: cannot use knob 'hop=1'";
    QTest::newRow("port and settings") << QStringList{"--settings", "cli.ini", "-platform", "offscreen", "--port", "Simulator"} << -1
        << "settings file|cli.ini|window shown|port Simulator open";
    // clang-format on
}

void TestShell::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    QProcess p;
    QTemporaryDir dir;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : QStringList{"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    env.insert("QT_LOGGING_RULES", "nodeweave.start.info=true");
    p.setProcessEnvironment(env);
    const bool modsim = args.first() == "modsim";
    p.start(modsim ? QString(MODSIM_BIN) : QString(NODEWEAVE_BIN), modsim ? args.mid(1) : args);
    QVERIFY(p.waitForStarted());
    QString out;
    if (status < 0) { // runs until killed
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += QString::fromUtf8(p.readAllStandardError())).contains("Simulator open") ||
                p.state() != QProcess::Running,
            10000);
        p.kill();
        p.waitForFinished();
    } else {
        QVERIFY(p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        out = QString::fromUtf8(status ? p.readAllStandardError() : p.readAllStandardOutput());
    }
    for (const QString &part : said.split('|'))
        QVERIFY2(args.first() == "--version" ? out == said : out.contains(part), qPrintable(out));
}

// The Help button, F1, the tooltips, and Qt's own texts, in both languages.
void TestShell::help()
{
    WindowFixture f;
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString("是(&Y)"));
    f.find<QPushButton>("pushButton_help")->click();
    QCOMPARE(f.abouts.size(), 1);
    QVERIFY2(f.abouts[0].startsWith("关于 Nodeweave|Nodeweave " NODEWEAVE_VERSION "\n") &&
                 f.abouts[0].contains("许可证：MIT") && f.abouts[0].contains("man nodeweave"),
             qPrintable(f.abouts[0]));
    QApplication::setActiveWindow(f.w.get());
    QTest::keyClick(f.w.get(), Qt::Key_F1);
    QCOMPARE(f.opened, QList<QUrl>{QUrl("man:nodeweave(1)")});
    f.openWorks = false;
    QTest::keyClick(f.w.get(), Qt::Key_F1);
    QCOMPARE(f.status(), QString("无法打开手册 man nodeweave：请在终端中运行 man nodeweave"));
    // Every tooltip is there in both languages; the language button's names both.
    QMap<QWidget *, QString> chinese;
    for (QWidget *w : f.w->findChildren<QWidget *>())
        if (!w->toolTip().isEmpty())
            chinese.insert(w, w->toolTip());
    QVERIFY2(chinese.size() >= 20, qPrintable(QString::number(chinese.size())));
    TestAccess::langButton(f.w.get())->click();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString("&Yes"));
    QCOMPARE(f.find<QPushButton>("pushButton_help")->text(), QString("Help"));
    for (auto it = chinese.cbegin(); it != chinese.cend(); ++it)
        QVERIFY2(!it.key()->toolTip().isEmpty() && it.key()->toolTip() != it.value(),
                 qPrintable(it.value()));
    QVERIFY(TestAccess::langButton(f.w.get())->toolTip().contains("切换界面语言") &&
            chinese.value(TestAccess::langButton(f.w.get())).contains("Switch"));
}

// What the file dialogs give back, for every file the program saves or opens.
void TestShell::fileNames_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");  // what a save dialog gives back
    QTest::addColumn<QString>("opened"); // an open dialog, with saved.xml, plain and x.y there
    // clang-format off
    QTest::newRow("export, import") << "XML (*.xml)" << "saved" << "saved.xml" << "saved.xml";
    QTest::newRow("extension given") << "XML (*.xml)" << "saved.xml" << "saved.xml" << "saved.xml";
    QTest::newRow("another extension") << "XML (*.xml)" << "x.y" << "x.y" << "x.y";
    QTest::newRow("exists without") << "XML (*.xml)" << "plain" << "plain.xml" << "plain";
    QTest::newRow("log, capture") << "文本文件 (*.txt);;所有文件 (*)" << "log" << "log.txt" << "log";
    QTest::newRow("report") << "CSV 文件 (*.csv)" << "report" << "report.csv" << "report";
    QTest::newRow("all files") << "所有文件 (*)" << "log" << "log" << "log";
    QTest::newRow("cancelled") << "XML (*.xml)" << "" << "" << "";
    // clang-format on
}

void TestShell::fileNames()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QFETCH(QString, opened);
    QTemporaryDir dir;
    for (const QString &name : QStringList{"saved.xml", "plain", "x.y"})
        QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
    const QString path = typed.isEmpty() ? QString() : dir.filePath(typed);
    Dialogs::Hooks hooks;
    hooks.saveFileName = hooks.openFileName = [&](const QString &) {
        return path;
    };
    Dialogs::setHooks(hooks);
    const QString in = dir.path() + '/';
    QCOMPARE(Dialogs::saveFileName("Save", dir.path(), filter).remove(in), saved);
    QCOMPARE(Dialogs::openFileName("Open", dir.path(), filter).remove(in), opened);
    Dialogs::clearHooks();
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
