#pragma once

#include <QByteArray>
#include <QString>

// How a log entry is written out: on screen, in a tooltip, in a saved or captured log.
namespace LogFormat {

// Control characters written as \xNN, so that noise on the line stays visible and cannot
// break a row or a file line. In `fileLine` mode CR and LF become \r and \n and a
// backslash is doubled, so that every entry is one line and can be read back exactly.
QString escaped(QStringView text, bool fileLine = false);

// The time of day shown beside an entry: hh:mm:ss.zzz, local time.
QString timeOfDay(qint64 msecsSinceEpoch);

// Appends one line of a saved or captured log, in UTF-8 and with its LF: ISO 8601 UTC time
// with milliseconds, ">" for a sent text, "<" for a received line, "#" for anything else,
// then the escaped text. `kind` 0 is sent, 1 received.
void appendFileLine(QByteArray &out, qint64 msecsSinceEpoch, int kind, QStringView text);

} // namespace LogFormat
