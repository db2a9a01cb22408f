#include "app/nodeweave.h"

#include "app/dialogs.h"
#include "at/consolelog.h"
#include "sim/simdevice.h"
#include "sim/simmodule.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <QStatusBar>
#include <functional>

void Nodeweave::fillPortList()
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names.append(info.portName());
    ui.comboBox_comPort->addItems(sortedPortNames(names));
    // The built-in simulated module comes last, so a newcomer without hardware can try
    // everything; a typed device path (a pty, /dev/serial/by-id/…) is accepted as well.
    ui.comboBox_comPort->addItem(simulatorPortName());
    ui.comboBox_comPort->setEditable(true);
    ui.comboBox_comPort->setInsertPolicy(QComboBox::NoInsert);
}

void Nodeweave::getComSetting(PortSettings &s)
{
    s = portSettingsFromIndexes(
        ui.comboBox_bps->currentIndex(), ui.comboBox_dataBit->currentIndex(),
        ui.comboBox_parBit->currentIndex(), ui.comboBox_stopBit->currentIndex());
}

QSerialPort *Nodeweave::serialDevice() const
{
    return qobject_cast<QSerialPort *>(serialPort);
}

bool Nodeweave::openCurrentPort()
{
    const QString entry = ui.comboBox_comPort->currentText();
    if (entry == simulatorPortName()) {
        auto *device = new SimDevice(simulator(), this);
        device->open(QIODevice::ReadWrite);
        serialPort = device;
    } else {
        auto *port = new QSerialPort(this);
        port->setPortName(entry);
        if (entry.isEmpty() || !port->open(QIODevice::ReadWrite)) {
            delete port;
            Dialogs::message(tr("Can not open %1").arg(entry));
            return false;
        }
        PortSettings s;
        getComSetting(s);
        // A driver may refuse a setting (a pty takes neither parity nor modem lines);
        // the port still works, so a refusal is not fatal.
        port->setBaudRate(s.baudRate);
        port->setDataBits(s.dataBits);
        port->setParity(s.parity);
        port->setStopBits(s.stopBits);
        port->setFlowControl(s.flowControl);
        port->clearError();
        connect(port, &QSerialPort::errorOccurred, this,
                [this](QSerialPort::SerialPortError e) { portErrorOccurred(int(e)); });
        serialPort = port;
    }
    connect(serialPort, &QIODevice::readyRead, this, &Nodeweave::readCom);
    openPortName = entry;
    return true;
}

void Nodeweave::closePort()
{
    // A capture records one session on the port.
    consoleLog->stopCapture();
    portOpen = false;
    if (!serialPort)
        return;
    serialPort->disconnect(this);
    serialPort->close();
    // Deferred: the port may be closing from inside one of its own signals.
    serialPort->deleteLater();
    serialPort = nullptr;
}

void Nodeweave::on_pushButton_openCom_clicked()
{
    if (!portOpen) {
        portOpen = openCurrentPort();
        if (portOpen)
            ui.pushButton_openCom->setText(tr("关闭"));
    } else {
        closePort();
        ui.pushButton_openCom->setText(tr("打开"));
    }
    on_comPortToggle(portOpen);
}

void Nodeweave::on_comboBox_comPort_currentIndexChanged(int)
{
    if (!portOpen)
        return;
    closePort();
    portOpen = openCurrentPort();
    if (!portOpen)
        ui.pushButton_openCom->setText(tr("打开"));
    on_comPortToggle(portOpen);
}

void Nodeweave::connectPortSettings()
{
    using Apply = std::function<void(QSerialPort *, const PortSettings &)>;
    const auto onChange = [this](QComboBox *box, Apply apply) {
        connect(box, &QComboBox::currentIndexChanged, this, [this, apply] {
            PortSettings s;
            getComSetting(s);
            if (portOpen && serialDevice())
                apply(serialDevice(), s);
        });
    };
    onChange(ui.comboBox_bps,
             [](QSerialPort *p, const PortSettings &s) { p->setBaudRate(s.baudRate); });
    onChange(ui.comboBox_dataBit,
             [](QSerialPort *p, const PortSettings &s) { p->setDataBits(s.dataBits); });
    onChange(ui.comboBox_stopBit,
             [](QSerialPort *p, const PortSettings &s) { p->setStopBits(s.stopBits); });
    onChange(ui.comboBox_parBit,
             [](QSerialPort *p, const PortSettings &s) { p->setParity(s.parity); });
}

// An adapter pulled out (or a pty whose far side closed) reports a resource or read
// error, repeatedly and fast. Close the port as the Close button does, so the window
// never shows a green LED over a dead port.
void Nodeweave::portErrorOccurred(int error)
{
    if (!portOpen || (error != QSerialPort::ResourceError && error != QSerialPort::ReadError))
        return;
    const QString name = openPortName;
    closePort();
    // A line the lost port cut short must not become the head of the next port's first
    // line. A port the user closes keeps its partial line, as the receiver always has.
    rxBuffer = LineAssembler();
    ui.pushButton_openCom->setText(tr("打开"));
    on_comPortToggle(false);
    statusBar()->showMessage(tr("串口已断开：%1").arg(name), 10000);
}

void Nodeweave::on_comPortToggle(bool open)
{
    const QPixmap led(open ? QStringLiteral(":/Nodeweave/comGreenLed")
                           : QStringLiteral(":/Nodeweave/comGrayLed"));
    ui.label_comLed->setPixmap(
        led.scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation));
    updateEnabled();
}
