#include "config/cfgcompose.h"

namespace CfgCompose {

QString typeLetter(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("C");
    case 1:
        return QStringLiteral("R");
    default:
        return QStringLiteral("E");
    }
}

QString direction(bool input)
{
    return input ? QStringLiteral("0") : QStringLiteral("1");
}

QString group(bool enabled, int number, const QStringList &settings)
{
    if (!enabled)
        return QLatin1String("0,") + QString::number(number);
    QStringList parts{QStringLiteral("1"), QString::number(number)};
    parts += settings;
    return parts.join(QLatin1Char(','));
}

} // namespace CfgCompose
