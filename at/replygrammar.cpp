#include "at/replygrammar.h"

#include <array>

namespace Reply {
namespace {

QRegularExpression whole(const QString &re)
{
    // anchoredPattern gives \A(?:…)\z: the line must match as a whole, and '$' inside the
    // pattern cannot match before a trailing LF the way PCRE's plain '$' would.
    return QRegularExpression(QRegularExpression::anchoredPattern(re),
                              QRegularExpression::DotMatchesEverythingOption);
}

struct Patterns
{
    std::array<QRegularExpression, 10> local;
    std::array<QRegularExpression, 10> remote;
    QRegularExpression readReply = whole(QStringLiteral("^OK.+|^ERR.+"));
    QRegularExpression writeReply = whole(QStringLiteral("^OK.*\\r\\n$|^ERR.*\\r\\n$"));

    Patterns()
    {
        auto set = [this](Form f, const char *l, const char *r) {
            local[int(f)] = whole(QString::fromLatin1(l));
            remote[int(f)] = whole(QString::fromLatin1(r ? r : l));
        };
        set(Form::Success, "^OK\\r\\n$", "^OK<(.+),(.+)\\r\\n$");
        set(Form::Value, "^OK=(.+)\\r\\n$", "^OK=(.+)<(.+),(.+)\\r\\n$");
        set(Form::Digit, "^OK=([0-1])\\r\\n$", "^OK=([0-1])<(.+),(.+)\\r\\n$");
        set(Form::Value2, "^OK=(.+),(.+)\\r\\n$", "^OK=(.+),(.+)<(.+),(.+)\\r\\n$");
        set(Form::Value5, "^OK=(.+),(.+),(.+),(.+),(.+)\\r\\n$",
            "^OK=(.+),(.+),(.+),(.+),(.+)<(.+),(.+)\\r\\n$");
        set(Form::Row2, "^OK=(.+),(.+)\\r\\n$", nullptr);
        set(Form::Row4, "^OK=(.+),(.+),(.+),(.+)\\r\\n$", nullptr);
        set(Form::Row5, "^OK=(.+),(.+),(.+),(.+),(.+)\\r\\n$", nullptr);
        set(Form::Error, "^ERR=([0-9]{1,3})\\r\\n$", nullptr);
        set(Form::ScanReport, "^OK=([0-9]+),(0x[0-9a-fA-F]{1,8}),(0x[0-9a-fA-F]{1,16}),(.+)\\r\\n$",
            nullptr);
    }
};

const Patterns &patterns()
{
    static const Patterns p;
    return p;
}

// Captures that belong to the reply itself, not to its remote suffix.
int ownFields(Form form)
{
    switch (form) {
    case Form::Success:
        return 0;
    case Form::Value:
    case Form::Digit:
    case Form::Error:
        return 1;
    case Form::Value2:
    case Form::Row2:
        return 2;
    case Form::Row4:
    case Form::ScanReport:
        return 4;
    case Form::Value5:
    case Form::Row5:
        return 5;
    }
    return 0;
}

// "ERR=" then one to three digits, then CR LF: the error's code.
std::optional<QStringList> errorFields(const QString &line)
{
    const qsizetype digits = line.size() - 6;
    if (digits < 1 || digits > 3 || !line.endsWith(QLatin1String("\r\n")))
        return std::nullopt;
    for (qsizetype i = 4; i < 4 + digits; ++i) {
        if (line[i] < u'0' || line[i] > u'9')
            return std::nullopt;
    }
    return QStringList{line.mid(4, digits)};
}

} // namespace

const QRegularExpression &pattern(Form form, bool remote)
{
    return remote ? patterns().remote[int(form)] : patterns().local[int(form)];
}

std::optional<QStringList> match(Form form, const QString &line, bool remote)
{
    // Every reply begins "OK" or "ERR=". A busy line carries mostly reports, which this
    // turns away without running a pattern.
    if (!line.startsWith(form == Form::Error ? QLatin1String("ERR=") : QLatin1String("OK")))
        return std::nullopt;
    // The replies a busy line brings most, "OK" and "ERR=n", are checked by hand, exactly
    // as their patterns would.
    if (form == Form::Success && !remote)
        return line == QLatin1String("OK\r\n") ? std::optional(QStringList()) : std::nullopt;
    if (form == Form::Error)
        return errorFields(line);
    const QRegularExpressionMatch m = pattern(form, remote).match(line);
    if (!m.hasMatch())
        return std::nullopt;
    QStringList fields;
    const int n = ownFields(form);
    fields.reserve(n);
    for (int i = 1; i <= n; ++i)
        fields.append(m.captured(i));
    return fields;
}

int errorCode(const QString &line)
{
    const auto f = match(Form::Error, line);
    return f ? f->first().toInt() : -1;
}

QString remoteSender(const QString &line)
{
    if (!line.startsWith(QLatin1String("OK")) || !line.endsWith(QLatin1String("\r\n")))
        return QString();
    const qsizetype lt = line.lastIndexOf(QLatin1Char('<'));
    if (lt < 2)
        return QString();
    const QStringList suffix = line.mid(lt + 1, line.size() - lt - 3).split(QLatin1Char(','));
    if (suffix.size() != 2 || suffix[0].isEmpty() || suffix[1].isEmpty())
        return QString();
    return suffix[0];
}

bool isReadSequenceReply(const QString &line)
{
    return patterns().readReply.match(line).hasMatch();
}

bool isWriteSequenceReply(const QString &line)
{
    return patterns().writeReply.match(line).hasMatch();
}

} // namespace Reply
