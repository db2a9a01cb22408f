#pragma once

#include "at/replygrammar.h"
#include "peripherals/families.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// How the read sequence judges and converts the replies to its queries. The shapes
// themselves are those of the reply grammar; this adds what is particular to reading
// the configuration: list replies, the module's IO lines and channels, and the
// conversions of reply fields into form positions.
namespace CfgReply {

using Family::kAdcChannels;
using Family::kIoLines;
using Family::kPwmChannels;

// Form position of IO line `line`, or -1 when the form has no such line.
int ioSlot(int line);
// Form position of channel `channel` (1 … count), or -1 outside that range.
int channelSlot(int channel, int count);

// "ERR=60" (network not started) exactly: it stands in for the network address and
// the link quality of a node that has not joined.
bool isNetworkNotStarted(const QString &line);

// One line of a list reply: rows (never with a remote suffix), then a success line
// that closes the list (with the remote suffix when the target is a remote node).
struct ListLine
{
    enum Kind
    {
        Closing,
        Row,
        Other
    };
    Kind kind = Other;
    QStringList fields; // the row's fields
};
ListLine listLine(Reply::Form rowForm, const QString &line, bool remote);

// Decimal conversion of a field that only positions a widget: anything that is not a
// number counts as 0, as the module's own reports are trusted to be numbers.
int toIntOrZero(const QString &text);
// A decimal integer within [low, high], or nothing.
std::optional<int> rangedInt(const QString &text, int low, int high);

// "C" → 0 (Coor), "R" → 1 (Router); any other letter selects nothing.
std::optional<int> deviceTypeIndex(const QString &value);
// Address modes: the two-item boxes ("NID", "MID") and the sampling boxes, which also
// offer "LID" for any other word.
int twoModeIndex(const QString &mode);
int samplingModeIndex(const QString &mode);

// Combo box positions from the five fields of the UART reply (baud index, data bits,
// parity index, stop bits, flow index). Out-of-range values are passed on unchecked.
struct UartIndexes
{
    int baud = 0;
    int dataBits = 0;
    int parity = 0;
    int stopBits = 0;
    int flow = 0;
};
UartIndexes uartIndexes(const QStringList &fields);

} // namespace CfgReply
