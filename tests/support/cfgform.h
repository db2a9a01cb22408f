#pragma once

// The configuration form's fields by name, the state of a run, and hooks into the module.

#include "testutil.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

namespace CfgForm {

// Field name and value: a combo box's (edit) text, a line edit's text, "on"/"off", a number;
// parsed from "name=value name=value …".
using Values = QList<QPair<QByteArray, QString>>;

inline Values parse(const QString &text)
{
    Values out;
    for (const QString &item : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.append(
            {item.section(QLatin1Char('='), 0, 0).toLatin1(), item.section(QLatin1Char('='), 1)});
    return out;
}

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

inline void set(WindowFixture &f, const Values &values)
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

// The fields that differ from `values`, as "name: actual != expected" lines.
inline QString mismatches(WindowFixture &f, const Values &values)
{
    QStringList out;
    for (const auto &[name, expected] : values) {
        if (const QString actual = value(f, name); actual != expected)
            out << QString::fromLatin1(name) + QStringLiteral(": ") + actual +
                       QStringLiteral(" != ") + expected;
    }
    return out.join(QLatin1Char('\n'));
}

// "1" or "0" for each widget named (separated by spaces): whether it is enabled.
inline QString enabled(WindowFixture &f, const char *names)
{
    QString out;
    for (const QByteArray &name : QByteArray(names).split(' '))
        out += QLatin1Char(f.find<QWidget>(name.constData())->isEnabled() ? '1' : '0');
    return out;
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

inline bool runEnded(WindowFixture &f)
{
    return waitUntil(
        [&] { return !TestAccess::reading(f.w.get()) && !TestAccess::writing(f.w.get()); });
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
    int n = 0;
    for (const QString &line : sim->receivedLines())
        n += line.startsWith(prefix);
    return n;
}

inline bool openFast(WindowFixture &f)
{
    const bool open = f.openPort();
    f.sim()->setLocalLatency(1);
    f.sim()->setRemoteLatency(2);
    return open;
}

// "" when the window is as every run leaves it: the tab restored, the bar and Stop idle, Read
// and Write offered with an open port only, the file buttons free, no retry count left.
inline QString idleMismatches(WindowFixture &f, int tab, bool portOpen = true)
{
    const QString state = QStringLiteral("tab %1, bar %2, retries %3, enabled %4")
                              .arg(f.find<QTabWidget>("tabWidget")->currentIndex())
                              .arg(f.find<QProgressBar>("progressBar_cfg")->value())
                              .arg(TestAccess::retries(f.w.get()))
                              .arg(CfgForm::enabled(f, "progressBar_cfg pushButton_stopCfg "
                                                       "pushButton_readConfiguration "
                                                       "pushButton_writeConfiguartion "
                                                       "pushButton_Import pushButton_Export"));
    const QString open = QString::number(int(portOpen));
    const QString idle = QStringLiteral("tab %1, bar 0, retries 0, enabled 00").arg(tab);
    return state == idle + open + open + QStringLiteral("11") ? QString() : state;
}
