// The widget-free pieces of the AT layer: the reply patterns, the error table and the
// line assembler, each checked row by row and then against a large seeded set of random
// and mutated input with hand-written oracles.

#include "at/errortable.h"
#include "at/replygrammar.h"
#include "serial/lineassembler.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using Reply::Form;

Q_DECLARE_METATYPE(Reply::Form)

namespace {

bool isAsciiDigits(QStringView s)
{
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return !s.isEmpty();
}

// The error reply written out by hand: "ERR=", one to three ASCII digits, CR LF, nothing else.
int oracleErrorCode(const QString &line)
{
    if (!line.startsWith(QLatin1String("ERR=")) || !line.endsWith(QLatin1String("\r\n")))
        return -1;
    const QStringView digits = QStringView(line).mid(4, line.size() - 6);
    if (digits.size() < 1 || digits.size() > 3 || !isAsciiDigits(digits))
        return -1;
    return digits.toInt();
}

// Stands for "the line must not match" in the reply table.
const QStringList &noMatch()
{
    static const QStringList none = {QStringLiteral("(no match)")};
    return none;
}

// The lines a well-behaved module sends, as seeds for mutation.
const QStringList &corpus()
{
    static const QStringList lines = {
        "OK\r\n",
        "OK<0x1A2B,0x00124B0001020304\r\n",
        "OK=5\r\n",
        "OK=1\r\n",
        "OK=NID,0x0000\r\n",
        "OK=5,8,0,1,0\r\n",
        "OK=9,1,MID,0x00124B0001020304\r\n",
        "OK=1,1,10,NID,0x0000\r\n",
        "OK=Nodeweave ZB-2530<0x3C11,0x00124B00AABBCCDD\r\n",
        "OK=1,0x3C11,0x00124B00AABBCCDD,Router 1\r\n",
        "ERR=60\r\n",
        "ERR=060\r\n",
        "ERR=7\r\n",
        "IO=9,0x0000,1\r\n",
        "ADC=1,0x3C11,2048\r\n",
        "RECV=0x3C11,hello\r\n",
    };
    return lines;
}

QString mutate(QString s, QRandomGenerator &rng)
{
    static const QString alphabet = QStringLiteral("OKER=<>,0123456789xAF\r\n \t\0é中");
    const int edits = 1 + int(rng.bounded(4));
    for (int i = 0; i < edits; ++i) {
        const int pos = s.isEmpty() ? 0 : int(rng.bounded(quint32(s.size() + 1)));
        const QChar c = alphabet.at(int(rng.bounded(quint32(alphabet.size()))));
        switch (rng.bounded(5)) {
        case 0:
            s.insert(pos, c);
            break;
        case 1:
            if (pos < s.size())
                s.remove(pos, 1);
            break;
        case 2:
            if (pos < s.size())
                s[pos] = c;
            break;
        case 3:
            s.truncate(pos);
            break;
        default:
            s.insert(pos, s.mid(pos / 2, 3)); // repeat a piece
            break;
        }
    }
    return s;
}

QString randomLine(QRandomGenerator &rng)
{
    QString s;
    const int n = int(rng.bounded(24));
    for (int i = 0; i < n; ++i)
        s.append(QChar(ushort(rng.bounded(2) ? rng.bounded(32, 127) : rng.bounded(0, 0x3000))));
    if (rng.bounded(2))
        s += QLatin1String("\r\n");
    return s;
}

} // namespace

class TestReplyGrammar : public QObject
{
    Q_OBJECT

private slots:
    void replyTable_data();
    void replyTable();
    void errorCodes();
    void sequenceReplies();
    void errorTable();
    void lineAssembly_data();
    void lineAssembly();
    void overflowBound();
    void fuzzPatterns();
    void fuzzAssembler();
};

void TestReplyGrammar::replyTable_data()
{
    QTest::addColumn<Form>("form");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");

    const QStringList no = noMatch();
    auto row = [](const char *name, Form f, bool remote, const char *line, QStringList fields) {
        QTest::newRow(name) << f << remote << QString::fromUtf8(line) << fields;
    };
    row("ok", Form::Success, false, "OK\r\n", QStringList());
    row("ok trailing LF", Form::Success, false, "OK\r\n\n", no);
    row("ok missing CR", Form::Success, false, "OK\n", no);
    row("ok no line end", Form::Success, false, "OK", no);
    row("ok lower case", Form::Success, false, "ok\r\n", no);
    row("ok leading blank", Form::Success, false, " OK\r\n", no);
    row("ok with suffix, local", Form::Success, false, "OK<0x1,0x2\r\n", no);
    row("value is no ok", Form::Success, false, "OK=5\r\n", no);
    row("remote ok", Form::Success, true, "OK<0x1A2B,0x00124B00\r\n", QStringList());
    row("remote ok one field", Form::Success, true, "OK<0x1A2B\r\n", no);
    row("remote ok empty field", Form::Success, true, "OK<,0x2\r\n", no);
    row("remote ok without suffix", Form::Success, true, "OK\r\n", no);

    row("value", Form::Value, false, "OK=5\r\n", {"5"});
    row("value empty", Form::Value, false, "OK=\r\n", no);
    row("value trailing LF", Form::Value, false, "OK=5\r\n\n", no);
    row("value missing CR", Form::Value, false, "OK=5\n", no);
    // Greedy fields: the local pattern takes a suffix as part of the value.
    row("value holding a suffix", Form::Value, false, "OK=5<a,b\r\n", {"5<a,b"});
    row("remote value", Form::Value, true, "OK=ZB-2530<0x3C11,0x00124B\r\n", {"ZB-2530"});
    row("remote value without suffix", Form::Value, true, "OK=5\r\n", no);

    row("digit 0", Form::Digit, false, "OK=0\r\n", {"0"});
    row("digit 1", Form::Digit, false, "OK=1\r\n", {"1"});
    row("digit 2", Form::Digit, false, "OK=2\r\n", no);
    row("digit two digits", Form::Digit, false, "OK=01\r\n", no);
    row("remote digit", Form::Digit, true, "OK=1<0x1,0x2\r\n", {"1"});

    row("two fields", Form::Value2, false, "OK=NID,0x1A2B\r\n", {"NID", "0x1A2B"});
    row("two fields, greedy first", Form::Value2, false, "OK=a,b,c\r\n", {"a,b", "c"});
    row("two fields missing one", Form::Value2, false, "OK=NID\r\n", no);
    row("remote two fields", Form::Value2, true, "OK=MID,0x1<0x2,0x3\r\n", {"MID", "0x1"});
    row("five fields", Form::Value5, false, "OK=5,8,0,1,0\r\n", {"5", "8", "0", "1", "0"});
    row("five fields, four given", Form::Value5, false, "OK=5,8,0,1\r\n", no);
    row("remote five fields", Form::Value5, true, "OK=5,8,0,1,0<a,b\r\n",
        {"5", "8", "0", "1", "0"});

    row("row of two", Form::Row2, false, "OK=9,1\r\n", {"9", "1"});
    row("row of four", Form::Row4, false, "OK=1,1000,50,x\r\n", {"1", "1000", "50", "x"});
    row("row of four, three given", Form::Row4, false, "OK=1,1000,50\r\n", no);
    row("row of five", Form::Row5, false, "OK=9,1,10,NID,0x0\r\n", {"9", "1", "10", "NID", "0x0"});
    row("rows have no remote form", Form::Row2, true, "OK=9,1\r\n", {"9", "1"});

    row("error", Form::Error, false, "ERR=60\r\n", {"60"});
    row("error leading zero", Form::Error, false, "ERR=060\r\n", {"060"});
    row("error one digit", Form::Error, false, "ERR=7\r\n", {"7"});
    row("error four digits", Form::Error, false, "ERR=1000\r\n", no);
    row("error no digits", Form::Error, false, "ERR=\r\n", no);
    row("error blank", Form::Error, false, "ERR= 5\r\n", no);
    row("error hex digit", Form::Error, false, "ERR=6a\r\n", no);
    row("error non-ASCII digit", Form::Error, false, "ERR=٦\r\n", no);
    row("error with remote suffix", Form::Error, false, "ERR=60<0x1,0x2\r\n", no);
    row("error with remote suffix, remote", Form::Error, true, "ERR=60<0x1,0x2\r\n", no);
    row("error trailing LF", Form::Error, false, "ERR=60\r\n\n", no);
    row("error missing CR", Form::Error, false, "ERR=60\n", no);

    row("scan", Form::ScanReport, false, "OK=1,0x3C11,0x00124B00AABBCCDD,Router 1\r\n",
        {"1", "0x3C11", "0x00124B00AABBCCDD", "Router 1"});
    row("scan net without 0x", Form::ScanReport, false, "OK=1,3C11,0x1,d\r\n", no);
    row("scan net of nine digits", Form::ScanReport, false, "OK=1,0x123456789,0x1,d\r\n", no);
    row("scan mac of seventeen digits", Form::ScanReport, false,
        "OK=1,0x1,0x12345678901234567,d\r\n", no);
    row("scan index not a number", Form::ScanReport, false, "OK=x,0x1,0x2,d\r\n", no);
    row("scan empty descriptor", Form::ScanReport, false, "OK=1,0x1,0x2,\r\n", no);
}

void TestReplyGrammar::replyTable()
{
    QFETCH(Form, form);
    QFETCH(bool, remote);
    QFETCH(QString, line);
    QFETCH(QStringList, fields);

    const bool expected = fields != noMatch();
    const std::optional<QStringList> m = Reply::match(form, line, remote);
    QCOMPARE(m.has_value(), expected);
    if (m)
        QCOMPARE(*m, fields);
    QCOMPARE(Reply::matches(form, line, remote), expected);
}

void TestReplyGrammar::errorCodes()
{
    QCOMPARE(Reply::errorCode("ERR=60\r\n"), 60);
    QCOMPARE(Reply::errorCode("ERR=060\r\n"), 60);
    QCOMPARE(Reply::errorCode("ERR=000\r\n"), 0);
    QCOMPARE(Reply::errorCode("ERR=999\r\n"), 999);
    QCOMPARE(Reply::errorCode("ERR=1000\r\n"), -1);
    QCOMPARE(Reply::errorCode("ERR=60<0x1,0x2\r\n"), -1);
    QCOMPARE(Reply::errorCode("OK\r\n"), -1);
    QCOMPARE(Reply::errorCode(QString()), -1);
}

void TestReplyGrammar::sequenceReplies()
{
    // The read sequence takes anything that begins with OK or ERR and has more after it.
    QVERIFY(Reply::isReadSequenceReply("OK\r\n"));
    QVERIFY(Reply::isReadSequenceReply("OKx"));
    QVERIFY(Reply::isReadSequenceReply("ERR=5\r\n"));
    QVERIFY(!Reply::isReadSequenceReply("OK"));
    QVERIFY(!Reply::isReadSequenceReply("ERR"));
    QVERIFY(!Reply::isReadSequenceReply("AT+VER\r\n"));
    QVERIFY(!Reply::isReadSequenceReply(" OK\r\n"));
    // The write sequence wants the line end as well.
    QVERIFY(Reply::isWriteSequenceReply("OK\r\n"));
    QVERIFY(Reply::isWriteSequenceReply("OK<0x1,0x2\r\n"));
    QVERIFY(Reply::isWriteSequenceReply("ERR\r\n"));
    QVERIFY(!Reply::isWriteSequenceReply("OK"));
    QVERIFY(!Reply::isWriteSequenceReply("OK\n"));
    QVERIFY(!Reply::isWriteSequenceReply("OK\r\n\n"));
    QVERIFY(!Reply::isWriteSequenceReply("IO=9,0x0,1\r\n"));
}

void TestReplyGrammar::errorTable()
{
    const QList<ModuleError> &table = moduleErrors();
    QCOMPARE(table.size(), 30);
    QSet<int> codes;
    int previous = 0;
    for (const ModuleError &e : table) {
        QVERIFY2(e.code > previous, "codes in ascending order, each once");
        previous = e.code;
        codes.insert(e.code);
        QVERIFY(e.text && *e.text);
    }
    const QSet<int> expected = {1,  2,  3,  4,  5,  10, 11, 12, 13, 14, 15, 16, 20, 21, 22,
                                23, 24, 30, 31, 32, 33, 40, 41, 42, 60, 70, 71, 80, 81, 100};
    QCOMPARE(codes, expected);
    auto text = [&](int code) {
        for (const ModuleError &e : table)
            if (e.code == code)
                return QString::fromUtf8(e.text);
        return QString();
    };
    QCOMPARE(text(1), QString("通用错误"));
    QCOMPARE(text(5), QString("指令没有已回车换行结束"));
    QCOMPARE(text(60), QString("网络尚未启动"));
    QCOMPARE(text(81), QString("此IO已设置为输入，不能输出"));
    QCOMPARE(text(100), QString("发送的数据过长"));
}

void TestReplyGrammar::lineAssembly_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("pending");

    using L = QList<QByteArray>;
    QTest::newRow("CR and LF in two reads") << L{"OK\r", "\n"} << L{"OK\r\n"} << QByteArray();
    QTest::newRow("one byte a read") << L{"O", "K", "\r", "\n"} << L{"OK\r\n"} << QByteArray();
    QTest::newRow("two lines in one read")
        << L{"OK\r\nOK\r\n"} << L{"OK\r\n", "OK\r\n"} << QByteArray();
    QTest::newRow("lines and a partial one")
        << L{"OK=1\r\nERR=5\r\nOK="} << L{"OK=1\r\n", "ERR=5\r\n"} << QByteArray("OK=");
    QTest::newRow("lone LF") << L{"ERR=5\n"} << L{} << QByteArray("ERR=5\n");
    QTest::newRow("lone LF, then CR LF")
        << L{"ERR=5\n", "\r\n"} << L{"ERR=5\n\r\n"} << QByteArray();
    QTest::newRow("lone CR") << L{"A\rB\r\n"} << L{"A\rB\r\n"} << QByteArray();
    QTest::newRow("CR CR LF") << L{"\r", "\r", "\n"} << L{"\r\r\n"} << QByteArray();
    QTest::newRow("LF CR") << L{"\n\r"} << L{} << QByteArray("\n\r");
    QTest::newRow("empty line") << L{"\r\n"} << L{"\r\n"} << QByteArray();
    QTest::newRow("NUL and non-ASCII bytes")
        << L{QByteArray("A\0B\xff\xfe\xc3\xa9\r", 8), "\n"}
        << L{QByteArray("A\0B\xff\xfe\xc3\xa9\r\n", 9)} << QByteArray();
}

void TestReplyGrammar::lineAssembly()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, pending);

    LineAssembler a;
    QList<QByteArray> got;
    for (const QByteArray &r : reads) {
        const LineAssembler::Result res = a.feed(r);
        QVERIFY(res.overflows().isEmpty());
        got += res.lines();
    }
    QCOMPARE(got, lines);
    QCOMPARE(a.pending(), pending);
}

void TestReplyGrammar::overflowBound()
{
    const int bound = LineAssembler::defaultMaxPending;
    QCOMPARE(bound, 64 * 1024);
    LineAssembler a;
    LineAssembler::Result r = a.feed(QByteArray(bound - 1, 'x'));
    QVERIFY(r.pieces.isEmpty());
    QCOMPARE(a.pendingSize(), bound - 1);
    // The byte that makes 64 KiB without a line end: the run is handed out and dropped.
    r = a.feed("x");
    QCOMPARE(r.overflows(), QList<QByteArray>{QByteArray(bound, 'x')});
    QVERIFY(r.lines().isEmpty());
    QCOMPARE(a.pendingSize(), 0);
    // The rest of that run, up to its CR LF, is dropped with it, in a later read or not;
    // only what follows is a line.
    r = a.feed("ERR=5");
    QVERIFY(r.pieces.isEmpty());
    r = a.feed("\r\nOK\r\n");
    QCOMPARE(r.overflows(), QList<QByteArray>{"ERR=5\r\n"});
    QCOMPARE(r.lines(), QList<QByteArray>{"OK\r\n"});
    QVERIFY(!r.pieces.first().bytes.startsWith("OK"));

    // A CR at the cut is kept: it may be the first half of the line end still to come,
    // which then closes the dropped run.
    r = a.feed(QByteArray(bound - 1, 'y') + '\r');
    QCOMPARE(r.overflows(), QList<QByteArray>{QByteArray(bound - 1, 'y')});
    QCOMPARE(a.pending(), QByteArray("\r"));
    r = a.feed("\nOK\r\n");
    QCOMPARE(r.overflows(), QList<QByteArray>{"\r\n"});
    QCOMPARE(r.lines(), QList<QByteArray>{"OK\r\n"});

    // A peer that never ends a line: 100 MB in 1 MB reads, the buffer stays under the bound
    // and every byte is accounted for.
    LineAssembler b;
    const QByteArray mb(1024 * 1024, 'z');
    qint64 dropped = 0;
    for (int i = 0; i < 100; ++i) {
        r = b.feed(mb);
        QVERIFY(r.lines().isEmpty());
        for (const QByteArray &o : r.overflows()) {
            QCOMPARE(o.size(), bound);
            dropped += o.size();
        }
        QVERIFY(b.pendingSize() < bound);
    }
    QCOMPARE(dropped + b.pendingSize(), qint64(100) * mb.size());
}

void TestReplyGrammar::fuzzPatterns()
{
    QRandomGenerator rng(20240607);
    const Form forms[] = {Form::Success, Form::Value, Form::Digit, Form::Value2, Form::Value5,
                          Form::Row2,    Form::Row4,  Form::Row5,  Form::Error,  Form::ScanReport};
    int matched = 0;
    for (int i = 0; i < 60000; ++i) {
        const QString line =
            rng.bounded(4) == 0
                ? randomLine(rng)
                : mutate(corpus().at(int(rng.bounded(quint32(corpus().size())))), rng);
        const bool crlf = line.endsWith(QLatin1String("\r\n"));
        for (Form f : forms) {
            for (bool remote : {false, true}) {
                const auto m = Reply::match(f, line, remote);
                if (!m)
                    continue;
                ++matched;
                // Every reply shape ends with CR LF.
                QVERIFY2(crlf, line.toUtf8().toPercentEncoding().constData());
                for (const QString &field : *m)
                    QVERIFY(!field.isEmpty());
            }
        }
        // Hand-written oracles for the shapes whose match decides a status text.
        QCOMPARE(Reply::matches(Form::Success, line), line == QLatin1String("OK\r\n"));
        QCOMPARE(Reply::errorCode(line), oracleErrorCode(line));
        QCOMPARE(Reply::matches(Form::Digit, line),
                 line == QLatin1String("OK=0\r\n") || line == QLatin1String("OK=1\r\n"));
        QCOMPARE(Reply::matches(Form::Value, line),
                 line.startsWith(QLatin1String("OK=")) && crlf && line.size() > 5);
        QCOMPARE(Reply::isWriteSequenceReply(line),
                 (line.startsWith(QLatin1String("OK")) || line.startsWith(QLatin1String("ERR"))) &&
                     crlf);
    }
    QVERIFY(matched > 10000); // the mutations stay close enough to real replies to matter
}

// What the assembler must hand out, taking one byte at a time: a line at each CR LF,
// unless the run it ends was cut at the bound; a cut when a run reaches the bound without
// a line end (a CR there waits for its LF).
QList<LineAssembler::Piece> oraclePieces(const QByteArray &stream, int bound, QByteArray *rest)
{
    QList<LineAssembler::Piece> out;
    QByteArray run;
    bool dropping = false;
    for (char c : stream) {
        run += c;
        if (run.endsWith("\r\n")) {
            out.append({run, dropping});
            run.clear();
            dropping = false;
        } else if (run.size() == bound) {
            const int cut = bound > 1 && run.endsWith('\r') ? bound - 1 : bound;
            out.append({run.left(cut), true});
            run.remove(0, cut);
            dropping = true;
        }
    }
    *rest = run;
    return out;
}

void TestReplyGrammar::fuzzAssembler()
{
    QRandomGenerator rng(424242);
    for (int round = 0; round < 300; ++round) {
        // A small bound makes overflows frequent; the rules are the same at 64 KiB.
        const int bound = 16 + int(rng.bounded(64));
        LineAssembler a(bound);
        QByteArray stream;
        const int size = int(rng.bounded(4000));
        for (int i = 0; i < size; ++i) {
            const quint32 k = rng.bounded(10);
            stream += k < 2 ? '\r' : k < 4 ? '\n' : char(rng.bounded(256));
        }
        QByteArray rest;
        const QList<LineAssembler::Piece> expected = oraclePieces(stream, bound, &rest);
        // However the stream is split into reads, the same lines and dropped runs come
        // out in the same order.
        QList<LineAssembler::Piece> got;
        for (int pos = 0; pos < stream.size();) {
            const int n =
                qMin(int(stream.size()) - pos, 1 + int(rng.bounded(round % 2 ? 50 : 400)));
            got += a.feed(stream.mid(pos, n)).pieces;
            pos += n;
            QVERIFY(a.pendingSize() < bound);
        }
        QCOMPARE(got.size(), expected.size());
        for (int i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].bytes, expected[i].bytes);
            QCOMPARE(got[i].dropped, expected[i].dropped);
        }
        QCOMPARE(a.pending(), rest);
    }
}

QTEST_GUILESS_MAIN(TestReplyGrammar)
#include "tst_replygrammar.moc"
