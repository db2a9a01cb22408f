#include "app/nodeweave.h"

#include "at/commands.h"
#include "at/consolelog.h"

#include <QIODevice>

void Nodeweave::addToCounter(QLabel *label, qint64 amount)
{
    showCounter(label, QString::number(label->text().toLongLong() + amount));
}

void Nodeweave::showRecvCount()
{
    const QString shown = QString::number(recvCount);
    if (ui.label_recvCnt->text() != shown)
        showCounter(ui.label_recvCnt, shown);
}

// A counter's width is fixed so that counting never relays the window out; it grows by
// a digit, once, when a count outgrows it.
void Nodeweave::showCounter(QLabel *label, const QString &text)
{
    label->setText(text);
    const int needed = label->fontMetrics().horizontalAdvance(text) + 2 * label->margin() + 2;
    if (needed > label->minimumWidth())
        label->setFixedWidth(needed + label->fontMetrics().horizontalAdvance(QLatin1Char('0')));
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
    consoleLog->scheduleFrame();
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
}

void Nodeweave::sendCmd(QString cmd)
{
    comSend(Command::line(
        targetDevice->isLocal ? cmd : Command::addressed(cmd, false, targetDevice->netAddr)));
}
