#include "at/logformat.h"

#include <QDateTime>
#include <QTime>

namespace LogFormat {

namespace {
bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0);
}
} // namespace

QString escaped(const QString &text, bool fileLine)
{
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (fileLine && c == u'\\') {
            out += QLatin1String("\\\\");
        } else if (fileLine && c == u'\r') {
            out += QLatin1String("\\r");
        } else if (fileLine && c == u'\n') {
            out += QLatin1String("\\n");
        } else if (isControl(c)) {
            out += QLatin1String("\\x");
            out += QLatin1Char(hex[c >> 4]);
            out += QLatin1Char(hex[c & 0xF]);
        } else {
            out += qc;
        }
    }
    return out;
}

QString timeOfDay(qint64 msecsSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch)
        .time()
        .toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString fileLine(qint64 msecsSinceEpoch, int kind, const QString &text)
{
    const QLatin1Char mark(kind == 0 ? '>' : kind == 1 ? '<' : '#');
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC).toString(Qt::ISODateWithMs) +
           QLatin1Char(' ') + mark + QLatin1Char(' ') + escaped(text, true);
}

} // namespace LogFormat
