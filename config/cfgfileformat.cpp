#include "config/cfgfileformat.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>

namespace CfgFile {
namespace {

QList<Group> buildGroups()
{
    static const char *const names[] = {"BASE_GROUP_ELEM", "NETWORK_GROUP_ELEM", "IO_GROUP_ELEM",
                                        "AD_GROUP_ELEM",
                                        // "ELME" is how the format has always spelled it;
                                        // files in the field depend on it.
                                        "PWM_GROUP_ELME"};
    QList<Group> all;
    for (int g = 0; g < GroupCount; ++g) {
        Group group{GroupId(g), QString::fromLatin1(names[g]), g, {}};
        QList<const SettingsTable::Setting *> holders;
        for (const SettingsTable::Setting &s : SettingsTable::settings())
            if (!s.leaf.name.isEmpty() && s.leaf.group == g)
                holders << &s;
        std::stable_sort(holders.begin(), holders.end(), [](const auto *a, const auto *b) {
            return a->leaf.order < b->leaf.order;
        });
        for (const SettingsTable::Setting *s : holders) {
            Leaf leaf{s->leaf.name, {}};
            for (const QString &key : s->leaf.keys)
                leaf.fields << SettingsTable::field(key);
            group.leaves << leaf;
        }
        all << group;
    }
    return all;
}

// "(.+),(.+)…" with `count` groups, matched against the whole text; '.' also matches
// line breaks, as a text field may hold them.
const QRegularExpression &fieldsPattern(int count)
{
    static const QList<QRegularExpression> patterns = [] {
        QList<QRegularExpression> list;
        for (int n = 0; n <= 5; ++n) {
            QStringList parts;
            for (int i = 0; i < n; ++i)
                parts << QStringLiteral("(.+)");
            list.append(QRegularExpression(
                QRegularExpression::anchoredPattern(parts.join(QLatin1Char(','))),
                QRegularExpression::DotMatchesEverythingOption));
        }
        return list;
    }();
    return patterns.at(count);
}

} // namespace

QString rootName()
{
    return QStringLiteral("QX_MODULE_CFG");
}

const Leaf *Group::leaf(const QString &leafName) const
{
    for (const Leaf &l : leaves)
        if (l.name == leafName)
            return &l;
    return nullptr;
}

const QList<Group> &groups()
{
    static const QList<Group> all = buildGroups();
    return all;
}

const Group *findGroup(const QString &name)
{
    for (const Group &g : groups())
        if (g.name == name)
            return &g;
    return nullptr;
}

std::optional<QStringList> splitFields(const Leaf &leaf, const QString &text)
{
    const int count = int(leaf.fields.size());
    if (count == 1)
        return QStringList{text};
    const QRegularExpressionMatch m = fieldsPattern(count).match(text);
    if (!m.hasMatch())
        return std::nullopt;
    QStringList fields = m.capturedTexts();
    fields.removeFirst();
    return fields;
}

QString joinFields(const QStringList &fields)
{
    return fields.join(QLatin1Char(','));
}

void writeGroup(QXmlStreamWriter &xml, const Group &group, const CfgValues &values)
{
    xml.writeStartElement(group.name);
    for (const Leaf &leaf : group.leaves) {
        QStringList texts;
        for (const Field *field : leaf.fields)
            texts << field->text(values.value(field->key, field->start));
        xml.writeTextElement(leaf.name, joinFields(texts));
    }
    xml.writeEndElement();
}

QStringList describe(const QList<Refusal> &refusals)
{
    QStringList lines;
    for (const Refusal &r : refusals)
        lines << r.element + QStringLiteral(": ") + r.value;
    return lines;
}

bool readRoot(QXmlStreamReader &xml)
{
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement())
            return xml.name() == rootName();
    }
    return false;
}

void readGroups(QXmlStreamReader &xml, const std::function<void(const Group &)> &readGroup)
{
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (const Group *group = findGroup(xml.name().toString()))
                readGroup(*group);
        }
        if (xml.hasError())
            break;
    }
}

void readLeaves(QXmlStreamReader &xml, const Group &group,
                const std::function<void(const Leaf &, const QString &text)> &apply)
{
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const Leaf *leaf = group.leaf(xml.name().toString());
            if (!leaf)
                return;
            // Ends on the leaf's end tag; a leaf holding an element is an XML error.
            const QString text = xml.readElementText();
            if (xml.hasError())
                return;
            apply(*leaf, text);
        } else if (xml.isEndElement()) {
            return;
        }
    }
}

CfgValues leafValues(const Leaf &leaf, const QString &text, QList<Refusal> *refused)
{
    CfgValues values;
    const std::optional<QStringList> fields = splitFields(leaf, text);
    if (!fields) {
        refused->append({leaf.name, text});
        return values;
    }
    for (int i = 0; i < leaf.fields.size(); ++i) {
        const Field *field = leaf.fields.at(i);
        if (field->accepts(fields->at(i)))
            values.insert(field->key, field->fromText(fields->at(i)));
        else
            refused->append({leaf.name, fields->at(i)});
    }
    return values;
}

QByteArray exportDocument(const CfgValues &values,
                          const std::function<void(const Group &)> &beforeGroup)
{
    QByteArray document;
    QXmlStreamWriter xml(&document);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(rootName());
    for (const Group &group : groups()) {
        if (beforeGroup)
            beforeGroup(group);
        writeGroup(xml, group, values);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return document;
}

bool importDocument(const QByteArray &document, const ImportSink &sink, QList<Refusal> *refused)
{
    QXmlStreamReader xml(document);
    readRoot(xml);
    readGroups(xml, [&](const Group &group) {
        if (sink.beforeGroup)
            sink.beforeGroup(group);
        readLeaves(xml, group, [&](const Leaf &leaf, const QString &text) {
            sink.fill(leafValues(leaf, text, refused));
        });
    });
    return !xml.hasError();
}

Check checkDocument(const QByteArray &document)
{
    QXmlStreamReader xml(document);
    if (!readRoot(xml))
        return Check::WrongRoot;
    readGroups(xml, [&xml](const Group &group) {
        readLeaves(xml, group, [](const Leaf &, const QString &) {});
    });
    // The walk reads to the end of the document, so anything after the root counts too.
    return xml.hasError() ? Check::Malformed : Check::Ok;
}

Check loadFile(const QString &path, QByteArray *document)
{
    document->clear();
    // Only a plain file: a fifo or a device could block or never end.
    const QFileInfo info(path);
    if (!info.isFile())
        return Check::CannotOpen;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Check::CannotOpen;
    if (file.size() > maxFileSize)
        return Check::Malformed;
    *document = file.read(maxFileSize + 1);
    if (document->size() > maxFileSize)
        return Check::Malformed;
    return checkDocument(*document);
}

} // namespace CfgFile
