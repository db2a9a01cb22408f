#include "nodeweave.h"

#include "dialogs.h"
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

// One pair of a mode box and its editable address box. Only the sampling groups have
// the "LID" mode.
struct AddressGroup
{
    QComboBox *Ui::NodeweaveClass::*mode;
    QComboBox *Ui::NodeweaveClass::*address;
    bool hasLid;
};

using FormUi = Ui::NodeweaveClass;

// In the order in which a newly scanned node is offered to them.
const AddressGroup kAddressGroups[] = {
    {&FormUi::comboBox_TID_AM, &FormUi::comboBox_TID_ADDR, false},
    {&FormUi::comboBox_sendPkt_AM, &FormUi::comboBox_sendPkt_ADDR, false},
    {&FormUi::comboBox_TPIO9_AM, &FormUi::comboBox_TPIO9_ADDR, false},
    {&FormUi::comboBox_TPIO10_AM, &FormUi::comboBox_TPIO10_ADDR, false},
    {&FormUi::comboBox_TPIO14_AM, &FormUi::comboBox_TPIO14_ADDR, false},
    {&FormUi::comboBox_TPIO15_AM, &FormUi::comboBox_TPIO15_ADDR, false},
    {&FormUi::comboBox_TPIO17_AM, &FormUi::comboBox_TPIO17_ADDR, false},
    {&FormUi::comboBox_IOSMP9_AM, &FormUi::comboBox_IOSMP9_ADDR, true},
    {&FormUi::comboBox_IOSMP10_AM, &FormUi::comboBox_IOSMP10_ADDR, true},
    {&FormUi::comboBox_IOSMP14_AM, &FormUi::comboBox_IOSMP14_ADDR, true},
    {&FormUi::comboBox_IOSMP15_AM, &FormUi::comboBox_IOSMP15_ADDR, true},
    {&FormUi::comboBox_IOSMP17_AM, &FormUi::comboBox_IOSMP17_ADDR, true},
    {&FormUi::comboBox_ADSMP1, &FormUi::comboBox_ADSMP1_ADDR, true},
    {&FormUi::comboBox_ADSMP2, &FormUi::comboBox_ADSMP2_ADDR, true},
    {&FormUi::comboBox_ADSMP3, &FormUi::comboBox_ADSMP3_ADDR, true},
    {&FormUi::comboBox_ADSMP4, &FormUi::comboBox_ADSMP4_ADDR, true},
};

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

// Fills an address box anew from the scanned nodes, for the mode `mode`.
void refillGroup(const AddressGroup &group, FormUi &form, const QString &mode,
                 const QList<ZBdevice> &devices)
{
    QComboBox *box = form.*group.address;
    box->clear();
    if (isLidMode(group, mode)) {
        box->setEditText(kLidAddress);
        return;
    }
    for (const ZBdevice &device : devices)
        listNode(box, mode, device);
}

const AddressGroup *groupOfModeBox(FormUi &form, const QComboBox *modeBox)
{
    for (const AddressGroup &group : kAddressGroups) {
        if (form.*group.mode == modeBox)
            return &group;
    }
    return nullptr;
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

void refillModeGroup(FormUi &form, QComboBox *modeBox, int index, const QList<ZBdevice> &devices)
{
    if (const AddressGroup *group = groupOfModeBox(form, modeBox))
        refillGroup(*group, form, modeBox->itemText(index), devices);
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
    comSend(QStringLiteral("AT+ESC\r\n"));
    scanDone();
}

void Nodeweave::scanStart()
{
    const QString typed = ui.lineEdit_scanTime->text();
    const std::optional<int> seconds = ScanProtocol::seconds(typed);
    if (!seconds) {
        Dialogs::message(tr("支持的扫描时间为%1-%2")
                             .arg(ScanProtocol::kMinSeconds)
                             .arg(ScanProtocol::kMaxSeconds));
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
    // The count label keeps the last scan's count until the first new device arrives.
    deviceCount = 0;
    connect(this, &Nodeweave::recvNewLine, this, &Nodeweave::scanProc, Qt::UniqueConnection);
    // Sent as typed ("005" stays "005"), and never aimed at a remote target.
    comSend(QStringLiteral("AT+SCAN=") + typed + QStringLiteral("\r\n"));
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

// A scan rebuilds the lists of offered addresses, but the address each box holds stays:
// the user read or typed it, and the next write sends it. Only an empty box takes the
// first node offered (or, in LID mode, "0x0").
void Nodeweave::clearAddressLists()
{
    for (const AddressGroup &group : kAddressGroups) {
        QComboBox *box = ui.*group.address;
        const QString text = box->currentText();
        box->clear();
        box->setEditText(text);
    }
}

void Nodeweave::offerDeviceToAddressLists(const ZBdevice &device)
{
    for (const AddressGroup &group : kAddressGroups) {
        const QString mode = (ui.*group.mode)->currentText();
        QComboBox *box = ui.*group.address;
        const QString text = box->currentText();
        if (isLidMode(group, mode)) {
            if (text.isEmpty())
                box->setEditText(kLidAddress);
            continue;
        }
        listNode(box, mode, device);
        if (!text.isEmpty())
            box->setEditText(text);
    }
}

void Nodeweave::on_comboBox_TID_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_TID_AM, index, deviceList);
}

void Nodeweave::on_comboBox_sendPkt_AM_currentIndexChanged(int index)
{
    // A configuration read or an import sets this box itself; the address it brings
    // along must not be wiped by the refill.
    if (formBusy())
        return;
    refillModeGroup(ui, ui.comboBox_sendPkt_AM, index, deviceList);
}

void Nodeweave::on_comboBox_TPIO9_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_TPIO9_AM, index, deviceList);
}

void Nodeweave::on_comboBox_TPIO10_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_TPIO10_AM, index, deviceList);
}

void Nodeweave::on_comboBox_TPIO14_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_TPIO14_AM, index, deviceList);
}

void Nodeweave::on_comboBox_TPIO15_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_TPIO15_AM, index, deviceList);
}

void Nodeweave::on_comboBox_TPIO17_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_TPIO17_AM, index, deviceList);
}

void Nodeweave::on_comboBox_IOSMP9_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_IOSMP9_AM, index, deviceList);
}

void Nodeweave::on_comboBox_IOSMP10_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_IOSMP10_AM, index, deviceList);
}

void Nodeweave::on_comboBox_IOSMP14_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_IOSMP14_AM, index, deviceList);
}

void Nodeweave::on_comboBox_IOSMP15_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_IOSMP15_AM, index, deviceList);
}

void Nodeweave::on_comboBox_IOSMP17_AM_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_IOSMP17_AM, index, deviceList);
}

void Nodeweave::on_comboBox_ADSMP1_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_ADSMP1, index, deviceList);
}

void Nodeweave::on_comboBox_ADSMP2_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_ADSMP2, index, deviceList);
}

void Nodeweave::on_comboBox_ADSMP3_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_ADSMP3, index, deviceList);
}

void Nodeweave::on_comboBox_ADSMP4_currentIndexChanged(int index)
{
    refillModeGroup(ui, ui.comboBox_ADSMP4, index, deviceList);
}
