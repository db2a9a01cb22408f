#pragma once

#include <QList>
#include <QString>
#include <functional>

// A reply handler of one configuration step. Read steps: given a reply line, return
// whether it is an acceptable reply and set *done when the step is complete (false while
// more rows of a list reply are expected). Write steps: called with an empty line, they
// compose and send the step's command, or skip the step.
using CfgCmdHandler = std::function<bool(const QString &line, bool *done)>;

struct CfgCmd
{
    QString cmd;
    CfgCmdHandler handler;
    // A read step answered by a list: a row it refuses is resent only once the list has
    // ended, so the list's remaining rows are not taken for later steps' answers.
    bool list = false;
};

using CfgCmdQueue = QList<CfgCmd>;
