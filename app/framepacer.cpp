#include "framepacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <utility>

FramePacer::FramePacer(QWidget *window) : QObject(window), m_window(window)
{
    m_started.start();
    m_clock = [this] {
        return m_started.elapsed();
    };
    m_due.setSingleShot(true);
    // A coarse timer may fire late by a twentieth of its interval.
    m_due.setTimerType(Qt::PreciseTimer);
    connect(&m_due, &QTimer::timeout, this, &FramePacer::release);
    window->installEventFilter(this);
}

void FramePacer::setBusy(bool busy)
{
    // A run's first picture waits a frame: what its start changed (the form greyed out, the
    // first command in the log) repaints most of the window, and painting it at once sat
    // between the first command and its reply. A run shorter than a frame is then shown
    // once, at its end, without flashing its busy look.
    if (busy && !m_busy) {
        m_lastFrameMs = m_clock();
        // The last run's closing picture, if still to come, is this one's first.
        if (m_due.isActive())
            m_due.start(kBusyFrameMs);
    }
    m_busy = busy;
    // The end of a run is shown at once, not a frame after the last picture.
    if (!busy && m_due.isActive())
        m_due.start(0);
}

bool FramePacer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::UpdateRequest)
        return false;
    const qint64 now = m_clock();
    const qint64 since = m_lastFrameMs < 0 ? kBusyFrameMs : now - m_lastFrameMs;
    if (m_releasing || !m_busy || since >= kBusyFrameMs) {
        m_due.stop();
        m_lastFrameMs = now;
        runFrameChanges();
        return false;
    }
    // Held: Qt asks for no second update while one is outstanding, so the one sent when
    // the frame is due paints everything that changed meanwhile.
    if (!m_due.isActive())
        m_due.start(int(kBusyFrameMs - since));
    return true;
}

void FramePacer::atNextFrame(std::function<void()> change)
{
    if (!m_busy) {
        QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
        return;
    }
    m_frameChanges.append(std::move(change));
    // The picture it waits for comes when the frame is due, whether or not anything else
    // asked for one.
    if (!m_due.isActive()) {
        const qint64 since = m_lastFrameMs < 0 ? kBusyFrameMs : m_clock() - m_lastFrameMs;
        m_due.start(int(std::clamp<qint64>(kBusyFrameMs - since, 0, kBusyFrameMs)));
    }
}

// Made inside the paint's own turn, the changes join the picture being painted.
void FramePacer::runFrameChanges()
{
    for (const auto &change : std::exchange(m_frameChanges, {}))
        change();
}

void FramePacer::release()
{
    runFrameChanges();
    m_releasing = true;
    QEvent update(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(m_window, &update);
    m_releasing = false;
}
