#include "app/cfgformview.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

using SettingsTable::Kind;

CfgFormView::CfgFormView(QWidget *form, Fields fields)
{
    for (const SettingsTable::Field *f : SettingsTable::fields()) {
        Slot slot{f, form->findChild<QWidget *>(f->key), nullptr};
        if (f->kind == Kind::Direction)
            slot.partner = form->findChild<QAbstractButton *>(f->partner);
        if (!slot.widget || (f->kind == Kind::Direction && !slot.partner)) {
            if (fields == Fields::Present)
                continue;
            qFatal("no form field %s", qPrintable(f->key));
        }
        // The table's items are what the file and the commands write: the box must show
        // the same ones.
        if (f->kind == Kind::Item) {
            auto *box = qobject_cast<QComboBox *>(slot.widget);
            QStringList shown;
            for (int i = 0; box && i < box->count(); ++i)
                shown << box->itemText(i);
            if (shown != f->items)
                qFatal("the items of %s differ from the settings table", qPrintable(f->key));
        }
        m_slots.append(slot);
    }
}

CfgValues CfgFormView::values() const
{
    CfgValues v;
    for (const Slot &s : m_slots) {
        switch (s.field->kind) {
        case Kind::Item:
            v.insert(s.field->key, static_cast<QComboBox *>(s.widget)->currentIndex());
            break;
        case Kind::Address:
            v.insert(s.field->key, static_cast<QComboBox *>(s.widget)->currentText());
            break;
        case Kind::Text:
            v.insert(s.field->key, static_cast<QLineEdit *>(s.widget)->text());
            break;
        case Kind::Flag:
        case Kind::Direction:
            v.insert(s.field->key, static_cast<QAbstractButton *>(s.widget)->isChecked());
            break;
        case Kind::Number:
            v.insert(s.field->key, static_cast<QSpinBox *>(s.widget)->value());
            break;
        }
    }
    return v;
}

void CfgFormView::put(const CfgValues &values)
{
    ++m_filling;
    for (const Slot &s : m_slots) {
        const auto it = values.constFind(s.field->key);
        if (it == values.constEnd())
            continue;
        const QVariant &value = *it;
        switch (s.field->kind) {
        case Kind::Item:
            static_cast<QComboBox *>(s.widget)->setCurrentIndex(value.toInt());
            break;
        case Kind::Address:
            static_cast<QComboBox *>(s.widget)->setEditText(value.toString());
            break;
        case Kind::Text:
            static_cast<QLineEdit *>(s.widget)->setText(value.toString());
            break;
        case Kind::Flag:
            static_cast<QAbstractButton *>(s.widget)->setChecked(value.toBool());
            break;
        case Kind::Direction:
            // The button that is checked: unchecking one of an exclusive pair does nothing.
            (value.toBool() ? static_cast<QAbstractButton *>(s.widget) : s.partner)
                ->setChecked(true);
            break;
        case Kind::Number:
            // The spin box keeps the value within its range; the slider follows it.
            static_cast<QSpinBox *>(s.widget)->setValue(value.toInt());
            break;
        }
    }
    --m_filling;
}
