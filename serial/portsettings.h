#pragma once

#include <QSerialPort>

// The six line settings of a serial port, as the port group of the window chooses them.
struct PortSettings
{
    qint32 baudRate = 115200;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
    long timeoutMs = 10;
};

// Sets the line settings on an open port. A driver may refuse one (a pty takes neither
// parity nor modem lines); the port still works, so a refusal is not fatal and its error
// is cleared.
void applyPortSettings(QSerialPort *port, const PortSettings &s);

// Line settings from the indexes of the baud, data-bit, parity and stop-bit boxes.
// An index outside a box's items (a stored index that no longer fits) falls back to
// that field's usual value: 115200, 8 data bits, no parity, one stop bit.
PortSettings portSettingsFromIndexes(int bpsIndex, int dataBitIndex, int parityIndex,
                                     int stopBitIndex);

// Port list entries as the port box shows them: plain string order (COM10 before COM2).
QStringList sortedPortNames(QStringList names);
