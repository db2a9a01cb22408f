// PLACEHOLDER: replaced wholesale by the helper that builds this area.
#include "nodeweave.h"
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

void Nodeweave::on_pushButton_sendPkt_clicked() {}
void Nodeweave::on_checkBox_sendPkt_regulerSend_toggled(bool) {}
void Nodeweave::on_radioButton_9input_toggled(bool) {}
void Nodeweave::on_comboBox_9output_currentIndexChanged(int) {}
void Nodeweave::on_checkBox_TPIO9_toggled(bool) {}
void Nodeweave::on_checkBox_IOSMP9_toggled(bool) {}
void Nodeweave::on_radioButton_10input_toggled(bool) {}
void Nodeweave::on_comboBox_10output_currentIndexChanged(int) {}
void Nodeweave::on_checkBox_TPIO10_toggled(bool) {}
void Nodeweave::on_checkBox_IOSMP10_toggled(bool) {}
void Nodeweave::on_radioButton_14input_toggled(bool) {}
void Nodeweave::on_comboBox_14output_currentIndexChanged(int) {}
void Nodeweave::on_checkBox_TPIO14_toggled(bool) {}
void Nodeweave::on_checkBox_IOSMP14_toggled(bool) {}
void Nodeweave::on_radioButton_15input_toggled(bool) {}
void Nodeweave::on_comboBox_15output_currentIndexChanged(int) {}
void Nodeweave::on_checkBox_TPIO15_toggled(bool) {}
void Nodeweave::on_checkBox_IOSMP15_toggled(bool) {}
void Nodeweave::on_radioButton_17input_toggled(bool) {}
void Nodeweave::on_comboBox_17output_currentIndexChanged(int) {}
void Nodeweave::on_checkBox_TPIO17_toggled(bool) {}
void Nodeweave::on_checkBox_IOSMP17_toggled(bool) {}
void Nodeweave::adc1SmpToggle(bool) {}
void Nodeweave::adc1SmpCtrl() {}
void Nodeweave::adc2SmpToggle(bool) {}
void Nodeweave::adc2SmpCtrl() {}
void Nodeweave::adc3SmpToggle(bool) {}
void Nodeweave::adc3SmpCtrl() {}
void Nodeweave::adc4SmpToggle(bool) {}
void Nodeweave::adc4SmpCtrl() {}
void Nodeweave::pwm1CtrlToggle(bool) {}
void Nodeweave::pwm1Ctrl() {}
void Nodeweave::pwm2CtrlToggle(bool) {}
void Nodeweave::pwm2Ctrl() {}
void Nodeweave::pwm3CtrlToggle(bool) {}
void Nodeweave::pwm3Ctrl() {}
