// Bytes between the window and its port: lines, counters, the log, and failed writes.

#include "testpty.h"
#include "testutil.h"

#include <QLabel>
#include <QSerialPort>

class TestLinkIo : public QObject
{
    Q_OBJECT

private slots:
    void receive_data()
    {
        // Each chunk is one read ("|": the port closed and opened, the log cleared).
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QString>("status");
        auto row = [](const char *name, const QByteArrayList &chunks, const QStringList &lines,
                      const char *status = "", const QStringList &log = {}) {
            QTest::newRow(name) << chunks << lines << (log.isEmpty() ? lines : log)
                                << QString::fromUtf8(status);
        };
        const QString x(65536, QLatin1Char('x')), y(65536, QLatin1Char('y'));
        row("lines in one read", {"OK=1\r\nIO=9,0x0000,1\r\nERR=60\r\n"},
            {"OK=1\r\n", "IO=9,0x0000,1\r\n", "ERR=60\r\n"}, "错误：网络尚未启动");
        row("lone LF and CR", {"ERR=5\n", "A\rB", "\r\n"}, {"ERR=5\nA\rB\r\n"});
        row("any byte", {QByteArray("X\0\xc3\xa9\r\n", 6)}, {"X" + QString(QChar(0)) + "é\r\n"});
        row("partial line kept", {"OK", "|", "\r\n"}, {"OK\r\n"}, "Success");
        // 64 KiB without a line end: one entry, dropped with the rest of its run up to CR LF.
        row("overlong run", {x.toLatin1(), "ERR=5\r\n", "OK\r\n"}, {"OK\r\n"}, "Success",
            {x, "ERR=5\r\n", "OK\r\n"});
        row("overlong in one read", {(y + "yyyERR=6\r\nOK\r\n").toLatin1()}, {"OK\r\n"}, "Success",
            {y, "yyyERR=6\r\n", "OK\r\n"});
    }

    void receive()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, log);
        QFETCH(QString, status);
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
        qint64 sent = 0;
        for (const QByteArray &chunk : chunks) {
            if (chunk == "|") {
                formSet(f, "pushButton_openCom");
                open();
                formSet(f, "pushButton_clearLog");
                sent = 0;
                continue;
            }
            pty.send(chunk);
            sent += chunk.size();
            QTRY_COMPARE(f.find<QLabel>("label_recvCnt")->text(), QString::number(sent));
            QTest::qWait(30);
        }
        QTRY_COMPARE(handed.count(), lines.size());
        QTest::qWait(30);
        QStringList got;
        for (const QList<QVariant> &signal : handed)
            got << signal.at(0).toString();
        QCOMPARE(got, lines);
        QCOMPARE(logTexts(f), log);
        QCOMPARE(f.status(), status);
    }

    void send()
    {
        WindowFixture f;
        Nodeweave *w = f.w.get();
        auto *sendCnt = f.find<QLabel>("label_sendCnt");
        // Nothing goes out, is counted or logged while no port is open.
        QVERIFY(f.openPort());
        formSet(f, "pushButton_openCom");
        w->sendCmd("AT+VER");
        QCOMPARE(logTexts(f), QStringList());
        QCOMPARE_FORM(f, "label_sendCnt=0");
        QVERIFY(f.openPort());
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
        QVERIFY(f.openPort());
        // The line breaks mid-command: the port is lost; only what went out is counted, logged.
        f.sim()->breakHostLineAfter(4);
        w->sendCmd("AT+VER");
        QCOMPARE_FORM(f, "-pushButton_send");
        // The log keeps why, in a failure note.
        QTRY_COMPARE(logTexts(f).size(), 2);
        QCOMPARE(logTexts(f).first(), "AT+V");
        QVERIFY(logTexts(f).last().startsWith("串口已断开：Simulator（"));
        // A write the port refuses whole: nothing is counted or logged.
        QVERIFY(f.openPort());
        w->comSend("AT\r\n");
        QCOMPARE_FORM(f, "-pushButton_send;label_sendCnt=4");
        QCOMPARE(logTexts(f).size(), 3);
        QVERIFY(logTexts(f).last().startsWith("串口已断开：Simulator（"));
        // A real port that reports a failed write is closed the same way.
        Pty pty;
        QVERIFY(f.openPort(pty.slavePath));
        QMetaObject::invokeMethod(w, "portErrorOccurred", Q_ARG(int, QSerialPort::WriteError));
        QCOMPARE_FORM(f, "-pushButton_send");
        QCOMPARE(f.status(), "串口已断开：" + pty.slavePath + "（设备已断开或不再应答）");
    }
};

QTEST_MAIN(TestLinkIo)
#include "tst_linkio.moc"
