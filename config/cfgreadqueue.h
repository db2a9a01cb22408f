#pragma once

#include "config/cfgcmd.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

// The configuration as values of the form's fields, keyed by the fields' object names:
// a line edit's or editable box's text (QString), a fixed box's index or a slider's value
// (int), a check or radio button's state (bool). A read fills it, from the module's replies,
// without any widget: into the window's form, or into a copy of its own.
using CfgValues = QHash<QString, QVariant>;

namespace CfgReadQueue {

// Pages of the configuration tabs that the read and write steps show while they work.
namespace Pages {
enum Page
{
    NoPage = -1,
    BasePage = 0,
    NetworkPage = 1,
    IoPage = 2,
    AdPage = 3,
    PwmPage = 4
};
} // namespace Pages
using namespace Pages;

struct Sink
{
    // A reply gave field `name` this value; fields are set in the order the form needs
    // (an address mode before its address).
    std::function<void(const QString &name, const QVariant &value)> set;
    // The step shows page `page` of the configuration tabs (null: nothing to show).
    std::function<void(int page)> show;
    // The run's target is a remote node: single replies carry its suffix.
    std::function<bool()> remote;
};

// The read queue: every query of the configuration, each with the handler that judges its
// reply and hands the fields to `sink`.
CfgCmdQueue build(const Sink &sink);

// What a read starts from for the fields a list reply may leave out: every direction
// input, every transparent IO, sampling and PWM output off.
CfgValues listDefaults();

// A field a write sets and a read can show, with the name the user knows it by.
struct Field
{
    QString name;
    QString label;
};
// The fields a write of `written` (the form's values) sets: the read-only fields and those
// the write leaves alone (the default work mode, an input's level, the parameters of a
// group that is off) are not among them.
QList<Field> writtenFields(const CfgValues &written);

struct Difference
{
    Field field;
    QVariant written;
    QVariant read; // invalid when the read gave no value
};
QList<Difference> differences(const CfgValues &written, const CfgValues &read);

} // namespace CfgReadQueue
