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

namespace {

// Baud rate, parity and flow control go out as the item's index, data bits, stop bits
// and the channel as the item's text.
std::function<QString(int)> itemText(QComboBox *box, QString (*command)(const QString &))
{
    return [box, command](int index) {
        return command(box->itemText(index));
    };
}

} // namespace

void Nodeweave::sendOnChange(QComboBox *box, const std::function<QString(int)> &command)
{
    connect(box, &QComboBox::currentIndexChanged, this,
            [this, command](int index) { sendUnlessBusy(command(index)); });
    markImmediate(box);
}

void Nodeweave::sendOnClick(QPushButton *button, QString (*command)())
{
    connect(button, &QPushButton::clicked, this, [this, command] { sendUnlessBusy(command()); });
}

void Nodeweave::connectImmediateSettings()
{
    sendOnChange(ui.comboBox_defaultWorkMode, &Command::defaultWorkMode);
    sendOnChange(ui.comboBox_deviceType, &Command::deviceType);
    sendOnChange(ui.comboBox_deviceBps, &Command::baudRate);
    sendOnChange(ui.comboBox_deviceStopBit,
                 itemText(ui.comboBox_deviceStopBit, &Command::stopBits));
    sendOnChange(ui.comboBox_deviceDataBit,
                 itemText(ui.comboBox_deviceDataBit, &Command::dataBits));
    sendOnChange(ui.comboBox_deviceParBit, &Command::parity);
    sendOnChange(ui.comboBox_deviceFlow, &Command::flowControl);
    // The System group.
    sendOnClick(ui.pushButton_reset, &Command::reset);
    // Factory restore wipes every stored setting of the module: one stray click must not
    // do that.
    connect(ui.pushButton_restore, &QPushButton::clicked, this, [this] {
        if (!formBusy() && Dialogs::question(tr("确定要恢复出厂设置吗？")))
            sendCmd(Command::restoreFactory());
    });
}

// The network page's settings and its Network Control group, once the page is made.
void Nodeweave::connectNetworkControl()
{
    sendOnChange(pageNet->comboBox_CH, itemText(pageNet->comboBox_CH, &Command::channel));
    sendOnChange(pageNet->comboBox_netLock, &Command::networkLock);
    sendOnChange(pageNet->comboBox_autoNet, &Command::autoNetwork);
    sendOnClick(pageNet->pushButton_startNet, &Command::startNetwork);
    sendOnClick(pageNet->pushButton_leaveNet, &Command::leaveNetwork);
    sendOnClick(pageNet->pushButton_netRst, &Command::restartNetwork);
}
