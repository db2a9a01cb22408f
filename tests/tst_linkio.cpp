// The one road between the window and its port: received bytes cut into lines on a real
// pseudo-terminal, the counters, and the sender, local and remote, against the
// simulated module.

#include "testpty.h"
#include "testutil.h"

#include <QCheckBox>
#include <QLabel>
#include <QSerialPort>
#include <QTableWidget>
#include <QTimer>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A raw pseudo-terminal pair; the test holds the master and plays the module.
QString text(const WindowFixture &f, const char *label)
{
    return f.find<QLabel>(label)->text();
}

struct Entry
{
    QString text;
    bool sent;
};

// The log once the event loop has shown everything, with each entry's kind read from
// its colour.
QList<Entry> logEntries(const WindowFixture &f)
{
    QCoreApplication::processEvents();
    auto *log = f.find<QTableWidget>("tableWidget_log");
    QList<Entry> entries;
    for (int r = 0; r < log->rowCount(); ++r) {
        const QTableWidgetItem *item = log->item(r, 0);
        entries.append({item->text(), item->background().color() == QColor(220, 245, 250)});
    }
    return entries;
}

} // namespace

class TestLinkIo : public QObject
{
    Q_OBJECT

private slots:
    void linesFromThePort();
    void oddBytes();
    void partialLineAcrossReopenAndClear();
    void overflowBound();
    void countersAndLog();
    void nothingWhileClosed();
    void failedWriteLosesThePort();
    void sendCmdLocalAndRemote();
};

void TestLinkIo::linesFromThePort()
{
    WindowFixture f;
    Pty pty;
    QVERIFY(f.openPort(pty.slavePath));
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);

    // A line end split between two reads, 30 ms apart, still ends one line.
    pty.send("OK\r");
    QTRY_COMPARE(text(f, "label_recvCnt"), QString("3"));
    QTest::qWait(30);
    QCOMPARE(lines.count(), 0);
    pty.send("\n");
    QTRY_COMPARE(lines.count(), 1);
    QCOMPARE(lines.at(0).at(0).toString(), QString("OK\r\n"));
    QCOMPARE(f.status(), QString("Success"));

    // Several lines in one read are all handed on by the read that brought them, in
    // order: with the poll stopped nothing else would ever deliver a line left behind.
    TestAccess::pollTimer(f.w.get())->stop();
    lines.clear();
    pty.send("OK=1\r\nIO=9,0x0000,1\r\nERR=60\r\n");
    QTRY_COMPARE(lines.count(), 3);
    QCOMPARE(lines.at(0).at(0).toString(), QString("OK=1\r\n"));
    QCOMPARE(lines.at(1).at(0).toString(), QString("IO=9,0x0000,1\r\n"));
    QCOMPARE(lines.at(2).at(0).toString(), QString("ERR=60\r\n"));
    QCOMPARE(f.status(), QString("错误：网络尚未启动"));
    QTRY_COMPARE(text(f, "label_recvCnt"), QString::number(4 + 29));
    QTRY_COMPARE(logTexts(f),
                 QStringList({"OK\r\n", "OK=1\r\n", "IO=9,0x0000,1\r\n", "ERR=60\r\n"}));
}

void TestLinkIo::oddBytes()
{
    WindowFixture f;
    Pty pty;
    QVERIFY(f.openPort(pty.slavePath));
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);

    // Neither a lone LF nor a lone CR ends a line; the whole run up to CR LF is one line.
    f.w->statusBar()->clearMessage();
    pty.send("ERR=5\n");
    pty.send("A\rB");
    QTRY_COMPARE(text(f, "label_recvCnt"), QString("9"));
    QTest::qWait(60); // past a poll tick
    QCOMPARE(lines.count(), 0);
    pty.send("\r\n");
    QTRY_COMPARE(lines.count(), 1);
    QCOMPARE(lines.at(0).at(0).toString(), QString("ERR=5\nA\rB\r\n"));
    QCOMPARE(f.status(), QString()); // no error reply, whatever it begins with

    // NUL and non-ASCII bytes pass unchanged; the counter counts bytes.
    pty.send(QByteArray("X\0\xc3\xa9\r\n", 6));
    QTRY_COMPARE(lines.count(), 2);
    const QString expected = QStringLiteral("X") + QChar(0) + QStringLiteral("é\r\n");
    QCOMPARE(lines.at(1).at(0).toString(), expected);
    QTRY_COMPARE(text(f, "label_recvCnt"), QString::number(11 + 6));
    QTRY_COMPARE(logTexts(f), QStringList({"ERR=5\nA\rB\r\n", expected}));
}

void TestLinkIo::partialLineAcrossReopenAndClear()
{
    WindowFixture f;
    Pty pty;
    QVERIFY(f.openPort(pty.slavePath));
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);
    pty.send("OK");
    QTRY_COMPARE(text(f, "label_recvCnt"), QString("2"));

    // Closing and reopening keeps the partial line; so does clearing the log, which
    // resets only the log and the counters.
    auto *openButton = f.find<QPushButton>("pushButton_openCom");
    openButton->click();
    QVERIFY(!f.find<QPushButton>("pushButton_send")->isEnabled());
    QVERIFY(f.openPort(pty.slavePath));
    f.find<QPushButton>("pushButton_clearLog")->click();
    QCOMPARE(text(f, "label_recvCnt"), QString("0"));
    QCOMPARE(text(f, "label_sendCnt"), QString("0"));
    QCOMPARE(f.find<QTableWidget>("tableWidget_log")->rowCount(), 0);

    pty.send("\r\n");
    QTRY_COMPARE(lines.count(), 1);
    QCOMPARE(lines.at(0).at(0).toString(), QString("OK\r\n"));
    QTRY_COMPARE(text(f, "label_recvCnt"), QString("2"));
    QTRY_COMPARE(logTexts(f), QStringList({"OK\r\n"}));
    QCOMPARE(f.status(), QString("Success"));
}

void TestLinkIo::overflowBound()
{
    WindowFixture f;
    Pty pty;
    QVERIFY(f.openPort(pty.slavePath));
    QSignalSpy lines(f.w.get(), &Nodeweave::recvNewLine);

    // 64 KiB without a line end is shown as a received entry and dropped. The rest of
    // that run, up to its CR LF, is dropped with it even when it comes in a later read: a
    // tail shaped like an error reply reaches no handler. Only what follows is a line.
    const QByteArray run(64 * 1024, 'x');
    pty.send(run);
    QTRY_COMPARE(text(f, "label_recvCnt"), QString::number(run.size()));
    QTRY_COMPARE(logTexts(f), QStringList({QString::fromLatin1(run)}));
    pty.send("ERR=5\r\n");
    QTRY_COMPARE(logTexts(f).size(), 2);
    pty.send("OK\r\n");
    // The same however the port's reads cut the bytes.
    pty.send(QByteArray(70000, 'y') + "ERR=6\r\nOK\r\n");
    QTRY_COMPARE(text(f, "label_recvCnt"), QString::number(run.size() + 11 + 70000 + 11));
    QTRY_COMPARE(lines.count(), 2);
    QCOMPARE(lines.at(0).at(0).toString(), QString("OK\r\n"));
    QCOMPARE(lines.at(1).at(0).toString(), QString("OK\r\n"));
    QCOMPARE(f.status(), QString("Success"));
    const QStringList log = logTexts(f);
    QCOMPARE(log.mid(0, 3), QStringList({QString::fromLatin1(run), "ERR=5\r\n", "OK\r\n"}));
    QCOMPARE(log.mid(3).join(QString()),
             QString::fromLatin1(QByteArray(70000, 'y') + "ERR=6\r\nOK\r\n"));
    QCOMPARE(log.last(), QString("OK\r\n"));
}

void TestLinkIo::countersAndLog()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    Nodeweave *w = f.w.get();

    // Sent text is counted in characters and logged in the send colour; the reply is
    // counted in bytes and logged in the receive colour.
    w->sendCmd(QStringLiteral("AT+VER"));
    QCOMPARE(text(f, "label_sendCnt"), QString("8"));
    QTRY_COMPARE(logEntries(f).size(), 2);
    QList<Entry> log = logEntries(f);
    QCOMPARE(log.at(0).text, QString("AT+VER\r\n"));
    QVERIFY(log.at(0).sent);
    const QString reply =
        QStringLiteral("OK=") + f.sim()->local().config().version + QStringLiteral("\r\n");
    QCOMPARE(log.at(1).text, reply);
    QVERIFY(!log.at(1).sent);
    QCOMPARE(f.find<QTableWidget>("tableWidget_log")->item(1, 0)->background().color(),
             QColor(250, 240, 220));
    QTRY_COMPARE(text(f, "label_recvCnt"), QString::number(reply.toUtf8().size()));
    QCOMPARE(f.sim()->receivedLines(), QStringList({"AT+VER"}));

    // Characters, not bytes: "é" is one character and two bytes on the line.
    w->comSend(QStringLiteral("AT+WNODE=1,é\r\n"));
    QCOMPARE(text(f, "label_sendCnt"), QString::number(8 + 14));
    QTRY_COMPARE(f.sim()->receivedLines().size(), 2);
    QCOMPARE(f.sim()->receivedLines().at(1), QString("AT+WNODE=1,é"));

    // "Log cmd" off: sent texts are counted but not logged; replies are still logged.
    QTRY_COMPARE(logEntries(f).size(), 4);
    f.find<QCheckBox>("checkBox_log_cmd")->setChecked(false);
    w->comSend(QStringLiteral("AT\r\n"));
    QCOMPARE(text(f, "label_sendCnt"), QString::number(8 + 14 + 4));
    QTRY_COMPARE(logEntries(f).size(), 5);
    QCOMPARE(logEntries(f).last().text, QString("OK\r\n"));
    QVERIFY(!logEntries(f).last().sent);

    // A count that outgrows its label's width widens the label: every digit stays shown.
    auto *sendCnt = f.find<QLabel>("label_sendCnt");
    sendCnt->setText(QStringLiteral("99999999999"));
    w->comSend(QStringLiteral("AT\r\n"));
    QCOMPARE(sendCnt->text(), QString("100000000003"));
    QVERIFY(sendCnt->minimumWidth() >= sendCnt->fontMetrics().horizontalAdvance(sendCnt->text()));
}

void TestLinkIo::nothingWhileClosed()
{
    WindowFixture f;
    Nodeweave *w = f.w.get();
    SimModule *sim = f.sim();

    auto attemptEverything = [&] {
        w->comSend(QStringLiteral("AT\r\n"));
        w->sendCmd(QStringLiteral("AT+VER"));
        QMetaObject::invokeMethod(w, "on_pushButton_send_clicked");
        QTest::qWait(100);
    };
    attemptEverything();
    QCOMPARE(text(f, "label_sendCnt"), QString("0"));
    QCOMPARE(text(f, "label_recvCnt"), QString("0"));
    QCOMPARE(logEntries(f).size(), 0);
    QVERIFY(sim->receivedLines().isEmpty());

    // The same after a port was open and is closed again.
    QVERIFY(f.openPort());
    f.find<QPushButton>("pushButton_openCom")->click();
    attemptEverything();
    QCOMPARE(text(f, "label_sendCnt"), QString("0"));
    QCOMPARE(logEntries(f).size(), 0);
    QVERIFY(sim->receivedLines().isEmpty());
}

void TestLinkIo::failedWriteLosesThePort()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    Nodeweave *w = f.w.get();
    auto *send = f.find<QPushButton>("pushButton_send");
    const QString lost = QStringLiteral("串口已断开：%1（设备已断开或不再应答）")
                             .arg(Nodeweave::simulatorPortName());

    // The line breaks in the middle of a command: the port is closed as a lost one, and
    // only the part that went out is counted and logged.
    f.sim()->breakHostLineAfter(4);
    w->sendCmd(QStringLiteral("AT+VER"));
    QVERIFY(!send->isEnabled());
    QCOMPARE(f.status(), lost);
    QCOMPARE(text(f, "label_sendCnt"), QString("4"));
    QTRY_COMPARE(logTexts(f), QStringList({"AT+V"}));
    w->sendCmd(QStringLiteral("AT"));
    QCOMPARE(text(f, "label_sendCnt"), QString("4"));

    // A write the port refuses whole: nothing is counted or logged.
    QVERIFY(f.openPort());
    f.w->statusBar()->clearMessage();
    w->comSend(QStringLiteral("AT\r\n"));
    QVERIFY(!send->isEnabled());
    QCOMPARE(f.status(), lost);
    QCOMPARE(text(f, "label_sendCnt"), QString("4"));
    QCOMPARE(logTexts(f).size(), 1);
    QVERIFY(f.sim()->receivedLines().isEmpty());

    // A real port that reports a failed write is closed the same way.
    Pty pty;
    QVERIFY(f.openPort(pty.slavePath));
    QMetaObject::invokeMethod(w, "portErrorOccurred", Q_ARG(int, QSerialPort::WriteError));
    QVERIFY(!send->isEnabled());
    QVERIFY(f.status().startsWith(QStringLiteral("串口已断开：") + pty.slavePath));
}

void TestLinkIo::sendCmdLocalAndRemote()
{
    WindowFixture f;
    QVERIFY(f.openPort());
    Nodeweave *w = f.w.get();
    SimNode *node = f.sim()->remotes().at(0);

    w->sendCmd(QStringLiteral("AT+CH?"));
    QTRY_COMPARE(logEntries(f).size(), 2);
    QCOMPARE(f.sim()->receivedLines(), QStringList({"AT+CH?"}));

    // A remote target: the network address goes between the command and the line end.
    ZBdevice *target = &TestAccess::target(w);
    target->isLocal = false;
    target->netAddr = node->config().netAddr;
    w->sendCmd(QStringLiteral("AT+VER"));
    const QString line = QStringLiteral("AT+VER>NID,") + node->config().netAddr;
    QCOMPARE(text(f, "label_sendCnt"), QString::number(8 + line.size() + 2));
    QTRY_COMPARE(logEntries(f).size(), 4);
    QCOMPARE(f.sim()->receivedLines().at(1), line);
    QCOMPARE(logEntries(f).at(2).text, line + QStringLiteral("\r\n"));
    // The remote node's answer carries the remote suffix.
    const QString answer = logEntries(f).at(3).text;
    QVERIFY2(answer.startsWith(QStringLiteral("OK=") + node->config().version + QLatin1Char('<')),
             qPrintable(answer));
    QVERIFY(answer.endsWith(QLatin1String("\r\n")));

    // A remote success reply is no success of the local module: the status bar stays quiet.
    w->statusBar()->clearMessage();
    w->sendCmd(QStringLiteral("AT"));
    QTRY_COMPARE(logEntries(f).size(), 6);
    QVERIFY(logEntries(f).at(5).text.startsWith(QLatin1String("OK<")));
    QCOMPARE(f.status(), QString());
}

QTEST_MAIN(TestLinkIo)
#include "tst_linkio.moc"
