#include "at/commandwords.h"

const QStringList &atCommandWords()
{
    static const QStringList words = {
        QStringLiteral("AT"),        QStringLiteral("AT+UART"),  QStringLiteral("AT+IPR"),
        QStringLiteral("AT+DBIT"),   QStringLiteral("AT+PAR"),   QStringLiteral("AT+STO"),
        QStringLiteral("AT+IFC"),    QStringLiteral("AT+CH"),    QStringLiteral("AT+EPID"),
        QStringLiteral("AT+TYP"),    QStringLiteral("AT+NID"),   QStringLiteral("AT+MID"),
        QStringLiteral("AT+NSTA"),   QStringLiteral("AT+NRST"),  QStringLiteral("AT+NLEAV"),
        QStringLiteral("AT+NS"),     QStringLiteral("AT+LQI"),   QStringLiteral("AT+NASTA"),
        QStringLiteral("AT+JOINT"),  QStringLiteral("AT+NLOCK"), QStringLiteral("AT+SEND"),
        QStringLiteral("AT+WNODE"),  QStringLiteral("AT+RNODE"), QStringLiteral("AT+SCAN"),
        QStringLiteral("AT+TID"),    QStringLiteral("AT+TPMOD"), QStringLiteral("AT+RST"),
        QStringLiteral("AT+DFRST"),  QStringLiteral("AT+W"),     QStringLiteral("AT+DFWM"),
        QStringLiteral("AT+IOSET"),  QStringLiteral("AT+IOOUT"), QStringLiteral("AT+IORD"),
        QStringLiteral("AT+TPIO"),   QStringLiteral("AT+IOSMP"), QStringLiteral("AT+ADCRD"),
        QStringLiteral("AT+ADCSMP"), QStringLiteral("AT+PWM"),   QStringLiteral("AT+PWMRD"),
        QStringLiteral("AT+INFO"),   QStringLiteral("AT+VER"),
    };
    return words;
}
