#include "app/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace Dialogs {
namespace {
Hooks &hooks()
{
    static Hooks h;
    return h;
}
} // namespace

void message(const QString &text)
{
    if (hooks().message) {
        hooks().message(text);
        return;
    }
    QMessageBox box;
    // Port names, paths and module text are shown as typed, never as rich text.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool question(const QString &text)
{
    if (hooks().question)
        return hooks().question(text);
    QMessageBox box;
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QMessageBox::Question);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString saveFileName(const QString &caption, const QString &dir, const QString &filter)
{
    if (hooks().saveFileName)
        return hooks().saveFileName(caption);
    return QFileDialog::getSaveFileName(nullptr, caption, dir, filter);
}

QString openFileName(const QString &caption, const QString &dir, const QString &filter)
{
    if (hooks().openFileName)
        return hooks().openFileName(caption);
    return QFileDialog::getOpenFileName(nullptr, caption, dir, filter);
}

void setHooks(const Hooks &h)
{
    hooks() = h;
}

void clearHooks()
{
    hooks() = Hooks();
}

} // namespace Dialogs
