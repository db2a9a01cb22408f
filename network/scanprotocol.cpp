#include "network/scanprotocol.h"

#include "at/replygrammar.h"

namespace ScanProtocol {

std::optional<int> seconds(const QString &typed)
{
    bool ok = false;
    const int value = typed.toInt(&ok, 10);
    if (!ok || value < kMinSeconds || value > kMaxSeconds)
        return std::nullopt;
    return value;
}

std::optional<ZBdevice> report(const QString &line)
{
    const auto fields = Reply::match(Reply::Form::ScanReport, line);
    if (!fields)
        return std::nullopt;
    // Field 0 is the module's running index of the report; nothing uses it.
    ZBdevice device;
    device.isLocal = false;
    device.netAddr = fields->at(1);
    device.macAddr = fields->at(2);
    device.descriptor = fields->at(3);
    return device;
}

bool isEnd(const QString &line)
{
    return Reply::matches(Reply::Form::Success, line);
}

} // namespace ScanProtocol
