#pragma once

#include "network/zbdevice.h"

#include <QString>
#include <optional>

// The lines of a network scan, free of any widget: the scan time the user typed and
// what the module reports while it searches.
namespace ScanProtocol {

constexpr int kMinSeconds = 1;
constexpr int kMaxSeconds = 255;

// The typed scan time as whole seconds, or nothing when it is no base-10 integer or lies
// outside kMinSeconds..kMaxSeconds. The command itself carries the text as typed.
std::optional<int> seconds(const QString &typed);

// One device report ("OK=index,0xNET,0xMAC,descriptor" with CR LF) as a remote node
// with the addresses exactly as received; nothing for any other line.
std::optional<ZBdevice> report(const QString &line);

// The line that closes a scan: exactly "OK" with CR LF.
bool isEnd(const QString &line);

} // namespace ScanProtocol
