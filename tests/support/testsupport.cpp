#include "cfgform.h"

#include <QGroupBox>
#include <QLabel>

QStringList logTexts(const WindowFixture &f)
{
    QCoreApplication::processEvents();
    TestAccess::log(f.w.get())->flush();
    return columnTexts(f.find<QTableWidget>("tableWidget_log"));
}

QStringList columnTexts(const QTableWidget *table, int column)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts.append(table->item(row, column)->text());
    return texts;
}

void setRemoteTarget(const WindowFixture &f, const QString &net, const QString &mac)
{
    TestAccess::setTarget(f.w.get(), ZBdevice{false, mac, net, {}});
}

void type(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
}

void formSet(WindowFixture &f, const QString &form)
{
    for (const QString &item : form.split(';', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf('=');
        if (eq < 0)
            f.find<QAbstractButton>(item.toLatin1())->click();
        else
            CfgForm::set(f, {{item.left(eq).toLatin1(), item.mid(eq + 1)}});
    }
}

QString formDiff(WindowFixture &f, const QString &form)
{
    QStringList out;
    for (const QString &item : form.split(';', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf('=');
        QWidget *w = f.find<QWidget>((eq < 0 ? item.mid(1) : item.left(eq)).toLatin1());
        QString actual;
        if (eq < 0)
            actual = w->isEnabled() ? "+" : "-";
        else if (auto *label = qobject_cast<QLabel *>(w))
            actual = label->text();
        else if (auto *group = qobject_cast<QGroupBox *>(w))
            actual = group->title();
        else if (auto *b = qobject_cast<QAbstractButton *>(w); b && !b->isCheckable())
            actual = b->text();
        else
            actual = CfgForm::value(f, item.left(eq).toLatin1());
        if (actual != (eq < 0 ? item.left(1) : item.mid(eq + 1)))
            out << item + " (" + actual + ")";
    }
    return out.join('\n');
}
