#pragma once

#include <QProgressBar>

// A shown QProgressBar repaints itself at once whenever a new value moves the bar, which
// during a sequence means a paint and a flush to the screen for every command. With its
// updates held for the call, the new value joins the window's next ordinary paint.
inline void showProgressQuietly(QProgressBar *bar, int value)
{
    if (bar->value() == value)
        return;
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true);
}
