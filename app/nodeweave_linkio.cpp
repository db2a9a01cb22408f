#include "app/nodeweave.h"

#include "app/consolelog.h"
#include "at/commands.h"

#include <QIODevice>
#include <QSerialPort>
#include <QThread>

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
    // A run without any line end (and the rest of it, up to its CR LF) is shown so the
    // user sees what arrived, but it is no reply and reaches no handler.
    const LineAssembler::Result r = rxBuffer.feed(bytes);
    for (const LineAssembler::Piece &piece : r.pieces) {
        const QString line = QString::fromLocal8Bit(piece.bytes);
        addStrToLog(line, logRecv);
        if (!piece.dropped)
            emit recvNewLine(line);
    }
    // The counter is redrawn with the log's frame, also when no line is complete yet. Asked
    // for after the lines, so that the log counts them as come with this frame.
    consoleLog->scheduleFrame();
}

void Nodeweave::comSend(QString text)
{
    if (!portOpen || !serialPort)
        return;
    const QByteArray bytes = text.toLocal8Bit();
    const qint64 written = serialPort->write(bytes);
    if (written != bytes.size()) {
        // A port that refuses bytes is as good as gone. Only what it took went out; the
        // rest is neither counted nor logged.
        const QString sent = QString::fromLocal8Bit(bytes.left(qMax<qint64>(0, written)));
        if (!sent.isEmpty()) {
            addToCounter(ui.label_sendCnt, sent.size());
            addStrToLog(sent, logSend);
        }
        portLost(QSerialPort::WriteError);
        return;
    }
    // A serial port would otherwise hand the bytes to the device only on its next
    // event-loop turn, after any pending repaint: the command should be on the line while
    // the window paints, not wait for it.
    // Whoever waits for the bytes may share this core: a module simulated on this machine
    // behind a pseudo-terminal would see its command only once the window had logged and
    // counted it and gone back to sleep. It has the core first.
    if (auto *port = qobject_cast<QSerialPort *>(serialPort)) {
        port->flush();
        QThread::yieldCurrentThread();
    }
    addToCounter(ui.label_sendCnt, text.size());
    addStrToLog(text, logSend);
}

void Nodeweave::sendCmd(QString cmd)
{
    comSend(Command::line(
        targetDevice->isLocal ? cmd : Command::addressed(cmd, false, targetDevice->netAddr)));
}
