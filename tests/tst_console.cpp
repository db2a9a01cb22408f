// The console as a user drives it against the simulated module: sending once, remote AT,
// repeated sending, the log with its cap, saving and copying, completion, and what the
// status bar reports for each reply.

#include "testutil.h"

#include "at/errortable.h"
#include "peripherals/peripheralcommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QTranslator>

#include <cmath>

namespace {

QString label(const WindowFixture &f, const char *name)
{
    return f.find<QLabel>(name)->text();
}

// The error reply written out by hand: "ERR=", one to three ASCII digits, CR LF.
int errorCodeOf(const QString &line)
{
    static const QString prefix = QStringLiteral("ERR="), end = QStringLiteral("\r\n");
    if (!line.startsWith(prefix) || !line.endsWith(end))
        return -1;
    const QString digits = line.mid(4, line.size() - 6);
    if (digits.isEmpty() || digits.size() > 3)
        return -1;
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    return digits.toInt();
}

// A saved or captured log read back: each line's direction mark and unescaped text.
// Fails the test when a line is malformed or a time goes backwards.
QStringList readLogFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot open ") + path};
    static const QRegularExpression shape(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z) ([<>#]) (.*)$"));
    QStringList out;
    QDateTime last;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        if (raw.isEmpty())
            continue;
        const QRegularExpressionMatch m = shape.match(QString::fromUtf8(raw));
        if (!m.hasMatch())
            return {QStringLiteral("malformed: ") + QString::fromUtf8(raw)};
        const QDateTime time = QDateTime::fromString(m.captured(1), Qt::ISODateWithMs);
        if (!time.isValid() || time < last)
            return {QStringLiteral("time out of order: ") + m.captured(1)};
        last = time;
        QString text;
        const QString e = m.captured(3);
        for (int i = 0; i < e.size(); ++i) {
            if (e[i] != QLatin1Char('\\')) {
                text += e[i];
                continue;
            }
            const QChar c = ++i < e.size() ? e[i] : QChar();
            if (c == QLatin1Char('x'))
                text += QChar(e.mid(++i, 2).toUShort(nullptr, 16)), ++i;
            else
                text += c == QLatin1Char('r')   ? QChar(u'\r')
                        : c == QLatin1Char('n') ? QChar(u'\n')
                                                : c;
        }
        out.append(m.captured(2) + text);
    }
    return out;
}

} // namespace

class TestConsole : public QObject
{
    Q_OBJECT

private slots:
    void sendOnce();
    void remoteAt();
    void repeatSend();
    void badInterval_data();
    void badInterval();
    void statusBarReports();
    void languages();
    void completion();
    void logCap();
    void saveAndCopy();
    void capture();
    void fuzzReplyHandler();
};

void TestConsole::sendOnce()
{
    WindowFixture f;
    QVERIFY(!f.find<QPushButton>("pushButton_send")->isEnabled());
    QVERIFY(f.openPort());
    auto *cmd = f.find<QLineEdit>("lineEdit_cmd");
    auto *send = f.find<QPushButton>("pushButton_send");

    type(cmd, QStringLiteral("AT+VER"));
    send->click();
    const QString reply =
        QStringLiteral("OK=") + f.sim()->local().config().version + QStringLiteral("\r\n");
    QTRY_COMPARE(logTexts(f), QStringList({"AT+VER\r\n", reply}));
    QCOMPARE(f.sim()->receivedLines(), QStringList({"AT+VER"}));
    QCOMPARE(label(f, "label_sendCnt"), QString("8"));
    auto *log = f.find<QTableWidget>("tableWidget_log");
    QCOMPARE(log->item(0, 0)->background().color(), QColor(220, 245, 250));
    QCOMPARE(log->item(1, 0)->background().color(), QColor(250, 240, 220));
    // Readable on a light and on a dark palette: the text contrasts with its row at least
    // 4.5:1, and a dark row keeps its light colour's hue.
    const auto luminance = [](const QColor &c) {
        const auto lin = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    for (const bool darkCase : {false, true}) {
        log->setPalette(darkCase ? dark : QApplication::palette());
        for (int row : {0, 1}) {
            const QColor back = log->item(row, 0)->background().color();
            const QColor fore = log->item(row, 0)->foreground().color();
            const double l1 = luminance(back), l2 = luminance(fore);
            QVERIFY2((qMax(l1, l2) + 0.05) / (qMin(l1, l2) + 0.05) >= 4.5,
                     qPrintable(back.name() + " " + fore.name()));
            const QColor light = row ? QColor(250, 240, 220) : QColor(220, 245, 250);
            QVERIFY(qAbs(back.hslHue() - light.hslHue()) <= 2);
            QCOMPARE(back.lightness() < 128, darkCase);
        }
    }
    log->setPalette(QApplication::palette());

    // Without "Send New Line" the text goes out as it is; the module answers only when a
    // later text ends the line.
    f.find<QCheckBox>("checkBox_sendNewLine")->setChecked(false);
    type(cmd, QStringLiteral("AT"));
    send->click();
    QTRY_COMPARE(logTexts(f).size(), 3);
    QCOMPARE(logTexts(f).last(), QString("AT"));
    QTest::qWait(100);
    QCOMPARE(f.sim()->receivedLines().size(), 1);
    f.find<QCheckBox>("checkBox_sendNewLine")->setChecked(true);
    type(cmd, QStringLiteral("+VER"));
    send->click();
    QTRY_COMPARE(f.sim()->receivedLines().size(), 2);
    QCOMPARE(f.sim()->receivedLines().at(1), QString("AT+VER"));
    QCOMPARE(label(f, "label_sendCnt"), QString::number(8 + 2 + 6));
    QTRY_COMPARE(logTexts(f).size(), 5);
    QCOMPARE(logTexts(f).at(4), reply);
}

void TestConsole::remoteAt()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    SimNode *node = f.sim()->remotes().at(1);
    auto *cmd = f.find<QLineEdit>("lineEdit_cmd");
    auto *mode = f.find<QComboBox>("comboBox_consoleAddrMode");
    auto *addr = f.find<QLineEdit>("lineEdit_consoleAddr");
    f.find<QCheckBox>("checkBox_autoRemote")->setChecked(true);

    // The suffix goes between the command and the line end.
    type(cmd, QStringLiteral("AT+VER"));
    mode->setCurrentIndex(0);
    addr->setText(node->config().netAddr);
    f.find<QPushButton>("pushButton_send")->click();
    QTRY_COMPARE(f.sim()->receivedLines().size(), 1);
    QCOMPARE(f.sim()->receivedLines().at(0),
             QStringLiteral("AT+VER>NID,") + node->config().netAddr);
    QTRY_VERIFY(logTexts(f).size() == 2);
    QVERIFY(logTexts(f).at(1).startsWith(QStringLiteral("OK=") + node->config().version + '<'));

    mode->setCurrentIndex(1);
    addr->setText(node->config().macAddr);
    f.find<QPushButton>("pushButton_send")->click();
    QTRY_COMPARE(f.sim()->receivedLines().size(), 2);
    QCOMPARE(f.sim()->receivedLines().at(1),
             QStringLiteral("AT+VER>MID,") + node->config().macAddr);

    // An empty address sends the bare suffix; the module refuses it and the status bar
    // names its error.
    type(cmd, QStringLiteral("AT"));
    mode->setCurrentIndex(0);
    addr->clear();
    f.find<QPushButton>("pushButton_send")->click();
    QTRY_COMPARE(f.sim()->receivedLines().size(), 3);
    QCOMPARE(f.sim()->receivedLines().at(2), QString("AT>NID,"));
    QTRY_VERIFY(logTexts(f).contains(QStringLiteral("AT>NID,\r\n")));
    QTRY_VERIFY(f.status().startsWith(QStringLiteral("错误：")));
}

void TestConsole::repeatSend()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    Nodeweave *w = f.w.get();
    auto *repeat = f.find<QCheckBox>("checkBox_regulerSend");
    auto *interval = f.find<QLineEdit>("lineEdit_regular_time");
    QTimer *timer = TestAccess::consoleTimer(w);
    type(f.find<QLineEdit>("lineEdit_cmd"), QStringLiteral("AT"));

    interval->setText(QStringLiteral("20"));
    repeat->setChecked(true);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 20);
    QVERIFY(!interval->isEnabled());
    QTRY_VERIFY(f.sim()->receivedLines().size() >= 3);

    // Clearing the log leaves the repeat running; the counters start again from 0.
    f.find<QPushButton>("pushButton_clearLog")->click();
    QCOMPARE(label(f, "label_sendCnt"), QString("0"));
    QTRY_VERIFY(label(f, "label_sendCnt").toInt() >= 8);
    QVERIFY(timer->isActive());

    // The repeat outlives closing the port; ticks while it is closed send nothing.
    auto *openButton = f.find<QPushButton>("pushButton_openCom");
    openButton->click();
    const int sentWhileOpen = label(f, "label_sendCnt").toInt();
    const int received = int(f.sim()->receivedLines().size());
    QTest::qWait(100);
    QVERIFY(timer->isActive());
    QCOMPARE(label(f, "label_sendCnt").toInt(), sentWhileOpen);
    QCOMPARE(int(f.sim()->receivedLines().size()), received);
    QVERIFY(f.openPort());
    QTRY_VERIFY(f.sim()->receivedLines().size() > received + 2);

    repeat->setChecked(false);
    QVERIFY(!timer->isActive());
    QVERIFY(interval->isEnabled());
    QTest::qWait(30); // an answer may still be on its way
    const int after = int(f.sim()->receivedLines().size());
    QTest::qWait(100);
    QCOMPARE(int(f.sim()->receivedLines().size()), after);

    // 0 ms runs at the packet repeat's 10 ms floor: it keeps sending, but never on every
    // pass of the event loop.
    interval->setText(QStringLiteral("0"));
    repeat->setChecked(true);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), PeripheralCommand::kMinRepeatPeriodMs);
    const int before = int(f.sim()->receivedLines().size());
    QTRY_VERIFY(f.sim()->receivedLines().size() > before + 2);
    repeat->setChecked(false);
    QVERIFY(!timer->isActive());
    const QString sent = label(f, "label_sendCnt");
    QTest::qWait(50);
    QCOMPARE(label(f, "label_sendCnt"), sent);
    QVERIFY(f.messages.isEmpty());
}

void TestConsole::badInterval_data()
{
    QTest::addColumn<QString>("interval");
    QTest::newRow("empty") << QString();
    QTest::newRow("letters") << QStringLiteral("abc");
    QTest::newRow("negative") << QStringLiteral("-5");
    QTest::newRow("fraction") << QStringLiteral("1.5");
    QTest::newRow("past 32 bits") << QStringLiteral("4294967296");
    QTest::newRow("past what a timer takes") << QStringLiteral("3000000000");
}

void TestConsole::badInterval()
{
    QFETCH(QString, interval);
    WindowFixture f;
    QVERIFY(f.openPort());
    auto *repeat = f.find<QCheckBox>("checkBox_regulerSend");
    auto *edit = f.find<QLineEdit>("lineEdit_regular_time");
    edit->setText(interval);
    repeat->setChecked(true);
    QCOMPARE(f.messages, QStringList({"定时时间错误"}));
    QVERIFY(!repeat->isChecked());
    QVERIFY(!TestAccess::consoleTimer(f.w.get())->isActive());
    QVERIFY(edit->isEnabled());
    QCOMPARE(edit->text(), interval);
    QTest::qWait(50);
    QVERIFY(f.sim()->receivedLines().isEmpty());
}

void TestConsole::statusBarReports()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    Nodeweave *w = f.w.get();
    auto *cmd = f.find<QLineEdit>("lineEdit_cmd");
    auto *send = f.find<QPushButton>("pushButton_send");

    // Real replies: a success, then the module's error for an unknown command.
    type(cmd, QStringLiteral("AT"));
    send->click();
    QTRY_COMPARE(f.status(), QString("Success"));
    type(cmd, QStringLiteral("AT+NOPE"));
    send->click();
    QTRY_COMPARE(f.status(), QString("错误：不支持的AT指令"));

    // Every line shape the module may send, handed to the handler as the receiver does.
    struct Case
    {
        const char *line;
        const char *status; // nullptr: the status bar is left alone
    };
    const Case cases[] = {
        {"OK\r\n", "Success"},
        {"OK=5\r\n", nullptr},
        {"OK<0x3C11,0x00124B00AABBCCDD\r\n", nullptr},
        {"ERR=60\r\n", "错误：网络尚未启动"},
        {"ERR=060\r\n", "错误：网络尚未启动"},
        {"ERR=2\r\n", "错误：设备忙"},
        {"ERR=7\r\n", "错误："},
        {"ERR=000\r\n", "错误："},
        {"ERR=1000\r\n", nullptr},
        {"ERR= 60\r\n", nullptr},
        {"ERR=60<0x1,0x2\r\n", nullptr},
        {"ERR=60\r\n\n", nullptr},
        {"OK\n", nullptr},
        {"IO=9,0x0000,1\r\n", nullptr},
    };
    for (const Case &c : cases) {
        w->statusBar()->showMessage(QStringLiteral("before"));
        emit w->recvNewLine(QString::fromUtf8(c.line));
        QCOMPARE(f.status(), QString::fromUtf8(c.status ? c.status : "before"));
    }
    w->statusBar()->clearMessage();
    w->commonRspProc(QStringLiteral("OK\r\n"));
    QCOMPARE(f.status(), QString("Success"));

    // The error table: every code with its text, unknown codes with none.
    for (const ModuleError &e : moduleErrors())
        QCOMPARE(w->getErrStrFromCode(e.code), QString::fromUtf8(e.text));
    for (int code : {0, 6, 9, 17, 25, 34, 59, 61, 99, 101, 999, -1})
        QVERIFY(w->getErrStrFromCode(code).isNull());
}

void TestConsole::languages()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    QCoreApplication::processEvents();

    // Chinese: the success text is the one entry the Chinese file translates.
    w->commonRspProc(QStringLiteral("OK\r\n"));
    QCOMPARE(f.status(), QString("Success"));
    w->commonRspProc(QStringLiteral("ERR=2\r\n"));
    QCOMPARE(f.status(), QString("错误：设备忙"));
    auto *log = f.find<QTableWidget>("tableWidget_log");
    QCOMPARE(f.find<QAction>("action_saveLog")->text(), QString("保存日志…"));

    // English: error texts are looked up when shown, so they follow the switch, and so
    // do the texts that are Latin in the source.
    w->langSwitch();
    QCoreApplication::processEvents();
    w->commonRspProc(QStringLiteral("OK\r\n"));
    QTRY_COMPARE(f.status(), QString("Success"));
    w->commonRspProc(QStringLiteral("ERR=2\r\n"));
    QTRY_COMPARE(f.status(), QString("Err:Device is busy"));
    w->commonRspProc(QStringLiteral("ERR=3\r\n"));
    QTRY_COMPARE(f.status(), QString("Err:Unknown Error"));
    w->commonRspProc(QStringLiteral("ERR=7\r\n"));
    QTRY_COMPARE(f.status(), QString("Err:"));
    QVERIFY(!f.openPort(QStringLiteral("/dev/nodeweave-none")));
    QCOMPARE(f.messages.value(0),
             QString("Can not open /dev/nodeweave-none\nThe device does not exist"));
    // The log's context menu follows the language (the change reaches it through the
    // event loop).
    QCOMPARE(log->contextMenuPolicy(), Qt::ActionsContextMenu);
    QTRY_COMPARE(f.find<QAction>("action_saveLog")->text(), QString("Save log…"));
    QCOMPARE(f.find<QAction>("action_copyLog")->text(), QString("Copy"));

    f.messages.clear();
    f.find<QLineEdit>("lineEdit_regular_time")->clear();
    f.find<QCheckBox>("checkBox_regulerSend")->setChecked(true);
    QCOMPARE(f.messages, QStringList({"Invalid Time Interval"}));

    // And back: Chinese only.
    w->langSwitch();
    w->commonRspProc(QStringLiteral("ERR=3\r\n"));
    QCOMPARE(f.status(), QString("错误：未知错误"));
    QVERIFY(!f.openPort(QStringLiteral("/dev/nodeweave-none")));
    QCOMPARE(f.messages.last(), QString("无法打开/dev/nodeweave-none\n设备不存在"));
}

void TestConsole::completion()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    auto *cmd = f.find<QLineEdit>("lineEdit_cmd");
    QCompleter *completer = TestAccess::completer(w);
    QVERIFY(completer);
    QCOMPARE(cmd->completer(), completer);
    QCOMPARE(completer->caseSensitivity(), Qt::CaseInsensitive);

    // Lower-case typing offers the matching command words, in the catalogue's order.
    cmd->setFocus();
    type(cmd, QStringLiteral("at+p"));
    QCOMPARE(completer->completionPrefix(), QString("at+p"));
    QStringList offered;
    for (int i = 0; completer->setCurrentRow(i); ++i)
        offered.append(completer->currentCompletion());
    QCOMPARE(offered, QStringList({"AT+PAR", "AT+PWM", "AT+PWMRD"}));

    completer->setCompletionPrefix(QString());
    QCOMPARE(completer->completionCount(), 41);
    completer->setCompletionPrefix(QStringLiteral("AT+ADC"));
    QCOMPARE(completer->completionCount(), 2);
    completer->setCompletionPrefix(QStringLiteral("AT+ESC"));
    QCOMPARE(completer->completionCount(), 0);

    // Enter while the popup is open picks the completion and sends nothing; Enter then
    // sends, as Send does.
    QVERIFY(f.openPort());
    SimModule *sim = f.sim();
    sim->clearReceivedLines();
    QApplication::setActiveWindow(w);
    cmd->setFocus();
    type(cmd, QStringLiteral("at+ve"));
    QTRY_VERIFY(completer->popup()->isVisible());
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    QTest::keyClick(completer->popup(), Qt::Key_Return);
    QCOMPARE(cmd->text(), QString("AT+VER"));
    QVERIFY(!completer->popup()->isVisible());
    QTest::qWait(50);
    QCOMPARE(sim->receivedLines(), QStringList());
    QTest::keyClick(cmd, Qt::Key_Return);
    QTRY_COMPARE(sim->receivedLines(), QStringList({"AT+VER"}));
}

void TestConsole::logCap()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    QVERIFY(f.openPort());
    // The log's own bound is tested on a bare table (tst_consolelog); here the window's
    // counters keep counting everything that went through a full log.
    TestAccess::log(w)->setCap(10);
    type(f.find<QLineEdit>("lineEdit_cmd"), QStringLiteral("AT"));
    for (int i = 0; i < 20; ++i)
        f.find<QPushButton>("pushButton_send")->click();
    QCOMPARE(label(f, "label_sendCnt"), QString("80"));
    QTRY_COMPARE(label(f, "label_recvCnt"), QString("80"));
    QTRY_COMPARE(logTexts(f).size(), 10);
    QCOMPARE(logTexts(f).last(), QString("OK\r\n"));
    auto *log = f.find<QTableWidget>("tableWidget_log");
    QTRY_COMPARE(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());
}

void TestConsole::saveAndCopy()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    QVERIFY(f.openPort());
    auto *log = f.find<QTableWidget>("tableWidget_log");
    const QStringList entries = {"AT+VER\r\n", "OK=中文 ÿ\r\n", "AT", "ERR=5\nA\rB\r\n"};
    w->addStrToLog(entries[0], Nodeweave::logSend);
    w->addStrToLog(entries[1], Nodeweave::logRecv);
    w->addStrToLog(entries[2], Nodeweave::logSend);
    w->addStrToLog(entries[3], Nodeweave::logRecv);

    QCOMPARE(log->actions().size(), 4);

    // The row shows control characters escaped, the tooltip the whole text so; the entry
    // keeps its exact text.
    QTRY_COMPARE(log->rowCount(), 4);
    QCOMPARE(log->item(3, 0)->text(), entries[3]);
    QCOMPARE(log->item(3, 0)->toolTip(), QString("ERR=5\\x0AA\\x0DB\\x0D\\x0A"));
    const qint64 at = log->item(3, 0)->data(Qt::UserRole).toLongLong();
    QVERIFY(qAbs(QDateTime::currentMSecsSinceEpoch() - at) < 10000);
    QCOMPARE(ConsoleLog::shownText(entries[3], at, false), QString("ERR=5\\x0AA\\x0DB"));
    QCOMPARE(ConsoleLog::shownText(entries[3], at, true),
             QDateTime::fromMSecsSinceEpoch(at).toString("hh:mm:ss.zzz") + "  ERR=5\\x0AA\\x0DB");
    // The time is switched from the context menu and remembered.
    QVERIFY(!TestAccess::log(w)->showTime());
    f.find<QAction>("action_logTime")->trigger();
    QVERIFY(TestAccess::log(w)->showTime());
    f.restart();
    w = f.w.get();
    QVERIFY(TestAccess::log(w)->showTime());
    QVERIFY(f.find<QAction>("action_logTime")->isChecked());
    log = f.find<QTableWidget>("tableWidget_log");
    for (int i = 0; i < 4; ++i)
        w->addStrToLog(entries[i], i % 2 ? Nodeweave::logRecv : Nodeweave::logSend);

    // Save: every entry with its time and direction, one a line, escaped.
    const QString expected = entries[0] + entries[1] + "AT\r\n" + entries[3];
    f.nextSaveFile = f.dir.filePath(QStringLiteral("log.txt"));
    f.find<QAction>("action_saveLog")->trigger();
    QCOMPARE(readLogFile(f.nextSaveFile),
             QStringList({">" + entries[0], "<" + entries[1], ">AT", "<" + entries[3]}));
    QVERIFY(f.status().contains(QStringLiteral("log.txt")));

    // A cancelled dialog writes nothing; a path that cannot be written says so and
    // leaves no file.
    f.nextSaveFile.clear();
    w->statusBar()->clearMessage();
    f.find<QAction>("action_saveLog")->trigger();
    QCOMPARE(f.status(), QString());
    f.nextSaveFile = f.dir.filePath(QStringLiteral("missing/log.txt"));
    f.find<QAction>("action_saveLog")->trigger();
    QVERIFY(f.status().startsWith(QStringLiteral("无法保存日志：")));
    QVERIFY(!QFile::exists(f.nextSaveFile));

    // Copy: the selected entries in order, or all of them when none is selected.
    QClipboard *clipboard = QGuiApplication::clipboard();
    log->clearSelection();
    f.find<QAction>("action_copyLog")->trigger();
    QCOMPARE(clipboard->text(), expected);
    log->setSelectionMode(QAbstractItemView::MultiSelection);
    log->selectRow(3);
    log->selectRow(1);
    f.find<QAction>("action_copyLog")->trigger();
    QCOMPARE(clipboard->text(), entries[1] + entries[3]);
}

void TestConsole::capture()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    QVERIFY(f.openPort());
    ConsoleLog *consoleLog = TestAccess::log(w);
    auto *captureAction = f.find<QAction>("action_captureLog");
    QCOMPARE(captureAction->text(), QString("捕获到文件…"));

    // Everything logged while the capture runs, a flood included, in order; a stop writes
    // what waits.
    f.nextSaveFile = f.dir.filePath(QStringLiteral("capture.txt"));
    captureAction->trigger();
    QVERIFY(consoleLog->capturing());
    QCOMPARE(captureAction->text(), QString("停止捕获"));
    QVERIFY(f.status().contains(QStringLiteral("capture.txt")));
    type(f.find<QLineEdit>("lineEdit_cmd"), QStringLiteral("AT"));
    f.find<QPushButton>("pushButton_send")->click();
    QTRY_COMPARE(logTexts(f).size(), 2);
    QStringList expected = {">AT\r\n", "<OK\r\n", "<A\x01\\x01\tB\x7F\r\n"};
    emit f.sim()->output(QByteArray("A\x01\\x01\tB\x7F\r\n"));
    QByteArray flood;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray line = "L" + QByteArray::number(i) + "\r\n";
        flood += line;
        expected.append(QLatin1Char('<') + QString::fromLatin1(line));
        if (flood.size() > 4000) {
            emit f.sim()->output(flood);
            flood.clear();
            QCoreApplication::processEvents();
        }
    }
    emit f.sim()->output(flood);
    QTRY_COMPARE(logTexts(f).size(), expected.size());
    // Written within a second without a stop.
    QTRY_COMPARE(readLogFile(f.nextSaveFile).size(), expected.size());
    f.find<QPushButton>("pushButton_openCom")->click(); // closing the port ends it
    QVERIFY(!consoleLog->capturing());
    QCOMPARE(captureAction->text(), QString("捕获到文件…"));
    QCOMPARE(readLogFile(f.nextSaveFile), expected);

    // A file that takes no more: the capture stops and says so; the log goes on.
    QVERIFY(f.openPort());
    f.nextSaveFile = QStringLiteral("/dev/full");
    captureAction->trigger();
    QVERIFY(consoleLog->capturing());
    f.find<QPushButton>("pushButton_send")->click();
    QTRY_VERIFY(!consoleLog->capturing());
    QCOMPARE(f.status(), QString("捕获写入失败，已停止：/dev/full"));
    QCOMPARE(captureAction->text(), QString("捕获到文件…"));
}

void TestConsole::fuzzReplyHandler()
{
    WindowFixture f(QByteArray(), false);
    Nodeweave *w = f.w.get();
    QRandomGenerator rng(77031);
    const QStringList seeds = {"OK\r\n",    "OK=1\r\n",       "ERR=60\r\n",
                               "ERR=7\r\n", "OK<0x1,0x2\r\n", "OK=1,0x3C11,0x00124B,R\r\n"};
    const QString alphabet = QStringLiteral("OKER=<,0123456789\r\n x");
    for (int i = 0; i < 30000; ++i) {
        QString line = seeds.at(int(rng.bounded(quint32(seeds.size()))));
        for (int e = int(rng.bounded(4)); e > 0; --e) {
            const int pos = int(rng.bounded(quint32(line.size() + 1)));
            const QChar c = rng.bounded(8) == 0
                                ? QChar(ushort(rng.bounded(1, 0xD7FF)))
                                : alphabet.at(int(rng.bounded(quint32(alphabet.size()))));
            if (rng.bounded(2))
                line.insert(pos, c);
            else
                line.remove(pos, 1);
        }
        w->statusBar()->clearMessage();
        w->commonRspProc(line);
        const QString shown = f.status();
        const int code = errorCodeOf(line);
        if (line == QLatin1String("OK\r\n"))
            QCOMPARE(shown, QString("Success"));
        else if (code >= 0)
            QCOMPARE(shown, QStringLiteral("错误：") + w->getErrStrFromCode(code));
        else
            QVERIFY2(shown.isEmpty(), line.toUtf8().toPercentEncoding().constData());
    }
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
