// The console against the simulated module: sending, replies, completion and the log.

#include "app/framepacer.h"
#include "testutil.h"

#include <QAction>
#include <QClipboard>
#include <QCompleter>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>

// A saved or captured log without the times, which must be well formed and never go back.
static QStringList logFile(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    static const QRegularExpression shape(
        "^(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z) ([<>#] .*)$");
    QStringList out;
    QString last;
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = shape.match(line);
        if (!m.hasMatch() || m.captured(1) < std::exchange(last, m.captured(1)))
            return {"bad line: " + line};
        out.append(m.captured(2));
    }
    return out;
}

// Counts a widget's paints and remembers the text it showed in the last one.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QLabel *label) : m_label(label) { label->installEventFilter(this); }
    int count = 0;
    QString lastText;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++count;
            lastText = m_label->text();
        }
        return false;
    }

private:
    QLabel *m_label;
};

class TestConsole : public QObject
{
    Q_OBJECT

private slots:
    void send_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("counts"); // sent characters, received bytes
        // clang-format off
        QTest::newRow("line") << "lineEdit_cmd=AT+VER" << "AT+VER" << "AT+VER\r\n|OK=SIM-1.0.0\r\n" << "8 14";
        QTest::newRow("no line end") << "lineEdit_cmd=AT;checkBox_sendNewLine=off" << "" << "AT" << "2 0";
        QTest::newRow("not remote") << "lineEdit_cmd=AT;lineEdit_consoleAddr=0x1A2B" << "AT" << "AT\r\n|OK\r\n" << "4 4";
        QTest::newRow("remote NID") << "lineEdit_cmd=AT+VER;checkBox_autoRemote=on;lineEdit_consoleAddr=0x1A2B"
            << "AT+VER>NID,0x1A2B" << "AT+VER>NID,0x1A2B\r\n|OK=SIM-1.0.0<0x1A2B,0x00124B0001A2B3D1\r\n" << "19 40";
        QTest::newRow("remote MID") << "lineEdit_cmd=AT+VER;checkBox_autoRemote=on;comboBox_consoleAddrMode=MID;lineEdit_consoleAddr=0x00124B0001A2B3D2"
            << "AT+VER>MID,0x00124B0001A2B3D2" << "AT+VER>MID,0x00124B0001A2B3D2\r\n|OK=SIM-1.0.0<0x3C4D,0x00124B0001A2B3D2\r\n" << "31 40";
        QTest::newRow("remote, no address") << "lineEdit_cmd=AT;checkBox_autoRemote=on" << "AT>NID," << "AT>NID,\r\n|ERR=40\r\n" << "9 8";
        QTest::newRow("log cmd off") << "lineEdit_cmd=AT+WNODE=1,é;pushButton_send;lineEdit_cmd=AT+RNODE=1;checkBox_log_cmd=off"
            << "AT+WNODE=1,é|AT+RNODE=1" << "AT+WNODE=1,é\r\n|OK\r\n|OK=é\r\n" << "26 11";
        // clang-format on
    }

    void send()
    {
        QFETCH(QString, form);
        QFETCH(QString, received);
        QFETCH(QString, log);
        QFETCH(QString, counts);
        WindowFixture f;
        QVERIFY(f.openPort());
        formSet(f, form + ";pushButton_send");
        QTRY_COMPARE(logTexts(f).join('|'), log);
        QCOMPARE(f.sim()->receivedLines().join('|'), received);
        QCOMPARE(f.find<QLabel>("label_sendCnt")->text() + " " +
                     f.find<QLabel>("label_recvCnt")->text(),
                 counts);
    }

    // The status bar for each line the module may send, in both languages (null: left alone).
    void replyStatus_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");
        // clang-format off
        QTest::newRow("OK") << "OK\r\n" << "Success" << "Success";
        QTest::newRow("busy") << "ERR=2\r\n" << "错误：设备忙" << "Err:Device is busy";
        QTest::newRow("unknown") << "ERR=3\r\n" << "错误：未知错误" << "Err:Unknown Error";
        QTest::newRow("leading zero") << "ERR=060\r\n" << "错误：网络尚未启动" << "Err:Network has NOT been stared yet";
        QTest::newRow("too long") << "ERR=100\r\n" << "错误：发送的数据过长" << "Err:Send data is too long";
        QTest::newRow("code without text") << "ERR=7\r\n" << "错误：" << "Err:";
        // clang-format on
        for (const char *line :
             {"OK=5\r\n", "OK<0x3C11,0x00124B00AABBCCDD\r\n", "ERR=1000\r\n", "ERR= 60\r\n",
              "ERR=60<0x1,0x2\r\n", "ERR=60\r\n\n", "OK\n", "OK\r\n\n", "IO=9,0x0000,1\r\n"})
            QTest::newRow(line) << line << QString() << QString();
    }

    void replyStatus()
    {
        QFETCH(QString, line);
        QFETCH(QString, chinese);
        QFETCH(QString, english);
        WindowFixture f;
        for (const QString &expected : {chinese, english}) {
            f.w->statusBar()->showMessage("before");
            // A burst: past two in 100 ms the newest waits, and is shown.
            for (const QString &l : expected.isNull() ? QStringList{line}
                                                      : QStringList{"ERR=2\r\n", "ERR=3\r\n", line})
                emit f.w->recvNewLine(l);
            QTRY_COMPARE(f.status(), expected.isNull() ? QString("before") : expected);
            if (line == "OK\r\n" || line == "ERR=2\r\n") { // shown for ten seconds
                QTest::qWait(1500);
                QCOMPARE(f.status(), expected);
            }
            TestAccess::langButton(f.w.get())->click();
        }
    }

    // Both repeat boxes: what the interval field takes, with the 10 ms floor.
    void repeatInterval_data()
    {
        QTest::addColumn<QString>("box"); // the console's repeat or the packet's
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("period"); // 0: refused
        for (const char *box : {"", "sendPkt_"}) {
            // clang-format off
            QTest::addRow("%s20", box) << box << "20" << 20;
            QTest::addRow("%s0 runs at the floor", box) << box << "0" << 10;
            QTest::addRow("%slargest", box) << box << "2147483647" << 2147483647;
            QTest::addRow("%sempty", box) << box << "" << 0;
            QTest::addRow("%spast a timer", box) << box << "3000000000" << 0;
            // clang-format on
        }
        for (const char *typed : {"abc", "-5", "1.5"})
            QTest::newRow(typed) << "" << typed << 0;
    }

    void repeatInterval()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(int, period);
        WindowFixture f;
        QVERIFY(f.openPort());
        QTimer *timer = box.isEmpty() ? TestAccess::consoleTimer(f.w.get())
                                      : TestAccess::packetTimer(f.w.get());
        const QString check = "checkBox_" + box + "regulerSend",
                      field = "lineEdit_" + box + "regular_time";
        formSet(f, field + "=" + typed + ";" + check);
        QCOMPARE(f.messages, period ? QStringList() : QStringList("定时时间错误"));
        QCOMPARE_FORM(f, QString("%1=%2;%3;%4=%5")
                             .arg(check, period ? QString("on") : QString("off"),
                                  (period ? QString("-") : QString("+")) + field, field, typed));
        QCOMPARE(timer->isActive() ? timer->interval() : 0, period);
        if (period) {
            formSet(f, check);
            QVERIFY(!timer->isActive() && f.find<QLineEdit>(field.toLatin1())->isEnabled());
        }
    }

    void repeatRuns()
    {
        WindowFixture f;
        QVERIFY(f.openPort());
        // The counters count everything that went through a full log, which follows the newest.
        TestAccess::log(f.w.get())->setCap(10);
        for (int i = 0; i < 20; ++i)
            f.find<QPushButton>("pushButton_send")->click();
        QTRY_COMPARE(formDiff(f, "label_sendCnt=80;label_recvCnt=80"), QString());
        QTRY_COMPARE(logTexts(f), QStringList(10, QString("OK\r\n")));
        auto *log = f.find<QTableWidget>("tableWidget_log");
        QTRY_COMPARE(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());
        SimModule *sim = f.sim();
        formSet(f, "lineEdit_regular_time=20;checkBox_regulerSend=on");
        // Clearing the log leaves the repeat running; the counters start again from 0.
        formSet(f, "pushButton_clearLog");
        QCOMPARE_FORM(f, "label_sendCnt=0");
        QTRY_VERIFY(f.find<QLabel>("label_sendCnt")->text().toInt() >= 8);
        // The packet repeat takes a change of data at its next timeout.
        formSet(f,
                "checkBox_regulerSend=off;comboBox_sendPkt_ADDR=0x1A2B;lineEdit_sendPkt_DATA=tick;"
                "lineEdit_sendPkt_regular_time=20;checkBox_sendPkt_regulerSend=on");
        QTRY_VERIFY(sim->receivedLines().count("AT+SEND=NID,0x1A2B,tick") >= 2);
        formSet(f, "lineEdit_sendPkt_DATA=tock");
        QTRY_VERIFY(sim->receivedLines().contains("AT+SEND=NID,0x1A2B,tock"));
        // Both repeats stopped: nothing more goes out once the last answer is in.
        formSet(f, "checkBox_sendPkt_regulerSend=off");
        QTest::qWait(30);
        sim->clearReceivedLines();
        QTest::qWait(100);
        QCOMPARE(sim->receivedLines(), QStringList());
    }

    void completion()
    {
        WindowFixture f;
        auto *cmd = f.find<QLineEdit>("lineEdit_cmd");
        QCompleter *completer = TestAccess::completer(f.w.get());
        // Lower-case typing offers the matching command words, in the catalogue's order.
        QVERIFY(f.openPort());
        QApplication::setActiveWindow(f.w.get());
        cmd->setFocus();
        type(cmd, "at+p");
        QTRY_VERIFY(completer->popup()->isVisible());
        QStringList offered;
        for (int i = 0; completer->setCurrentRow(i); ++i)
            offered.append(completer->currentCompletion());
        QCOMPARE(offered, QStringList({"AT+PAR", "AT+PWM", "AT+PWMRD"}));
        // Enter in the popup sends what the line holds: the completion picked.
        QTest::keyClick(completer->popup(), Qt::Key_Down);
        QTest::keyClick(completer->popup(), Qt::Key_Return);
        QTRY_COMPARE(f.sim()->receivedLines(), QStringList({"AT+PAR"}));
    }

    void logFileAndClipboard()
    {
        WindowFixture f;
        // The time is switched from the context menu and remembered.
        f.find<QAction>("action_logTime")->trigger();
        f.restart();
        QVERIFY(TestAccess::log(f.w.get())->showTime() &&
                f.find<QAction>("action_logTime")->isChecked());
        QVERIFY(f.openPort());
        auto *log = f.find<QTableWidget>("tableWidget_log");
        const QStringList entries = {"AT+VER\r\n", "OK=中文 ÿ\\\r\n", "AT\\\x7F",
                                     "ERR=5\nA\rB\x01\r\n"};
        for (int i = 0; i < 4; ++i)
            f.w->addStrToLog(entries[i], i % 2 ? Nodeweave::logRecv : Nodeweave::logSend);
        QTRY_COMPARE(log->rowCount(), 4);
        // The tooltip and the row show control characters escaped.
        QCOMPARE(log->item(3, 0)->toolTip(), QString("ERR=5\\x0AA\\x0DB\\x01\\x0D\\x0A"));
        const qint64 at = log->item(3, 0)->data(Qt::UserRole).toLongLong();
        QCOMPARE(ConsoleLog::shownText(entries[3], at, true),
                 QDateTime::fromMSecsSinceEpoch(at).toString("hh:mm:ss.zzz") +
                     "  ERR=5\\x0AA\\x0DB\\x01");
        QCOMPARE(ConsoleLog::shownText("OK\r\r\n", at, false), QString("OK\\x0D"));
        // Save: every entry with its time and direction, one a line, escaped.
        f.nextSaveFile = f.dir.filePath("log.txt");
        f.find<QAction>("action_saveLog")->trigger();
        QCOMPARE(logFile(f.nextSaveFile),
                 QStringList({"> AT+VER\\r\\n", "< OK=中文 ÿ\\\\\\r\\n", "> AT\\\\\\x7F",
                              "< ERR=5\\nA\\rB\\x01\\r\\n"}));
        QCOMPARE(f.status(), "日志已保存：" + f.nextSaveFile);
        // A cancelled dialog writes nothing; a path that cannot be written says so.
        f.nextSaveFile.clear();
        f.w->statusBar()->clearMessage();
        f.find<QAction>("action_saveLog")->trigger();
        QCOMPARE(f.status(), QString());
        f.nextSaveFile = f.dir.filePath("missing/log.txt");
        f.find<QAction>("action_saveLog")->trigger();
        QCOMPARE(f.status(), "无法保存日志：" + f.nextSaveFile);
        // Copy: the selected entries in order, or all of them when none is selected.
        f.find<QAction>("action_copyLog")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 entries[0] + entries[1] + entries[2] + "\r\n" + entries[3]);
        log->setSelectionMode(QAbstractItemView::MultiSelection);
        log->selectRow(3);
        log->selectRow(1);
        f.find<QAction>("action_copyLog")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), entries[1] + entries[3]);

        // Capture: everything logged while it runs, a flood included; closing the port ends it.
        auto *capture = f.find<QAction>("action_captureLog");
        f.nextSaveFile = f.dir.filePath("capture.txt");
        capture->trigger();
        QCOMPARE(capture->text() + "|" + f.status(), "停止捕获|正在捕获到：" + f.nextSaveFile);
        f.w->sendCmd("AT");
        QTRY_COMPARE(logTexts(f).last(), QString("OK\r\n"));
        QStringList expected = {"> AT\\r\\n", "< OK\\r\\n"};
        // Written in order, within a second, without a stop; the first flood is more than
        // the megabyte handed to the writer at a time, and the second goes out in buffers
        // the writer has given back.
        for (const char *mark : {"L", "M"}) {
            QByteArray flood;
            for (int i = 0; i < (*mark == 'L' ? 40000 : 100); ++i) {
                flood += mark + QByteArray::number(i) + "\r\n";
                expected << "< " + QLatin1String(mark) + QString::number(i) + "\\r\\n";
            }
            emit f.sim()->output(flood);
            QTRY_COMPARE(logFile(f.nextSaveFile), expected);
        }
        f.find<QPushButton>("pushButton_openCom")->click();
        QCOMPARE(capture->text() + "|" + f.status(),
                 "捕获到文件…|捕获已停止：" + f.dir.filePath("capture.txt"));
        // A file that takes no more: the capture stops and says so.
        f.nextSaveFile = f.dir.filePath("full.txt");
        QVERIFY(QFile::link("/dev/full", f.nextSaveFile));
        capture->trigger();
        f.w->addStrToLog("full\r\n", Nodeweave::logRecv);
        QTRY_COMPARE(f.status(), "捕获写入失败，已停止：" + f.nextSaveFile);
        TestAccess::langButton(f.w.get())->click(); // the menu follows, through the event loop
        QTRY_COMPARE(f.find<QAction>("action_copyLog")->text(), QString("Copy"));
        // Closing the window ends a capture with every entry in the file.
        f.nextSaveFile = f.dir.filePath("closed.txt");
        capture->trigger();
        f.w->addStrToLog("last\r\n", Nodeweave::logRecv);
        f.w.reset();
        QCOMPARE(logFile(f.nextSaveFile), QStringList("< last\\r\\n"));
    }

    // The log on a bare table: batching per frame, colours by kind and palette, its bounds.
    void logTable()
    {
        QTableWidget table;
        ConsoleLog log(&table);
        QSignalSpy frames(&log, &ConsoleLog::frame);
        log.setCap(10);
        log.append("AT\r\n", ConsoleLog::Sent);
        log.append("OK\r\n", ConsoleLog::Received);
        log.note("done");
        QCOMPARE(table.rowCount(), 0);
        QTRY_COMPARE(columnTexts(&table), QStringList({"AT\r\n", "OK\r\n", "done"}));
        QCOMPARE(frames.size(), 1);
        const QColor light[] = {{220, 245, 250}, {250, 240, 220}, {225, 245, 215}};
        for (int row = 0; row < 3; ++row)
            QCOMPARE(table.item(row, 0)->background().color(), light[row]);
        // On a dark palette a row keeps its light colour's hue, darkened.
        const QPalette dark(Qt::darkGray, Qt::black); // light text on a black base
        for (int kind = 0; kind < 3; ++kind) {
            const QColor back = ConsoleLog::background(ConsoleLog::Kind(kind), dark);
            QVERIFY(qAbs(back.hslHue() - light[kind].hslHue()) <= 2 && back.lightness() < 128);
        }
        // Sent entries only while they are shown.
        log.setShowSent(false);
        log.append("AT+VER\r\n", ConsoleLog::Sent);
        QCOMPARE(log.pendingCount(), 0);
        // Oldest entries go first; order is kept across batches of every size.
        log.clear();
        QStringList all;
        for (int i = 0; i < 25; ++i) {
            all << QString("L%1\r\n").arg(i);
            log.append(all.last(), ConsoleLog::Received);
            if (i == 6)
                QTRY_COMPARE(table.rowCount(), 7);
        }
        QCOMPARE(log.pendingCount(), 10);
        log.flush();
        QCOMPARE(columnTexts(&table), all.mid(15));
        // The size bound drops the oldest entries, but never the newest one.
        log.setCharBudget(12);
        log.append("12345678\r\n", ConsoleLog::Received);
        log.flush();
        QCOMPARE(columnTexts(&table), QStringList({"12345678\r\n"}));
        log.append(QString(20, QLatin1Char('x')), ConsoleLog::Received);
        log.flush();
        QCOMPARE(columnTexts(&table), QStringList({QString(20, QLatin1Char('x'))}));

        // Frames by the log's own clock: a command on a quiet line is drawn at once, and its
        // reply as soon as nothing follows it; lines that keep coming wait for the paced
        // frame; a quiet spell ends the pacing.
        qint64 now = 10000;
        log.setClock([&now] { return now; });
        log.setShowSent(true);
        const auto exchange = [&] {
            log.append("AT\r\n", ConsoleLog::Sent);
            QCOMPARE(log.frameDelay(), 0);
            log.flush();
            now += 5;
            log.append("OK\r\n", ConsoleLog::Received);
            log.settleCheck();
            QCOMPARE(log.pendingCount(), 0);
        };
        exchange();
        now += 4;
        for (int i = 0; i < 6; ++i) {
            log.append("IO=9,0x1A2B,1\r\n", ConsoleLog::Received);
            if (i > 0)
                log.settleCheck();
        }
        QCOMPARE(log.pendingCount(), 6);
        QCOMPARE(log.frameDelay(), ConsoleLog::kFrameMs - 4);
        log.settleCheck();
        QCOMPARE(log.pendingCount(), 0);
        now += 2 * ConsoleLog::kQuietMs;
        exchange();
    }

    // While a run changes the window, a change a frame after the last picture is painted at
    // once; a change that follows within a frame waits for it, and every change meanwhile is
    // in that one paint. The end of a run is shown at once, and otherwise nothing waits.
    void windowFrames()
    {
        QWidget window;
        auto *label = new QLabel(QStringLiteral("a"), &window);
        FramePacer pacer(&window);
        qint64 now = 10000;
        pacer.setClock([&now] { return now; });
        PaintCounter paints(label);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(paints.count > 0);
        const auto change = [&](const char *text) {
            label->setText(QString::fromLatin1(text));
            QCoreApplication::sendPostedEvents();
        };
        paints.count = 0;
        change("b");
        now += 1;
        change("c");
        QCOMPARE(paints.count, 2);
        QCOMPARE(pacer.heldFor(), -1);

        pacer.setBusy(true);
        now += 5;
        change("d");
        change("e");
        QCOMPARE(paints.count, 2);
        QCOMPARE(pacer.heldFor(), FramePacer::kBusyFrameMs - 5);
        QTRY_COMPARE(paints.count, 3); // still busy, on the clock that stood still
        QCOMPARE(paints.lastText, QStringLiteral("e"));
        now += 20;
        change("f");
        QCOMPARE(pacer.heldFor(), FramePacer::kBusyFrameMs - 20);
        pacer.setBusy(false);
        QCOMPARE(pacer.heldFor(), 0);
        // A run that starts before the last one's end is painted holds that picture a frame.
        pacer.setBusy(true);
        QCOMPARE(pacer.heldFor(), FramePacer::kBusyFrameMs);
        pacer.setBusy(false);
        QTRY_COMPARE(paints.count, 4);
        // A change only the eye needs is made on the next turn; while busy it waits for the
        // picture, asking for one when nothing else does, and is in it.
        int changes = 0;
        pacer.atNextFrame([&] { ++changes; });
        QCOMPARE(changes, 0);
        QTRY_COMPARE(changes, 1);
        QCOMPARE(paints.count, 4);
        pacer.setBusy(true);
        now += 30;
        pacer.atNextFrame([&] { label->setText(QStringLiteral("x")); });
        QCOMPARE(pacer.heldFor(), FramePacer::kBusyFrameMs - 30); // nothing else asked for it
        QTRY_COMPARE(paints.count, 5);
        QCOMPARE(paints.lastText, QStringLiteral("x"));
        pacer.setBusy(false);
        // A run's start waits a frame, however long the window was quiet before it; within
        // the run, a change a frame after the last picture is painted at once.
        now += 10 * FramePacer::kBusyFrameMs;
        pacer.setBusy(true);
        change("g");
        QCOMPARE(pacer.heldFor(), FramePacer::kBusyFrameMs);
        QTRY_COMPARE(paints.count, 6);
        now += FramePacer::kBusyFrameMs;
        change("h");
        QCOMPARE(paints.count, 7);
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
