#pragma once

#include <QString>

// Where the window keeps its settings file.
namespace SettingsLocation {

// `explicitFile` when one is given (--settings); otherwise Nodeweave.ini in the working
// directory when one is there already (a portable copy, ./run.sh); otherwise the per-user
// configuration file, wherever the program was started from. An existing file is chosen
// whether or not it can be written: it is still read.
QString choose(const QString &explicitFile);

// Whether the settings library can write `file`. It replaces the file through a new
// file and a lock file beside it, so the folder must take new files, not only the file
// be writable. A missing folder is made, as the settings library would make it.
bool writable(const QString &file);

} // namespace SettingsLocation
