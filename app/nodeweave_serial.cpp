#include "app/nodeweave.h"

#include "app/consolelog.h"
#include "app/dialogs.h"
#include "serial/portproblem.h"
#include "sim/simdevice.h"
#include "sim/simmodule.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QStatusBar>
#include <QTextDocument>
#include <QTimer>
#include <functional>

void Nodeweave::fillPortList()
{
    // A typed device path (a pty, /dev/serial/by-id/…) is accepted as well as a listed name.
    ui.comboBox_comPort->setEditable(true);
    ui.comboBox_comPort->setInsertPolicy(QComboBox::NoInsert);
    connect(portWatcher, &PortWatcher::portsChanged, this, &Nodeweave::portsChanged);
    connect(ui.comboBox_comPort, &PortComboBox::popupAboutToShow, this,
            [this] { refreshPortList(); });
    // Not every device node is in a watched folder (a pseudo-terminal under /dev/pts): while
    // a lost port is awaited its path is also looked at once a second.
    reconnectPoll = new QTimer(this);
    reconnectPoll->setInterval(1000);
    connect(reconnectPoll, &QTimer::timeout, this, &Nodeweave::reconnectLostPort);
    refreshPortList(true);
    // The port of the last run is offered again if it is here; nothing is opened.
    const int last = ui.comboBox_comPort->findText(lastPort);
    if (last >= 0)
        ui.comboBox_comPort->setCurrentIndex(last);
    else if (lastPort.startsWith(QLatin1Char('/')) && QFileInfo::exists(lastPort))
        ui.comboBox_comPort->setEditText(lastPort);
}

void Nodeweave::refreshPortList(bool force)
{
    const QList<PortEntry> ports = portWatcher->ports();
    if (!force && ports == listedPorts)
        return;
    listedPorts = ports;
    QComboBox *box = ui.comboBox_comPort;
    const bool first = box->count() == 0;
    const QString text = box->currentText();
    // Only the list changes: the open port must not be moved by it.
    const QSignalBlocker block(box);
    box->clear();
    for (const PortEntry &p : ports) {
        box->addItem(p.name);
        box->setItemData(box->count() - 1,
                         Qt::convertFromPlainText(PortWatcher::toolTip(p), Qt::WhiteSpaceNoWrap),
                         Qt::ToolTipRole);
    }
    // The built-in simulated module comes last, so a newcomer without hardware can try
    // everything.
    box->addItem(simulatorPortName());
    if (first)
        return;
    const int i = box->findText(text);
    if (i >= 0)
        box->setCurrentIndex(i);
    else
        box->setEditText(text);
}

void Nodeweave::portsChanged()
{
    refreshPortList();
    if (reconnectPending)
        reconnectLostPort();
}

// The lost port is back (the same path, or a by-id link that named it): open it again
// with the line settings the boxes show. A device that is not ready yet is tried again
// at the next change.
void Nodeweave::reconnectLostPort()
{
    if (portOpen)
        return;
    const QString found = portWatcher->reappeared(lostPort, lostPortLinks);
    if (found.isEmpty())
        return;
    QString entry = found;
    for (const PortEntry &p : std::as_const(listedPorts)) {
        if (p.systemLocation == found)
            entry = p.name;
    }
    QString failure;
    if (!openPortEntry(entry, &failure))
        return;
    setReconnectPending(false);
    {
        const QSignalBlocker block(ui.comboBox_comPort);
        const int i = ui.comboBox_comPort->findText(entry);
        if (i >= 0)
            ui.comboBox_comPort->setCurrentIndex(i);
        else
            ui.comboBox_comPort->setEditText(entry);
    }
    portOpen = true;
    ui.pushButton_openCom->setText(tr("关闭"));
    on_comPortToggle(true);
    statusBar()->showMessage(tr("串口已重新连接：%1").arg(entry), 10000);
}

void Nodeweave::setReconnectPending(bool pending)
{
    reconnectPending = pending;
    if (!pending)
        reconnectPoll->stop();
    else if (!reconnectPoll->isActive())
        reconnectPoll->start();
}

void Nodeweave::on_checkBox_reconnect_toggled(bool checked)
{
    if (!checked)
        setReconnectPending(false);
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
    // Whatever the user opens now replaces a port that was waiting to come back.
    setReconnectPending(false);
    const QString entry = ui.comboBox_comPort->currentText();
    QString failure;
    if (openPortEntry(entry, &failure))
        return true;
    Dialogs::message(tr("Can not open %1").arg(entry) + failure);
    return false;
}

// Opens `entry` with the line settings of the boxes. On failure `failure` holds the
// lines that explain it, for the "Can not open" box.
bool Nodeweave::openPortEntry(const QString &entry, QString *failure)
{
    if (entry == simulatorPortName()) {
        auto *device = new SimDevice(simulator(), this);
        device->open(QIODevice::ReadWrite);
        serialPort = device;
        openPortLinks.clear();
    } else {
        auto *port = new QSerialPort(this);
        port->setPortName(entry);
        if (entry.isEmpty() || !port->open(QIODevice::ReadWrite)) {
            *failure = PortProblem::openFailure(PortWatcher::systemLocation(entry), port->error());
            delete port;
            return false;
        }
        PortSettings s;
        getComSetting(s);
        applyPortSettings(port, s);
        connect(port, &QSerialPort::errorOccurred, this,
                [this](QSerialPort::SerialPortError e) { portErrorOccurred(int(e)); });
        serialPort = port;
        openPortLinks = portWatcher->linksTo(entry);
    }
    connect(serialPort, &QIODevice::readyRead, this, &Nodeweave::readCom);
    openPortName = entry;
    lastPort = entry;
    return true;
}

void Nodeweave::closePort()
{
    // A batch cannot go on without its port: the node under way fails, the rest are skipped.
    if (batchWriter->isRunning())
        batchWriter->abort(tr("串口已关闭"));
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
    if (!portOpen) {
        // The user chose another port: a lost one no longer comes back by itself.
        setReconnectPending(false);
        return;
    }
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
// error, repeatedly and fast; a write that fails reports a write error. Close the port as
// the Close button does, so the window never shows a green LED over a dead port.
void Nodeweave::portErrorOccurred(int error)
{
    if (!portOpen || (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
                      error != QSerialPort::WriteError))
        return;
    portLost(error);
}

void Nodeweave::portLost(int error)
{
    const QString name = openPortName;
    lossPort = name;
    lossError = error;
    const QString lost = portLossText();
    if (batchWriter->isRunning())
        batchWriter->abort(lost);
    closePort();
    // A line the lost port cut short must not become the head of the next port's first
    // line. A port the user closes keeps its partial line, as the receiver always has.
    rxBuffer = LineAssembler();
    ui.pushButton_openCom->setText(tr("打开"));
    // A configuration read or write cannot go on without its port: it ends now with
    // failure, as the Stop button ends it, and is not resumed on a port that comes back.
    on_pushButton_stopCfg_clicked();
    on_comPortToggle(false);
    statusBar()->showMessage(lost, 10000);
    consoleLog->note(lost, ConsoleLog::Outcome::Failure);
    if (ui.checkBox_reconnect->isChecked()) {
        setReconnectPending(true);
        lostPort = name;
        lostPortLinks = openPortLinks;
    }
}

void Nodeweave::showPortLed(bool open)
{
    const QPixmap led(open ? QStringLiteral(":/Nodeweave/comGreenLed.png")
                           : QStringLiteral(":/Nodeweave/comGrayLed.png"));
    ui.label_comLed->setPixmap(
        led.scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation));
}

void Nodeweave::on_comPortToggle(bool open)
{
    showPortLed(open);
    if (open)
        lossPort.clear();
    showPortLoss();
    updateEnabled();
}

QString Nodeweave::portLossText() const
{
    return tr("串口已断开：%1（%2）")
        .arg(lossPort, PortProblem::lost(QSerialPort::SerialPortError(lossError)));
}

// The status bar forgets; the LED keeps saying why the port went, until one opens.
// Otherwise it says what its colours mean.
void Nodeweave::showPortLoss()
{
    ui.label_comLed->setToolTip(lossPort.isEmpty() ? tr("绿色：串口已打开；灰色：已关闭")
                                                   : portLossText());
}
