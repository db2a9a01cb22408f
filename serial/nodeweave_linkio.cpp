#include "nodeweave.h"

#include <QIODevice>
#include <QSerialPort>

void Nodeweave::addToCounter(QLabel *label, qint64 amount)
{
    showCounter(label, QString::number(label->text().toLongLong() + amount));
}

// Hands on every complete line the buffer holds, in order: one line per call would let a
// backlog grow under steady traffic and deliver replies late.
void Nodeweave::readCom()
{
    if (!portOpen || !serialPort)
        return;
    const QByteArray bytes = serialPort->readAll();
    if (bytes.isEmpty())
        return;
    recvCount += bytes.size();
    scheduleLogFrame();
    const LineAssembler::Result r = rxBuffer.feed(bytes);
    for (const QByteArray &raw : r.lines) {
        const QString line = QString::fromLocal8Bit(raw);
        addStrToLog(line, logRecv);
        emit recvNewLine(line);
    }
    // A run without any line end is shown once so the user sees what arrived, but it is
    // no reply and reaches no handler.
    for (const QByteArray &raw : r.overflows)
        addStrToLog(QString::fromLocal8Bit(raw), logRecv);
}

void Nodeweave::comSend(QString text)
{
    if (!portOpen || !serialPort)
        return;
    addToCounter(ui.label_sendCnt, text.size());
    addStrToLog(text, logSend);
    serialPort->write(text.toLocal8Bit());
    // A serial port would otherwise hand the bytes to the device only on its next
    // event-loop turn, after any pending repaint: the command should be on the line while
    // the window paints, not wait for it.
    if (auto *port = qobject_cast<QSerialPort *>(serialPort))
        port->flush();
}

void Nodeweave::sendCmd(QString cmd)
{
    if (targetDevice->isLocal)
        comSend(cmd + QLatin1String("\r\n"));
    else
        comSend(cmd + QLatin1String(">NID,") + targetDevice->netAddr + QLatin1String("\r\n"));
}
