// PLACEHOLDER: replaced wholesale by the helper that builds this area.
#include "nodeweave.h"
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

void Nodeweave::on_pushButton_scan_clicked() {}
void Nodeweave::scanStart() {}
void Nodeweave::scanTiming() {}
void Nodeweave::scanProc(const QString &) {}
void Nodeweave::scanDone() {}
void Nodeweave::on_checkBox_deviceSelectAll_toggled(bool) {}
void Nodeweave::on_tableWidget_device_cellClicked(int, int) {}
void Nodeweave::targetDeviceUpdate(const ZBdevice *) {}
void Nodeweave::on_comboBox_consoleAddrMode_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_TID_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_sendPkt_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_TPIO9_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_TPIO10_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_TPIO14_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_TPIO15_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_TPIO17_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_IOSMP9_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_IOSMP10_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_IOSMP14_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_IOSMP15_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_IOSMP17_AM_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_ADSMP1_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_ADSMP2_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_ADSMP3_currentIndexChanged(int) {}
void Nodeweave::on_comboBox_ADSMP4_currentIndexChanged(int) {}
void Nodeweave::clearAddressLists() {}
void Nodeweave::offerDeviceToAddressLists(const ZBdevice &) {}
