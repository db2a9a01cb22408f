#pragma once

#include <QByteArray>
#include <QList>

// Cuts received bytes into lines that end with CR LF (the CR LF stays part of the line).
// A lone CR or LF never ends a line, and a line split anywhere, even between CR and LF,
// is still one line. A partial line waits for more bytes, across any number of calls.
//
// The buffer is bounded: once a run of maxPending bytes holds no CR LF, that run is
// handed out as a dropped piece, so a peer that never ends its lines cannot make the
// program's memory grow without limit. The rest of that run, up to and including its
// CR LF, is dropped too (in pieces of at most maxPending bytes): its tail is no line of
// its own. The outcome is the same however the bytes were split into calls.
class LineAssembler
{
public:
    static constexpr int defaultMaxPending = 64 * 1024;

    explicit LineAssembler(int maxPending = defaultMaxPending) : m_maxPending(qMax(1, maxPending))
    {
    }

    struct Piece
    {
        QByteArray bytes;
        bool dropped; // part of an overlong run, not a line
    };

    struct Result
    {
        QList<Piece> pieces; // lines and dropped pieces, in the order they arrived

        QList<QByteArray> lines() const { return select(false); }
        QList<QByteArray> overflows() const { return select(true); }

    private:
        QList<QByteArray> select(bool dropped) const;
    };

    // Appends bytes and takes every complete line now held.
    Result feed(const QByteArray &bytes);

    int pendingSize() const { return int(m_buffer.size()); }
    const QByteArray &pending() const { return m_buffer; }
    // The pending bytes belong to a run that is being dropped.
    bool dropping() const { return m_dropping; }

private:
    QByteArray m_buffer;
    int m_maxPending;
    bool m_dropping = false;
};
