#include "config/fieldrules.h"

#include <QRegularExpression>

namespace FieldRules {
namespace {

Rule pattern(const QString &widget, const char *re)
{
    return {widget, QString::fromLatin1(re)};
}

QList<Rule> buildRules()
{
    // Hexadecimal address of up to 64 bits, as "0x" and digits.
    const char *address = "^0x[a-fA-F0-9]{0,16}";
    QList<Rule> all = {
        pattern(QStringLiteral("lineEdit_sendPkt_regular_time"), "[0-9]*"),
        // Decimal, or the "0x" form in which the module reports the EPID: a read, an
        // export and an import of it must give back what the module said.
        pattern(QStringLiteral("lineEdit_EPID"), "[0-9]*|0x[a-fA-F0-9]{0,16}"),
        pattern(QStringLiteral("lineEdit_joinTime"), "[0-9]*"),
        pattern(QStringLiteral("comboBox_TID_ADDR"), address),
    };
    for (int c = 1; c <= 4; ++c) {
        all.append(pattern(QStringLiteral("comboBox_ADSMP%1_ADDR").arg(c), address));
        all.append(pattern(QStringLiteral("lineEdit_ADSMP%1_IT").arg(c), "[0-9]{0,10}"));
    }
    for (int n : {9, 10, 14, 15, 17})
        all.append(pattern(QStringLiteral("lineEdit_IOSMP_IT%1").arg(n), "[0-9]{0,10}"));
    for (int p = 1; p <= 3; ++p) {
        all.append(pattern(QStringLiteral("lineEdit_PWM%1_FRQ").arg(p), "[0-9]{1,5}"));
        all.append({QStringLiteral("spinBox_PWM%1").arg(p), QString(), 0, 100});
    }
    return all;
}

} // namespace

const QList<Rule> &rules()
{
    static const QList<Rule> all = buildRules();
    return all;
}

const Rule *find(const QString &widget)
{
    for (const Rule &rule : rules())
        if (rule.widget == widget)
            return &rule;
    return nullptr;
}

bool accepts(const Rule &rule, const QString &text)
{
    if (rule.hasRange()) {
        static const QRegularExpression digits(QStringLiteral("\\A[0-9]{1,9}\\z"));
        if (!digits.match(text).hasMatch())
            return false;
        const int value = text.toInt();
        return value >= rule.minimum && value <= rule.maximum;
    }
    if (rule.pattern.isEmpty() || text.isEmpty())
        return true;
    // As a regular-expression validator judges a text.
    const QRegularExpression re(QRegularExpression::anchoredPattern(rule.pattern));
    const QRegularExpressionMatch m =
        re.match(text, 0, QRegularExpression::PartialPreferCompleteMatch);
    return m.hasMatch() || m.hasPartialMatch();
}

bool accepts(const QString &widget, const QString &text)
{
    const Rule *rule = find(widget);
    return !rule || accepts(*rule, text);
}

} // namespace FieldRules
