#pragma once

#include "config/settingstable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QByteArray;
class QXmlStreamReader;
class QXmlStreamWriter;

// The configuration file: its element names, which form field each field of a leaf
// belongs to, and the walk over a document. The export, the import and the check made
// before an import all use this one description, so the two directions cannot drift.
namespace CfgFile {

QString rootName();

using Field = SettingsTable::Field;

struct Leaf
{
    QString name;
    QList<const Field *> fields; // in the order they are joined in the leaf's text
};

// Indexes into groups(), in the order the groups are written.
enum GroupId
{
    Base,
    Network,
    Io,
    Ad,
    Pwm,
    GroupCount
};

struct Group
{
    GroupId id;
    QString name;
    int tab; // page of the configuration tabs the group belongs to
    QList<Leaf> leaves;

    const Leaf *leaf(const QString &leafName) const;
};

const QList<Group> &groups();
const Group *findGroup(const QString &name);

// The fields of a leaf's text. A one-field leaf takes the whole text; a several-field
// leaf must match "(.+),(.+)…" as a whole, otherwise there is nothing to apply.
std::optional<QStringList> splitFields(const Leaf &leaf, const QString &text);
QString joinFields(const QStringList &fields);

// Writes one group element with the fields' texts of `values`.
void writeGroup(QXmlStreamWriter &xml, const Group &group, const CfgValues &values);

// Reads tokens up to the first start element; true when it is the root.
bool readRoot(QXmlStreamReader &xml);
// After the root's start tag: hands every group start element to `readGroup`, which must
// consume the group (with readLeaves); everything else is skipped. Stops at the end of
// the document or at the first XML error.
void readGroups(QXmlStreamReader &xml, const std::function<void(const Group &)> &readGroup);
// After a group's start tag: applies its leaves in file order until its end tag or the
// first element that is not one of its leaves (the rest of the group is then skipped).
void readLeaves(QXmlStreamReader &xml, const Group &group,
                const std::function<void(const Leaf &, const QString &text)> &apply);

// A value an import did not put into the form: the element it came from and the value
// (one field of the element's text, or the whole text when it did not split into fields).
struct Refusal
{
    QString element;
    QString value;
};
// One line per refusal, "ELEMENT: value", for the user to read.
QStringList describe(const QList<Refusal> &refusals);

enum class Check
{
    Ok,
    CannotOpen, // missing, unreadable, not a plain file
    WrongRoot,  // the first element is not the root (or there is no element at all)
    Malformed,  // not well-formed, or a leaf that holds more than text
};

// The values of one leaf's text that the form would accept; each refused one, or the
// whole text when it does not split into the leaf's fields, goes to `refused`.
CfgValues leafValues(const Leaf &leaf, const QString &text, QList<Refusal> *refused);

// The whole document of `values`; `beforeGroup` runs before each group is written.
QByteArray exportDocument(const CfgValues &values,
                          const std::function<void(const Group &)> &beforeGroup = nullptr);

struct ImportSink
{
    std::function<void(const Group &)> beforeGroup; // may be null
    std::function<void(const CfgValues &)> fill;    // one leaf's accepted values
};
// Reads a document that checkDocument() passed; false when the reader met an XML error.
bool importDocument(const QByteArray &document, const ImportSink &sink, QList<Refusal> *refused);

// Walks the whole document exactly as an import does, applying nothing.
Check checkDocument(const QByteArray &document);

// No configuration comes near this; anything larger is not read into memory.
constexpr qint64 maxFileSize = 4 * 1024 * 1024;

// Reads the file into `document` and checks it.
Check loadFile(const QString &path, QByteArray *document);

} // namespace CfgFile
