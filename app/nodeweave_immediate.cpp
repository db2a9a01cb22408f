#include "app/nodeweave.h"

#include "app/dialogs.h"
#include "at/commands.h"

#include <functional>

// Each choice goes out at once to the target device; the module's answer reaches the
// status bar through the common reply handler. While a read or an import fills the form
// the same change signals fire, and nothing may go out then.

void Nodeweave::sendUnlessBusy(const QString &cmd)
{
    if (formBusy())
        return;
    sendCmd(cmd);
}

void Nodeweave::connectImmediateSettings()
{
    // Baud rate, parity and flow control go out as the item's index, data bits, stop bits
    // and the channel as the item's text.
    const auto itemText = [](QComboBox *box, QString (*command)(const QString &)) {
        return [box, command](int index) {
            return command(box->itemText(index));
        };
    };
    const std::pair<QComboBox *, std::function<QString(int)>> boxes[] = {
        {ui.comboBox_defaultWorkMode, &Command::defaultWorkMode},
        {ui.comboBox_deviceType, &Command::deviceType},
        {ui.comboBox_deviceBps, &Command::baudRate},
        {ui.comboBox_deviceStopBit, itemText(ui.comboBox_deviceStopBit, &Command::stopBits)},
        {ui.comboBox_deviceDataBit, itemText(ui.comboBox_deviceDataBit, &Command::dataBits)},
        {ui.comboBox_deviceParBit, &Command::parity},
        {ui.comboBox_deviceFlow, &Command::flowControl},
        {ui.comboBox_CH, itemText(ui.comboBox_CH, &Command::channel)},
        {ui.comboBox_netLock, &Command::networkLock},
        {ui.comboBox_autoNet, &Command::autoNetwork},
    };
    for (const auto &[box, command] : boxes) {
        connect(box, &QComboBox::currentIndexChanged, this,
                [this, command = command](int index) { sendUnlessBusy(command(index)); });
        markImmediate(box);
    }
    // The System and Network Control groups.
    const std::pair<QPushButton *, QString (*)()> buttons[] = {
        {ui.pushButton_reset, &Command::reset},
        {ui.pushButton_startNet, &Command::startNetwork},
        {ui.pushButton_leaveNet, &Command::leaveNetwork},
        {ui.pushButton_netRst, &Command::restartNetwork},
    };
    for (const auto &[button, command] : buttons)
        connect(button, &QPushButton::clicked, this,
                [this, command = command] { sendUnlessBusy(command()); });
    // Factory restore wipes every stored setting of the module: one stray click must not
    // do that.
    connect(ui.pushButton_restore, &QPushButton::clicked, this, [this] {
        if (!formBusy() && Dialogs::question(tr("确定要恢复出厂设置吗？")))
            sendCmd(Command::restoreFactory());
    });
}
