#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>

// The shapes of the module's reply lines. Every pattern is matched against the whole
// received line, CR LF included, case-sensitive, with '.' matching any character.
namespace Reply {

enum class Form
{
    Success,    // "OK"                      remote: "OK<a,b"
    Value,      // "OK=v"                    remote: "OK=v<a,b"
    Digit,      // "OK=0" or "OK=1"          remote: "OK=d<a,b"
    Value2,     // "OK=f1,f2"                remote: "OK=f1,f2<a,b"
    Value5,     // "OK=f1,…,f5"              remote: "OK=f1,…,f5<a,b"
    Row2,       // list row "OK=f1,f2"        (rows carry no suffix)
    Row4,       // list row "OK=f1,…,f4"
    Row5,       // list row "OK=f1,…,f5"
    Error,      // "ERR=ddd"                  (no remote form)
    ScanReport, // "OK=index,0xNET,0xMAC,descriptor"
};

// The compiled pattern of a form; `remote` picks the variant with the remote suffix
// (list rows, error and scan report have only one variant).
const QRegularExpression &pattern(Form form, bool remote = false);

// Whole-line match; returns the captured fields of the reply itself (the two fields of
// a remote suffix are matched but not returned), or nothing when the line does not match.
std::optional<QStringList> match(Form form, const QString &line, bool remote = false);
inline bool matches(Form form, const QString &line, bool remote = false)
{
    return match(form, line, remote).has_value();
}

// The code of an error reply ("ERR=" and one to three digits, leading zeros allowed),
// or -1 when the line is not an error reply.
int errorCode(const QString &line);

// The network address a remote reply names in its suffix ("OK…<net,mac"), or nothing
// when the line carries no suffix.
QString remoteSender(const QString &line);

// A line the read sequence treats as a reply: it begins with "OK" or "ERR" and has at
// least one character more. Echoes and unsolicited lines are not replies.
bool isReadSequenceReply(const QString &line);
// A line the write sequence treats as a reply: "OK…" or "ERR…" ending in CR LF.
bool isWriteSequenceReply(const QString &line);

} // namespace Reply
