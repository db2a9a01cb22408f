#pragma once

#include <QStringList>

// Every command word the module knows, in the order the console offers them.
const QStringList &atCommandWords();
