#include "at/commandwords.h"

const QStringList &atCommandWords()
{
    static const QStringList words = [] {
        QStringList list;
        for (const char *word : {
                 "AT",        "AT+UART",  "AT+IPR",   "AT+DBIT",  "AT+PAR",   "AT+STO",
                 "AT+IFC",    "AT+CH",    "AT+EPID",  "AT+TYP",   "AT+NID",   "AT+MID",
                 "AT+NSTA",   "AT+NRST",  "AT+NLEAV", "AT+NS",    "AT+LQI",   "AT+NASTA",
                 "AT+JOINT",  "AT+NLOCK", "AT+SEND",  "AT+WNODE", "AT+RNODE", "AT+SCAN",
                 "AT+TID",    "AT+TPMOD", "AT+RST",   "AT+DFRST", "AT+W",     "AT+DFWM",
                 "AT+IOSET",  "AT+IOOUT", "AT+IORD",  "AT+TPIO",  "AT+IOSMP", "AT+ADCRD",
                 "AT+ADCSMP", "AT+PWM",   "AT+PWMRD", "AT+INFO",  "AT+VER",
             })
            list.append(QLatin1String(word));
        return list;
    }();
    return words;
}
