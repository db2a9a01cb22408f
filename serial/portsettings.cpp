#include "serial/portsettings.h"

#include <QStringList>
#include <array>

void applyPortSettings(QSerialPort *port, const PortSettings &s)
{
    port->setBaudRate(s.baudRate);
    port->setDataBits(s.dataBits);
    port->setParity(s.parity);
    port->setStopBits(s.stopBits);
    port->setFlowControl(s.flowControl);
    port->clearError();
}

PortSettings portSettingsFromIndexes(int bpsIndex, int dataBitIndex, int parityIndex,
                                     int stopBitIndex)
{
    static constexpr std::array<qint32, 6> rates = {4800, 9600, 19200, 38400, 76800, 115200};
    PortSettings s;
    if (bpsIndex >= 0 && bpsIndex < int(rates.size()))
        s.baudRate = rates[bpsIndex];
    if (dataBitIndex >= 0 && dataBitIndex <= 3)
        s.dataBits = QSerialPort::DataBits(5 + dataBitIndex);
    if (parityIndex == 1)
        s.parity = QSerialPort::EvenParity;
    else if (parityIndex == 2)
        s.parity = QSerialPort::OddParity;
    if (stopBitIndex == 1)
        s.stopBits = QSerialPort::TwoStop;
    s.flowControl = QSerialPort::NoFlowControl;
    return s;
}

QStringList sortedPortNames(QStringList names)
{
    names.sort(Qt::CaseSensitive);
    return names;
}
