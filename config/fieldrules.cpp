#include "config/fieldrules.h"

#include "config/settingstable.h"

namespace FieldRules {
namespace {

QList<Rule> buildRules()
{
    // The packet repeat interval is the one typed field outside the configuration.
    QList<Rule> all = {{QStringLiteral("lineEdit_sendPkt_regular_time"), QStringLiteral("[0-9]*")}};
    for (const SettingsTable::Field *f : SettingsTable::fields()) {
        if (f->kind == SettingsTable::Kind::Number)
            all.append({f->key, QString(), f->minimum, f->maximum});
        else if (!f->pattern.isEmpty())
            all.append({f->key, f->pattern});
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

bool accepts(const QString &widget, const QString &text)
{
    if (const SettingsTable::Field *f = SettingsTable::field(widget))
        return f->accepts(text);
    const Rule *rule = find(widget);
    return !rule || SettingsTable::patternAccepts(rule->pattern, text);
}

} // namespace FieldRules
