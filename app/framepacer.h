#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

// Paints a window at most once a frame while a run changes it by itself. Qt repaints a
// window on the turn of the event loop after anything in it changed; a configuration run
// changes a field, the page, the progress and the counters every two milliseconds or so,
// and each of those paints (with its copy to the screen) sat between a reply and the next
// command. While busy, a change a frame after the last picture is painted at once (a run's
// start counts as a picture); changes that follow closely are held until the frame is due
// and painted together. Otherwise every change is painted as soon as Qt would: what the
// user does, and the log's own frames, wait for nothing.
class FramePacer : public QObject
{
    Q_OBJECT

public:
    // As often as the log shows lines under traffic: ten pictures of a read that takes a
    // second are plenty to follow it.
    static constexpr int kBusyFrameMs = 100;

    explicit FramePacer(QWidget *window);

    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    // Runs `change`, which only the eye needs, just before the window's next picture while
    // busy, and on the next turn of the event loop otherwise. A run that shows page after
    // page then shows the one it is on at each picture: turning to a page shows and lays
    // out dozens of widgets, which cost a reply its turn when done for every page.
    void atNextFrame(std::function<void()> change);
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
    void release();
    void runFrameChanges();

    QWidget *m_window;
    QElapsedTimer m_started;
    std::function<qint64()> m_clock;
    qint64 m_lastFrameMs = -1;
    QTimer m_due;
    QList<std::function<void()>> m_frameChanges;
    bool m_busy = false;
    bool m_releasing = false;
};
