#pragma once

#include <QString>

// Where the window keeps its settings file.
namespace SettingsLocation {

// `explicitFile` when one is given (--settings); otherwise Nodeweave.ini in the working
// directory when files can be made there, as it always was; otherwise (a program started
// from the menu, in a folder the user did not choose) the per-user configuration folder.
QString choose(const QString &explicitFile);

// Whether the settings library can write `file`. It replaces the file through a new
// file and a lock file beside it, so the folder must take new files, not only the file
// be writable. A missing folder is made, as the settings library would make it.
bool writable(const QString &file);

} // namespace SettingsLocation
