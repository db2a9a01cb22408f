#include "nodeweave.h"

#include "at/commands.h"

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
    const std::pair<QComboBox *, QString (*)(int)> byIndex[] = {
        {ui.comboBox_defaultWorkMode, &Command::defaultWorkMode},
        {ui.comboBox_deviceType, &Command::deviceType},
        {ui.comboBox_deviceBps, &Command::baudRate},
        {ui.comboBox_deviceParBit, &Command::parity},
        {ui.comboBox_deviceFlow, &Command::flowControl},
        {ui.comboBox_netLock, &Command::networkLock},
        {ui.comboBox_autoNet, &Command::autoNetwork},
    };
    for (const auto &[box, command] : byIndex)
        connect(box, &QComboBox::currentIndexChanged, this,
                [this, command = command](int index) { sendUnlessBusy(command(index)); });
    const std::pair<QComboBox *, QString (*)(const QString &)> byText[] = {
        {ui.comboBox_deviceStopBit, &Command::stopBits},
        {ui.comboBox_deviceDataBit, &Command::dataBits},
        {ui.comboBox_CH, &Command::channel},
    };
    for (const auto &[box, command] : byText)
        connect(box, &QComboBox::currentIndexChanged, this,
                [this, box = box, command = command](int index) {
                    sendUnlessBusy(command(box->itemText(index)));
                });
    // The System and Network Control groups.
    const std::pair<QPushButton *, QString (*)()> buttons[] = {
        {ui.pushButton_reset, &Command::reset},
        {ui.pushButton_restore, &Command::restoreFactory},
        {ui.pushButton_startNet, &Command::startNetwork},
        {ui.pushButton_leaveNet, &Command::leaveNetwork},
        {ui.pushButton_netRst, &Command::restartNetwork},
    };
    for (const auto &[button, command] : buttons)
        connect(button, &QPushButton::clicked, this,
                [this, command = command] { sendUnlessBusy(command()); });
}
