// Every function of the reply grammar, and the handlers built on it (configuration
// replies, scan reports), on arbitrary received lines. Beyond not crashing, the forms
// must agree with each other and with the fields they hand out.

#include "at/replygrammar.h"
#include "config/cfgreply.h"
#include "fuzzseeds.h"
#include "network/scanprotocol.h"

#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__);                      \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

namespace {

using Reply::Form;

struct FormInfo
{
    Form form;
    int fields;       // fields of the reply itself
    bool hasRemote;   // a variant with the "<a,b" suffix exists
    const char *head; // how every matching line begins
};

const FormInfo kForms[] = {
    {Form::Success, 0, true, "OK"},  {Form::Value, 1, true, "OK="},
    {Form::Digit, 1, true, "OK="},   {Form::Value2, 2, true, "OK="},
    {Form::Value5, 5, true, "OK="},  {Form::Row2, 2, false, "OK="},
    {Form::Row4, 4, false, "OK="},   {Form::Row5, 5, false, "OK="},
    {Form::Error, 1, false, "ERR="}, {Form::ScanReport, 4, false, "OK="},
};

bool isHex(const QString &s, int from)
{
    for (int i = from; i < s.size(); ++i)
        if (!isxdigit(s.at(i).unicode() < 128 ? s.at(i).toLatin1() : 'g'))
            return false;
    return s.size() > from;
}

void checkLine(const QString &line)
{
    const bool read = Reply::isReadSequenceReply(line);
    const bool write = Reply::isWriteSequenceReply(line);
    FUZZ_CHECK(!write || read);
    FUZZ_CHECK(!read || line.startsWith(QLatin1String("OK")) ||
               line.startsWith(QLatin1String("ERR")));
    FUZZ_CHECK(!write || line.endsWith(QLatin1String("\r\n")));

    bool matched[10][2] = {};
    for (const FormInfo &info : kForms) {
        for (bool remote : {false, true}) {
            const auto fields = Reply::match(info.form, line, remote);
            FUZZ_CHECK(fields.has_value() == Reply::matches(info.form, line, remote));
            FUZZ_CHECK(fields.has_value() ==
                       Reply::pattern(info.form, remote).match(line).hasMatch());
            if (!info.hasRemote) // one shape for both
                FUZZ_CHECK(Reply::pattern(info.form, remote).pattern() ==
                           Reply::pattern(info.form, false).pattern());
            matched[int(info.form)][remote] = fields.has_value();
            if (!fields)
                continue;
            FUZZ_CHECK(fields->size() == info.fields);
            FUZZ_CHECK(line.startsWith(QLatin1String(info.head)));
            FUZZ_CHECK(line.endsWith(QLatin1String("\r\n")));
            FUZZ_CHECK(read && write);
            for (const QString &f : *fields)
                FUZZ_CHECK(!f.isEmpty());
            if (remote && info.hasRemote)
                FUZZ_CHECK(line.contains(QLatin1Char('<')));
        }
    }
    const auto m = [&](Form f, bool remote = false) {
        return matched[int(f)][remote];
    };
    // Shapes that contain one another.
    FUZZ_CHECK(!m(Form::Digit) || m(Form::Value));
    FUZZ_CHECK(!m(Form::Value2) || m(Form::Value));
    FUZZ_CHECK(m(Form::Row2) == m(Form::Value2));
    FUZZ_CHECK(m(Form::Row5) == m(Form::Value5));
    FUZZ_CHECK(!m(Form::Value5) || m(Form::Row4));
    FUZZ_CHECK(!m(Form::ScanReport) || m(Form::Row4));
    FUZZ_CHECK(!(m(Form::Success) && m(Form::Value)));
    FUZZ_CHECK(!(m(Form::Error) && (m(Form::Success) || m(Form::Value))));
    FUZZ_CHECK(!(m(Form::Success, true) && m(Form::Success)));

    const int code = Reply::errorCode(line);
    FUZZ_CHECK(code >= -1 && code <= 999);
    FUZZ_CHECK((code >= 0) == m(Form::Error));
    if (code >= 0)
        FUZZ_CHECK(Reply::match(Form::Error, line)->first().toInt() == code);
    if (CfgReply::isNetworkNotStarted(line))
        FUZZ_CHECK(code == 60);

    if (const auto f = Reply::match(Form::Digit, line))
        FUZZ_CHECK(f->first() == QLatin1String("0") || f->first() == QLatin1String("1"));
    if (const auto f = Reply::match(Form::ScanReport, line)) {
        bool ok = false;
        f->at(0).toULongLong(&ok);
        FUZZ_CHECK(ok || f->at(0).size() > 19); // digits only; only overlong ones overflow
        FUZZ_CHECK(f->at(1).startsWith(QLatin1String("0x")) && isHex(f->at(1), 2));
        FUZZ_CHECK(f->at(2).startsWith(QLatin1String("0x")) && isHex(f->at(2), 2));
        const auto device = ScanProtocol::report(line);
        FUZZ_CHECK(device && !device->isLocal && device->netAddr == f->at(1) &&
                   device->macAddr == f->at(2) && device->descriptor == f->at(3));
    } else {
        FUZZ_CHECK(!ScanProtocol::report(line));
    }
    FUZZ_CHECK(ScanProtocol::isEnd(line) == m(Form::Success));

    // List replies of the configuration read: a closing line or a row, never both.
    for (Form row : {Form::Row2, Form::Row4, Form::Row5}) {
        for (bool remote : {false, true}) {
            const CfgReply::ListLine l = CfgReply::listLine(row, line, remote);
            switch (l.kind) {
            case CfgReply::ListLine::Closing:
                FUZZ_CHECK(m(Form::Success, remote) && l.fields.isEmpty());
                break;
            case CfgReply::ListLine::Row:
                FUZZ_CHECK(!m(Form::Success, remote) && m(row));
                FUZZ_CHECK(l.fields == *Reply::match(row, line));
                break;
            case CfgReply::ListLine::Other:
                FUZZ_CHECK(!m(Form::Success, remote) && !m(row));
                break;
            }
        }
    }
}

// Field conversions take whatever text a reply carried.
void checkField(const QString &text)
{
    if (const auto v = CfgReply::rangedInt(text, -5, 300))
        FUZZ_CHECK(*v >= -5 && *v <= 300 && CfgReply::toIntOrZero(text) == *v);
    if (const auto s = ScanProtocol::seconds(text))
        FUZZ_CHECK(*s >= ScanProtocol::kMinSeconds && *s <= ScanProtocol::kMaxSeconds);
    if (const auto t = CfgReply::deviceTypeIndex(text))
        FUZZ_CHECK(*t == 0 || *t == 1);
    const int two = CfgReply::twoModeIndex(text);
    FUZZ_CHECK(two == 0 || two == 1);
    const int sampling = CfgReply::samplingModeIndex(text);
    FUZZ_CHECK(sampling >= 0 && sampling <= 2);
    const int n = CfgReply::toIntOrZero(text);
    FUZZ_CHECK(CfgReply::ioSlot(n) >= -1 && CfgReply::ioSlot(n) < 5);
    const int slot = CfgReply::channelSlot(n, CfgReply::kAdcChannels);
    FUZZ_CHECK(slot >= -1 && slot < CfgReply::kAdcChannels);
    CfgReply::uartIndexes(text.split(QLatin1Char(',')));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSeeds::addSeedInputs(argc, argv, NODEWEAVE_FUZZ_SEEDS);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // As the receiver decodes a line; the same text with its line end added, since a
    // reply only matches whole.
    const QString line =
        QString::fromLocal8Bit(reinterpret_cast<const char *>(data), qsizetype(size));
    checkLine(line);
    if (!line.endsWith(QLatin1String("\r\n")))
        checkLine(line + QLatin1String("\r\n"));
    checkField(line);
    for (const QString &field : line.split(QRegularExpression(QStringLiteral("[=,<\\r\\n]"))))
        checkField(field);
    return 0;
}
