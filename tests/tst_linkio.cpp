// The road between the window and its port: bytes from a pseudo-terminal cut into lines, the
// counters and the log, sending local and remote, and a port that fails under a write.

#include "testpty.h"
#include "testutil.h"

#include <QCheckBox>
#include <QLabel>
#include <QSerialPort>
#include <QTableWidget>

class TestLinkIo : public QObject
{
    Q_OBJECT

private slots:
    void receive_data()
    {
        // Each chunk is one read of the program's ("|" closes and reopens the port, then
        // clears the log); the lines handed to the handlers, the log, the status, the count.
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("count");
        auto row = [](const char *name, const QByteArrayList &chunks, const QStringList &lines,
                      const char *status, int count, const QStringList &log = {}) {
            QTest::newRow(name) << chunks << lines << (log.isEmpty() ? lines : log)
                                << QString::fromUtf8(status) << count;
        };
        const QString x(65536, QLatin1Char('x')), y(65536, QLatin1Char('y'));
        row("lines in one read", {"OK=1\r\nIO=9,0x0000,1\r\nERR=60\r\n"},
            {"OK=1\r\n", "IO=9,0x0000,1\r\n", "ERR=60\r\n"}, "错误：网络尚未启动", 29);
        row("lone LF and CR", {"ERR=5\n", "A\rB", "\r\n"}, {"ERR=5\nA\rB\r\n"}, "", 11);
        row("any byte", {QByteArray("X\0\xc3\xa9\r\n", 6)}, {"X" + QString(QChar(0)) + "é\r\n"}, "",
            6);
        row("partial line kept", {"OK", "|", "\r\n"}, {"OK\r\n"}, "Success", 2);
        // 64 KiB without a line end: one entry, dropped with the rest of its run up to CR LF.
        row("overlong run", {x.toLatin1(), "ERR=5\r\n", "OK\r\n"}, {"OK\r\n"}, "Success",
            65536 + 11, {x, "ERR=5\r\n", "OK\r\n"});
        row("overlong in one read", {(y + "yyyERR=6\r\nOK\r\n").toLatin1()}, {"OK\r\n"}, "Success",
            65536 + 14, {y, "yyyERR=6\r\n", "OK\r\n"});
    }

    void receive()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, log);
        QFETCH(QString, status);
        QFETCH(int, count);
        WindowFixture f;
        Pty pty;
        // With the poll stopped, a line left behind by the read that brought it stays behind.
        auto open = [&] {
            QVERIFY(f.openPort(pty.slavePath));
            TestAccess::pollTimer(f.w.get())->stop();
        };
        open();
        f.w->statusBar()->clearMessage();
        QSignalSpy handed(f.w.get(), &Nodeweave::recvNewLine);
        auto *recvCnt = f.find<QLabel>("label_recvCnt");
        qint64 sent = 0;
        for (const QByteArray &chunk : chunks) {
            if (chunk == "|") {
                f.find<QPushButton>("pushButton_openCom")->click();
                open();
                f.find<QPushButton>("pushButton_clearLog")->click();
                sent = 0;
                continue;
            }
            pty.send(chunk);
            sent += chunk.size();
            QTRY_COMPARE(recvCnt->text(), QString::number(sent));
            QTest::qWait(30);
        }
        QTRY_COMPARE(handed.count(), lines.size());
        QTest::qWait(30);
        QStringList got;
        for (const QList<QVariant> &signal : handed)
            got << signal.at(0).toString();
        QCOMPARE(got, lines);
        QCOMPARE(logTexts(f), log);
        QCOMPARE(f.status() + " " + recvCnt->text(), status + " " + QString::number(count));
    }

    void send()
    {
        WindowFixture f;
        Nodeweave *w = f.w.get();
        auto *sendCnt = f.find<QLabel>("label_sendCnt");
        // Nothing goes out, is counted or logged while no port is open.
        w->comSend("AT\r\n");
        w->sendCmd("AT+VER");
        QMetaObject::invokeMethod(w, "on_pushButton_send_clicked");
        QVERIFY(f.openPort());
        f.find<QPushButton>("pushButton_openCom")->click();
        w->sendCmd("AT+VER");
        QVERIFY(f.openPort());
        // Sent text is counted in characters, the reply in bytes.
        w->comSend("AT+WNODE=1,é\r\n");
        w->sendCmd("AT+RNODE=1");
        QTRY_COMPARE(logTexts(f).size(), 4);
        // A remote target: its address goes before the line end; its success reply is no
        // success of the local module.
        TestAccess::target(w).isLocal = false;
        TestAccess::target(w).netAddr = "0x1A2B";
        w->statusBar()->clearMessage();
        w->sendCmd("AT");
        QTRY_COMPARE(logTexts(f).size(), 6);
        QCOMPARE(f.status(), QString());
        // "Log cmd" off: sent text is counted, not logged.
        f.find<QCheckBox>("checkBox_log_cmd")->setChecked(false);
        w->comSend("AT\r\n");
        QTRY_COMPARE(logTexts(f), QStringList({"AT+WNODE=1,é\r\n", "AT+RNODE=1\r\n", "OK\r\n",
                                               "OK=é\r\n", "AT>NID,0x1A2B\r\n",
                                               "OK<0x1A2B,0x00124B0001A2B3D1\r\n", "OK\r\n"}));
        QCOMPARE(f.sim()->receivedLines(),
                 QStringList({"AT+WNODE=1,é", "AT+RNODE=1", "AT>NID,0x1A2B", "AT"}));
        QCOMPARE(sendCnt->text() + " " + f.find<QLabel>("label_recvCnt")->text(), "45 45");
        auto *log = f.find<QTableWidget>("tableWidget_log");
        QCOMPARE(log->item(0, 0)->background().color(), QColor(220, 245, 250));
        QCOMPARE(log->item(2, 0)->background().color(), QColor(250, 240, 220));
        // The log keeps the newest 100 000 entries; a count that outgrows its label widens it.
        QCOMPARE(TestAccess::log(w)->cap(), 100000);
        sendCnt->setText("99999999999");
        w->comSend("AT\r\n");
        QCOMPARE(sendCnt->text(), "100000000003");
        QVERIFY(sendCnt->minimumWidth() >=
                sendCnt->fontMetrics().horizontalAdvance(sendCnt->text()));
    }

    void failedWrite()
    {
        WindowFixture f;
        Nodeweave *w = f.w.get();
        auto *send = f.find<QPushButton>("pushButton_send");
        QVERIFY(f.openPort());
        // The line breaks in the middle of a command: the port is closed as a lost one, and
        // only the part that went out is counted and logged.
        f.sim()->breakHostLineAfter(4);
        w->sendCmd("AT+VER");
        QVERIFY(!send->isEnabled());
        QCOMPARE(f.status(), "串口已断开：Simulator（设备已断开或不再应答）");
        QTRY_COMPARE(logTexts(f), QStringList({"AT+V"}));
        // A write the port refuses whole: nothing is counted or logged.
        QVERIFY(f.openPort());
        w->comSend("AT\r\n");
        QVERIFY(!send->isEnabled());
        QCOMPARE(f.find<QLabel>("label_sendCnt")->text(), "4");
        QCOMPARE(logTexts(f).size(), 1);
        // A real port that reports a failed write is closed the same way.
        Pty pty;
        QVERIFY(f.openPort(pty.slavePath));
        QMetaObject::invokeMethod(w, "portErrorOccurred", Q_ARG(int, QSerialPort::WriteError));
        QVERIFY(!send->isEnabled());
        QCOMPARE(f.status(), "串口已断开：" + pty.slavePath + "（设备已断开或不再应答）");
    }
};

QTEST_MAIN(TestLinkIo)
#include "tst_linkio.moc"
