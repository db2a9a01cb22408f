// PLACEHOLDER: replaced wholesale by the helper that builds this area.
#include "nodeweave.h"
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

void Nodeweave::on_pushButton_reset_clicked() {}
void Nodeweave::on_pushButton_restore_clicked() {}
void Nodeweave::on_comboBox_defaultWorkMode_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_deviceType_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_deviceBps_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_deviceStopBit_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_deviceDataBit_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_deviceParBit_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_deviceFlow_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_CH_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_netLock_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_autoNet_currentIndexChanged(int) {}
void Nodeweave::on_pushButton_startNet_clicked() {}
void Nodeweave::on_pushButton_leaveNet_clicked() {}
void Nodeweave::on_pushButton_netRst_clicked() {}
