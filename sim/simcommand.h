#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// Parsing of one command line of the module's language: the remote suffix, the
// command word and its form, the parameters and the address forms used in them.

struct SimCommand
{
    enum Form
    {
        Bare,
        Execute,
        Query,
        Set,
        Test
    };
    QByteArray word; // without "AT+", e.g. "CH"; empty for the bare "AT"
    Form form = Bare;
    QByteArray params; // text after "=" for the set form
};

struct SimRemote
{
    enum Mode
    {
        None,
        Net,
        Mac
    };
    Mode mode = None;
    QByteArray address; // as written after ">NID," or ">MID,"
};

namespace SimParse {

// Checks that hold for the whole line before anything else: empty (12), too long
// (11), control characters (13), no leading "AT" (10). Returns 0 when the line passes.
int checkLine(const QByteArray &line);

// Splits a trailing ">NID,<addr>" or ">MID,<addr>" off `line` (the last one counts,
// since free text before it may hold anything). `command` receives the rest.
void splitRemote(const QByteArray &line, QByteArray *command, SimRemote *remote);

// Parses "AT", "AT+WORD", "AT+WORD?", "AT+WORD=params", "AT+WORD=?". Returns 0 or the
// error code: 15 not "AT+", 12 empty word, 14 word not made of A-Z, 22 query with
// parameters. Whether the word exists is left to the caller.
int parseCommand(const QByteArray &command, SimCommand *out);

// Splits set parameters at ","; with `maxParts` > 0 the last part keeps the rest of
// the text, commas included (descriptors, packet data).
QList<QByteArray> splitParams(const QByteArray &params, int maxParts = 0);

// A decimal integer made only of digits (leading zeros allowed), at most 9 of them.
bool parseDecimal(const QByteArray &text, int *value);

// "0x" followed by 1 to 16 hexadecimal digits, either case.
bool parseHexAddress(const QByteArray &text, quint64 *value);

// An address valid for the mode word "NID" (at most 0xFFFF), "MID" (64 bits) or
// "LID" (any hexadecimal address; its value is not used).
bool validAddressForMode(const QByteArray &mode, const QByteArray &address);

} // namespace SimParse
