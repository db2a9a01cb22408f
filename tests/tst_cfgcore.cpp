// The configuration without a window: the sequence engine that runs every read and write,
// and the configuration file's layout, fields, check and walk.

#include "config/cfgfileformat.h"
#include "config/cfgreply.h"
#include "config/cfgsequencer.h"
#include "network/zbdevice.h"

#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <sys/stat.h>

using CfgFile::Check;

namespace {

QByteArray doc(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body;
}

} // namespace

class TestCfgCore : public QObject
{
    Q_OBJECT

private slots:
    void sequencer_data();
    void sequencer();
    void fileLayout();
    void checkAndWalk_data();
    void checkAndWalk();
    void loadFile();
};

void TestCfgCore::sequencer_data()
{
    // Steps: an upper-case letter X reads "AT+X" and takes only "OK=1"; L reads a list of
    // rows "OK=<line>,<dir>" closed by the target's success; a lower-case x writes "AT+X=1";
    // '-' is a write step that skips. Events: T times out, S stops, R starts again; anything
    // else is a line received. `sent`: what went out, without the line ends; `ends`: the
    // outcomes in order; `progress`: how often the run moved on.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("ends");
    QTest::addColumn<int>("progress");
    const auto row = [](const char *name, const char *steps, bool remote, const char *events,
                        const char *sent, const char *ends, int progress) {
        QTest::newRow(name) << steps << remote << events << sent << ends << progress;
    };
    row("echoes and reports are no reply", "A", false, "AT+A IO=9,0x1A2B,1 OK=1", "AT+A", "1", 1);
    row("the second failure ends the run", "AB", false, "OK=1 T ERR=1 OK=1 T", "AT+A AT+B AT+B",
        "0", 1);
    row("a refusal or a time-out is resent once; a done step clears the count", "AB", false,
        "ERR=1 OK=1 T OK=1", "AT+A AT+A AT+B AT+B", "1", 2);
    row("list rows never clear the count", "L", false, "OK=9,1 T OK=9,1 T", "AT+L AT+L", "0", 0);
    row("a remote list closes with its own success only", "L", true,
        "OK=9,1 OK OK<0x1A2B,0x00124B0001A2B3D1", "AT+L>NID,0x1A2B AT+L>NID,0x1A2B", "1", 1);
    row("a local list ignores the remote success", "L", false, "OK<0x1A2B,0x00124B0001A2B3D1 OK",
        "AT+L AT+L", "1", 1);
    row("a stopped run hears nothing; a new one starts with a clean count", "AB", false,
        "T S OK=1 T R T OK=1 OK=1", "AT+A AT+A AT+A AT+A AT+B", "01", 2);
    row("an empty queue succeeds at once", "", false, "", "", "1", 0);
    row("write: a value is no success, a skip still counts", "a-b", true,
        "OK=5 OK OK<0x1A2B,0x00124B0001A2B3D1",
        "AT+A=1>NID,0x1A2B AT+A=1>NID,0x1A2B AT+B=1>NID,0x1A2B", "1", 3);
    row("write: two failures end the run", "ab", false, "ERR=1 T", "AT+A=1 AT+A=1", "0", 0);
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
    QStringList sent;
    QString ends;
    int progress = 0;
    connect(&seq, &CfgSequencer::sendText, [&](const QString &t) {
        sent << (t.endsWith(QLatin1String("\r\n")) ? t.chopped(2) : t + "<no line end>");
    });
    connect(&seq, &CfgSequencer::finished, [&](bool ok) { ends += QLatin1Char(ok ? '1' : '0'); });
    connect(&seq, &CfgSequencer::progress, [&] { ++progress; });
    const auto start = [&] {
        const bool read = steps == steps.toUpper() && !steps.contains(QLatin1Char('-'));
        seq.start(read ? CfgSequencer::Kind::Read : CfgSequencer::Kind::Write, queue, &target);
        seq.sendCurrent();
    };
    start();
    QCOMPARE(seq.stepTimer().interval(), queue.isEmpty() ? 0 : remote ? 5500 : 2000);
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
    QTEST(sent.join(QLatin1Char(' ')), "sent");
    QTEST(ends, "ends");
    QTEST(progress, "progress");
    // However it ended, the run left no count or timer behind.
    if (ends.endsWith(QLatin1Char('0')))
        QVERIFY(!seq.isRunning() && seq.retries() == 0 && !seq.stepTimer().isActive());
}

void TestCfgCore::fileLayout()
{
    // The root, each group (with the page the window shows while it reads or writes it),
    // the element of each leaf, their order, and the widget of each field of a leaf.
    QStringList layout = {CfgFile::rootName()};
    for (const CfgFile::Group &g : CfgFile::groups()) {
        layout << g.name + QLatin1Char('@') + QString::number(g.tab);
        for (const CfgFile::Leaf &leaf : g.leaves) {
            QStringList widgets;
            for (const CfgFile::Field &field : leaf.fields)
                widgets << field.widget;
            layout << leaf.name + QLatin1Char('=') + widgets.join(QLatin1Char(','));
        }
    }
    QString expected = QStringLiteral(
        "QX_MODULE_CFG BASE_GROUP_ELEM@0 DEVICE_TYPE=comboBox_deviceType UART=comboBox_deviceBps,"
        "comboBox_deviceDataBit,comboBox_deviceParBit,comboBox_deviceStopBit,comboBox_deviceFlow "
        "DFWM=comboBox_defaultWorkMode NETWORK_GROUP_ELEM@1 EPID=lineEdit_EPID CH=comboBox_CH "
        "JOINT=lineEdit_joinTime NLOCK=comboBox_netLock AUTONET=comboBox_autoNet "
        "TID=comboBox_TID_AM,comboBox_TID_ADDR DESC1=lineEdit_DESC1 DESC2=lineEdit_DESC2 "
        "DESC3=lineEdit_DESC3 DESC4=lineEdit_DESC4 IO_GROUP_ELEM@2");
    const auto each = [&](QList<int> numbers, const char *pattern) {
        for (int n : numbers)
            expected += QLatin1Char(' ') + QString::fromLatin1(pattern).arg(n);
    };
    each({9, 10, 14, 15, 17}, "IO%1_INOUT_ELEM=radioButton_%1input,comboBox_%1output");
    each({9, 10, 14, 15, 17},
         "TPIO%1_ELEM=checkBox_TPIO%1,comboBox_TPIO%1_TIO,comboBox_TPIO%1_AM,comboBox_TPIO%1_ADDR");
    each({9, 10, 14, 15, 17}, "IO%1SMP_ELEM=checkBox_IOSMP%1,lineEdit_IOSMP_IT%1,"
                              "comboBox_IOSMP%1_AM,comboBox_IOSMP%1_ADDR");
    expected += QStringLiteral(" AD_GROUP_ELEM@3");
    each({1, 2, 3, 4}, "ADSMP%1_ELEM=checkBox_ADSMP%1,lineEdit_ADSMP%1_IT,comboBox_ADSMP%1,"
                       "comboBox_ADSMP%1_ADDR");
    expected += QStringLiteral(" PWM_GROUP_ELME@4");
    each({1, 2, 3}, "PWM%1_ELEM=checkBox_PWM%1,lineEdit_PWM%1_FRQ,spinBox_PWM%1");
    QCOMPARE(layout.join(QLatin1Char(' ')), expected);
}

void TestCfgCore::checkAndWalk_data()
{
    // `applied`: what an import applies, in order: "GROUP", then "GROUP/LEAF=" with the
    // leaf's fields joined by '|', or "GROUP/LEAF!text" for a text that does not split.
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<int>("check");
    QTest::addColumn<QString>("applied");
    const auto row = [](const char *name, const QByteArray &d, Check c, const char *applied) {
        QTest::newRow(name) << d << int(c) << QString::fromUtf8(applied);
    };
    const auto cfg = [](const QByteArray &body) {
        return doc("<QX_MODULE_CFG>" + body + "</QX_MODULE_CFG>");
    };
    row("empty root, no declaration", "<QX_MODULE_CFG/>", Check::Ok, "");
    row("fields of a leaf",
        cfg("<BASE_GROUP_ELEM><UART>115200,8,None,1,None</UART><UART>115200,8,None,1</UART>"
            "</BASE_GROUP_ELEM><NETWORK_GROUP_ELEM><EPID>12,34</EPID><TID>MID,0x0012</TID>"
            "<TID>NID,</TID></NETWORK_GROUP_ELEM><IO_GROUP_ELEM><TPIO9_ELEM>1,10,NID</TPIO9_ELEM>"
            "<TPIO9_ELEM>1,9,NID,0x1,0x2</TPIO9_ELEM><IO9_INOUT_ELEM>1\n,H</IO9_INOUT_ELEM>"
            "</IO_GROUP_ELEM>"),
        Check::Ok,
        "BASE_GROUP_ELEM BASE_GROUP_ELEM/UART=115200|8|None|1|None BASE_GROUP_ELEM/UART!115200,"
        "8,None,1 NETWORK_GROUP_ELEM NETWORK_GROUP_ELEM/EPID=12,34 NETWORK_GROUP_ELEM/TID=MID|"
        "0x0012 NETWORK_GROUP_ELEM/TID!NID, IO_GROUP_ELEM IO_GROUP_ELEM/TPIO9_ELEM!1,10,NID "
        "IO_GROUP_ELEM/TPIO9_ELEM=1,9|NID|0x1|0x2 IO_GROUP_ELEM/IO9_INOUT_ELEM=1\n|H");
    row("a foreign leaf ends its group; one outside any group is passed over",
        cfg("<EPID>9</EPID><AD_GROUP_ELEM><ADSMP1_ELEM>1,2,NID,0x1</ADSMP1_ELEM><EPID>9</EPID>"
            "<ADSMP2_ELEM>0,2,NID,0x1</ADSMP2_ELEM></AD_GROUP_ELEM>"),
        Check::Ok, "AD_GROUP_ELEM AD_GROUP_ELEM/ADSMP1_ELEM=1|2|NID|0x1");
    row("a group inside an unknown element; entities, CDATA, comments, an empty leaf",
        doc("<!-- c --><QX_MODULE_CFG><W><NETWORK_GROUP_ELEM><DESC1>a&amp;b</DESC1><!-- c -->"
            "<DESC2><![CDATA[<c>]]></DESC2><DESC3/></NETWORK_GROUP_ELEM></W></QX_MODULE_CFG>"),
        Check::Ok,
        "NETWORK_GROUP_ELEM NETWORK_GROUP_ELEM/DESC1=a&b NETWORK_GROUP_ELEM/DESC2=<c> "
        "NETWORK_GROUP_ELEM/DESC3=");
    row("other root", doc("<OTHER><BASE_GROUP_ELEM><DFWM>a</DFWM></BASE_GROUP_ELEM></OTHER>"),
        Check::WrongRoot, "");
    row("cut after a leaf", doc("<QX_MODULE_CFG><BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM><DEV"),
        Check::Malformed, "BASE_GROUP_ELEM BASE_GROUP_ELEM/DFWM=TP_MODE");
    row("text after the root", doc("<QX_MODULE_CFG/>junk"), Check::Malformed, "");
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
    QByteArray document = "left over";
    QCOMPARE(CfgFile::loadFile(dir.filePath("missing.xml"), &document), Check::CannotOpen);
    QVERIFY(document.isEmpty());
    // A fifo would block an open until a writer comes.
    const QString fifo = dir.filePath("fifo.xml");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(CfgFile::loadFile(fifo, &document), Check::CannotOpen);

    // A good file padded to the size bound is read whole; one byte more is refused.
    QByteArray good = doc("<QX_MODULE_CFG><BASE_GROUP_ELEM/></QX_MODULE_CFG>");
    good.append(QByteArray(4 * 1024 * 1024 - good.size(), ' '));
    QFile f(dir.filePath("good.xml"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(good), good.size());
    f.flush();
    QCOMPARE(CfgFile::loadFile(f.fileName(), &document), Check::Ok);
    QCOMPARE(document, good);
    f.write(" ");
    f.close();
    QCOMPARE(CfgFile::loadFile(f.fileName(), &document), Check::Malformed);
}

QTEST_GUILESS_MAIN(TestCfgCore)
#include "tst_cfgcore.moc"
