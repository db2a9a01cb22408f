#pragma once

// Shared by the configuration read and write suites: the form's fields by name, the
// state of a run, and hooks into what the simulated module receives.

#include "testutil.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

namespace CfgForm {

// Field name and value: a combo box's current text (the typed text of an editable
// one), a line edit's text, "on"/"off" for check and radio buttons, a number for a
// spin box or slider.
using Values = QList<QPair<QByteArray, QString>>;

inline QString value(WindowFixture &f, const QByteArray &name)
{
    QWidget *w = f.find<QWidget>(name.constData());
    if (auto *box = qobject_cast<QComboBox *>(w))
        return box->currentText();
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
    if (auto *spin = qobject_cast<QSpinBox *>(w))
        return QString::number(spin->value());
    if (auto *slider = qobject_cast<QSlider *>(w))
        return QString::number(slider->value());
    qFatal("no value for %s", name.constData());
}

// Sets the fields as the user would.
inline void set(WindowFixture &f, const Values &values)
{
    for (const auto &[name, text] : values) {
        QWidget *w = f.find<QWidget>(name.constData());
        if (auto *box = qobject_cast<QComboBox *>(w)) {
            if (box->isEditable()) {
                box->setEditText(text);
            } else {
                const int i = box->findText(text);
                if (i < 0)
                    qFatal("%s has no item %s", name.constData(), qPrintable(text));
                box->setCurrentIndex(i);
            }
        } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            edit->setText(text);
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            button->setChecked(text == QLatin1String("on"));
        } else if (auto *spin = qobject_cast<QSpinBox *>(w)) {
            spin->setValue(text.toInt());
        } else {
            qFatal("cannot set %s", name.constData());
        }
    }
}

// The fields that differ from `values`, one "name: actual != expected" per line.
inline QString mismatches(WindowFixture &f, const Values &values)
{
    QStringList out;
    for (const auto &[name, expected] : values) {
        const QString actual = value(f, name);
        if (actual != expected)
            out.append(QString::fromLatin1(name) + QStringLiteral(": ") + actual +
                       QStringLiteral(" != ") + expected);
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace CfgForm

// Runs the event loop until `done` holds. QTest::qWaitFor sleeps between its polls,
// which would add the test's own sleep to every step of a sequence.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(timeoutMs))
            return false;
        // The window's 50 ms poll timer guarantees that this returns regularly.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline bool runEnded(WindowFixture &f)
{
    return waitUntil(
        [&] { return !TestAccess::reading(f.w.get()) && !TestAccess::writing(f.w.get()); });
}

// Runs `action` inside the module, before it carries out the line, the first `times`
// times it receives a line beginning with `prefix`.
inline void onLine(SimModule *sim, const QString &prefix, std::function<void()> action,
                   int times = 1)
{
    auto remaining = std::make_shared<int>(times);
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(sim, &SimModule::lineReceived, sim, [=](const QString &line) {
        if (*remaining <= 0 || !line.startsWith(prefix))
            return;
        if (--*remaining == 0)
            QObject::disconnect(*connection);
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

// Opens the simulated module with short answer times.
inline bool openFast(WindowFixture &f)
{
    if (!f.openPort())
        return false;
    f.sim()->setLocalLatency(1);
    f.sim()->setRemoteLatency(2);
    return true;
}

// What every run ends in, whatever its outcome: empty string when all is as it should be.
inline QString idleMismatches(WindowFixture &f, int tab, bool portOpen = true)
{
    QStringList out;
    auto expect = [&](bool ok, const char *what) {
        if (!ok)
            out.append(QString::fromLatin1(what));
    };
    expect(f.find<QTabWidget>("tabWidget")->currentIndex() == tab, "tab restored");
    auto *bar = f.find<QProgressBar>("progressBar_cfg");
    expect(!bar->isEnabled() && bar->value() == 0, "progress bar reset");
    expect(!f.find<QPushButton>("pushButton_stopCfg")->isEnabled(), "stop disabled");
    expect(f.find<QPushButton>("pushButton_readConfiguration")->isEnabled() == portOpen,
           "read offered with an open port only");
    expect(f.find<QPushButton>("pushButton_writeConfiguartion")->isEnabled() == portOpen,
           "write offered with an open port only");
    expect(f.find<QPushButton>("pushButton_Import")->isEnabled(), "import enabled");
    expect(f.find<QPushButton>("pushButton_Export")->isEnabled(), "export enabled");
    expect(TestAccess::retries(f.w.get()) == 0, "retry counts clear");
    return out.join(QStringLiteral(", "));
}
