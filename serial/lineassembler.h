#pragma once

#include <QByteArray>
#include <QList>

// Cuts received bytes into lines that end with CR LF (the CR LF stays part of the line).
// A lone CR or LF never ends a line, and a line split anywhere, even between CR and LF,
// is still one line. A partial line waits for more bytes, across any number of calls.
//
// The buffer is bounded: once a run of maxPending bytes holds no CR LF, that run is
// handed out as an overflow chunk and dropped, so a peer that never ends its lines
// cannot make the program's memory grow without limit.
class LineAssembler
{
public:
    static constexpr int defaultMaxPending = 64 * 1024;

    explicit LineAssembler(int maxPending = defaultMaxPending) : m_maxPending(maxPending) {}

    struct Result
    {
        QList<QByteArray> lines;     // complete lines, in order
        QList<QByteArray> overflows; // runs dropped for holding no line end
    };

    // Appends bytes and takes every complete line now held.
    Result feed(const QByteArray &bytes);

    int pendingSize() const { return int(m_buffer.size()); }
    const QByteArray &pending() const { return m_buffer; }

private:
    QByteArray m_buffer;
    int m_maxPending;
};
