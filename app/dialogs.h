#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// Every modal box and file dialog of the program goes through here, so tests can
// answer them instead of blocking on a dialog nobody can see.
namespace Dialogs {

// A modal message box without a parent, carrying only its text (shown as plain text).
void message(const QString &text);
// A Yes/No question without a parent, No being the default; true when Yes is chosen.
bool question(const QString &text);

// Returns the chosen path, or an empty string when the user cancels. A name given without
// an extension gets the one of the chosen filter ("node1a2b" is saved as "node1a2b.xml");
// one to open gets it when only the name with it exists.
QString saveFileName(const QString &caption, const QString &dir, const QString &filter);
QString openFileName(const QString &caption, const QString &dir, const QString &filter);

// The program's About box, its text shown as plain text.
void about(const QString &title, const QString &text);
// Opens `url` with the desktop's viewer for it; false when none could.
bool openUrl(const QUrl &url);

// Test hooks: when set, they answer instead of a real dialog.
struct Hooks
{
    std::function<void(const QString &text)> message;
    std::function<bool(const QString &text)> question;
    std::function<QString(const QString &caption)> saveFileName;
    std::function<QString(const QString &caption)> openFileName;
    std::function<void(const QString &title, const QString &text)> about;
    std::function<bool(const QUrl &url)> openUrl;
};
void setHooks(const Hooks &hooks);
void clearHooks();

} // namespace Dialogs
