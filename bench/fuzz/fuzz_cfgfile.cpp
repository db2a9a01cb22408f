// The configuration-file reader on arbitrary documents: the check made before an import
// agrees with the walk the import makes; then the same input as the texts of a configuration,
// exported and read back unchanged.

#include "config/cfgfileformat.h"
#include "fuzzseeds.h"

#include <QHash>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

#define FUZZ_CHECK(c) ((c) ? void() : (fprintf(stderr, "failed: %s\n", #c), abort()))

// The import's walk: widget name → text of every field it would set; empty on an error.
static std::optional<QHash<QString, QString>> walk(const QByteArray &document)
{
    QHash<QString, QString> applied;
    QXmlStreamReader xml(document);
    if (!CfgFile::readRoot(xml))
        return std::nullopt;
    CfgFile::readGroups(xml, [&](const CfgFile::Group &group) {
        CfgFile::readLeaves(xml, group, [&](const CfgFile::Leaf &leaf, const QString &text) {
            const auto fields = CfgFile::splitFields(leaf, text);
            FUZZ_CHECK(!fields || fields->size() == leaf.fields.size());
            FUZZ_CHECK(!fields || fields->size() == 1 || CfgFile::joinFields(*fields) == text);
            for (int i = 0; fields && i < fields->size(); ++i)
                applied.insert(leaf.fields.at(i)->key, fields->at(i));
        });
    });
    return xml.hasError() ? std::nullopt : std::optional(applied);
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    return FuzzSeeds::addSeedInputs(argc, argv, NODEWEAVE_FUZZ_SEEDS), 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    FUZZ_CHECK((CfgFile::checkDocument(document) == CfgFile::Check::Ok) ==
               walk(document).has_value());

    // Texts that survive XML and a split at commas, written and read back.
    FuzzedDataProvider in(data, size);
    CfgValues values = SettingsTable::startValues();
    for (const SettingsTable::Field *f : SettingsTable::fields()) {
        if (f->kind != SettingsTable::Kind::Text && f->kind != SettingsTable::Kind::Address)
            continue;
        const std::string raw = in.ConsumeRandomLengthString(24);
        QString v;
        for (QChar c : QString::fromUtf8(raw.data(), qsizetype(raw.size())))
            if ((c.unicode() >= 0x20 || c == QLatin1Char('\t')) && c != QLatin1Char(',') &&
                !c.isSurrogate() && c.unicode() < 0xfffe)
                v += c;
        values.insert(f->key, v.isEmpty() ? QStringLiteral("0") : v);
    }
    QHash<QString, QString> texts;
    for (const CfgFile::Group &group : CfgFile::groups())
        for (const CfgFile::Leaf &leaf : group.leaves)
            for (const SettingsTable::Field *f : leaf.fields)
                texts.insert(f->key, f->text(values.value(f->key)));
    const QByteArray written = CfgFile::exportDocument(values);
    FUZZ_CHECK(CfgFile::checkDocument(written) == CfgFile::Check::Ok && walk(written) == texts);
    return 0;
}
