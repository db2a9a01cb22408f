#include "serial/lineassembler.h"

QList<QByteArray> LineAssembler::Result::select(bool dropped) const
{
    QList<QByteArray> out;
    for (const Piece &p : pieces)
        if (p.dropped == dropped)
            out.append(p.bytes);
    return out;
}

LineAssembler::Result LineAssembler::feed(const QByteArray &bytes)
{
    Result r;
    // The pending bytes hold no CR LF, so only the last of them can start one that the
    // new bytes complete: the search starts there instead of rescanning the partial line.
    const qsizetype from = qMax<qsizetype>(0, m_buffer.size() - 1);
    m_buffer.append(bytes);
    qsizetype start = 0;
    qsizetype end = m_buffer.indexOf("\r\n", from);
    for (;;) {
        // The run from `start` ends after its CR LF, or at the end of what has arrived.
        const qsizetype runSize = (end < 0 ? m_buffer.size() : end + 2) - start;
        if (runSize > m_maxPending || (end < 0 && runSize == m_maxPending && runSize > 0)) {
            // maxPending bytes without a line end: they are cut off where a receiver
            // taking one byte at a time would have cut them. A CR there is kept: it may be
            // the first half of the line end still to come. A cut never passes `end`.
            qsizetype cut = m_maxPending;
            if (cut > 1 && m_buffer.at(start + cut - 1) == '\r')
                --cut;
            r.pieces.append({m_buffer.mid(start, cut), true});
            start += cut;
            m_dropping = true;
            continue;
        }
        if (end < 0)
            break;
        // A line, or the end of the run being dropped.
        r.pieces.append({m_buffer.mid(start, runSize), m_dropping});
        m_dropping = false;
        start = end + 2;
        end = m_buffer.indexOf("\r\n", start);
    }
    if (start > 0)
        m_buffer.remove(0, start);
    return r;
}
