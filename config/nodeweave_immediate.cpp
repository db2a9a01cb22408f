#include "nodeweave.h"

#include "config/immediatecommands.h"

// Each choice goes out at once to the target device; the module's answer reaches the
// status bar through the common reply handler. While a read or an import fills the form
// the same change signals fire, and nothing may go out then.

void Nodeweave::sendUnlessBusy(const QString &cmd)
{
    if (formBusy())
        return;
    sendCmd(cmd);
}

void Nodeweave::on_pushButton_reset_clicked()
{
    sendUnlessBusy(ImmediateCommand::reset());
}

void Nodeweave::on_pushButton_restore_clicked()
{
    sendUnlessBusy(ImmediateCommand::restoreFactory());
}

void Nodeweave::on_comboBox_defaultWorkMode_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::defaultWorkMode(index));
}

void Nodeweave::on_comboBox_deviceType_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::deviceType(index));
}

void Nodeweave::on_comboBox_deviceBps_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::baudRate(index));
}

void Nodeweave::on_comboBox_deviceStopBit_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::stopBits(ui.comboBox_deviceStopBit->itemText(index)));
}

void Nodeweave::on_comboBox_deviceDataBit_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::dataBits(ui.comboBox_deviceDataBit->itemText(index)));
}

void Nodeweave::on_comboBox_deviceParBit_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::parity(index));
}

void Nodeweave::on_comboBox_deviceFlow_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::flowControl(index));
}

void Nodeweave::on_comboBox_CH_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::channel(ui.comboBox_CH->itemText(index)));
}

void Nodeweave::on_comboBox_netLock_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::networkLock(index));
}

void Nodeweave::on_comboBox_autoNet_currentIndexChanged(int index)
{
    sendUnlessBusy(ImmediateCommand::autoNetwork(index));
}

void Nodeweave::on_pushButton_startNet_clicked()
{
    sendUnlessBusy(ImmediateCommand::startNetwork());
}

void Nodeweave::on_pushButton_leaveNet_clicked()
{
    sendUnlessBusy(ImmediateCommand::leaveNetwork());
}

void Nodeweave::on_pushButton_netRst_clicked()
{
    sendUnlessBusy(ImmediateCommand::restartNetwork());
}
