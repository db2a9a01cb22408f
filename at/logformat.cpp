#include "at/logformat.h"

#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cstring>
#include <limits>

namespace LogFormat {

namespace {
bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0);
}

// The escape that stands for `c` in `to` (\\, \r, \n in a file line; \xNN for any other
// control character), and its length; 0 when `c` stands as it is.
int escapeOf(char16_t c, bool fileLine, char to[4])
{
    static const char hex[] = "0123456789ABCDEF";
    if (fileLine && (c == u'\\' || c == u'\r' || c == u'\n')) {
        to[0] = '\\';
        to[1] = c == u'\\' ? '\\' : c == u'\r' ? 'r' : 'n';
        return 2;
    }
    if (!isControl(c))
        return 0;
    to[0] = '\\';
    to[1] = 'x';
    to[2] = hex[c >> 4];
    to[3] = hex[c & 0xF];
    return 4;
}
} // namespace

QString escaped(QStringView text, bool fileLine)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar qc : text) {
        char escape[4];
        if (const int n = escapeOf(qc.unicode(), fileLine, escape))
            out += QLatin1String(escape, n);
        else
            out += qc;
    }
    return out;
}

namespace {
// Whole seconds since the epoch, rounded down for times before it too.
qint64 floorSecond(qint64 msecsSinceEpoch)
{
    return msecsSinceEpoch / 1000 - (msecsSinceEpoch % 1000 < 0 ? 1 : 0);
}

// ".zzz", three digits.
void millis(char out[4], qint64 msecsSinceEpoch)
{
    const int ms = int(msecsSinceEpoch - floorSecond(msecsSinceEpoch) * 1000);
    out[0] = '.';
    out[1] = char('0' + ms / 100);
    out[2] = char('0' + ms / 10 % 10);
    out[3] = char('0' + ms % 10);
}

// Module lines are nearly always ASCII: those are escaped straight into the file line's
// bytes at `to`, the same as escaped() and toUtf8() would make them, and the end is
// returned; anything else is left to them (nullptr). `to` has room for the worst case,
// every character escaped as \xNN.
char *writeAscii(char *to, QStringView text)
{
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c >= 0x20 && c < 0x7F && c != u'\\') {
            *to++ = char(c);
            continue;
        }
        if (c >= 0x80)
            return nullptr;
        if (const int n = escapeOf(c, true, to))
            to += n;
        else
            *to++ = char(c);
    }
    return to;
}
} // namespace

QString timeOfDay(qint64 msecsSinceEpoch)
{
    // Every visible row is drawn with its time on every repaint, and converting to local
    // time is slow: the part up to the second is made once per second shown.
    static thread_local qint64 second = std::numeric_limits<qint64>::min();
    static thread_local QString upToSecond;
    const qint64 s = floorSecond(msecsSinceEpoch);
    if (s != second) {
        second = s;
        upToSecond = QDateTime::fromSecsSinceEpoch(s).time().toString(QStringLiteral("hh:mm:ss"));
    }
    char ms[4];
    millis(ms, msecsSinceEpoch);
    return upToSecond + QLatin1String(ms, 4);
}

void appendFileLine(QByteArray &out, qint64 msecsSinceEpoch, int kind, QStringView text)
{
    // Formatting the date costs more than all the rest of the line, and a busy line logs
    // thousands of entries a second: the part up to the second is made once a second.
    static thread_local qint64 second = std::numeric_limits<qint64>::min();
    static thread_local QByteArray upToSecond;
    const qint64 s = floorSecond(msecsSinceEpoch);
    if (s != second) {
        second = s;
        upToSecond = QDateTime::fromSecsSinceEpoch(s, Qt::UTC).toString(Qt::ISODate).toLatin1();
        upToSecond.chop(1); // the zone's "Z" goes after the milliseconds
    }
    // A captured flood formats a million lines a second: the line is written in place,
    // into room made once for the worst case.
    const qsizetype at = out.size();
    const qsizetype worst = at + upToSecond.size() + 8 + 4 * text.size() + 1;
    if (out.capacity() < worst)
        out.reserve(std::max(worst, 2 * out.capacity()));
    out.resize(worst);
    char *to = out.data() + at;
    memcpy(to, upToSecond.constData(), size_t(upToSecond.size()));
    to += upToSecond.size();
    char *rest = to;
    millis(rest, msecsSinceEpoch);
    memcpy(rest + 4, kind == 0 ? "Z > " : kind == 1 ? "Z < " : "Z # ", 4);
    to += 8;
    if (char *end = writeAscii(to, text)) {
        *end++ = '\n';
        out.truncate(end - out.constData());
        return;
    }
    out.truncate(to - out.constData());
    out += escaped(text, true).toUtf8();
    out += '\n';
}

} // namespace LogFormat
