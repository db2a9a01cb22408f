#pragma once

#include <QString>
#include <functional>

// Every modal box and file dialog of the program goes through here, so tests can
// answer them instead of blocking on a dialog nobody can see.
namespace Dialogs {

// A modal message box without a parent, carrying only its text (shown as plain text).
void message(const QString &text);
// A Yes/No question without a parent, No being the default; true when Yes is chosen.
bool question(const QString &text);

// Returns the chosen path, or an empty string when the user cancels.
QString saveFileName(const QString &caption, const QString &dir, const QString &filter);
QString openFileName(const QString &caption, const QString &dir, const QString &filter);

// Test hooks: when set, they answer instead of a real dialog.
struct Hooks
{
    std::function<void(const QString &text)> message;
    std::function<bool(const QString &text)> question;
    std::function<QString(const QString &caption)> saveFileName;
    std::function<QString(const QString &caption)> openFileName;
};
void setHooks(const Hooks &hooks);
void clearHooks();

} // namespace Dialogs
