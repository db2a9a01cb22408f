#pragma once

#include "config/cfgcmd.h"
#include "config/settingstable.h"

#include <QList>
#include <functional>

class CfgSequencer;

// The read and write queues of the configuration, both made from the settings table.
namespace CfgQueues {

struct ReadSink
{
    // The values one reply gave (a list reply: one row's).
    std::function<void(const CfgValues &values)> fill;
    // The step shows page `page` of the configuration tabs (null: nothing to show).
    std::function<void(int page)> show;
    // The run's target is a remote node: single replies carry its suffix.
    std::function<bool()> remote;
};

// Every query of the configuration, each with the handler that judges its reply and hands
// the values to `sink`.
CfgCmdQueue read(const ReadSink &sink);

// Every set command of `values`, composed now: the run sends exactly this snapshot. Each
// step shows its page through `show` (may be null) and sends through `engine`, or skips
// when it has nothing to send. `chosen`, when given, limits the write to the settings it
// takes; the closing save always goes out.
CfgCmdQueue write(const CfgValues &values, CfgSequencer *engine,
                  const std::function<void(int page)> &show = nullptr,
                  const SettingsTable::Choice &chosen = nullptr);

// The command texts a write of `values` sends, in order (skipped steps left out).
QStringList writeCommands(const CfgValues &values, const SettingsTable::Choice &chosen = nullptr);

} // namespace CfgQueues
