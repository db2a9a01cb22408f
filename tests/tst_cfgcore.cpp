// The configuration without a window: the engine of every read and write, and the file format.

#include "config/cfgfileformat.h"
#include "config/cfgreply.h"
#include "config/cfgsequencer.h"
#include "network/zbdevice.h"

#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <sys/stat.h>

using CfgFile::Check;

class TestCfgCore : public QObject
{
    Q_OBJECT

private slots:
    void sequencer_data();
    void sequencer();
    void checkAndWalk_data();
    void checkAndWalk();
    void loadFile();
};

void TestCfgCore::sequencer_data()
{
    // Steps: X reads "AT+X" and takes only "OK=1"; L reads rows "OK=<line>,<dir>" closed by the
    // target's success; x writes "AT+X=1"; '-' is a write step that skips. Events: T times out,
    // S stops, R starts again, else a line received. `run`: lines sent, moves on ("+"), ends.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("run");
    const auto row = [](const char *name, const char *steps, bool remote, const char *events,
                        const char *run) {
        QTest::newRow(name) << steps << remote << events << run;
    };
    row("echoes and reports are no reply", "A", false, "AT+A IO=9,0x1A2B,1 OK=1", "AT+A + done");
    row("the second failure ends the run", "AB", false, "OK=1 T ERR=1 OK=1 T",
        "AT+A + AT+B AT+B failed");
    row("a refusal or a time-out is resent once; a done step clears the count", "AB", false,
        "ERR=1 OK=1 T OK=1", "AT+A AT+A + AT+B AT+B + done");
    row("list rows never clear the count", "L", false, "OK=9,1 T OK=9,1 T", "AT+L AT+L failed");
    row("a remote list closes with its own success only", "L", true,
        "OK=9,1 OK OK<0x1A2B,0x00124B0001A2B3D1", "AT+L>NID,0x1A2B AT+L>NID,0x1A2B + done");
    row("a local list ignores the remote success", "L", false, "OK<0x1A2B,0x00124B0001A2B3D1 OK",
        "AT+L AT+L + done");
    row("a stopped run hears nothing; a new one starts with a clean count", "AB", false,
        "T S OK=1 T R T OK=1 OK=1", "AT+A AT+A failed AT+A AT+A + AT+B + done");
    row("an empty queue succeeds at once", "", false, "", "done");
    row("write: a value is no success, a skip still counts", "a-b", true,
        "OK=5 OK OK<0x1A2B,0x00124B0001A2B3D1",
        "AT+A=1>NID,0x1A2B AT+A=1>NID,0x1A2B + + AT+B=1>NID,0x1A2B + done");
    row("write: two failures end the run", "ab", false, "ERR=1 T", "AT+A=1 AT+A=1 failed");
}

void TestCfgCore::sequencer()
{
    QFETCH(QString, steps);
    QFETCH(bool, remote);
    QFETCH(QString, events);
    CfgSequencer seq;
    const ZBdevice target{!remote, QString(), remote ? QStringLiteral("0x1A2B") : QString(), {}};
    CfgCmdQueue queue;
    for (const QChar c : steps) {
        const QString name = QStringLiteral("AT+") + c.toUpper();
        queue.append({name, [&seq, c, name](const QString &line, bool *done) {
                          if (c == QLatin1Char('L')) {
                              const auto l =
                                  CfgReply::listLine(Reply::Form::Row2, line, seq.remoteTarget());
                              *done = l.kind == CfgReply::ListLine::Closing;
                              return l.kind != CfgReply::ListLine::Other;
                          }
                          if (c.isUpper())
                              return *done = line == QLatin1String("OK=1\r\n");
                          c == QLatin1Char('-') ? seq.skip() : seq.send(name + "=1");
                          return *done = true;
                      }});
    }
    QStringList run;
    connect(&seq, &CfgSequencer::sendText, [&](const QString &t) {
        run << (t.endsWith(QLatin1String("\r\n")) ? t.chopped(2) : t + "<no line end>");
    });
    connect(&seq, &CfgSequencer::finished,
            [&](bool ok) { run << QLatin1String(ok ? "done" : "failed"); });
    connect(&seq, &CfgSequencer::progress, [&] { run << QStringLiteral("+"); });
    const auto start = [&] {
        const bool read = steps == steps.toUpper() && !steps.contains(QLatin1Char('-'));
        seq.start(read ? CfgSequencer::Kind::Read : CfgSequencer::Kind::Write, queue, &target);
        seq.sendCurrent();
    };
    start();
    QCOMPARE(seq.stepTimer().interval(), queue.isEmpty() ? 0 : remote ? 5500 : 2000);
    QCOMPARE(seq.stepTimer().timerType(), Qt::PreciseTimer); // a coarse one fires 5 % early
    for (const QString &e : events.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (e == QLatin1String("T"))
            seq.timeout();
        else if (e == QLatin1String("S"))
            seq.stop();
        else if (e == QLatin1String("R"))
            start();
        else
            seq.lineReceived(e + "\r\n");
    }
    QTEST(run.join(QLatin1Char(' ')), "run");
    if (run.endsWith(QStringLiteral("failed")))
        QVERIFY(!seq.isRunning() && seq.retries() == 0 && !seq.stepTimer().isActive());
}

void TestCfgCore::checkAndWalk_data()
{
    // What an import applies: "GROUP", "GROUP/LEAF=" with the fields joined by '|', or
    // "GROUP/LEAF!text" for a text that does not split into the leaf's fields.
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<int>("check");
    QTest::addColumn<QString>("applied");
    const auto row = [](const char *name, const QByteArray &d, Check c, const char *applied) {
        QTest::newRow(name) << d << int(c) << QString::fromUtf8(applied);
    };
    row("empty root, no declaration", "<QX_MODULE_CFG/>", Check::Ok, "");
    row("fields of a leaf",
        "<?xml version=\"1.0\"?><QX_MODULE_CFG><NETWORK_GROUP_ELEM><EPID>12,34</EPID><TID>NID,"
        "</TID></NETWORK_GROUP_ELEM><IO_GROUP_ELEM><TPIO9_ELEM>1,9,NID,0x1,0x2</TPIO9_ELEM>"
        "<IO9_INOUT_ELEM>1\n,H</IO9_INOUT_ELEM></IO_GROUP_ELEM></QX_MODULE_CFG>",
        Check::Ok,
        "NETWORK_GROUP_ELEM NETWORK_GROUP_ELEM/EPID=12,34 NETWORK_GROUP_ELEM/TID!NID, "
        "IO_GROUP_ELEM IO_GROUP_ELEM/TPIO9_ELEM=1,9|NID|0x1|0x2 "
        "IO_GROUP_ELEM/IO9_INOUT_ELEM=1\n|H");
    row("cut after a leaf", "<QX_MODULE_CFG><BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM><DEV",
        Check::Malformed, "BASE_GROUP_ELEM BASE_GROUP_ELEM/DFWM=TP_MODE");
    row("text after the root", "<?xml version=\"1.0\"?><QX_MODULE_CFG/>junk", Check::Malformed, "");
}

void TestCfgCore::checkAndWalk()
{
    QFETCH(QByteArray, document);
    QFETCH(int, check);
    QCOMPARE(int(CfgFile::checkDocument(document)), check);

    QStringList applied;
    QXmlStreamReader xml(document);
    if (CfgFile::readRoot(xml)) {
        CfgFile::readGroups(xml, [&](const CfgFile::Group &group) {
            applied << group.name;
            CfgFile::readLeaves(xml, group, [&](const CfgFile::Leaf &leaf, const QString &text) {
                const auto fields = CfgFile::splitFields(leaf, text);
                applied << group.name + QLatin1Char('/') + leaf.name +
                               (fields ? QLatin1Char('=') + fields->join(QLatin1Char('|'))
                                       : QLatin1Char('!') + text);
            });
        });
    }
    QTEST(applied.join(QLatin1Char(' ')), "applied");
}

void TestCfgCore::loadFile()
{
    QTemporaryDir dir;
    QByteArray document;
    // Not a plain file (a fifo would block an open until a writer comes).
    const QString fifo = dir.filePath("fifo.xml");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(CfgFile::loadFile(fifo, &document), Check::CannotOpen);

    // A good file padded to the size bound is read whole; one byte more is refused.
    QByteArray good = "<QX_MODULE_CFG><BASE_GROUP_ELEM/></QX_MODULE_CFG>";
    good.append(QByteArray(4 * 1024 * 1024 - good.size(), ' '));
    QFile f(dir.filePath("good.xml"));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(good) == good.size() && f.flush());
    QCOMPARE(CfgFile::loadFile(f.fileName(), &document), Check::Ok);
    QCOMPARE(document, good);
    f.write(" ");
    f.close();
    QCOMPARE(CfgFile::loadFile(f.fileName(), &document), Check::Malformed);
}

QTEST_GUILESS_MAIN(TestCfgCore)
#include "tst_cfgcore.moc"
