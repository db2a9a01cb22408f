#pragma once

// The configuration form's fields by name, the state of a run, and hooks into the module.

#include "testutil.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

namespace CfgForm {

inline QString value(WindowFixture &f, const QByteArray &name)
{
    QWidget *w = f.find<QWidget>(name.constData());
    if (auto *box = qobject_cast<QComboBox *>(w))
        return box->currentText();
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return QLatin1String(button->isChecked() ? "on" : "off");
    return QString::number(w->property("value").toInt()); // spin box or slider
}

// Field name and value: a combo box's (edit) text, a line edit's text, "on"/"off", a number.
inline void set(WindowFixture &f, const QList<QPair<QByteArray, QString>> &values)
{
    for (const auto &[name, text] : values) {
        QWidget *w = f.find<QWidget>(name.constData());
        auto *box = qobject_cast<QComboBox *>(w);
        if (box && box->isEditable())
            box->setEditText(text);
        else if (box && box->findText(text) >= 0)
            box->setCurrentIndex(box->findText(text));
        else if (auto *edit = qobject_cast<QLineEdit *>(w))
            edit->setText(text);
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            button->setChecked(text == QLatin1String("on"));
        else if (!box)
            w->setProperty("value", text.toInt());
        else
            qFatal("%s has no item %s", name.constData(), qPrintable(text));
    }
}

} // namespace CfgForm

// Runs the event loop until `done` holds, without the sleeps of QTest::qWaitFor between polls
// (the window's 50 ms poll timer wakes it).
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && !clock.hasExpired(timeoutMs))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// A read under way that the module leaves unanswered (on), or stopped (off).
inline void holdRead(WindowFixture &f, bool on)
{
    f.sim()->setSilent(on);
    f.find<QAbstractButton>(on ? "pushButton_readConfiguration" : "pushButton_stopCfg")->click();
}

inline bool runEnded(WindowFixture &f)
{
    return waitUntil([&] { return !TestAccess::sequenceRunning(f.w.get()); });
}

// Runs `action` before the module carries out each of its next `times` lines with `prefix`.
inline void onLine(SimModule *sim, const QString &prefix, std::function<void()> action,
                   int times = 1)
{
    auto left = std::make_shared<int>(times);
    QObject::connect(sim, &SimModule::lineReceived, sim, [=](const QString &line) {
        if (*left > 0 && line.startsWith(prefix) && (*left)--)
            action();
    });
}

inline int countOf(SimModule *sim, const QString &prefix)
{
    return int(sim->receivedLines()
                   .filter(QRegularExpression('^' + QRegularExpression::escape(prefix)))
                   .size());
}

inline bool openFast(WindowFixture &f)
{
    const bool open = f.openPort();
    f.sim()->setLocalLatency(1);
    f.sim()->setRemoteLatency(2);
    return open;
}

// Every field the configuration tabs show, by widget name; `fileOnly`: only what a file holds.
inline QMap<QString, QString> formState(WindowFixture &f, bool fileOnly = true)
{
    static const QRegularExpression field(QStringLiteral(
        "^(comboBox|lineEdit|radioButton|checkBox|spinBox|horizontalSlider)_(?!sendPkt)"));
    static const QRegularExpression notInFile(QStringLiteral(
        "^lineEdit_(device(Part|SoftwareVer|Nid|Mid|RunState)|LQI|\\d+curInput|AD\\d)$"));
    QMap<QString, QString> s;
    for (QWidget *w : f.find<QTabWidget>("tabWidget")->findChildren<QWidget *>()) {
        const QString name = w->objectName();
        if (field.match(name).hasMatch() && !(fileOnly && notInFile.match(name).hasMatch()))
            s[name] = CfgForm::value(f, name.toLatin1());
    }
    return s;
}
