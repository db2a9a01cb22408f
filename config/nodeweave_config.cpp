// PLACEHOLDER: replaced wholesale by the helper that builds this area.
#include "nodeweave.h"
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

void Nodeweave::on_pushButton_readConfiguration_clicked() {}
void Nodeweave::on_pushButton_writeConfiguartion_clicked() {}
void Nodeweave::on_pushButton_stopCfg_clicked() {}
void Nodeweave::readCfgRecvNewLine(const QString &) {}
void Nodeweave::writeCfgRecvNewLine(const QString &) {}
void Nodeweave::readCfgTimeout() {}
void Nodeweave::writeCfgTimeout() {}
void Nodeweave::initReadCfgQueue() {}
void Nodeweave::initWriteCfgQueue() {}
void Nodeweave::clearCfgForm() {}
void Nodeweave::readCfgStart() {}
void Nodeweave::readCfgSendCurrent() {}
void Nodeweave::readCfgNext() {}
void Nodeweave::readCfgDone(bool) {}
void Nodeweave::writeCfgStart() {}
void Nodeweave::writeCfgSendCurrent() {}
void Nodeweave::writeCfgNext() {}
void Nodeweave::writeCfgDone(bool) {}
