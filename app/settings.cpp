#include "app/batchwritepanel.h"
#include "app/nodeweave.h"

#include "app/consolelog.h"

#include <QPoint>
#include <QSettings>
#include <QSize>

// Values are read with defaults and not checked: a stored index outside a box's items
// leaves that box without a current item, and texts go into their fields as stored.
void Nodeweave::loadSettings()
{
    settings->beginGroup(QStringLiteral("LANG"));
    langButton->setText(
        settings->value(QStringLiteral("lang"), QStringLiteral("English")).toString());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("pos&size"));
    const QPoint pos = settings->value(QStringLiteral("pos"), QPoint(100, 50)).toPoint();
    const QSize size = settings->value(QStringLiteral("size"), QSize(1200, 550)).toSize();
    const bool isMax = settings->value(QStringLiteral("isMax"), false).toBool();
    if (isMax) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        resize(size);
        move(pos);
    }
    settings->endGroup();

    settings->beginGroup(QStringLiteral("comSettings"));
    ui.comboBox_bps->setCurrentIndex(settings->value(QStringLiteral("bps"), 5).toInt());
    ui.comboBox_dataBit->setCurrentIndex(settings->value(QStringLiteral("dataBit"), 3).toInt());
    ui.comboBox_parBit->setCurrentIndex(settings->value(QStringLiteral("parBit"), 0).toInt());
    ui.comboBox_stopBit->setCurrentIndex(settings->value(QStringLiteral("stopBit"), 0).toInt());
    // The last port opened (offered again once the list is read) and whether a lost port
    // is reopened when it comes back.
    lastPort = settings->value(QStringLiteral("port"), QString()).toString();
    ui.checkBox_reconnect->setChecked(settings->value(QStringLiteral("reconnect"), false).toBool());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("consoleSettings"));
    ui.lineEdit_cmd->insert(
        settings->value(QStringLiteral("cmd_line"), QStringLiteral("AT")).toString());
    ui.lineEdit_regular_time->setText(
        settings->value(QStringLiteral("regularly_send_time"), QString()).toString());
    consoleLog->setShowTime(settings->value(QStringLiteral("logTime"), false).toBool());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("scan"));
    ui.lineEdit_scanTime->insert(
        settings->value(QStringLiteral("scanTime"), QStringLiteral("5")).toString());
    settings->endGroup();
}

// The settings shown on the configuration pages, once they are made.
void Nodeweave::loadPageSettings()
{
    settings->beginGroup(QStringLiteral("sendPkt"));
    pageNet->lineEdit_sendPkt_DATA->setText(
        settings->value(QStringLiteral("sendPktData"), QString()).toString());
    settings->endGroup();
}

void Nodeweave::saveSettings()
{
    if (batchPanel)
        settings->setValue(QStringLiteral("batch/verify"), batchPanel->verify());
    settings->beginGroup(QStringLiteral("LANG"));
    settings->setValue(QStringLiteral("lang"), langButton->text());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("pos&size"));
    settings->setValue(QStringLiteral("pos"), pos());
    settings->setValue(QStringLiteral("size"), size());
    settings->setValue(QStringLiteral("isMax"), isMaximized());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("comSettings"));
    settings->setValue(QStringLiteral("bps"), ui.comboBox_bps->currentIndex());
    settings->setValue(QStringLiteral("dataBit"), ui.comboBox_dataBit->currentIndex());
    settings->setValue(QStringLiteral("stopBit"), ui.comboBox_stopBit->currentIndex());
    settings->setValue(QStringLiteral("parBit"), ui.comboBox_parBit->currentIndex());
    settings->setValue(QStringLiteral("port"), lastPort);
    settings->setValue(QStringLiteral("reconnect"), ui.checkBox_reconnect->isChecked());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("consoleSettings"));
    settings->setValue(QStringLiteral("cmd_line"), ui.lineEdit_cmd->text());
    settings->setValue(QStringLiteral("regularly_send_time"), ui.lineEdit_regular_time->text());
    settings->setValue(QStringLiteral("logTime"), consoleLog->showTime());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("scan"));
    settings->setValue(QStringLiteral("scanTime"), ui.lineEdit_scanTime->text());
    settings->endGroup();

    // Pages never made hold what was loaded: the stored packet stays as it is.
    if (pageNet) {
        settings->beginGroup(QStringLiteral("sendPkt"));
        settings->setValue(QStringLiteral("sendPktData"), pageNet->lineEdit_sendPkt_DATA->text());
        settings->endGroup();
    }

    settings->sync();
}
