#pragma once

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

// How a field's text relates to its form widget.
enum class FieldKind
{
    Item,      // current item text of a combo box
    Text,      // text of a line edit
    Address,   // edit text of an editable combo box; its mode field comes first in the leaf
    Flag,      // check box: "0" unchecked, anything else checked
    Direction, // radio pair: "0" input, anything else output
    Duty,      // decimal value of a spin box ("not a number" counts as 0)
};

struct Field
{
    FieldKind kind;
    QString widget;  // object name of the form widget
    QString partner; // Direction only: the output radio button (widget is the input one)
};

struct Leaf
{
    QString name;
    QList<Field> fields; // in the order they are joined in the leaf's text
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

// Writes one group element; `fieldText` gives the current text of each field.
void writeGroup(QXmlStreamWriter &xml, const Group &group,
                const std::function<QString(const Field &)> &fieldText);

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

// Walks the whole document exactly as an import does, applying nothing.
Check checkDocument(const QByteArray &document);

// No configuration comes near this; anything larger is not read into memory.
constexpr qint64 maxFileSize = 4 * 1024 * 1024;

// Reads the file into `document` and checks it.
Check loadFile(const QString &path, QByteArray *document);

} // namespace CfgFile
