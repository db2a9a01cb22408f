#pragma once

#include "config/settingstable.h"

#include <QList>

class QAbstractButton;
class QWidget;

// The configuration tabs as a view of a configuration: reads every field of the settings
// table from its widget and puts values into them, in table order (an address mode before
// its address, whose list the mode refills).
class CfgFormView
{
public:
    // Every field, or only those whose widgets exist yet (a part of the form made first).
    enum class Fields
    {
        All,
        Present
    };
    // Finds each field's widget under `form` (the window) by its object name.
    explicit CfgFormView(QWidget *form, Fields fields = Fields::All);

    CfgValues values() const;
    // Puts the values given (the others stay as they are). While it runs, filling() holds:
    // the reactions of the form that send to the module keep silent.
    void put(const CfgValues &values);
    bool filling() const { return m_filling > 0; }

private:
    struct Slot
    {
        const SettingsTable::Field *field;
        QWidget *widget;
        QAbstractButton *partner; // Direction: the input button
    };
    QList<Slot> m_slots;
    int m_filling = 0;
};
