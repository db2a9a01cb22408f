#include "app/nodeweave.h"

#include "app/consolelog.h"
#include "app/dialogs.h"
#include "at/commands.h"
#include "network/scanprotocol.h"

#include <QTimer>

namespace {

const QString kNid = QStringLiteral("NID");
const QString kMid = QStringLiteral("MID");
const QString kLid = QStringLiteral("LID");
// What a sampling group's address box shows in LID mode, where it lists nothing.
const QString kLidAddress = QStringLiteral("0x0");

// The target that "select all" makes: every node, through the broadcast addresses.
const QString kBroadcastMac = QStringLiteral("0xFFFFFFFFFFFFFFFF");
const QString kBroadcastNet = QStringLiteral("0xFFFF");

bool isLidMode(const AddressGroup &group, const QString &mode)
{
    return group.hasLid && mode == kLid;
}

// Lists one node in an address box in the form the mode names.
void listNode(QComboBox *box, const QString &mode, const ZBdevice &device)
{
    if (mode == kNid)
        box->addItem(device.netAddr);
    else if (mode == kMid)
        box->addItem(device.macAddr);
}

QTableWidgetItem *rowMark(QTableWidget *table, int row)
{
    return table->item(row, 0);
}

void setAllRowMarks(QTableWidget *table, Qt::CheckState state)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (QTableWidgetItem *mark = rowMark(table, row))
            mark->setCheckState(state);
    }
}

} // namespace

// ---- scan ----

void Nodeweave::on_pushButton_scan_clicked()
{
    if (!scanning) {
        scanStart();
        return;
    }
    // Stopped at once, without waiting for the module's answer: that answer reaches
    // only the generic reply handler and the log.
    comSend(Command::line(Command::stopScan()));
    scanDone();
}

void Nodeweave::scanStart()
{
    const QString typed = ui.lineEdit_scanTime->text();
    const std::optional<int> seconds = ScanProtocol::seconds(typed);
    if (!seconds) {
        QString text = tr("支持的扫描时间为%1-%2");
        // The English text names no limits; filling absent placeholders only warns.
        if (text.contains(QLatin1String("%1")))
            text = text.arg(ScanProtocol::kMinSeconds).arg(ScanProtocol::kMaxSeconds);
        Dialogs::message(text);
        return;
    }
    scanRemaining = *seconds;
    graceTicks = 0;

    ui.progressBar_scan->setRange(0, scanRemaining);
    ui.progressBar_scan->setValue(0);
    ui.tableWidget_device->setRowCount(0);
    // If it was ticked, its slot makes the target "none" before the old rows are gone
    // from the lists.
    ui.checkBox_deviceSelectAll->setChecked(false);
    ui.pushButton_scan->setText(tr("停止扫描"));
    deviceList.clear();
    clearAddressLists();
    scanTimer->start(1000);
    scanning = true;
    updateEnabled();
    // The count label keeps the last scan's count until the first new device arrives.
    deviceCount = 0;
    connect(this, &Nodeweave::recvNewLine, this, &Nodeweave::scanProc, Qt::UniqueConnection);
    // Sent as typed ("005" stays "005"), and never aimed at a remote target.
    comSend(Command::line(Command::scan(typed)));
}

void Nodeweave::scanTiming()
{
    // A tick queued before the scan ended must not move the bar of a finished scan.
    if (!scanning)
        return;
    if (scanRemaining > 0) {
        --scanRemaining;
        graceTicks = 0;
        ui.progressBar_scan->setValue(ui.progressBar_scan->value() + 1);
        return;
    }
    // The module may never send its end line: the scan gives it ten more ticks.
    if (++graceTicks >= 10)
        scanDone();
}

void Nodeweave::scanProc(const QString &line)
{
    if (!scanning)
        return;
    if (const std::optional<ZBdevice> device = ScanProtocol::report(line)) {
        QTableWidget *table = ui.tableWidget_device;
        const int row = table->rowCount();
        table->insertRow(row);
        auto *mark = new QTableWidgetItem(device->macAddr);
        mark->setCheckState(Qt::Unchecked);
        table->setItem(row, 0, mark);
        table->setItem(row, 1, new QTableWidgetItem(device->netAddr));
        table->setItem(row, 2, new QTableWidgetItem(device->descriptor));
        // A cell too narrow for its text still shows all of it on hover.
        for (int column = 0; column < 3; ++column)
            table->item(row, column)->setToolTip(table->item(row, column)->text());

        if (deviceCount == 0) {
            // The module on the serial port reports itself first.
            mark->setCheckState(Qt::Checked);
            targetDevice->isLocal = true;
            targetDevice->macAddr = mark->text();
            targetDevice->netAddr = table->item(row, 1)->text();
            targetDeviceUpdate(targetDevice);
        }
        table->scrollToBottom();

        ++deviceCount;
        ui.label_founddeviceNum->setText(tr("设备数量：") + QString::number(deviceCount));

        deviceList.append(*device);
        offerDeviceToAddressLists(*device);
    } else if (ScanProtocol::isEnd(line)) {
        scanDone();
    }
}

void Nodeweave::scanDone()
{
    ui.progressBar_scan->setValue(0);
    ui.pushButton_scan->setText(tr("扫描"));
    scanning = false;
    scanTimer->stop();
    disconnect(this, &Nodeweave::recvNewLine, this, &Nodeweave::scanProc);
    updateEnabled();
    consoleLog->note(tr("扫描结束：发现 %1 个设备").arg(deviceList.size()));
}

// ---- device table and target ----

void Nodeweave::on_checkBox_deviceSelectAll_toggled(bool checked)
{
    // The descriptor is left as it was: nothing reads it.
    if (checked) {
        setAllRowMarks(ui.tableWidget_device, Qt::Checked);
        targetDevice->isLocal = false;
        targetDevice->macAddr = kBroadcastMac;
        targetDevice->netAddr = kBroadcastNet;
    } else {
        setAllRowMarks(ui.tableWidget_device, Qt::Unchecked);
        targetDevice->isLocal = true;
        targetDevice->macAddr.clear();
        targetDevice->netAddr.clear();
    }
    targetDeviceUpdate(targetDevice);
}

void Nodeweave::on_tableWidget_device_cellClicked(int row, int column)
{
    Q_UNUSED(column);
    QTableWidget *table = ui.tableWidget_device;
    QTableWidgetItem *mac = table->item(row, 0);
    QTableWidgetItem *net = table->item(row, 1);
    if (!mac || !net)
        return;

    ui.checkBox_deviceSelectAll->setChecked(false);
    // Exactly one row stays marked, whatever the click did to the check box itself.
    for (int r = 0; r < table->rowCount(); ++r) {
        if (QTableWidgetItem *mark = rowMark(table, r))
            mark->setCheckState(r == row ? Qt::Checked : Qt::Unchecked);
    }
    // Row 0 is the module on the serial port (the first report of the scan).
    targetDevice->isLocal = row == 0;
    targetDevice->macAddr = mac->text();
    targetDevice->netAddr = net->text();
    targetDeviceUpdate(targetDevice);
}

void Nodeweave::targetDeviceUpdate(const ZBdevice *device)
{
    if (!device)
        return;
    if (device->isLocal) {
        ui.checkBox_autoRemote->setChecked(false);
        ui.lineEdit_consoleAddr->clear();
    } else {
        ui.checkBox_autoRemote->setChecked(true);
        ui.lineEdit_consoleAddr->setText(
            ui.comboBox_consoleAddrMode->currentText() == kMid ? device->macAddr : device->netAddr);
    }
    ui.lineEdit_targetDeviceNet->setText(device->netAddr);
    ui.lineEdit_targetDeviceMac->setText(device->macAddr);
}

void Nodeweave::on_comboBox_consoleAddrMode_currentIndexChanged(int index)
{
    // Whatever isLocal says: a local target found by a scan shows its address too.
    ui.lineEdit_consoleAddr->setText(ui.comboBox_consoleAddrMode->itemText(index) == kMid
                                         ? targetDevice->macAddr
                                         : targetDevice->netAddr);
}

// ---- address groups ----

void Nodeweave::buildAddressGroups()
{
    addressGroups = {{pageNet->comboBox_TID_AM, pageNet->comboBox_TID_ADDR, false},
                     {pageNet->comboBox_sendPkt_AM, pageNet->comboBox_sendPkt_ADDR, false}};
    for (const IoLineWidgets &w : families.io)
        addressGroups.append({w.tpioMode, w.tpioAddress, false});
    for (const IoLineWidgets &w : families.io)
        addressGroups.append({w.sampleMode, w.sampleAddress, true});
    for (const AdcWidgets &w : families.adc)
        addressGroups.append({w.mode, w.address, true});
    // The first two have slots of their own.
    for (const AddressGroup &group : addressGroups.mid(2))
        connect(group.mode, &QComboBox::currentIndexChanged, this,
                [this, group](int index) { refillAddressList(group, index); });
}

// A scan rebuilds the lists of offered addresses, but the address each box holds stays:
// the user read or typed it, and the next write sends it. Only an empty box takes the
// first node offered (or, in LID mode, "0x0").
void Nodeweave::clearAddressLists()
{
    for (const AddressGroup &group : addressGroups) {
        const QString text = group.address->currentText();
        group.address->clear();
        group.address->setEditText(text);
    }
}

void Nodeweave::offerDeviceToAddressLists(const ZBdevice &device)
{
    for (const AddressGroup &group : addressGroups) {
        const QString mode = group.mode->currentText();
        const QString text = group.address->currentText();
        if (isLidMode(group, mode)) {
            if (text.isEmpty())
                group.address->setEditText(kLidAddress);
            continue;
        }
        listNode(group.address, mode, device);
        if (!text.isEmpty())
            group.address->setEditText(text);
    }
}

// Fills an address box anew from the scanned nodes, for the mode the box now shows.
void Nodeweave::refillAddressList(const AddressGroup &group, int modeIndex)
{
    const QString mode = group.mode->itemText(modeIndex);
    group.address->clear();
    if (isLidMode(group, mode)) {
        group.address->setEditText(kLidAddress);
        return;
    }
    for (const ZBdevice &device : deviceList)
        listNode(group.address, mode, device);
}

void Nodeweave::tidAddressModeChanged(int index)
{
    refillAddressList(addressGroups.at(0), index);
}

void Nodeweave::packetAddressModeChanged(int index)
{
    // A configuration read or an import sets this box itself; the address it brings
    // along must not be wiped by the refill.
    if (formBusy())
        return;
    refillAddressList(addressGroups.at(1), index);
}
