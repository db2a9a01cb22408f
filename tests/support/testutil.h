#pragma once

// Shared by the window suites: a fresh window in a temporary working directory (so every
// case starts from its own settings file), dialogs answered by the test, and the built-in
// simulated module as the port.

#include "app/dialogs.h"
#include "app/nodeweave.h"
#include "sim/simmodule.h"
#include "testaccess.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

struct WindowFixture
{
    QTemporaryDir dir;
    QString oldCwd = QDir::currentPath();
    QStringList messages;  // texts of message boxes shown, in order
    QStringList questions; // texts of questions asked, in order
    bool answerYes = true; // answer to the next questions
    QString nextSaveFile;  // answer of the next save dialog ("" = cancel)
    QString nextOpenFile;  // answer of the next open dialog ("" = cancel)
    QStringList abouts;    // "title|text" of each About box shown
    QList<QUrl> opened;    // what was handed to the desktop to open
    bool openWorks = true; // whether the desktop could open it
    std::unique_ptr<Nodeweave> w;

    // ./Nodeweave.ini, which the window then uses, holds `iniText` (empty by default).
    explicit WindowFixture(const QByteArray &iniText = QByteArray(), bool show = true)
    {
        QDir::setCurrent(dir.path());
        if (QFile ini(dir.filePath(QStringLiteral("Nodeweave.ini")));
            ini.open(QIODevice::WriteOnly))
            ini.write(iniText);
        // Message boxes and file dialogs are answered by the fixture instead of shown.
        Dialogs::setHooks({
            [this](const QString &text) { messages.append(text); },
            [this](const QString &text) { return questions.append(text), answerYes; },
            [this](const QString &) { return nextSaveFile; },
            [this](const QString &) { return nextOpenFile; },
            [this](const QString &title, const QString &text) {
                abouts.append(title + QLatin1Char('|') + text);
            },
            [this](const QUrl &url) { return opened.append(url), openWorks; },
        });
        build(show);
    }

    // As main() does: the translator is installed once the window exists.
    void build(bool show)
    {
        w = std::make_unique<Nodeweave>();
        QCoreApplication::installTranslator(w->appTranslator());
        w->retranslate();
        if (!show)
            return;
        w->show();
        // The configuration pages come once the window has been painted.
        const auto pagesMade = [this] {
            return w->findChild<QWidget *>(QStringLiteral("scrollArea_tab2")) != nullptr;
        };
        if (!QTest::qWaitFor(pagesMade, 5000))
            qFatal("the configuration pages were not made after the first paint");
    }

    ~WindowFixture()
    {
        w.reset();
        Dialogs::clearHooks();
        QDir::setCurrent(oldCwd);
    }

    // Closes the window as the user does (settings are written) and builds a new one.
    void restart(bool show = true)
    {
        w->close();
        w.reset();
        build(show);
    }

    template <typename T> T *find(const char *name) const
    {
        T *child = w->findChild<T *>(QString::fromLatin1(name));
        if (!child)
            qFatal("no widget named %s", name);
        return child;
    }

    // Chooses a port entry (the simulated module by default) and presses Open.
    bool openPort(const QString &entry = Nodeweave::simulatorPortName())
    {
        auto *box = find<QComboBox>("comboBox_comPort");
        if (box->findText(entry) >= 0)
            box->setCurrentIndex(box->findText(entry));
        else
            box->setEditText(entry);
        find<QPushButton>("pushButton_openCom")->click();
        return find<QPushButton>("pushButton_send")->isEnabled();
    }

    SimModule *sim() const { return w->simulator(); }
    QString status() const { return w->statusBar()->currentMessage(); }
};

// The log's entries, once everything received so far has been shown.
QStringList logTexts(const WindowFixture &f);

QStringList columnTexts(const QTableWidget *table, int column = 0);

// A form described in one string, items separated by ";": "name=value" a field's value
// (a combo box's or line edit's text, "on"/"off" for a check or radio button, a label's or
// push button's text, a number for a spin box or slider), "+name" enabled, "-name"
// disabled. formSet() sets the values as the user does and clicks a bare name;
// formDiff() says what differs, one "item (actual)" a line, or nothing.
void formSet(WindowFixture &f, const QString &form);
QString formDiff(WindowFixture &f, const QString &form);
#define QCOMPARE_FORM(f, form) QCOMPARE(formDiff(f, form), QString())

void setRemoteTarget(const WindowFixture &f, const QString &net, const QString &mac = QString());

// Sets a line edit as a user does: select all, then type.
void type(QLineEdit *edit, const QString &text);
