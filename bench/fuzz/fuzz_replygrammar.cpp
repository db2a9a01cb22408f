// The reply grammar and the handlers built on it on arbitrary received lines: the shapes
// that decide what the user is told against hand-written rules, the others by their fields.

#include "at/replygrammar.h"
#include "fuzzseeds.h"
#include "network/scanprotocol.h"

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(c) ((c) ? void() : (fprintf(stderr, "failed: %s\n", #c), abort()))

using Reply::Form;

static void checkLine(const QString &line)
{
    const bool crlf = line.endsWith(QLatin1String("\r\n"));
    const int head = line.startsWith(QLatin1String("OK"))    ? 2
                     : line.startsWith(QLatin1String("ERR")) ? 3
                                                             : 0;
    FUZZ_CHECK(Reply::isWriteSequenceReply(line) == (head && crlf));
    FUZZ_CHECK(Reply::isReadSequenceReply(line) == (head && line.size() > head));
    // Every shape is a whole line with non-empty fields; the remote ones carry the suffix.
    const int fields[] = {0, 1, 1, 2, 5, 2, 4, 5, 1, 4};
    for (int f = 0; f <= int(Form::ScanReport); ++f) {
        for (bool remote : {false, true}) {
            const auto m = Reply::match(Form(f), line, remote);
            FUZZ_CHECK(!m || (crlf && head && m->size() == fields[f] && !m->contains(QString())));
            FUZZ_CHECK(!m || !remote || f > int(Form::Value5) || line.contains(QLatin1Char('<')));
        }
    }
    FUZZ_CHECK(Reply::matches(Form::Success, line) == (line == QLatin1String("OK\r\n")));
    // "OK" and "ERR=n" are checked by hand: the same as their patterns.
    for (Form f : {Form::Success, Form::Error})
        FUZZ_CHECK(Reply::matches(f, line) == Reply::pattern(f).match(line).hasMatch());
    FUZZ_CHECK(Reply::matches(Form::Digit, line) ==
               (line == QLatin1String("OK=0\r\n") || line == QLatin1String("OK=1\r\n")));
    const QString digits = line.mid(4, line.size() - 6);
    bool number = digits.size() >= 1 && digits.size() <= 3;
    for (QChar c : digits)
        number = number && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    FUZZ_CHECK(Reply::errorCode(line) ==
               (line.startsWith(QLatin1String("ERR=")) && crlf && number ? digits.toInt() : -1));
    const auto scan = Reply::match(Form::ScanReport, line);
    const auto device = ScanProtocol::report(line);
    FUZZ_CHECK(bool(device) == bool(scan));
    FUZZ_CHECK(!device || (!device->isLocal && device->netAddr == scan->at(1) &&
                           device->macAddr == scan->at(2) && device->descriptor == scan->at(3)));
    FUZZ_CHECK(ScanProtocol::isEnd(line) == Reply::matches(Form::Success, line));
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    return FuzzSeeds::addSeedInputs(argc, argv, NODEWEAVE_FUZZ_SEEDS), 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // As the receiver decodes a line, and the same with a line end, since replies match whole.
    const QString line =
        QString::fromLocal8Bit(reinterpret_cast<const char *>(data), qsizetype(size));
    checkLine(line);
    checkLine(line + QLatin1String("\r\n"));
    return 0;
}
