#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

// Paints a window at most once a frame. Qt repaints a window on the turn of the event loop
// after anything in it changed; a configuration run changes a field, the page, the progress
// and the counters every two milliseconds or so, and each of those paints (with its copy to
// the screen) sat between a reply and the next command. A change after a quiet spell is
// painted at once, as before; changes that follow closely are held until the frame is due
// and painted together.
class FramePacer : public QObject
{
    Q_OBJECT

public:
    // As often as a screen shows frames: typing, dragging and scrolling stay smooth.
    static constexpr int kFrameMs = 16;
    // While a run changes the window by itself, as often as the log shows lines under
    // traffic: ten pictures of a read that takes a second are plenty to follow it.
    static constexpr int kBusyFrameMs = 100;

    explicit FramePacer(QWidget *window);

    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    // Milliseconds from the moment a paint was held to when it is let through, or -1 when
    // none is held.
    int heldFor() const { return m_due.isActive() ? m_due.interval() : -1; }
    // The clock frames are paced by (milliseconds, never going back), for tests. The
    // window counts as quiet on the new clock.
    void setClock(std::function<qint64()> msecs)
    {
        m_clock = std::move(msecs);
        m_lastFrameMs = -1;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int frameMs() const { return m_busy ? kBusyFrameMs : kFrameMs; }
    void release();

    QWidget *m_window;
    QElapsedTimer m_started;
    std::function<qint64()> m_clock;
    qint64 m_lastFrameMs = -1;
    QTimer m_due;
    bool m_busy = false;
    bool m_releasing = false;
};
