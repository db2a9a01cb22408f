// The widget-free pieces of the AT layer: reply shapes, error table, line assembly and
// command texts, each as a table of inputs and the exact results.

#include "at/commands.h"
#include "at/errortable.h"
#include "at/replygrammar.h"
#include "peripherals/peripheralcommands.h"
#include "serial/lineassembler.h"

#include <QTest>

using Reply::Form;

// Each case is an input, then "→" and what `result` makes of it when that is something.
template <typename F> static void each(const QStringList &cases, F result)
{
    for (const QString &c : cases) {
        const QString in = c.section(QStringLiteral("→"), 0, 0);
        const std::optional<QString> r = result(in);
        QCOMPARE(r ? in + QStringLiteral("→") + *r : in, c);
    }
}

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:

    void replies_data()
    {
        // Each case: the line ("~" first: from a remote node), then "→" and its fields joined
        // by '|' when the line matches.
        QTest::addColumn<int>("form");
        QTest::addColumn<QStringList>("cases");
        auto row = [](const char *name, Form f, const QStringList &cases) {
            QTest::newRow(name) << int(f) << cases;
        };
        row("success", Form::Success,
            {"OK\r\n→", "OK\r\n\n", "OK\n", "OK", "ok\r\n", " OK\r\n", "OK<0x1,0x2\r\n", "OK=5\r\n",
             "~OK<0x1A2B,0x00124B00\r\n→", "~OK<0x1A2B\r\n", "~OK<,0x2\r\n", "~OK\r\n"});
        row("value", Form::Value,
            {"OK=5\r\n→5", "OK=\r\n", "OK=5\n", "OK=5<a,b\r\n→5<a,b",
             "~OK=ZB-2530<0x3C11,0x00124B\r\n→ZB-2530", "~OK=5\r\n"});
        row("digit", Form::Digit,
            {"OK=0\r\n→0", "OK=1\r\n→1", "OK=2\r\n", "OK=01\r\n", "~OK=1<0x1,0x2\r\n→1",
             "~OK=1\r\n"});
        row("two", Form::Value2,
            {"OK=NID,0x1A2B\r\n→NID|0x1A2B", "OK=a,b,c\r\n→a,b|c", "OK=NID\r\n",
             "~OK=MID,0x1<0x2,0x3\r\n→MID|0x1"});
        row("five", Form::Value5,
            {"OK=5,8,0,1,0\r\n→5|8|0|1|0", "OK=5,8,0,1\r\n", "~OK=5,8,0,1,0<a,b\r\n→5|8|0|1|0"});
        row("rows", Form::Row2, {"~OK=9,1\r\n→9|1"});
        row("row of four", Form::Row4, {"OK=1,1000,50,x\r\n→1|1000|50|x", "OK=1,1000,50\r\n"});
        row("row of five", Form::Row5, {"OK=9,1,10,NID,0x0\r\n→9|1|10|NID|0x0"});
        row("error", Form::Error,
            {"ERR=60\r\n→60", "ERR=060\r\n→060", "ERR=7\r\n→7", "ERR=999\r\n→999", "ERR=1000\r\n",
             "ERR=\r\n", "ERR= 5\r\n", "ERR=6a\r\n", "ERR=٦\r\n", "ERR=60\r\n\n", "ERR=60\n",
             "~ERR=60<0x1,0x2\r\n", "~ERR=5\r\n→5"});
        row("scan", Form::ScanReport,
            {"OK=1,0x3C11,0x00124B00AABBCCDD,Router 1\r\n→1|0x3C11|0x00124B00AABBCCDD|Router 1",
             "OK=12,0xaBcD,0xAb,a,b,,c\r\n→12|0xaBcD|0xAb|a,b,,c",
             "OK=1,0x12345678,0x1,d\r\n→1|0x12345678|0x1|d", "OK=1,0X1,0x1,d\r\n",
             "OK=1,3C11,0x1,d\r\n", "OK=1,0x123456789,0x1,d\r\n", "OK=1,0x1,0x2,d",
             "OK=1,0x1,0x12345678901234567,d\r\n", "OK=x,0x1,0x2,d\r\n", "OK=1,0x1,0x2,\r\n"});
    }

    void replies()
    {
        QFETCH(int, form);
        QFETCH(QStringList, cases);
        each(cases, [&](const QString &c) -> std::optional<QString> {
            const QString line = c.startsWith(u'~') ? c.mid(1) : c;
            const std::optional<QStringList> m = Reply::match(Form(form), line, line != c);
            // An error code is read only from a line of the error shape, as its first field.
            if (form == int(Form::Error) && Reply::errorCode(line) != (m ? m->first().toInt() : -1))
                return "errorCode " + QString::number(Reply::errorCode(line));
            return m ? std::optional(m->join('|')) : std::nullopt;
        });
    }

    void checks()
    {
        // A read takes whatever begins with OK or ERR and has more; a write wants CR LF last.
        each({"OK\r\n→RW", "OK<0x1,0x2\r\n→RW", "ERR\r\n→RW", "OKx→R", "OK\n→R", "OK\r\n\n→R", "OK",
              "ERR", " OK\r\n", "IO=9,0x0,1\r\n"},
             [](const QString &line) -> std::optional<QString> {
                 const QString rw = QLatin1String(Reply::isReadSequenceReply(line) ? "R" : "") +
                                    QLatin1String(Reply::isWriteSequenceReply(line) ? "W" : "");
                 return rw.isEmpty() ? std::nullopt : std::optional(rw);
             });
        // Every error code once, each with a text of its own.
        QStringList codes;
        QMap<QString, int> texts;
        for (const ModuleError &e : moduleErrors())
            texts.insert(QString::fromUtf8(e.text), e.code), codes << QString::number(e.code);
        QCOMPARE(codes.join(','), "1,2,3,4,5,10,11,12,13,14,15,16,20,21,22,23,24,30,31,32,33,40,"
                                  "41,42,60,70,71,80,81,100");
        QCOMPARE(texts.size(), 30);
        each({"通用错误→1", "未知错误→3", "指令没有已回车换行结束→5", "网络尚未启动→60",
              "此IO已设置为输入，不能输出→81", "发送的数据过长→100"},
             [&](const QString &t) { return std::optional(QString::number(texts.value(t))); });
        using namespace PeripheralCommand;
        // A PWM frequency: 20 to 10000, decimal digits only.
        each({"20→ok", "10000→ok", "0020→ok", "0000000000000000000020→ok", "19", "10001", "0019",
              "", "0", "+100", " 100", "1e3", "99999999999999999999"},
             [](const QString &f) {
                 return pwmFrequencyValid(f) ? std::optional<QString>("ok") : std::nullopt;
             });
        // A repeat interval as typed → its value → the timer's period (10 ms at least).
        each({"1000→1000→1000", "0→0→10", "9→9→10", "0050→50→50",
              "2147483647→2147483647→2147483647", "2147483648", "4294967296", "", "-5", "10 "},
             [](const QString &typed) {
                 const std::optional<int> v = parseRepeatInterval(typed);
                 return v ? std::optional(QString("%1→%2").arg(*v).arg(repeatTimerPeriod(*v)))
                          : std::nullopt;
             });
    }

    void lines_data()
    {
        // The pieces handed on ("[dropped]"), then "/" and what waits for more.
        QTest::addColumn<int>("bound"); // 0: the program's own
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QByteArray>("out");
        auto row = [](const char *name, int bound, const QByteArrayList &reads,
                      const QByteArray &out) {
            QTest::newRow(name) << bound << reads << out;
        };
        row("lines and a partial one", 0, {"OK=1\r\nERR=5\r\nOK="}, "OK=1\r\nERR=5\r\n/OK=");
        row("lone LF, lone CR", 0, {"ERR=5\n", "A\rB\r\n", "\r", "\r", "\n\n\r"},
            "ERR=5\nA\rB\r\n\r\r\n/\n\r");
        row("any byte", 0, {QByteArray("A\0\xff\xc3\xa9\r", 6), "\n"},
            QByteArray("A\0\xff\xc3\xa9\r\n/", 8));
        // A run that reaches the bound without CR LF is dropped, up to and including its CR LF.
        row("run cut", 8, {"xxxxxxx", "x", "ERR=5", "\r\nOK\r\n"}, "[xxxxxxxx][ERR=5\r\n]OK\r\n/");
        row("CR at the cut waits", 8, {"yyyyyyy\r", "\nOK\r\n"}, "[yyyyyyy][\r\n]OK\r\n/");
        row("run over several bounds", 4, {"abcdefghij\r\nOK\r\nE"},
            "[abcd][efgh][ij\r\n]OK\r\n/E");
    }

    void lines()
    {
        QFETCH(int, bound);
        QFETCH(QByteArrayList, reads);
        QFETCH(QByteArray, out);
        // The same pieces however the bytes were split into reads.
        QByteArrayList bytes;
        for (char c : reads.join())
            bytes << QByteArray(1, c);
        for (const QByteArrayList &split : {reads, QByteArrayList{reads.join()}, bytes}) {
            LineAssembler a = bound ? LineAssembler(bound) : LineAssembler();
            QByteArray got;
            for (const QByteArray &r : split)
                for (const LineAssembler::Piece &p : a.feed(r).pieces)
                    got += p.dropped ? '[' + p.bytes + ']' : p.bytes;
            QCOMPARE(got + '/' + a.pending(), out);
        }
    }

    void commands()
    {
        using namespace Command;
        // Parts are joined as they stand: nothing trimmed, empty fields kept. (The window
        // suites compare what every button and field sends.)
        QStringList built;
        built << line("AT+VER") << addressed("AT+VER", false, "0x1A2B")
              << addressed("AT", true, "0x00124B0001") << deviceType(2) << deviceType(-1)
              << networkLock(0) << writeDescriptor(4, "a, b") << leaveNetwork()
              << sendPacket("NID", "0x796F", " a,b ") << sendPacket("MID", "0x1", QString())
              << adcSample(true, 3, "10", "LID", "0x0");
        QCOMPARE(built.join(' '),
                 "AT+VER\r\n AT+VER>NID,0x1A2B AT>MID,0x00124B0001 AT+TYP=E AT+TYP=E AT+NLOCK=0 "
                 "AT+WNODE=4,a, b AT+NLEAV AT+SEND=NID,0x796F, a,b  AT+SEND=MID,0x1, "
                 "AT+ADCSMP=1,3,10,LID,0x0");
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
