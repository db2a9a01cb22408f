#pragma once

#include <QMetaType>
#include <QString>

// One network node. Addresses keep the exact text received or typed: they are
// shown and sent back as they stand, never converted to numbers.
struct ZBdevice
{
    bool isLocal = false;
    QString macAddr;
    QString netAddr;
    QString descriptor;

    // The target "select all" makes: every node, through the broadcast address.
    bool isBroadcast() const
    {
        return !isLocal && netAddr.compare(QLatin1String("0xFFFF"), Qt::CaseInsensitive) == 0;
    }

    bool operator==(const ZBdevice &o) const
    {
        return isLocal == o.isLocal && macAddr == o.macAddr && netAddr == o.netAddr &&
               descriptor == o.descriptor;
    }
};
Q_DECLARE_METATYPE(ZBdevice)
