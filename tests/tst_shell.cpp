// The window as it starts, its settings file, its two languages and its serial port.

#include "peripherals/families.h"
#include "testpty.h"
#include "testutil.h"

#include "serial/portproblem.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Every text the form shows: labels, buttons, group titles, tab titles, headers.
QStringList formTexts(QWidget *w)
{
    QStringList out;
    for (QLabel *l : w->findChildren<QLabel *>())
        out << l->objectName() + '=' + l->text();
    for (QAbstractButton *b : w->findChildren<QAbstractButton *>())
        out << b->objectName() + '=' + b->text();
    for (QGroupBox *g : w->findChildren<QGroupBox *>())
        out << g->objectName() + '=' + g->title();
    for (QTabWidget *t : w->findChildren<QTabWidget *>())
        for (int i = 0; i < t->count(); ++i)
            out << t->objectName() + QString::number(i) + '=' + t->tabText(i);
    auto *dev = w->findChild<QTableWidget *>("tableWidget_device");
    for (int i = 0; i < dev->columnCount(); ++i)
        out << "device" + QString::number(i) + '=' + dev->horizontalHeaderItem(i)->text();
    out << "title=" + w->windowTitle();
    return out;
}

// The LED as the label shows it, at the 25 x 25 the port toggle scales it to.
QImage shownLed(QLabel *label)
{
    return label->pixmap()
        .scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation)
        .toImage();
}

QImage ledImage(const char *path)
{
    return QPixmap(QString::fromLatin1(path))
        .scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation)
        .toImage();
}

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void startState();
    void formConnections();
    void settingsFirstStartAndRoundTrip();
    void settingsMaximisedAndOddValues();
    void languageSwitching();
    void languageStoredChoice();
    void serialOverPty();
    void serialOpenFailures();
    void serialPortLost();
    void serialPortListFollowsDevices();
    void serialReconnect();
    void settingsLocation();
    void commandLine_data();
    void commandLine();
    void commandLinePortAndSettings();
};

void TestShell::startState()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    QCOMPARE(f.find<QTabWidget>("tabWidget")->currentIndex(), 0);
    for (const char *name : {"pushButton_send", "pushButton_scan", "pushButton_readConfiguration",
                             "pushButton_writeConfiguartion", "pushButton_writeConfiguartionBull",
                             "pushButton_stopCfg"})
        QVERIFY2(!f.find<QPushButton>(name)->isEnabled(), name);
    QVERIFY(f.find<QPushButton>("pushButton_openCom")->isEnabled());
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("打开"));
    QCOMPARE(f.find<QLabel>("label_sendCnt")->text(), QString("0"));
    QCOMPARE(f.find<QLabel>("label_recvCnt")->text(), QString("0"));
    QVERIFY(!f.find<QProgressBar>("progressBar_cfg")->isEnabled());
    QVERIFY(!f.find<QProgressBar>("progressBar_scan")->isEnabled());
    QTRY_COMPARE(f.status(), QString("就绪"));

    // The language button sits at the right end of the status bar.
    QPushButton *lang = TestAccess::langButton(w);
    QCOMPARE(lang->text(), QString("English"));
    QCOMPARE(lang->parentWidget(), static_cast<QWidget *>(w->statusBar()));
    QVERIFY(lang->isVisible());
    QVERIFY(lang->geometry().right() > w->statusBar()->width() - 80);

    // The port list ends with the simulated module; the line settings read 115200 8N1.
    auto *ports = f.find<QComboBox>("comboBox_comPort");
    QCOMPARE(ports->itemText(ports->count() - 1), Nodeweave::simulatorPortName());
    QVERIFY(!f.find<QCheckBox>("checkBox_reconnect")->isChecked());
    QCOMPARE(f.find<QComboBox>("comboBox_bps")->currentText(), QString("115200"));
    QCOMPARE(f.find<QComboBox>("comboBox_dataBit")->currentText(), QString("8"));
    QCOMPARE(f.find<QComboBox>("comboBox_parBit")->currentText(), QString("None"));
    QCOMPARE(f.find<QComboBox>("comboBox_stopBit")->currentText(), QString("1"));
    QCOMPARE(shownLed(f.find<QLabel>("label_comLed")), ledImage(":/Nodeweave/comGrayLed"));
    QVERIFY(!w->windowIcon().isNull());

    // The log: one column, no headers. The device table: three columns, sized columns.
    auto *log = f.find<QTableWidget>("tableWidget_log");
    QCOMPARE(log->columnCount(), 1);
    QVERIFY(!log->horizontalHeader()->isVisible());
    QVERIFY(!log->verticalHeader()->isVisible());
    auto *dev = f.find<QTableWidget>("tableWidget_device");
    QCOMPARE(dev->columnCount(), 3);
    QCOMPARE(dev->columnWidth(0), 160);
    QCOMPARE(dev->columnWidth(1), 60);

    // Each IO line's two radio buttons form one exclusive group, both with the line's id.
    const auto lines = Family::kIoLines;
    for (int i = 0; i < 5; ++i) {
        QButtonGroup *g = TestAccess::ioGroup(w, i);
        QVERIFY(g->exclusive());
        QCOMPARE(g->buttons().size(), 2);
        for (QAbstractButton *b : g->buttons())
            QCOMPARE(g->id(b), lines[i]);
    }
}

void TestShell::formConnections()
{
    WindowFixture f;
    auto *out9 = f.find<QRadioButton>("radioButton_9output");
    auto *in9 = f.find<QRadioButton>("radioButton_9input");
    auto *level9 = f.find<QComboBox>("comboBox_9output");
    QVERIFY(in9->isChecked());
    QVERIFY(!level9->isEnabled());
    out9->click();
    QVERIFY(out9->isChecked());
    QVERIFY(!in9->isChecked());
    QVERIFY(level9->isEnabled());
    in9->click();
    QVERIFY(!out9->isChecked());
    QVERIFY(!level9->isEnabled());

    for (int k = 1; k <= 3; ++k) {
        const QByteArray n = QByteArray::number(k);
        auto *slider = f.find<QSlider>("horizontalSlider_PWM" + n);
        auto *spin = f.find<QSpinBox>("spinBox_PWM" + n);
        QCOMPARE(slider->maximum(), 100);
        QCOMPARE(spin->maximum(), 100);
        slider->setValue(37);
        QCOMPARE(spin->value(), 37);
        spin->setValue(64);
        QCOMPARE(slider->value(), 64);
        f.find<QCheckBox>("checkBox_PWM" + n)->setChecked(true);
        QVERIFY(!slider->isEnabled());
        QVERIFY(!spin->isEnabled());
        QVERIFY(!f.find<QLineEdit>("lineEdit_PWM" + n + "_FRQ")->isEnabled());
    }

    f.find<QCheckBox>("checkBox_ADSMP2")->setChecked(true);
    QVERIFY(!f.find<QLineEdit>("lineEdit_ADSMP2_IT")->isEnabled());
    QVERIFY(!f.find<QComboBox>("comboBox_ADSMP2")->isEnabled());
    QVERIFY(!f.find<QComboBox>("comboBox_ADSMP2_ADDR")->isEnabled());
    f.find<QCheckBox>("checkBox_TPIO14")->setChecked(true);
    QVERIFY(!f.find<QComboBox>("comboBox_TPIO14_TIO")->isEnabled());
    f.find<QCheckBox>("checkBox_IOSMP17")->setChecked(true);
    QVERIFY(!f.find<QLineEdit>("lineEdit_IOSMP_IT17")->isEnabled());
}

void TestShell::settingsFirstStartAndRoundTrip()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    QCOMPARE(w->pos(), QPoint(100, 50));
    QCOMPARE(w->size(), QSize(1200, 550));
    QVERIFY(!w->isMaximized());
    QCOMPARE(f.find<QLineEdit>("lineEdit_cmd")->text(), QString("AT"));
    QCOMPARE(f.find<QLineEdit>("lineEdit_scanTime")->text(), QString("5"));
    QVERIFY(f.find<QLineEdit>("lineEdit_regular_time")->text().isEmpty());
    QVERIFY(f.find<QLineEdit>("lineEdit_sendPkt_DATA")->text().isEmpty());

    // Change every remembered value, close, start again.
    w->resize(1300, 640);
    w->move(140, 90);
    f.find<QComboBox>("comboBox_bps")->setCurrentIndex(1);
    f.find<QComboBox>("comboBox_dataBit")->setCurrentIndex(2);
    f.find<QComboBox>("comboBox_parBit")->setCurrentIndex(2);
    f.find<QComboBox>("comboBox_stopBit")->setCurrentIndex(1);
    f.find<QLineEdit>("lineEdit_cmd")->setText("AT+VER");
    f.find<QLineEdit>("lineEdit_regular_time")->setText("250");
    f.find<QLineEdit>("lineEdit_scanTime")->setText("12");
    f.find<QLineEdit>("lineEdit_sendPkt_DATA")->setText("hello, node");
    f.find<QCheckBox>("checkBox_reconnect")->setChecked(true);
    QVERIFY(f.openPort()); // the last port opened is offered again, not opened
    f.find<QPushButton>("pushButton_openCom")->click();
    TestAccess::langButton(w)->click();
    f.restart();

    w = f.w.get();
    QCOMPARE(w->size(), QSize(1300, 640));
    QCOMPARE(w->pos(), QPoint(140, 90));
    QCOMPARE(f.find<QComboBox>("comboBox_bps")->currentText(), QString("9600"));
    QCOMPARE(f.find<QComboBox>("comboBox_dataBit")->currentText(), QString("7"));
    QCOMPARE(f.find<QComboBox>("comboBox_parBit")->currentText(), QString("Odd"));
    QCOMPARE(f.find<QComboBox>("comboBox_stopBit")->currentText(), QString("2"));
    QCOMPARE(f.find<QLineEdit>("lineEdit_cmd")->text(), QString("AT+VER"));
    QCOMPARE(f.find<QLineEdit>("lineEdit_regular_time")->text(), QString("250"));
    QCOMPARE(f.find<QLineEdit>("lineEdit_scanTime")->text(), QString("12"));
    QCOMPARE(f.find<QLineEdit>("lineEdit_sendPkt_DATA")->text(), QString("hello, node"));
    QCOMPARE(TestAccess::langButton(w)->text(), QString("中文"));
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("Open"));
    QCOMPARE(f.find<QComboBox>("comboBox_comPort")->currentText(), Nodeweave::simulatorPortName());
    QVERIFY(!TestAccess::portOpen(w));
    QVERIFY(f.find<QCheckBox>("checkBox_reconnect")->isChecked());

    // The stored keys are the documented ones, with the documented values.
    QSettings ini(f.dir.filePath("Nodeweave.ini"), QSettings::IniFormat);
    QCOMPARE(ini.value("LANG/lang").toString(), QString("中文"));
    QCOMPARE(ini.value("comSettings/bps").toInt(), 1);
    QCOMPARE(ini.value("comSettings/parBit").toInt(), 2);
    QCOMPARE(ini.value("consoleSettings/cmd_line").toString(), QString("AT+VER"));
    QCOMPARE(ini.value("scan/scanTime").toString(), QString("12"));
    QCOMPARE(ini.value("sendPkt/sendPktData").toString(), QString("hello, node"));
    QCOMPARE(ini.value("pos&size/isMax").toBool(), false);
    QCOMPARE(ini.value("comSettings/port").toString(), Nodeweave::simulatorPortName());
    QCOMPARE(ini.value("comSettings/reconnect").toBool(), true);
}

void TestShell::settingsMaximisedAndOddValues()
{
    {
        WindowFixture f;
        f.w->showMaximized();
        QTRY_VERIFY(f.w->isMaximized());
        f.restart(false);
        QVERIFY(f.w->windowState() & Qt::WindowMaximized);
        f.w->show();
        QTRY_VERIFY(f.w->isMaximized());
    }
    {
        // An index beyond the items leaves the box without a current item; the port then
        // opens at 115200. Garbage elsewhere falls back or is taken as text.
        WindowFixture f("[comSettings]\nbps=9\ndataBit=abc\nparBit=-4\n"
                        "[pos%26size]\npos=garbage\nsize=@Size(0 0)\nisMax=false\n"
                        "[scan]\nscanTime=abc\n");
        QCOMPARE(f.find<QComboBox>("comboBox_bps")->currentIndex(), -1);
        QCOMPARE(f.find<QComboBox>("comboBox_dataBit")->currentIndex(), 0);
        QCOMPARE(f.find<QComboBox>("comboBox_parBit")->currentIndex(), -1);
        QCOMPARE(f.find<QLineEdit>("lineEdit_scanTime")->text(), QString("abc"));
        QVERIFY(!f.w->isMaximized());
        PortSettings s = portSettingsFromIndexes(-1, 3, 0, 0);
        QCOMPARE(s.baudRate, 115200);
        QVERIFY(f.openPort());
    }
}

void TestShell::languageSwitching()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    const QStringList chinese = formTexts(w);
    QPushButton *lang = TestAccess::langButton(w);

    f.find<QLineEdit>("lineEdit_EPID")->setText("0x1234");
    f.find<QLineEdit>("lineEdit_PWM2_FRQ")->setText("2500");
    QVERIFY(f.openPort());
    f.sim()->clearReceivedLines();

    lang->click();
    QCOMPARE(lang->text(), QString("中文"));
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("Close"));
    QCOMPARE(f.find<QGroupBox>("groupBox_comPort")->title(), QString("ComPort"));
    QCOMPARE(f.find<QTabWidget>("tabWidget")->tabText(0), QString("Base Info"));
    QCOMPARE(f.find<QLabel>("label_bps")->text(), QString("BaudRate"));
    QCOMPARE(w->windowTitle(), QString("Nodeweave"));
    // What the user typed or read survives, the port stays open, nothing was sent.
    QCOMPARE(f.find<QLineEdit>("lineEdit_EPID")->text(), QString("0x1234"));
    QCOMPARE(f.find<QLineEdit>("lineEdit_PWM2_FRQ")->text(), QString("2500"));
    QVERIFY(TestAccess::portOpen(w));
    QCOMPARE(shownLed(f.find<QLabel>("label_comLed")), ledImage(":/Nodeweave/comGreenLed"));

    lang->click();
    QCOMPARE(lang->text(), QString("English"));
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("关闭"));
    f.find<QPushButton>("pushButton_openCom")->click();
    QCOMPARE(formTexts(w), chinese);
    QVERIFY(f.sim()->receivedLines().isEmpty());
}

void TestShell::languageStoredChoice()
{
    // Any stored text other than "English" starts in English, the button showing that text;
    // the first click then loads Chinese.
    WindowFixture f("[LANG]\nlang=\n");
    QPushButton *lang = TestAccess::langButton(f.w.get());
    QCOMPARE(lang->text(), QString());
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("Open"));
    QCOMPARE(f.find<QLabel>("label_stopBit")->text(), QString("StopBit"));
    // Texts without an English entry show their source text.
    QCOMPARE(f.find<QLabel>("label_22")->text(), QString("S："));
    lang->click();
    QCOMPARE(lang->text(), QString("English"));
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("打开"));
}

void TestShell::serialOverPty()
{
    Pty pty;
    WindowFixture f;
    QVERIFY(f.openPort(pty.slavePath));
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("关闭"));
    QCOMPARE(shownLed(f.find<QLabel>("label_comLed")), ledImage(":/Nodeweave/comGreenLed"));
    for (const char *name : {"pushButton_send", "pushButton_scan", "pushButton_readConfiguration",
                             "pushButton_writeConfiguartion"})
        QVERIFY2(f.find<QPushButton>(name)->isEnabled(), name);
    QCOMPARE(pty.speed(), speed_t(B115200));

    // Bytes pass both ways unchanged, all 256 values included.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
    pty.send(all + "\r\nOK\r\n");
    QTRY_COMPARE(lines.size(), 2);
    QCOMPARE(lines.at(1).at(0).toString(), QString("OK\r\n"));
    QTRY_COMPARE(f.find<QLabel>("label_recvCnt")->text(), QString::number(all.size() + 6));
    QMetaObject::invokeMethod(f.w.get(), "comSend", Q_ARG(QString, QString("AT+VER\r\n")));
    QByteArray got;
    QTRY_VERIFY((got += pty.receive()).size() >= 8);
    QCOMPARE(got, QByteArray("AT+VER\r\n"));
    QCOMPARE(f.find<QLabel>("label_sendCnt")->text(), QString("8"));

    // A changed line setting reaches the open port at once, without reopening it.
    f.find<QComboBox>("comboBox_bps")->setCurrentIndex(1);
    QTRY_COMPARE(pty.speed(), speed_t(B9600));
    QVERIFY(TestAccess::portOpen(f.w.get()));

    // Close, then open the simulated module instead.
    f.find<QPushButton>("pushButton_openCom")->click();
    QVERIFY(!TestAccess::portOpen(f.w.get()));
    QCOMPARE(shownLed(f.find<QLabel>("label_comLed")), ledImage(":/Nodeweave/comGrayLed"));
    QVERIFY(!f.find<QPushButton>("pushButton_send")->isEnabled());
    QVERIFY(f.openPort());
    QVERIFY(f.messages.isEmpty());
}

void TestShell::serialOpenFailures()
{
    WindowFixture f;
    // Each reason, in the interface's language, with its hint.
    const QString regular = f.dir.filePath("plain-file");
    QFile(regular).open(QIODevice::WriteOnly);
    Pty denied;
    Pty held;
    QSerialPort holder;
    holder.setPortName(held.slavePath);
    QVERIFY(holder.open(QIODevice::ReadWrite));
    const QString dialoutHint =
        "把用户加入 dialout 组：sudo usermod -aG dialout $USER，然后注销并重新登录。";
    const struct
    {
        QString path;
        QString explained;
    } cases[] = {
        {"/dev/nodeweave-no-such-port", "设备不存在"},
        {regular, "这不是串口设备"},
        {f.dir.path(), "这不是串口设备"},
        {denied.slavePath, "没有使用该设备的权限\n" + dialoutHint},
        {held.slavePath, "串口正被另一个程序使用\n请先关闭正在使用该串口的程序。"},
    };
    // Root may open any device file: the program then looks at the device as a user
    // outside its group would, through the effective ids. Without root the device's
    // owner takes its own access away, and the group is the terminal's, not dialout.
    const bool root = geteuid() == 0;
    const group *dialout = getgrnam("dialout");
    QVERIFY(!root || dialout);
    const QByteArray deniedPath = QFile::encodeName(denied.slavePath);
    QCOMPARE(::chmod(deniedPath, root ? 0660 : 0), 0);
    if (root)
        QCOMPARE(::chown(deniedPath, 0, dialout->gr_gid), 0);
    for (const auto &c : cases) {
        const bool drop = root && c.path == denied.slavePath;
        if (drop)
            QVERIFY(::setegid(65534) == 0 && ::seteuid(65534) == 0);
        const bool opened = f.openPort(c.path);
        if (drop)
            QVERIFY(::seteuid(0) == 0 && ::setegid(0) == 0);
        QVERIFY(!opened);
        const QString explained = drop || root || c.path != denied.slavePath
                                      ? c.explained
                                      : "没有使用该设备的权限\n设备属于 " +
                                            PortProblem::deviceGroup(c.path) +
                                            " 组：请管理员允许该用户使用它。";
        QCOMPARE(f.messages.takeLast(), "无法打开" + c.path + "\n" + explained);
    }
    // The same in English.
    TestAccess::langButton(f.w.get())->click();
    QVERIFY(!f.openPort(held.slavePath));
    QCOMPARE(f.messages.takeLast(), "Can not open " + held.slavePath +
                                        "\nThe port is in use by another program\n"
                                        "Close the program that uses the port first.");
    TestAccess::langButton(f.w.get())->click();

    // The real box, without the test's answer: a typed name is shown as typed, never
    // read as rich text.
    Dialogs::clearHooks();
    QString shown;
    Qt::TextFormat format = Qt::RichText;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown = box->text();
        format = box->textFormat();
        box->accept();
    });
    QVERIFY(!f.openPort("/dev/<b>nodeweave</b>"));
    QCOMPARE(shown, QString("无法打开/dev/<b>nodeweave</b>\n设备不存在"));
    QCOMPARE(format, Qt::PlainText);
    f.answerDialogs();
    QVERIFY(!TestAccess::portOpen(f.w.get()));
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("打开"));

    // Switching, while open, to a port that cannot be opened leaves everything closed.
    auto *ports = f.find<QComboBox>("comboBox_comPort");
    ports->addItem("/dev/nodeweave-gone");
    QVERIFY(f.openPort());
    ports->setCurrentIndex(ports->findText("/dev/nodeweave-gone"));
    QVERIFY(!TestAccess::portOpen(f.w.get()));
    QCOMPARE(f.messages.last(), QString("无法打开/dev/nodeweave-gone\n设备不存在"));
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("打开"));
    QCOMPARE(shownLed(f.find<QLabel>("label_comLed")), ledImage(":/Nodeweave/comGrayLed"));
    QVERIFY(!f.find<QPushButton>("pushButton_scan")->isEnabled());

    // Switching between two ports that open keeps the port open.
    Pty pty;
    ports->addItem(pty.slavePath);
    QVERIFY(f.openPort());
    ports->setCurrentIndex(ports->findText(pty.slavePath));
    QVERIFY(TestAccess::portOpen(f.w.get()));
    QMetaObject::invokeMethod(f.w.get(), "comSend", Q_ARG(QString, QString("AT\r\n")));
    QByteArray got;
    QTRY_VERIFY((got += pty.receive()).size() >= 4);
    QCOMPARE(got, QByteArray("AT\r\n"));
}

void TestShell::serialPortLost()
{
    WindowFixture f;
    for (int round = 0; round < 3; ++round) {
        Pty pty;
        QVERIFY(f.openPort(pty.slavePath));
        pty.send("OK\r\n");
        QTRY_COMPARE(f.find<QLabel>("label_recvCnt")->text().toInt(), 4 * (round + 1));
        pty.closeMaster();
        QTRY_VERIFY(!TestAccess::portOpen(f.w.get()));
        QCOMPARE(f.status(), "串口已断开：" + pty.slavePath + "（设备已断开或不再应答）");
        QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("打开"));
        QCOMPARE(shownLed(f.find<QLabel>("label_comLed")), ledImage(":/Nodeweave/comGrayLed"));
        QVERIFY(!f.find<QPushButton>("pushButton_send")->isEnabled());
    }
}

void TestShell::serialPortListFollowsDevices()
{
    WindowFixture f;
    QTemporaryDir byId;
    PortWatcher *watcher = TestAccess::watcher(f.w.get());
    watcher->setDirectories({byId.path()});
    auto *ports = f.find<QComboBox>("comboBox_comPort");
    const int before = ports->count();
    ports->setEditText("/dev/typed-by-hand");

    // An adapter arrives: its by-id link appears, and the list follows without a click.
    Pty pty;
    const QString link = byId.filePath("usb-Tellwind_Radio_0001-if00-port0");
    QVERIFY(QFile::link(pty.slavePath, link));
    QTRY_COMPARE(ports->count(), before + 1);
    const int at = ports->findText(pty.slavePath);
    QVERIFY(at >= 0);
    QVERIFY(ports->itemData(at, Qt::ToolTipRole).toString().contains(link));
    QCOMPARE(ports->currentText(), QString("/dev/typed-by-hand"));
    QCOMPARE(ports->itemText(ports->count() - 1), Nodeweave::simulatorPortName());
    QStringList names;
    for (int i = 0; i < ports->count() - 1; ++i)
        names << ports->itemText(i);
    QCOMPARE(names, sortedPortNames(names));

    // The open port stays open and selected while devices come and go.
    QVERIFY(f.openPort(pty.slavePath));
    Pty other;
    QVERIFY(QFile::link(other.slavePath, byId.filePath("usb-Other-if00")));
    QTRY_COMPARE(ports->count(), before + 2);
    QCOMPARE(ports->currentText(), pty.slavePath);
    QVERIFY(TestAccess::portOpen(f.w.get()));
    f.find<QPushButton>("pushButton_openCom")->click();

    // Opening the list reads it afresh, even before the watcher says anything.
    const QSignalBlocker quiet(watcher);
    QVERIFY(QFile::remove(link));
    ports->showPopup();
    QCOMPARE(ports->findText(pty.slavePath), -1);
    QCOMPARE(ports->count(), before + 1);
    ports->hidePopup();
}

// A module served on a pseudo-terminal behind a by-id style link; killed and started
// again, it comes back on another terminal under the same link.
void TestShell::serialReconnect()
{
    WindowFixture f;
    QTemporaryDir byId;
    TestAccess::watcher(f.w.get())->setDirectories({byId.path()});
    const QString link = byId.filePath("usb-Tellwind_Radio_0001-if00-port0");
    QProcess modsim;
    // Returns the terminal's path, which the simulator prints first.
    const auto startModsim = [&] {
        modsim.start(MODSIM_BIN, {"--link", link});
        while (!modsim.canReadLine() && modsim.waitForReadyRead(5000)) {
        }
        return QString::fromLocal8Bit(modsim.readLine()).trimmed();
    };
    const auto stopModsim = [&] {
        modsim.terminate();
        QVERIFY(modsim.waitForFinished(5000));
    };
    auto *reconnect = f.find<QCheckBox>("checkBox_reconnect");
    auto *ports = f.find<QComboBox>("comboBox_comPort");
    reconnect->setChecked(true);
    f.find<QComboBox>("comboBox_bps")->setCurrentIndex(1);

    QString path = startModsim();
    QTRY_VERIFY(ports->findText(path) >= 0);
    QVERIFY(f.openPort(path));
    // A read running when the port goes ends with failure; it is not resumed later.
    f.find<QPushButton>("pushButton_readConfiguration")->click();
    QVERIFY(f.find<QPushButton>("pushButton_stopCfg")->isEnabled());
    stopModsim();
    QTRY_VERIFY(!TestAccess::portOpen(f.w.get()));
    QCOMPARE(f.status(), "串口已断开：" + path + "（设备已断开或不再应答）");
    QVERIFY(!f.find<QPushButton>("pushButton_stopCfg")->isEnabled());

    path = startModsim();
    QTRY_VERIFY(TestAccess::portOpen(f.w.get()));
    QCOMPARE(f.status(), "串口已重新连接：" + path);
    QCOMPARE(ports->currentText(), path);
    QCOMPARE(TestAccess::serialPort(f.w.get())->baudRate(), 9600);
    QCOMPARE(f.find<QPushButton>("pushButton_openCom")->text(), QString("关闭"));
    QVERIFY(f.find<QPushButton>("pushButton_readConfiguration")->isEnabled());
    QVERIFY(!f.find<QPushButton>("pushButton_stopCfg")->isEnabled());
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
    QMetaObject::invokeMethod(f.w.get(), "comSend", Q_ARG(QString, QString("AT+VER\r\n")));
    QTRY_COMPARE(lines.size(), 1);

    // Off, the lost port stays closed when it comes back.
    reconnect->setChecked(false);
    stopModsim();
    QTRY_VERIFY(!TestAccess::portOpen(f.w.get()));
    path = startModsim();
    QTRY_VERIFY(ports->findText(path) >= 0);
    QTest::qWait(300);
    QVERIFY(!TestAccess::portOpen(f.w.get()));
    QVERIFY(f.messages.isEmpty());
    stopModsim();
}

// The working directory when files can be made there; the per-user configuration folder
// when not; a named file always. A file that cannot be written is said at start.
void TestShell::settingsLocation()
{
    QStandardPaths::setTestModeEnabled(true);
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir(userDir).removeRecursively();
    WindowFixture f;
    const QString failText = QStringLiteral("设置无法保存到 ");
    QCOMPARE(f.w->settingsFileName(), f.dir.filePath("Nodeweave.ini"));
    QCoreApplication::processEvents(); // the report is queued
    QVERIFY(!f.status().startsWith(failText));

    // No file can be made in /proc, not even by root.
    QDir::setCurrent(QStringLiteral("/proc"));
    f.restart();
    QCOMPARE(f.w->settingsFileName(), QDir(userDir).filePath("Nodeweave.ini"));
    QCoreApplication::processEvents(); // the report is queued
    QVERIFY(!f.status().startsWith(failText));
    f.find<QLineEdit>("lineEdit_cmd")->setText("AT+MENU");
    f.restart();
    QCOMPARE(f.find<QLineEdit>("lineEdit_cmd")->text(), QString("AT+MENU"));
    QVERIFY(QFile::exists(QDir(userDir).filePath("Nodeweave.ini")));

    const QString named = f.dir.filePath("sub/named.ini");
    Nodeweave::setSettingsFile(named);
    f.restart();
    QCOMPARE(f.w->settingsFileName(), named);
    QCOMPARE(f.find<QLineEdit>("lineEdit_cmd")->text(), QString("AT"));
    f.find<QLineEdit>("lineEdit_cmd")->setText("AT+NAMED");
    f.restart();
    QCOMPARE(QSettings(named, QSettings::IniFormat).value("consoleSettings/cmd_line").toString(),
             QString("AT+NAMED"));

    Nodeweave::setSettingsFile(QStringLiteral("/proc/nodeweave.ini"));
    f.restart();
    QTRY_COMPARE(f.status(), failText + "/proc/nodeweave.ini");
    Nodeweave::setSettingsFile(QString());
    QDir(userDir).removeRecursively();
}

// The program itself, without a display: these must end before any window is made.
void TestShell::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << QStringLiteral("nodeweave " NODEWEAVE_VERSION "\n") << QString();
    QTest::newRow("help") << QStringList{"--help"} << 0 << QStringLiteral("--settings <file>")
                          << QString();
    QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << QString()
                             << QStringLiteral("Unknown option 'bogus'");
    QTest::newRow("no value") << QStringList{"--port"} << 2 << QString()
                              << QStringLiteral("Missing value after '--port'");
    QTest::newRow("stray") << QStringList{"ttyUSB0"} << 2 << QString()
                           << QStringLiteral("unexpected argument 'ttyUSB0'");
}

void TestShell::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(NODEWEAVE_BIN), args);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), status);
    const QString stdOut = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(p.readAllStandardError());
    if (args.first() == "--version")
        QCOMPARE(stdOut, out);
    else
        QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    // Refused: the error, then the usage.
    if (status == 2)
        QVERIFY2(stdErr.contains("Usage: nodeweave [options]") && stdErr.contains("--port <name>"),
                 qPrintable(stdErr));
}

// --port opens the port once the window shows; --settings names the settings file.
void TestShell::commandLinePortAndSettings()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("bench.ini");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_LOGGING_RULES", "nodeweave.start.info=true");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(NODEWEAVE_BIN),
            {"--settings", ini, "-platform", "offscreen", "--port", "Simulator"});
    QVERIFY(p.waitForStarted());
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("port Simulator open") ||
                                 p.state() != QProcess::Running,
                             10000);
    p.kill();
    p.waitForFinished();
    QVERIFY2(err.contains("settings file " + QFile::encodeName(ini)), err.constData());
    QVERIFY2(err.contains("window shown"), err.constData());
    QVERIFY2(err.contains("port Simulator open"), err.constData());
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
