#include "serial/lineassembler.h"

LineAssembler::Result LineAssembler::feed(const QByteArray &bytes)
{
    Result r;
    // Only the tail can hold a CR LF that these bytes complete, so the search starts one
    // byte before the new data instead of rescanning the whole partial line.
    qsizetype from = qMax<qsizetype>(0, m_buffer.size() - 1);
    m_buffer.append(bytes);
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = m_buffer.indexOf("\r\n", qMax(from, start));
        if (end < 0)
            break;
        r.lines.append(m_buffer.mid(start, end + 2 - start));
        start = end + 2;
        from = start;
    }
    if (start > 0)
        m_buffer.remove(0, start);
    while (m_buffer.size() >= m_maxPending) {
        // Keep a trailing CR: it may be the first half of a line end still to come.
        qsizetype cut = m_maxPending;
        if (cut > 1 && m_buffer.at(cut - 1) == '\r')
            --cut;
        r.overflows.append(m_buffer.left(cut));
        m_buffer.remove(0, cut);
    }
    return r;
}
