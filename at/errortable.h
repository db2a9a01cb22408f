#pragma once

#include <QList>

// The module's numbered error codes with their message source texts (translation
// context "Nodeweave"); the window turns them into its error table.
struct ModuleError
{
    int code;
    const char *text;
};

const QList<ModuleError> &moduleErrors();
