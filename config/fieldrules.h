#pragma once

#include <QList>
#include <QString>

// What each typed field of the window accepts from the user: the pattern of its validator,
// or the range of its spin box, taken from the settings table (and the packet repeat
// interval). The window attaches these to its widgets and an import takes from a file only
// what they accept, so a file cannot put into the form a value the user could not have
// typed there.
namespace FieldRules {

struct Rule
{
    QString widget;  // object name of the form widget
    QString pattern; // validator pattern (line edits and editable combo boxes)
    int minimum = 0; // spin boxes: the range; a rule with a pattern has none
    int maximum = -1;

    bool hasRange() const { return maximum >= minimum; }
};

const QList<Rule> &rules();
// The rule of a widget, or nullptr when the widget takes any text.
const Rule *find(const QString &widget);

// Whether the widget would let the user enter `text`. A validator lets through a text it
// matches whole and one that is the start of such a text (what a user can leave in the
// field while typing); a spin box takes a decimal number within its range.
bool accepts(const QString &widget, const QString &text);

} // namespace FieldRules
