// The configuration-file reader: the check made before an import and the walk the
// import makes, on arbitrary documents; then the same input as field values, written
// as a file and read back.

#include "config/cfgfileformat.h"
#include "fuzzseeds.h"

#include <QHash>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__);                      \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

namespace {

using Applied = QList<QPair<QString, QStringList>>;

// The import's walk: every leaf it would apply, with the fields it would set.
Applied walk(const QByteArray &document, bool *error)
{
    Applied applied;
    QXmlStreamReader xml(document);
    if (!CfgFile::readRoot(xml)) {
        *error = true;
        return applied;
    }
    CfgFile::readGroups(xml, [&](const CfgFile::Group &group) {
        CfgFile::readLeaves(xml, group, [&](const CfgFile::Leaf &leaf, const QString &text) {
            FUZZ_CHECK(group.leaf(leaf.name) == &leaf);
            const auto fields = CfgFile::splitFields(leaf, text);
            if (!fields)
                return;
            FUZZ_CHECK(fields->size() == leaf.fields.size());
            if (fields->size() > 1) {
                for (const QString &f : *fields)
                    FUZZ_CHECK(!f.isEmpty());
                FUZZ_CHECK(CfgFile::joinFields(*fields) == text);
            } else {
                FUZZ_CHECK(fields->first() == text);
            }
            applied.append({leaf.name, *fields});
        });
    });
    *error = xml.hasError();
    return applied;
}

void checkDocument(const QByteArray &document)
{
    const CfgFile::Check check = CfgFile::checkDocument(document);
    FUZZ_CHECK(CfgFile::checkDocument(document) == check);
    bool walkError = false;
    walk(document, &walkError);
    FUZZ_CHECK((check == CfgFile::Check::Ok) == !walkError);

    // A document a plain reader rejects, or whose first element is not the root, is
    // never accepted.
    QXmlStreamReader plain(document);
    QString first;
    while (!plain.atEnd()) {
        plain.readNext();
        if (plain.isStartElement() && first.isNull())
            first = plain.name().toString();
    }
    if (check == CfgFile::Check::Ok) {
        FUZZ_CHECK(!plain.hasError());
        FUZZ_CHECK(first == CfgFile::rootName());
    }
    if (first != CfgFile::rootName() && !plain.hasError())
        FUZZ_CHECK(check == CfgFile::Check::WrongRoot);
}

// Text that survives an XML round trip and a split at commas: characters XML allows,
// no comma, no CR (line ends are normalised), never empty.
QString fieldValue(FuzzedDataProvider &in)
{
    const std::string raw = in.ConsumeRandomLengthString(24);
    QString value;
    for (QChar c : QString::fromUtf8(raw.data(), qsizetype(raw.size()))) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\t' && u != '\n') || u == ',' || c.isSurrogate() || u >= 0xfffe)
            continue;
        value += c;
    }
    return value.isEmpty() ? QStringLiteral("0") : value;
}

void checkRoundTrip(FuzzedDataProvider &in)
{
    QHash<QString, QString> values; // widget name → text
    QByteArray document;
    QXmlStreamWriter xml(&document);
    xml.writeStartDocument();
    xml.writeStartElement(CfgFile::rootName());
    for (const CfgFile::Group &group : CfgFile::groups()) {
        CfgFile::writeGroup(xml, group, [&](const CfgFile::Field &field) {
            const QString v = fieldValue(in);
            values.insert(field.widget, v);
            return v;
        });
    }
    xml.writeEndElement();
    xml.writeEndDocument();

    FUZZ_CHECK(CfgFile::checkDocument(document) == CfgFile::Check::Ok);
    bool error = false;
    const Applied applied = walk(document, &error);
    FUZZ_CHECK(!error);
    int leaves = 0;
    for (const CfgFile::Group &group : CfgFile::groups())
        leaves += int(group.leaves.size());
    FUZZ_CHECK(applied.size() == leaves);
    for (const auto &[leafName, fields] : applied) {
        const CfgFile::Leaf *leaf = nullptr;
        for (const CfgFile::Group &group : CfgFile::groups())
            if (!leaf)
                leaf = group.leaf(leafName);
        FUZZ_CHECK(leaf);
        for (int i = 0; i < fields.size(); ++i)
            FUZZ_CHECK(fields.at(i) == values.value(leaf->fields.at(i).widget));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSeeds::addSeedInputs(argc, argv, NODEWEAVE_FUZZ_SEEDS);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    checkDocument(document);
    FuzzedDataProvider in(data, size);
    checkRoundTrip(in);
    return 0;
}
