#pragma once

#include "at/replygrammar.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// A configuration as values, keyed by the object names of the form fields that show them:
// a text (QString) for a line edit or an editable box, an item's position (int) for a fixed
// box, a number (int) for a spin box, a state (bool) for a check box or a direction pair.
using CfgValues = QHash<QString, QVariant>;

// The module's configuration described once: every setting with its query and how the
// reply becomes values, its set command, its file leaf, its reset value, the rules of its
// fields, its page and group of the form. The read and write queues, the file format, the
// form reset, the field rules and the comparison of two configurations are derived from it.
namespace SettingsTable {

// Pages of the configuration tabs, in tab order.
enum Page
{
    NoPage = -1,
    BasePage = 0,
    NetworkPage = 1,
    IoPage = 2,
    AdPage = 3,
    PwmPage = 4
};

// The form's group boxes; Batch Write offers the writable ones as its choices.
enum class Group
{
    Module,
    Uart,
    Network,
    Descriptors,
    IoLines,
    TransparentIo,
    IoSampling,
    Adc,
    Pwm,
};
constexpr int kGroupCount = 9;
// How the group is named to the user (English, as the report and the command line use it).
QString groupName(Group group);
// The group's caption in the form's context, for tr() by the window.
const char *groupCaption(Group group);

// Groups of the configuration file, in the order they are written.
enum FileGroup
{
    BaseFile,
    NetworkFile,
    IoFile,
    AdFile,
    PwmFile,
    FileGroupCount
};

enum class Kind
{
    Text,      // line edit: its text
    Address,   // editable box: its edit text
    Item,      // fixed box: the position of its current item
    Flag,      // check box: checked
    Direction, // radio pair of an IO line: true for output
    Number,    // spin box: its value
};

struct Field
{
    QString key; // object name of the form widget
    Kind kind = Kind::Text;
    QString label;     // how a difference names it; empty: never compared
    QVariant reset;    // what the form reset puts there; invalid: the reset leaves it
    QVariant start;    // the value before anything filled it
    QStringList items; // Item: the box's items
    QString pattern;   // Text, Address: the validator's pattern (empty: any text)
    int minimum = 0;   // Number: the range
    int maximum = 0;
    QString partner;  // Direction: the input button (key is the output button)
    QString onlyWhen; // compared only while this Flag or Direction is on

    // A value as its command and its file leaf write it: the item's text, "1"/"0", the
    // number, the text.
    QString text(const QVariant &value) const;
    // Whether the user could have given the field `text` (the rules of its widget).
    bool accepts(const QString &text) const;
    // The value of a text the field accepts (an item's position, a number, a state).
    QVariant fromText(const QString &text) const;
};

// Whether a validator with this pattern would take `text`: whole, or the start of a text it
// would take. Each pattern is compiled once.
bool patternAccepts(const QString &pattern, const QString &text);

// A read step's verdict on one reply: the values it gives, or a refusal (the query is
// sent again).
using Parse = std::function<bool(const QStringList &fields, CfgValues &values)>;
// A write step's command from a configuration; empty: the step sends nothing.
using Compose = std::function<QString(const CfgValues &values)>;

struct Leaf
{
    QString name; // element name
    FileGroup group = BaseFile;
    int order = 0;    // position within its file group, where it differs from the table's
    QStringList keys; // the fields joined in its text, in order
};

struct Setting
{
    QString name; // how the user knows it ("UART", "IO 9 direction")
    Page page = NoPage;
    Group group = Group::Module;
    // Device type and node descriptors: what makes a node itself, not to be copied blindly.
    bool identity = false;
    QList<Field> fields;

    // Read: the query and the form of its reply. A list row (`listRow`) is one row of a
    // list reply that several settings share: `parse` says whether the row is this
    // setting's and takes its values.
    QString query;
    Reply::Form form = Reply::Form::Value;
    bool listRow = false;
    Parse parse;
    // A node that has not joined answers "ERR=60"; the first field then takes this value.
    QVariant notJoined;

    // Write: one command per entry, in order (null: nothing written).
    QList<Compose> writes;

    // The file: the leaf that holds it, if any.
    Leaf leaf;

    bool writable() const { return !writes.isEmpty(); }
};

// Every setting, in the order the read queries them (which is also the order the write
// sets them).
const QList<Setting> &settings();
// The field of a key, or nullptr.
const Field *field(const QString &key);
// The setting a key belongs to, or nullptr.
const Setting *settingOf(const QString &key);
// Every field, in table order (an address mode before its address).
const QList<const Field *> &fields();

// What the form reset gives: every field with a reset value.
CfgValues resetValues();
// A whole configuration as a freshly started form holds it.
CfgValues startValues();
// What a read starts from for the fields a list reply may leave out: a list reports only
// what is on, so every first field of a list row is off.
CfgValues listDefaults();

// A choice of settings (null: all of them).
using Choice = std::function<bool(const Setting &)>;
// The settings of `groups`, and those that hold a key of `own`.
Choice groupsChoice(const QList<Group> &groups, const CfgValues &own = {});

// The fields a write of `written` sets, in table order: read-only fields and those the
// write leaves alone (an input's level, the parameters of a group that is off) are not
// among them.
QList<const Field *> writtenFields(const CfgValues &written, const Choice &chosen = nullptr);

struct Difference
{
    const Field *field;
    QVariant written;
    QVariant read; // invalid when the read gave no value
};
QList<Difference> differences(const CfgValues &written, const CfgValues &read,
                              const Choice &chosen = nullptr);
// How many settings (table rows) of `groups` a write sends.
int settingCount(const QList<Group> &groups);
// "label: wrote x, read y" for each difference, joined by "; ".
QString differencesText(const QList<Difference> &differences);
// A value as the user reads it: an item's text, "on"/"off", the text or the number.
QString valueText(const QString &key, const QVariant &value);

} // namespace SettingsTable
