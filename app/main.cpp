#include "app/nodeweave.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

// What the program does at start (settings file, port opened, window shown). Quiet
// unless asked for with QT_LOGGING_RULES="nodeweave.start.info=true"; a port that
// cannot be opened is a warning and always shown.
Q_LOGGING_CATEGORY(lcStart, "nodeweave.start", QtWarningMsg)

namespace {

// The command line is read before the GUI starts, so --help, --version and a wrong
// option work without a display (over ssh, in a package check).
struct CommandLine
{
    QString port;
    QString settingsFile;
};

// Returns -1 to go on, or the exit status when the program ends here.
int parseCommandLine(int argc, char *argv[], CommandLine &out)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configures and exercises a ZigBee radio module over a serial port."));
    // Qt's own options are written with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Not addHelpOption(): its --help-all describes Qt's options, which need an application
    // object that does not exist yet.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Select the port <name> (a port list entry, a device path or "
                       "\"Simulator\") and open it at start."),
        QStringLiteral("name"));
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Keep the settings in <file> instead of ./Nodeweave.ini when that "
                       "exists, else ~/.config/Tellwind/Nodeweave/Nodeweave.ini."),
        QStringLiteral("file"));
    parser.addOption(port);
    parser.addOption(settings);
    // QApplication takes these itself; they are listed only so that they are not unknown.
    for (const char *name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style", "stylesheet"}) {
        QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb"}) {
        QCommandLineOption o(QString::fromLatin1(name));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }

    const bool parsed = parser.parse(args);
    // Without an application object the parser cannot name the program.
    const QString usage =
        parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("nodeweave"));
    if (parsed && parser.isSet(help)) {
        std::fputs(qPrintable(usage), stdout);
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        std::printf("nodeweave %s\n", NODEWEAVE_VERSION);
        return 0;
    }
    if (!parsed || !parser.positionalArguments().isEmpty()) {
        const QString why = parsed ? QStringLiteral("unexpected argument '%1'")
                                         .arg(parser.positionalArguments().constFirst())
                                   : parser.errorText();
        std::fprintf(stderr, "nodeweave: %s\n\n%s", qPrintable(why), qPrintable(usage));
        return 2;
    }
    out.port = parser.value(port);
    out.settingsFile = parser.value(settings);
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    CommandLine cmd;
    const int status = parseCommandLine(argc, argv, cmd);
    if (status >= 0)
        return status;

    QApplication app(argc, argv);
    // Qt 6 decodes tr() sources as UTF-8 and 8-bit port text through the locale's codec,
    // so nothing needs choosing here.
    QCoreApplication::setOrganizationName(QObject::tr("Tellwind"));
    QCoreApplication::setOrganizationDomain(QObject::tr("tellwind.example"));
    QCoreApplication::setApplicationName(QObject::tr("Nodeweave"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NODEWEAVE_VERSION));
    // Names the installed desktop entry, so Wayland shells show its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral(NODEWEAVE_APP_ID));

    Nodeweave::setSettingsFile(cmd.settingsFile);
    Nodeweave window;
    qCInfo(lcStart, "settings file %s", qPrintable(window.settingsFileName()));
    app.installTranslator(window.appTranslator());
    window.retranslate();
    window.show();
    // Once the event loop runs, so a box about a port that will not open has a window
    // under it.
    QTimer::singleShot(0, &window, [&window, &cmd]() {
        if (window.isVisible())
            qCInfo(lcStart, "window shown");
        if (cmd.port.isEmpty())
            return;
        if (window.openPortNamed(cmd.port))
            qCInfo(lcStart, "port %s open", qPrintable(cmd.port));
        else
            qCWarning(lcStart, "cannot open port %s", qPrintable(cmd.port));
    });
    return app.exec();
}
