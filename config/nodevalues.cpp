#include "config/nodevalues.h"

#include <QStringList>

namespace NodeValues {
namespace {

// One CSV line: cells separated by commas, a quoted cell may hold commas and doubled quotes.
QStringList cells(const QString &line)
{
    QStringList out;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == c) {
            cell += c;
            ++i;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char(',') && !quoted) {
            out << cell;
            cell.clear();
        } else {
            cell += c;
        }
    }
    out << cell;
    return out;
}

// The field a column names: a one-field leaf of the file, or a field's label.
const SettingsTable::Field *column(const QString &name)
{
    for (const SettingsTable::Setting &s : SettingsTable::settings()) {
        if (!s.writable())
            continue;
        if (s.leaf.name == name && s.leaf.keys.size() == 1)
            return SettingsTable::field(s.leaf.keys.front());
        for (const SettingsTable::Field &f : s.fields)
            if (!f.label.isEmpty() && f.label == name)
                return &f;
    }
    return nullptr;
}

} // namespace

Problem parse(const QByteArray &csv, QHash<QString, CfgValues> *byNode)
{
    byNode->clear();
    QString text = QString::fromUtf8(csv);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    QList<const SettingsTable::Field *> fields;
    QStringList header;
    QHash<QString, CfgValues> out;
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QStringList row = cells(line);
        if (header.isEmpty()) {
            header = row;
            if (header.size() < 2)
                return {Problem::Empty, n + 1, {}};
            for (int c = 1; c < header.size(); ++c) {
                const SettingsTable::Field *f = column(header[c].trimmed());
                if (!f)
                    return {Problem::UnknownColumn, n + 1, header[c]};
                fields << f;
            }
            continue;
        }
        if (row.size() != header.size())
            return {Problem::Malformed, n + 1, {}};
        CfgValues values;
        for (int c = 1; c < row.size(); ++c) {
            const SettingsTable::Field *f = fields[c - 1];
            if (!f->accepts(row[c]))
                return {Problem::Refused, n + 1, header[c] + QLatin1Char('=') + row[c]};
            values.insert(f->key, f->fromText(row[c]));
        }
        out.insert(row[0].trimmed(), values);
    }
    if (header.isEmpty())
        return {Problem::Empty, 1, {}};
    *byNode = out;
    return {};
}

} // namespace NodeValues
