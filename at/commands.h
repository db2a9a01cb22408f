#pragma once

#include <QString>

// Every command text the program sends to the module, composed in one place. Values
// from the form are joined as they stand: nothing is trimmed or range-checked here, the
// module judges them. None of these carries a target suffix or a line end; addressed()
// and line() add those.
namespace Command {

// ---- the console and the target ----
// `cmd` aimed at a remote node: ">NID," or ">MID," and the node's address.
QString addressed(const QString &cmd, bool byMac, const QString &address);
// A command as it goes out on the line: followed by CR LF.
QString line(const QString &cmd);

// ---- queries of the configuration read ----
QString info();                    // "AT+INFO"
QString version();                 // "AT+VER"
QString query(const char *word);   // "AT+" word "?", as "AT+CH?"
QString readDescriptor(int index); // "AT+RNODE=i"
QString readIo(int line);          // "AT+IORD=n"
QString readAdc(int channel);      // "AT+ADCRD=c"

// ---- module settings: sent at once by the Base Info and Network tabs, and by Write ----
// Baud rate, parity and flow control go out as the item's index; stop bits, data bits
// and the channel as the item's text: the module reports them the same way.
QString deviceType(int index);         // "AT+TYP=C", "AT+TYP=R", "AT+TYP=E" beyond the two items
QString baudRate(int index);           // "AT+IPR=" + index
QString dataBits(const QString &item); // "AT+DBIT=" + item
QString parity(int index);             // "AT+PAR=" + index
QString stopBits(const QString &item); // "AT+STO=" + item
QString flowControl(int index);        // "AT+IFC=" + index
QString defaultWorkMode(int index);    // "AT+DFWM=0" for the first item, "AT+DFWM=1" otherwise
QString channel(const QString &item);  // "AT+CH=" + item
QString networkLock(int index);        // "AT+NLOCK=0" for "N", "AT+NLOCK=1" otherwise
QString autoNetwork(int index);        // "AT+NASTA=0" for "N", "AT+NASTA=1" otherwise
QString extendedPanId(const QString &text);                    // "AT+EPID=" + text
QString joinTime(const QString &text);                         // "AT+JOINT=" + text
QString targetId(const QString &mode, const QString &address); // "AT+TID=mode,address"
QString writeDescriptor(int index, const QString &text);       // "AT+WNODE=i,text"
QString save();                                                // "AT+W"

// ---- system and network control ----
QString reset();                           // "AT+RST"
QString restoreFactory();                  // "AT+DFRST"
QString startNetwork();                    // "AT+NSTA"
QString leaveNetwork();                    // "AT+NLEAV"
QString restartNetwork();                  // "AT+NRST"
QString scan(const QString &typedSeconds); // "AT+SCAN=" + the time as typed ("005" stays)
QString stopScan();                        // "AT+ESC"

// ---- packets and peripherals: the IO lines and ADC and PWM channels of Family ----
QString sendPacket(const QString &mode, const QString &address, const QString &data);
QString ioDirection(int line, bool input); // "AT+IOSET=n,0" input, ",1" output
QString ioLevel(int line, int levelIndex); // "AT+IOOUT=n,0" for "L", ",1" otherwise
// A switchable group: "…=1,n,settings…" when on, "…=0,n" when off (the settings are
// then not sent).
QString transparentIo(bool on, int line, const QString &targetLine, const QString &mode,
                      const QString &address);
QString ioSample(bool on, int line, const QString &interval, const QString &mode,
                 const QString &address);
QString adcSample(bool on, int channel, const QString &interval, const QString &mode,
                  const QString &address);
// The frequency goes out as typed, leading zeros included.
QString pwm(bool on, int output, const QString &frequency, int duty);

} // namespace Command
