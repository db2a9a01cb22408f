#include "config/cfgfileformat.h"

#include "peripherals/families.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace CfgFile {
namespace {

Field item(const QString &widget)
{
    return {FieldKind::Item, widget, QString()};
}
Field text(const QString &widget)
{
    return {FieldKind::Text, widget, QString()};
}
Field address(const QString &widget)
{
    return {FieldKind::Address, widget, QString()};
}
Field flag(const QString &widget)
{
    return {FieldKind::Flag, widget, QString()};
}

QList<Group> buildGroups()
{
    QList<Group> all;

    all.append({Base,
                QStringLiteral("BASE_GROUP_ELEM"),
                0,
                {
                    {QStringLiteral("DEVICE_TYPE"), {item(QStringLiteral("comboBox_deviceType"))}},
                    {QStringLiteral("UART"),
                     {item(QStringLiteral("comboBox_deviceBps")),
                      item(QStringLiteral("comboBox_deviceDataBit")),
                      item(QStringLiteral("comboBox_deviceParBit")),
                      item(QStringLiteral("comboBox_deviceStopBit")),
                      item(QStringLiteral("comboBox_deviceFlow"))}},
                    {QStringLiteral("DFWM"), {item(QStringLiteral("comboBox_defaultWorkMode"))}},
                }});

    Group network{Network,
                  QStringLiteral("NETWORK_GROUP_ELEM"),
                  1,
                  {
                      {QStringLiteral("EPID"), {text(QStringLiteral("lineEdit_EPID"))}},
                      {QStringLiteral("CH"), {item(QStringLiteral("comboBox_CH"))}},
                      {QStringLiteral("JOINT"), {text(QStringLiteral("lineEdit_joinTime"))}},
                      {QStringLiteral("NLOCK"), {item(QStringLiteral("comboBox_netLock"))}},
                      {QStringLiteral("AUTONET"), {item(QStringLiteral("comboBox_autoNet"))}},
                      {QStringLiteral("TID"),
                       {item(QStringLiteral("comboBox_TID_AM")),
                        address(QStringLiteral("comboBox_TID_ADDR"))}},
                  }};
    for (int d = 1; d <= 4; ++d)
        network.leaves.append(
            {QStringLiteral("DESC%1").arg(d), {text(QStringLiteral("lineEdit_DESC%1").arg(d))}});
    all.append(network);

    // The IO lines' leaves, grouped by kind: every line's direction first, and so on.
    Group io{Io, QStringLiteral("IO_GROUP_ELEM"), 2, {}};
    for (int n : Family::kIoLines) {
        const Family::IoNames w = Family::ioNames(n);
        io.leaves.append({QStringLiteral("IO%1_INOUT_ELEM").arg(n),
                          {{FieldKind::Direction, w.input, w.output}, item(w.level)}});
    }
    for (int n : Family::kIoLines) {
        const Family::IoNames w = Family::ioNames(n);
        io.leaves.append(
            {QStringLiteral("TPIO%1_ELEM").arg(n),
             {flag(w.tpio), item(w.tpioTargetLine), item(w.tpioMode), address(w.tpioAddress)}});
    }
    for (int n : Family::kIoLines) {
        const Family::IoNames w = Family::ioNames(n);
        io.leaves.append({QStringLiteral("IO%1SMP_ELEM").arg(n),
                          {flag(w.sample), text(w.sampleInterval), item(w.sampleMode),
                           address(w.sampleAddress)}});
    }
    all.append(io);

    Group ad{Ad, QStringLiteral("AD_GROUP_ELEM"), 3, {}};
    for (int c = 1; c <= Family::kAdcChannels; ++c) {
        const Family::AdcNames w = Family::adcNames(c);
        ad.leaves.append({QStringLiteral("ADSMP%1_ELEM").arg(c),
                          {flag(w.sample), text(w.interval), item(w.mode), address(w.address)}});
    }
    all.append(ad);

    // "ELME" is how the format has always spelled it; files in the field depend on it.
    Group pwm{Pwm, QStringLiteral("PWM_GROUP_ELME"), 4, {}};
    for (int c = 1; c <= Family::kPwmChannels; ++c) {
        const Family::PwmNames w = Family::pwmNames(c);
        pwm.leaves.append({QStringLiteral("PWM%1_ELEM").arg(c),
                           {flag(w.on), text(w.frequency), {FieldKind::Duty, w.duty, QString()}}});
    }
    all.append(pwm);

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

void writeGroup(QXmlStreamWriter &xml, const Group &group,
                const std::function<QString(const Field &)> &fieldText)
{
    xml.writeStartElement(group.name);
    for (const Leaf &leaf : group.leaves) {
        QStringList texts;
        for (const Field &field : leaf.fields)
            texts << fieldText(field);
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
