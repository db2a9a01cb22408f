// The configuration without a window: the engine of every read and write, and the file format.

#include "config/batchwriter.h"
#include "config/cfgfileformat.h"
#include "config/cfgqueues.h"
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
    void settingsTable_data();
    void settingsTable();
    void sequencer_data();
    void sequencer();
    void writePages();
    void checkAndWalk_data();
    void checkAndWalk();
    void loadFile();
    void reportCells();
};

namespace {

// "name=text" of each value in table order, widget prefixes left out.
QString describe(const CfgValues &values)
{
    static const QRegularExpression prefix(
        QStringLiteral("^(comboBox|lineEdit|checkBox|radioButton|spinBox)_"));
    QStringList out;
    for (const SettingsTable::Field *f : SettingsTable::fields())
        if (values.contains(f->key))
            out << QString(f->key).remove(prefix) + '=' + f->text(values.value(f->key));
    return out.join(' ');
}

} // namespace

void TestCfgCore::settingsTable_data()
{
    // One read step: its replies ('|' between lines), the values they give ("refused" when
    // a reply is not taken), the set commands and file leaves of those values, and what the
    // form reset gives the step's fields.
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("replies");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QString>("leaves");
    QTest::addColumn<QString>("reset");
    const auto row = [](const char *query, const char *replies, const char *values,
                        const char *commands, const char *leaves, const char *reset) {
        QTest::newRow(query) << query << replies << values << commands << leaves << reset;
    };
    row("AT+INFO", "OK=ZM516", "devicePart=ZM516", "", "", "devicePart=");
    row("AT+VER", "OK=V1.2", "deviceSoftwareVer=V1.2", "", "", "deviceSoftwareVer=");
    row("AT+TYP?", "OK=R", "deviceType=Router", "AT+TYP=R", "DEVICE_TYPE=Router",
        "deviceType=Coor");
    row("AT+NID?", "ERR=60", "deviceNid=0xFFFE", "", "", "deviceNid=");
    row("AT+MID?", "ERR=60", "refused", "", "", "deviceMid=");
    row("AT+NS?", "OK=3", "deviceRunState=3", "", "", "deviceRunState=");
    row("AT+UART?", "OK=3,7,1,2,1",
        "deviceBps=38400 deviceDataBit=7 deviceParBit=Even deviceStopBit=2 deviceFlow=Hardware",
        "AT+IPR=3 AT+DBIT=7 AT+PAR=1 AT+STO=2 AT+IFC=1", "UART=38400,7,Even,2,Hardware",
        "deviceBps=115200 deviceDataBit=8 deviceParBit=None deviceStopBit=1 deviceFlow=None");
    row("AT+DFWM?", "OK=1", "defaultWorkMode=TP_MODE", "", "DFWM=TP_MODE",
        "defaultWorkMode=AT_MODE");
    row("AT+EPID?", "OK=0x00124B00", "EPID=0x00124B00", "AT+EPID=0x00124B00", "EPID=0x00124B00",
        "EPID=");
    row("AT+JOINT?", "OK=60", "joinTime=60", "AT+JOINT=60", "JOINT=60", "joinTime=");
    row("AT+TID?", "OK=MID,0x00124B0001", "TID_AM=MID TID_ADDR=0x00124B0001",
        "AT+TID=MID,0x00124B0001", "TID=MID,0x00124B0001", "TID_AM=NID");
    row("AT+LQI?", "ERR=61", "refused", "", "", "LQI=");
    row("AT+CH?", "OK=26", "CH=26", "AT+CH=26", "CH=26", "CH=15");
    row("AT+NLOCK?", "OK=2", "refused", "", "", "netLock=N");
    row("AT+NASTA?", "OK=1", "autoNet=Y", "AT+NASTA=1", "AUTONET=Y", "autoNet=N");
    row("AT+RNODE=3", "OK==cmd", "DESC3==cmd", "AT+WNODE=3,=cmd", "DESC3==cmd", "DESC3=");
    row("AT+IOSET?", "OK=14,1|OK=9,0|OK", "9output=0 14output=1",
        "AT+IOSET=9,0 AT+IOSET=10,0 AT+IOSET=14,1 AT+IOSET=15,0 AT+IOSET=17,0", "",
        "9output=0 10output=0 14output=0 15output=0 17output=0");
    row("AT+IOSET? unknown line", "OK=11,1", "refused", "", "", "");
    row("AT+IORD=14", "OK=1", "14curInput=1 14output=H", "", "IO14_INOUT_ELEM=0,H", "14curInput=");
    row("AT+TPIO?", "OK=10,17,MID,0x2|OK", "TPIO10=1 TPIO10_TIO=17 TPIO10_AM=MID TPIO10_ADDR=0x2",
        "AT+TPIO=0,9 AT+TPIO=1,10,17,MID,0x2 AT+TPIO=0,14 AT+TPIO=0,15 AT+TPIO=0,17",
        "TPIO9_ELEM=0,9,MID,0x0 TPIO10_ELEM=1,17,MID,0x2 TPIO14_ELEM=0,9,MID,0x0 "
        "TPIO15_ELEM=0,9,MID,0x0 TPIO17_ELEM=0,9,MID,0x0",
        "TPIO9=0 TPIO9_AM=MID TPIO9_ADDR=0x0 TPIO10=0 TPIO10_AM=MID TPIO10_ADDR=0x0 TPIO14=0 "
        "TPIO14_AM=MID TPIO14_ADDR=0x0 TPIO15=0 TPIO15_AM=MID TPIO15_ADDR=0x0 TPIO17=0 "
        "TPIO17_AM=MID TPIO17_ADDR=0x0");
    row("AT+TPIO? target line unknown", "OK=9,11,NID,0x1", "refused", "", "", "");
    row("AT+IOSMP?", "OK=1,17,500,LID,0x0|OK",
        "IOSMP17=1 IOSMP_IT17=500 IOSMP17_AM=LID IOSMP17_ADDR=0x0",
        "AT+IOSMP=0,9 AT+IOSMP=0,10 AT+IOSMP=0,14 AT+IOSMP=0,15 AT+IOSMP=1,17,500,LID,0x0",
        "IO9SMP_ELEM=0,10,LID,0x0 IO10SMP_ELEM=0,10,LID,0x0 IO14SMP_ELEM=0,10,LID,0x0 "
        "IO15SMP_ELEM=0,10,LID,0x0 IO17SMP_ELEM=1,500,LID,0x0",
        "IOSMP9=0 IOSMP_IT9=10 IOSMP9_AM=LID IOSMP9_ADDR=0x0 IOSMP10=0 IOSMP_IT10=10 "
        "IOSMP10_AM=LID IOSMP10_ADDR=0x0 IOSMP14=0 IOSMP_IT14=10 IOSMP14_AM=LID "
        "IOSMP14_ADDR=0x0 IOSMP15=0 IOSMP_IT15=10 IOSMP15_AM=LID IOSMP15_ADDR=0x0 IOSMP17=0 "
        "IOSMP_IT17=10 IOSMP17_AM=LID IOSMP17_ADDR=0x0");
    row("AT+ADCRD=2", "OK=1023", "AD2=1023", "", "", "AD2=");
    row("AT+ADCSMP?", "OK=1,4,20,NID,0x1A2B|OK",
        "ADSMP4=1 ADSMP4_IT=20 ADSMP4=NID ADSMP4_ADDR=0x1A2B",
        "AT+ADCSMP=0,1 AT+ADCSMP=0,2 AT+ADCSMP=0,3 AT+ADCSMP=1,4,20,NID,0x1A2B",
        "ADSMP1_ELEM=0,10,LID,0x0 ADSMP2_ELEM=0,10,LID,0x0 ADSMP3_ELEM=0,10,LID,0x0 "
        "ADSMP4_ELEM=1,20,NID,0x1A2B",
        "ADSMP1=0 ADSMP1_IT=10 ADSMP1=LID ADSMP1_ADDR=0x0 ADSMP2=0 ADSMP2_IT=10 ADSMP2=LID "
        "ADSMP2_ADDR=0x0 ADSMP3=0 ADSMP3_IT=10 ADSMP3=LID ADSMP3_ADDR=0x0 ADSMP4=0 ADSMP4_IT=10 "
        "ADSMP4=LID ADSMP4_ADDR=0x0");
    row("AT+PWM?", "OK=1,2,5000,75|OK", "PWM2=1 PWM2_FRQ=5000 PWM2=75",
        "AT+PWM=0,1 AT+PWM=1,2,5000,75 AT+PWM=0,3",
        "PWM1_ELEM=0,1000,0 PWM2_ELEM=1,5000,75 PWM3_ELEM=0,1000,0",
        "PWM1=0 PWM1_FRQ=1000 PWM1=0 PWM2=0 PWM2_FRQ=1000 PWM2=0 PWM3=0 PWM3_FRQ=1000 PWM3=0");
}

void TestCfgCore::settingsTable()
{
    QFETCH(QString, query);
    query = query.section(' ', 0, 0);
    QFETCH(QString, replies);
    CfgValues got;
    CfgQueues::ReadSink sink;
    sink.fill = [&](const CfgValues &v) {
        got.insert(v);
    };
    sink.remote = [] {
        return false;
    };
    const CfgCmdQueue queue = CfgQueues::read(sink);
    const auto step =
        std::find_if(queue.begin(), queue.end(), [&](const CfgCmd &c) { return c.cmd == query; });
    QVERIFY(step != queue.end());
    // Taken: every line accepted, and the step done with the last one only.
    bool taken = true, done = false;
    for (const QString &reply : replies.split('|'))
        taken = taken && !done && step->handler(reply + "\r\n", &done);
    taken = taken && done;
    QTEST(taken ? describe(got) : QStringLiteral("refused"), "values");

    // The settings this step reads, written and saved from what it gave.
    CfgValues config = SettingsTable::startValues();
    config.insert(SettingsTable::listDefaults());
    config.insert(SettingsTable::resetValues());
    config.insert(got);
    QStringList commands, leaves;
    CfgValues reset;
    for (const SettingsTable::Setting &s : SettingsTable::settings()) {
        if (s.query != query || !taken)
            continue;
        for (const auto &compose : s.writes)
            if (const QString c = compose(config); !c.isEmpty())
                commands << c;
        for (const SettingsTable::Field &f : s.fields)
            if (f.reset.isValid())
                reset.insert(f.key, f.reset);
        if (s.leaf.name.isEmpty())
            continue;
        QStringList texts;
        for (const QString &key : s.leaf.keys)
            texts << SettingsTable::field(key)->text(config.value(key));
        leaves << s.leaf.name + '=' + CfgFile::joinFields(texts);
        // Back from the file: the same values.
        const CfgFile::Leaf *leaf = nullptr;
        for (const CfgFile::Group &g : CfgFile::groups())
            if (const CfgFile::Leaf *l = g.leaf(s.leaf.name))
                leaf = l;
        QList<CfgFile::Refusal> refused;
        const CfgValues back = CfgFile::leafValues(*leaf, CfgFile::joinFields(texts), &refused);
        QVERIFY(refused.isEmpty());
        for (const QString &key : s.leaf.keys)
            QCOMPARE(back.value(key), config.value(key));
    }
    QTEST(commands.join(' '), "commands");
    QTEST(leaves.join(' '), "leaves");
    if (taken)
        QTEST(describe(reset), "reset");
}

void TestCfgCore::sequencer_data()
{
    // Steps: X reads "AT+X" and takes only "OK=1"; L reads rows "OK=<line>,<dir>" closed by the
    // target's success; x writes "AT+X=1"; '-' is a write step that skips. Events: T times out,
    // S stops, R starts again, else a line received. `run`: lines sent, moves on ("+", once
    // the next step's line is out; not at the end), ends.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("run");
    const auto row = [](const char *name, const char *steps, bool remote, const char *events,
                        const char *run) {
        QTest::newRow(name) << steps << remote << events << run;
    };
    row("echoes and reports are no reply", "A", false, "AT+A IO=9,0x1A2B,1 OK=1", "AT+A done");
    row("the second failure ends the run", "AB", false, "OK=1 T ERR=1 OK=1 T",
        "AT+A AT+B + AT+B failed");
    row("a refusal or a time-out is resent once; a done step clears the count", "AB", false,
        "ERR=1 OK=1 T OK=1", "AT+A AT+A AT+B + AT+B done");
    row("list rows never clear the count", "L", false, "OK=9,1 T OK=9,1 T", "AT+L AT+L failed");
    row("a remote list closes with its own success only", "L", true,
        "OK=9,1 OK OK<0x1A2B,0x00124B0001A2B3D1", "AT+L>NID,0x1A2B AT+L>NID,0x1A2B done");
    row("a local list ignores a remote node's success", "L", false,
        "OK<0x1A2B,0x00124B0001A2B3D1 OK", "AT+L done");
    row("a stopped run hears nothing; a new one starts with a clean count", "AB", false,
        "T S OK=1 T R T OK=1 OK=1", "AT+A AT+A failed AT+A AT+A AT+B + done");
    row("an empty queue succeeds at once", "", false, "", "done");
    row("a refused row is resent once its list has ended", "L", false, "OK=1 OK=9,1 OK OK",
        "AT+L AT+L done");
    row("a refused row and no end: the time-out resends", "L", false, "OK=1 T OK",
        "AT+L AT+L done");
    row("another node's reply is ignored", "A", true,
        "OK=1<0x3C4D,0x00124B0001A2B3D2 ERR=1 OK=1<0x1a2b,0x00124B0001A2B3D1",
        "AT+A>NID,0x1A2B AT+A>NID,0x1A2B done");
    row("write: a local run ignores a remote node's success", "a", false,
        "OK<0x3C4D,0x00124B0001A2B3D2 OK", "AT+A=1 done");
    row("write: a value is no success, a skip still counts", "a-b", true,
        "OK=5 OK OK<0x1A2B,0x00124B0001A2B3D1",
        "AT+A=1>NID,0x1A2B AT+A=1>NID,0x1A2B AT+B=1>NID,0x1A2B + + done");
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
        queue.append({name,
                      [&seq, c, name](const QString &line, bool *done) {
                          if (c == QLatin1Char('L')) {
                              const auto l =
                                  CfgReply::listLine(Reply::Form::Row2, line, seq.remoteTarget());
                              *done = l.kind == CfgReply::ListLine::Closing;
                              return l.kind != CfgReply::ListLine::Other;
                          }
                          if (c.isUpper())
                              return *done = Reply::match(Reply::Form::Value, line,
                                                          seq.remoteTarget()) == QStringList{"1"};
                          c == QLatin1Char('-') ? seq.skip() : seq.send(name + "=1");
                          return *done = true;
                      },
                      c == QLatin1Char('L')});
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

void TestCfgCore::writePages()
{
    // A write shows the page of each command's fields as the command goes out (the window
    // turns to it at its next picture): device, network, IO, AD, then PWM with the save.
    CfgValues values = SettingsTable::startValues();
    values.insert(SettingsTable::listDefaults());
    values.insert(SettingsTable::resetValues());
    CfgSequencer seq;
    const ZBdevice target{true, QString(), QString(), {}};
    int page = -1;
    QString pages;
    const CfgCmdQueue queue = CfgQueues::write(values, &seq, [&](int p) { page = p; });
    connect(&seq, &CfgSequencer::sendText, [&] { pages += QString::number(page); });
    seq.start(CfgSequencer::Kind::Write, queue, &target);
    seq.sendCurrent();
    while (seq.isRunning())
        seq.lineReceived(QStringLiteral("OK\r\n"));
    QCOMPARE(pages, QStringLiteral("000000111111111122222222222222233334444"));
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

void TestCfgCore::reportCells()
{
    // What a spreadsheet would run as a formula stays text; separators and quotes are quoted.
    const QList<QPair<QString, QByteArray>> cells = {
        {"LOCAL_NODE", "LOCAL_NODE"},
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+1", "'+1"},
        {"-1", "'-1"},
        {"@A1", "'@A1"},
        {"a,b", "\"a,b\""},
        {"", ""},
        {"串口", "串口"}};
    for (const auto &[text, csv] : cells)
        QCOMPARE(BatchWriter::csvCell(text), csv);
}

QTEST_GUILESS_MAIN(TestCfgCore)
#include "tst_cfgcore.moc"
