// The configuration file format without a window: element names and leaf layout, the
// leaf patterns, the walk an import makes, and the check made before an import.
#include "config/cfgfileformat.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <sys/stat.h>

using CfgFile::Check;

namespace {

// A whole file as the export writes it, every field holding `fieldText(field)`.
QByteArray writeDocument(const std::function<QString(const CfgFile::Field &)> &fieldText)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(CfgFile::rootName());
    for (const CfgFile::Group &g : CfgFile::groups())
        CfgFile::writeGroup(xml, g, fieldText);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

// What an import would apply, as "GROUP/LEAF=text" in order; groups without leaves
// applied still show as "GROUP".
QStringList walk(const QByteArray &document, bool *error = nullptr)
{
    QStringList applied;
    QXmlStreamReader xml(document);
    if (CfgFile::readRoot(xml)) {
        CfgFile::readGroups(xml, [&](const CfgFile::Group &group) {
            applied << group.name;
            CfgFile::readLeaves(xml, group, [&](const CfgFile::Leaf &leaf, const QString &text) {
                applied << group.name + QLatin1Char('/') + leaf.name + QLatin1Char('=') + text;
            });
        });
    }
    if (error)
        *error = xml.hasError();
    return applied;
}

QByteArray doc(const char *body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + body;
}

} // namespace

class TestCfgFileFormat : public QObject
{
    Q_OBJECT

private slots:
    void writtenLayout();
    void splitFields_data();
    void splitFields();
    void checkDocument_data();
    void checkDocument();
    void walkOrder();
    void loadFile();
    void fuzzCheckerAndWalk();
};

void TestCfgFileFormat::writtenLayout()
{
    // Each field written as the name of its widget shows the layout of every leaf.
    const QByteArray written = writeDocument([](const CfgFile::Field &f) { return f.widget; });
    QXmlStreamReader xml(written);
    QStringList elements;
    QMap<QString, QString> leafText;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            elements << xml.name().toString();
            QVERIFY(xml.attributes().isEmpty());
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            leafText[elements.last()] = xml.text().toString();
        }
    }
    QVERIFY(!xml.hasError());
    QVERIFY(written.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    // Indented, one element per line.
    QVERIFY(written.contains("\n    <BASE_GROUP_ELEM>\n        <DEVICE_TYPE>"));

    const QStringList expected =
        QStringLiteral(
            "QX_MODULE_CFG BASE_GROUP_ELEM DEVICE_TYPE UART DFWM "
            "NETWORK_GROUP_ELEM EPID CH JOINT NLOCK AUTONET TID DESC1 DESC2 DESC3 DESC4 "
            "IO_GROUP_ELEM IO9_INOUT_ELEM IO10_INOUT_ELEM IO14_INOUT_ELEM IO15_INOUT_ELEM "
            "IO17_INOUT_ELEM TPIO9_ELEM TPIO10_ELEM TPIO14_ELEM TPIO15_ELEM TPIO17_ELEM "
            "IO9SMP_ELEM IO10SMP_ELEM IO14SMP_ELEM IO15SMP_ELEM IO17SMP_ELEM "
            "AD_GROUP_ELEM ADSMP1_ELEM ADSMP2_ELEM ADSMP3_ELEM ADSMP4_ELEM "
            "PWM_GROUP_ELME PWM1_ELEM PWM2_ELEM PWM3_ELEM")
            .split(QLatin1Char(' '));
    QCOMPARE(elements, expected);

    QCOMPARE(leafText["DEVICE_TYPE"], QStringLiteral("comboBox_deviceType"));
    QCOMPARE(leafText["UART"], QStringLiteral("comboBox_deviceBps,comboBox_deviceDataBit,"
                                              "comboBox_deviceParBit,comboBox_deviceStopBit,"
                                              "comboBox_deviceFlow"));
    QCOMPARE(leafText["DFWM"], QStringLiteral("comboBox_defaultWorkMode"));
    QCOMPARE(leafText["EPID"], QStringLiteral("lineEdit_EPID"));
    QCOMPARE(leafText["CH"], QStringLiteral("comboBox_CH"));
    QCOMPARE(leafText["JOINT"], QStringLiteral("lineEdit_joinTime"));
    QCOMPARE(leafText["NLOCK"], QStringLiteral("comboBox_netLock"));
    QCOMPARE(leafText["AUTONET"], QStringLiteral("comboBox_autoNet"));
    QCOMPARE(leafText["TID"], QStringLiteral("comboBox_TID_AM,comboBox_TID_ADDR"));
    QCOMPARE(leafText["DESC3"], QStringLiteral("lineEdit_DESC3"));
    QCOMPARE(leafText["IO15_INOUT_ELEM"], QStringLiteral("radioButton_15input,comboBox_15output"));
    QCOMPARE(leafText["TPIO10_ELEM"], QStringLiteral("checkBox_TPIO10,comboBox_TPIO10_TIO,"
                                                     "comboBox_TPIO10_AM,comboBox_TPIO10_ADDR"));
    QCOMPARE(leafText["IO17SMP_ELEM"], QStringLiteral("checkBox_IOSMP17,lineEdit_IOSMP_IT17,"
                                                      "comboBox_IOSMP17_AM,comboBox_IOSMP17_ADDR"));
    QCOMPARE(leafText["ADSMP4_ELEM"], QStringLiteral("checkBox_ADSMP4,lineEdit_ADSMP4_IT,"
                                                     "comboBox_ADSMP4,comboBox_ADSMP4_ADDR"));
    QCOMPARE(leafText["PWM2_ELEM"], QStringLiteral("checkBox_PWM2,lineEdit_PWM2_FRQ,spinBox_PWM2"));

    // Group ids and tabs that the window relies on.
    const auto &groups = CfgFile::groups();
    QCOMPARE(groups.size(), int(CfgFile::GroupCount));
    for (int i = 0; i < groups.size(); ++i) {
        QCOMPARE(int(groups[i].id), i);
        QCOMPARE(groups[i].tab, i);
    }
}

void TestCfgFileFormat::splitFields_data()
{
    QTest::addColumn<QString>("leaf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields"); // empty list: skipped

    QTest::newRow("uart") << "UART"
                          << "115200,8,None,1,None"
                          << QStringList{"115200", "8", "None", "1", "None"};
    QTest::newRow("uart four fields") << "UART"
                                      << "115200,8,None,1" << QStringList();
    QTest::newRow("single field whole text") << "EPID"
                                             << "12,34" << QStringList{"12,34"};
    QTest::newRow("single field empty") << "DESC1"
                                        << "" << QStringList{""};
    QTest::newRow("ch 27") << "CH"
                           << "27" << QStringList{"27"};
    QTest::newRow("tid") << "TID"
                         << "MID,0x00124B0001" << QStringList{"MID", "0x00124B0001"};
    QTest::newRow("tid empty address") << "TID"
                                       << "NID," << QStringList();
    QTest::newRow("tid empty mode") << "TID"
                                    << ",0x1" << QStringList();
    QTest::newRow("tpio three fields") << "TPIO9_ELEM"
                                       << "1,10,NID" << QStringList();
    QTest::newRow("tpio empty interval") << "IO9SMP_ELEM"
                                         << "1,,LID,0x0" << QStringList();
    // The pattern is greedy: an extra comma lands in the first field.
    QTest::newRow("tpio five fields")
        << "TPIO9_ELEM"
        << "1,9,NID,0x1,0x2" << QStringList{"1,9", "NID", "0x1", "0x2"};
    QTest::newRow("line break inside a field") << "IO9_INOUT_ELEM"
                                               << "1\n,H" << QStringList{"1\n", "H"};
    QTest::newRow("pwm") << "PWM1_ELEM"
                         << "x,2000,abc" << QStringList{"x", "2000", "abc"};
    QTest::newRow("spaces kept") << "PWM1_ELEM"
                                 << " 1 , 2 , 3 " << QStringList{" 1 ", " 2 ", " 3 "};
}

void TestCfgFileFormat::splitFields()
{
    QFETCH(QString, leaf);
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    const CfgFile::Leaf *l = nullptr;
    for (const CfgFile::Group &g : CfgFile::groups())
        if (!l)
            l = g.leaf(leaf);
    QVERIFY(l);
    const std::optional<QStringList> got = CfgFile::splitFields(*l, text);
    if (fields.isEmpty()) {
        QVERIFY(!got);
    } else {
        QVERIFY(got);
        QCOMPARE(*got, fields);
        QCOMPARE(CfgFile::joinFields(*got), text);
    }
}

void TestCfgFileFormat::checkDocument_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<int>("result"); // -1: refused either way

    const int ok = int(Check::Ok), wrongRoot = int(Check::WrongRoot),
              malformed = int(Check::Malformed);
    QTest::newRow("empty root") << doc("<QX_MODULE_CFG/>") << ok;
    QTest::newRow("no declaration") << QByteArray("<QX_MODULE_CFG></QX_MODULE_CFG>") << ok;
    QTest::newRow("whole file") << writeDocument([](const CfgFile::Field &) {
        return QStringLiteral("1");
    }) << ok;
    QTest::newRow("unknown elements with children")
        << doc("<QX_MODULE_CFG><X><Y>1</Y></X><BASE_GROUP_ELEM><Z><DFWM>a</DFWM></Z>"
               "</BASE_GROUP_ELEM></QX_MODULE_CFG>")
        << ok;
    QTest::newRow("comments and cdata")
        << doc("<!-- c --><QX_MODULE_CFG><NETWORK_GROUP_ELEM><!-- c --><EPID><![CDATA[<1>]]>"
               "</EPID></NETWORK_GROUP_ELEM></QX_MODULE_CFG>")
        << ok;
    QTest::newRow("empty file") << QByteArray() << wrongRoot;
    QTest::newRow("declaration only") << doc("") << wrongRoot;
    QTest::newRow("other root") << doc("<OTHER_CFG><BASE_GROUP_ELEM/></OTHER_CFG>") << wrongRoot;
    QTest::newRow("root name case") << doc("<qx_module_cfg/>") << wrongRoot;
    QTest::newRow("not xml") << QByteArray("115200,8,None,1,None\n") << wrongRoot;
    QTest::newRow("broken before root") << doc("<<QX_MODULE_CFG/>") << wrongRoot;
    QTest::newRow("truncated")
        << doc("<QX_MODULE_CFG><BASE_GROUP_ELEM><DEVICE_TYPE>Router</DEVICE_TYPE><DF") << malformed;
    QTest::newRow("cut after a leaf")
        << doc("<QX_MODULE_CFG><BASE_GROUP_ELEM><DEVICE_TYPE>Router</DEVICE_TYPE>") << malformed;
    QTest::newRow("mismatched tags")
        << doc("<QX_MODULE_CFG><BASE_GROUP_ELEM></AD_GROUP_ELEM></QX_MODULE_CFG>") << malformed;
    QTest::newRow("second root") << doc("<QX_MODULE_CFG/><QX_MODULE_CFG/>") << malformed;
    QTest::newRow("text after root") << doc("<QX_MODULE_CFG/>junk") << malformed;
    QTest::newRow("undefined entity")
        << doc("<QX_MODULE_CFG><NETWORK_GROUP_ELEM><EPID>&bogus;</EPID>"
               "</NETWORK_GROUP_ELEM></QX_MODULE_CFG>")
        << malformed;
    QTest::newRow("leaf holding an element")
        << doc("<QX_MODULE_CFG><NETWORK_GROUP_ELEM><EPID>1<b>2</b></EPID>"
               "</NETWORK_GROUP_ELEM></QX_MODULE_CFG>")
        << malformed;
    // Refused, as wrong root or malformed depending on when the reader decodes it.
    QTest::newRow("invalid utf-8") << doc("<QX_MODULE_CFG><NETWORK_GROUP_ELEM><EPID>\xff\xfe</EPID>"
                                          "</NETWORK_GROUP_ELEM></QX_MODULE_CFG>")
                                   << -1;
}

void TestCfgFileFormat::checkDocument()
{
    QFETCH(QByteArray, document);
    QFETCH(int, result);
    if (result < 0)
        QVERIFY(CfgFile::checkDocument(document) != Check::Ok);
    else
        QCOMPARE(int(CfgFile::checkDocument(document)), result);
}

void TestCfgFileFormat::walkOrder()
{
    // A leaf of another group ends the group too; a leaf outside any group is ignored.
    QCOMPARE(walk(doc("<QX_MODULE_CFG><EPID>9</EPID><AD_GROUP_ELEM><ADSMP1_ELEM>1,2,NID,0x1"
                      "</ADSMP1_ELEM><EPID>9</EPID><ADSMP2_ELEM>0,2,NID,0x1</ADSMP2_ELEM>"
                      "</AD_GROUP_ELEM></QX_MODULE_CFG>")),
             QStringList({"AD_GROUP_ELEM", "AD_GROUP_ELEM/ADSMP1_ELEM=1,2,NID,0x1"}));

    // A group nested in an unknown element is found; entities and CDATA are decoded;
    // an empty leaf gives an empty text.
    QCOMPARE(walk(doc("<QX_MODULE_CFG><WRAP><NETWORK_GROUP_ELEM><DESC1>a&amp;b</DESC1>"
                      "<DESC2><![CDATA[<c>]]></DESC2><DESC3/></NETWORK_GROUP_ELEM></WRAP>"
                      "</QX_MODULE_CFG>")),
             QStringList({"NETWORK_GROUP_ELEM", "NETWORK_GROUP_ELEM/DESC1=a&b",
                          "NETWORK_GROUP_ELEM/DESC2=<c>", "NETWORK_GROUP_ELEM/DESC3="}));

    // Only an empty root: nothing applied, no error.
    bool error = true;
    QCOMPARE(walk(doc("<QX_MODULE_CFG></QX_MODULE_CFG>"), &error), QStringList());
    QVERIFY(!error);

    // A document broken after some leaves reports the error; the check refuses it whole.
    const QByteArray cut = doc("<QX_MODULE_CFG><BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM><DEV");
    QCOMPARE(walk(cut, &error), QStringList({"BASE_GROUP_ELEM", "BASE_GROUP_ELEM/DFWM=TP_MODE"}));
    QVERIFY(error);
    QCOMPARE(CfgFile::checkDocument(cut), Check::Malformed);
}

void TestCfgFileFormat::loadFile()
{
    QTemporaryDir dir;
    QByteArray document = "left over";

    QCOMPARE(CfgFile::loadFile(dir.filePath("missing.xml"), &document), Check::CannotOpen);
    QVERIFY(document.isEmpty());
    QCOMPARE(CfgFile::loadFile(dir.path(), &document), Check::CannotOpen);
    // A fifo would block a plain open until a writer comes.
    const QString fifo = dir.filePath("fifo.xml");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(CfgFile::loadFile(fifo, &document), Check::CannotOpen);

    const QByteArray good = doc("<QX_MODULE_CFG><BASE_GROUP_ELEM/></QX_MODULE_CFG>\n");
    QFile f(dir.filePath("good.xml"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(good);
    f.close();
    QCOMPARE(CfgFile::loadFile(f.fileName(), &document), Check::Ok);
    QCOMPARE(document, good);

    // Far larger than any configuration: refused without reading it all (sparse file).
    QFile big(dir.filePath("big.xml"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(good);
    QVERIFY(big.resize(CfgFile::maxFileSize + 1));
    big.close();
    QCOMPARE(CfgFile::loadFile(big.fileName(), &document), Check::Malformed);
}

void TestCfgFileFormat::fuzzCheckerAndWalk()
{
    QRandomGenerator rng(20240611);
    const QStringList values = {"1", "0",   "NID",    "LID",  "0x0",  "115200",
                                "",  "a,b", "&<>\"'", "中文", "x\ny", "Coor"};
    const char *snippets[] = {"<",
                              ">",
                              "</",
                              "/>",
                              "&",
                              "&amp;",
                              "&bogus;",
                              ",",
                              "<X>",
                              "</X>",
                              "<EPID>7</EPID>",
                              "<BASE_GROUP_ELEM>",
                              "</BASE_GROUP_ELEM>",
                              "<!-- c -->",
                              "<![CDATA[1,2]]>",
                              "<QX_MODULE_CFG>",
                              "</QX_MODULE_CFG>",
                              "\xff",
                              "<?pi x?>",
                              "<PWM_GROUP_ELME><PWM1_ELEM>1,2,3</PWM1_ELEM>"};
    int counts[4] = {};
    for (int round = 0; round < 4000; ++round) {
        QByteArray d = writeDocument(
            [&](const CfgFile::Field &) { return values[rng.bounded(int(values.size()))]; });
        const int mutations = rng.bounded(5); // some documents stay intact
        for (int m = 0; m < mutations; ++m) {
            const int at = rng.bounded(int(d.size()) + 1);
            switch (rng.bounded(5)) {
            case 0:
                if (at < d.size())
                    d[at] = char(rng.bounded(256));
                break;
            case 1:
                d.remove(at, rng.bounded(40));
                break;
            case 2:
                d.insert(at, snippets[rng.bounded(int(std::size(snippets)))]);
                break;
            case 3:
                d.truncate(at);
                break;
            case 4: {
                const int from = rng.bounded(int(d.size()) + 1);
                d.insert(at, d.mid(from, rng.bounded(80)));
                break;
            }
            }
        }

        const Check check = CfgFile::checkDocument(d);
        QCOMPARE(CfgFile::checkDocument(d), check);
        ++counts[int(check)];

        // A reference reading with a plain reader.
        QXmlStreamReader ref(d);
        QString first;
        bool seenFirst = false;
        while (!ref.atEnd()) {
            ref.readNext();
            if (ref.isStartElement() && !seenFirst) {
                seenFirst = true;
                first = ref.name().toString();
            }
        }
        const bool rootFirst = seenFirst && first == CfgFile::rootName();
        if (!rootFirst) {
            // With an error before any element, the reference may see none at all.
            QCOMPARE(check, Check::WrongRoot);
            continue;
        }
        QVERIFY(check != Check::WrongRoot);
        if (ref.hasError())
            QCOMPARE(check, Check::Malformed);

        // What an accepted file applies splits into fields that join back to the text.
        bool error = false;
        const QStringList applied = walk(d, &error);
        QCOMPARE(error, check != Check::Ok);
        for (const CfgFile::Group &g : CfgFile::groups()) {
            for (const QString &a : applied) {
                if (!a.startsWith(g.name + QLatin1Char('/')))
                    continue;
                const QString rest = a.mid(g.name.size() + 1);
                const int eq = int(rest.indexOf(QLatin1Char('=')));
                const CfgFile::Leaf *leaf = g.leaf(rest.left(eq));
                QVERIFY(leaf);
                const QString text = rest.mid(eq + 1);
                if (const auto fields = CfgFile::splitFields(*leaf, text)) {
                    QCOMPARE(fields->size(), leaf->fields.size());
                    QCOMPARE(CfgFile::joinFields(*fields), text);
                }
            }
        }
    }
    // The corpus reaches every verdict.
    QVERIFY(counts[int(Check::Ok)] > 100);
    QVERIFY(counts[int(Check::WrongRoot)] > 100);
    QVERIFY(counts[int(Check::Malformed)] > 100);
}

QTEST_GUILESS_MAIN(TestCfgFileFormat)
#include "tst_cfgfileformat.moc"
