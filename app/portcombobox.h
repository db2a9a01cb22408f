#pragma once

#include <QComboBox>

// The port box: says when its list is about to drop down, so the list can be read
// afresh first (an adapter plugged in a moment ago is then already in it).
class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        emit popupAboutToShow();
        QComboBox::showPopup();
    }

signals:
    void popupAboutToShow();
};
