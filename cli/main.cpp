// nodeweave-cli: the configuration work of the window without a window, on several ports
// at once: list ports, scan, read a configuration into a file, write one (a batch, with
// verification and a report), send one command.
#include "cli/clirun.h"

#include "config/cfgfileformat.h"
#include "config/nodevalues.h"
#include "network/scanprotocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#endif

namespace {

const QStringList kCommands = {QStringLiteral("ports"), QStringLiteral("scan"),
                               QStringLiteral("read"), QStringLiteral("write"),
                               QStringLiteral("send")};

int usage(const QString &text)
{
    std::fprintf(stderr, "nodeweave-cli: %s\nTry 'nodeweave-cli --help'.\n", qPrintable(text));
    return StatusUsage;
}

// ---- Ctrl+C: stops like the window's Stop button ----

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};

void onSigint(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
    // A second Ctrl+C ends the program at once.
    struct sigaction sa
    {
    };
    sa.sa_handler = SIG_DFL;
    sigaction(SIGINT, &sa, nullptr);
}

void catchInterrupt(CliRun *run)
{
    if (pipe(g_signalPipe) != 0)
        return;
    fcntl(g_signalPipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(g_signalPipe[1], F_SETFD, FD_CLOEXEC);
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, run);
    QObject::connect(notifier, &QSocketNotifier::activated, run, [run, notifier] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
        notifier->setEnabled(false);
        run->interrupt();
    });
    struct sigaction sa
    {
    };
    sa.sa_handler = onSigint;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    // A parent may have left SIGINT blocked; Ctrl+C must still reach the run.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}
#else
// Without POSIX signals: the standard handler only raises a flag, which a timer looks at.
volatile std::sig_atomic_t g_interrupted = 0;

void onSigint(int)
{
    g_interrupted = 1;
}

void catchInterrupt(CliRun *run)
{
    std::signal(SIGINT, onSigint);
    auto *poll = new QTimer(run);
    QObject::connect(poll, &QTimer::timeout, run, [run, poll] {
        if (!g_interrupted)
            return;
        poll->stop();
        run->interrupt();
    });
    poll->start(100);
}
#endif

// ---- the options ----

bool parseSettings(const QCommandLineParser &p, PortSettings *s, QString *why)
{
    if (p.isSet(QStringLiteral("baud"))) {
        bool ok = false;
        const int baud = p.value(QStringLiteral("baud")).toInt(&ok);
        if (!ok || baud <= 0)
            return *why = QStringLiteral("--baud needs a positive number"), false;
        s->baudRate = baud;
    }
    if (p.isSet(QStringLiteral("data-bits"))) {
        bool ok = false;
        const int bits = p.value(QStringLiteral("data-bits")).toInt(&ok);
        if (!ok || bits < 5 || bits > 8)
            return *why = QStringLiteral("--data-bits must be 5, 6, 7 or 8"), false;
        s->dataBits = QSerialPort::DataBits(bits);
    }
    if (p.isSet(QStringLiteral("parity"))) {
        const QString v = p.value(QStringLiteral("parity")).toLower();
        if (v == QLatin1String("none"))
            s->parity = QSerialPort::NoParity;
        else if (v == QLatin1String("even"))
            s->parity = QSerialPort::EvenParity;
        else if (v == QLatin1String("odd"))
            s->parity = QSerialPort::OddParity;
        else
            return *why = QStringLiteral("--parity must be none, even or odd"), false;
    }
    if (p.isSet(QStringLiteral("stop-bits"))) {
        const QString v = p.value(QStringLiteral("stop-bits"));
        if (v == QLatin1String("1"))
            s->stopBits = QSerialPort::OneStop;
        else if (v == QLatin1String("2"))
            s->stopBits = QSerialPort::TwoStop;
        else
            return *why = QStringLiteral("--stop-bits must be 1 or 2"), false;
    }
    if (p.isSet(QStringLiteral("flow"))) {
        const QString v = p.value(QStringLiteral("flow")).toLower();
        if (v == QLatin1String("none"))
            s->flowControl = QSerialPort::NoFlowControl;
        else if (v == QLatin1String("hardware"))
            s->flowControl = QSerialPort::HardwareControl;
        else if (v == QLatin1String("software"))
            s->flowControl = QSerialPort::SoftwareControl;
        else
            return *why = QStringLiteral("--flow must be none, hardware or software"), false;
    }
    return true;
}

QStringList listValues(const QCommandLineParser &p, const QString &name)
{
    QStringList all;
    for (const QString &v : p.values(name))
        for (const QString &part : v.split(QLatin1Char(','), Qt::SkipEmptyParts))
            all << part.trimmed();
    return all;
}

// The configuration file and the values file of a write, checked whole before any port is
// opened: a file that cannot be used in full is not used at all.
bool loadWrite(const QCommandLineParser &p, const QString &file, CliRequest *req, QString *why)
{
    QByteArray document;
    switch (CfgFile::loadFile(file, &document)) {
    case CfgFile::Check::CannotOpen:
        return *why = QStringLiteral("cannot open the configuration file %1").arg(file), false;
    case CfgFile::Check::WrongRoot:
        return *why = QStringLiteral("%1 is not a Nodeweave configuration file").arg(file), false;
    case CfgFile::Check::Malformed:
        return *why = QStringLiteral("%1 is not well-formed XML").arg(file), false;
    case CfgFile::Check::Ok:
        break;
    }
    // As the window's form holds an imported file: the reset values under it.
    req->values = SettingsTable::startValues();
    req->values.insert(SettingsTable::resetValues());
    CfgFile::ImportSink sink;
    sink.fill = [req](const CfgValues &v) {
        req->values.insert(v);
    };
    QList<CfgFile::Refusal> refusals;
    if (!CfgFile::importDocument(document, sink, &refusals))
        return *why = QStringLiteral("%1 is not well-formed XML").arg(file), false;
    if (!refusals.isEmpty())
        return *why = QStringLiteral("%1: values a field refuses:\n  %2")
                          .arg(file, CfgFile::describe(refusals).join(QStringLiteral("\n  "))),
               false;

    // The groups, by the names the report uses; without --groups, all but node identity,
    // as Batch Write starts.
    const QStringList names = listValues(p, QStringLiteral("groups"));
    if (names.isEmpty()) {
        for (const SettingsTable::Group g : BatchWriter::allGroups())
            if (g != SettingsTable::Group::Module && g != SettingsTable::Group::Descriptors)
                req->groups << g;
    }
    for (const QString &name : names) {
        bool found = false;
        for (const SettingsTable::Group g : BatchWriter::allGroups())
            if (SettingsTable::groupName(g).compare(name, Qt::CaseInsensitive) == 0) {
                if (!req->groups.contains(g))
                    req->groups << g;
                found = true;
            }
        if (name.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
            req->groups = BatchWriter::allGroups();
            found = true;
        }
        if (!found) {
            QStringList known;
            for (const SettingsTable::Group g : BatchWriter::allGroups())
                known << SettingsTable::groupName(g);
            return *why = QStringLiteral("unknown group %1 (groups: %2, all)")
                              .arg(name, known.join(QLatin1Char(' '))),
                   false;
        }
    }

    const QString valuesFile = p.value(QStringLiteral("values"));
    if (!valuesFile.isEmpty()) {
        QFile f(valuesFile);
        if (!f.open(QIODevice::ReadOnly) || f.size() > CfgFile::maxFileSize)
            return *why = QStringLiteral("cannot open the values file %1").arg(valuesFile), false;
        const NodeValues::Problem problem = NodeValues::parse(f.readAll(), &req->own);
        const QString at = QStringLiteral("%1 line %2: ").arg(valuesFile).arg(problem.line);
        switch (problem.kind) {
        case NodeValues::Problem::None:
            break;
        case NodeValues::Problem::Empty:
            return *why =
                       at + QStringLiteral("needs a node column and at least one setting column"),
                   false;
        case NodeValues::Problem::UnknownColumn:
            return *why = at + QStringLiteral("unknown column %1").arg(problem.detail), false;
        case NodeValues::Problem::Malformed:
            return *why = at + QStringLiteral("another number of cells than the header"), false;
        case NodeValues::Problem::Refused:
            return *why = at + QStringLiteral("value refused: %1").arg(problem.detail), false;
        }
    }
    req->verify = p.isSet(QStringLiteral("verify"));
    req->report = p.value(QStringLiteral("report"));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nodeweave-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NODEWEAVE_VERSION));

    // The texts shared with the window (port problems, module errors) in the user's
    // language: Chinese for a Chinese locale, English otherwise.
    QTranslator translator;
    if (QLocale::system().language() != QLocale::Chinese &&
        translator.load(QStringLiteral(":/Nodeweave/en_lang")))
        QCoreApplication::installTranslator(&translator);

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Configures ZigBee radio modules over serial ports without a window.\n\n"
        "Commands:\n"
        "  ports                       list the serial ports\n"
        "  scan   --port P             list the nodes of each port's network\n"
        "  read   --port P [--node A] [-o FILE.xml]\n"
        "                              read the whole configuration\n"
        "  write  --port P FILE.xml [--node A...|--all-nodes] [--groups LIST]\n"
        "         [--values NODES.csv] [--verify] [--report REPORT.csv]\n"
        "                              write a configuration into one node or many\n"
        "  send   --port P [--node A] 'AT+...'\n"
        "                              send one command and print its reply\n\n"
        "--port may be given several times: the ports are worked at the same time.\n"
        "Exit status: 0 done, 1 a node failed or differs (or Ctrl+C), 2 usage error,\n"
        "3 no port could be opened."));
    p.addHelpOption();
    p.addVersionOption();
    p.addPositionalArgument(QStringLiteral("command"),
                            QStringLiteral("ports, scan, read, write or send"));
    p.addOptions({
        {QStringLiteral("port"),
         QStringLiteral("A serial port, a device path, or Simulator; may be repeated."),
         QStringLiteral("P")},
        {QStringLiteral("baud"), QStringLiteral("Baud rate (default 115200)."),
         QStringLiteral("n")},
        {QStringLiteral("data-bits"), QStringLiteral("Data bits, 5 to 8 (default 8)."),
         QStringLiteral("n")},
        {QStringLiteral("parity"), QStringLiteral("none, even or odd (default none)."),
         QStringLiteral("p")},
        {QStringLiteral("stop-bits"), QStringLiteral("1 or 2 (default 1)."), QStringLiteral("n")},
        {QStringLiteral("flow"), QStringLiteral("none, hardware or software (default none)."),
         QStringLiteral("f")},
        {QStringLiteral("seconds"),
         QStringLiteral("Scan time in seconds, 1 to 255 (default 3); also the search for --node."),
         QStringLiteral("n")},
        {QStringLiteral("node"),
         QStringLiteral("A node by its MAC or network address; may be repeated."),
         QStringLiteral("ADDR")},
        {QStringLiteral("all-nodes"), QStringLiteral("write: every node the scan finds.")},
        {{QStringLiteral("o"), QStringLiteral("output")},
         QStringLiteral(
             "read: the XML file (several nodes: one file each, named after port and node)."),
         QStringLiteral("FILE")},
        {QStringLiteral("groups"),
         QStringLiteral("write: the groups of settings, comma-separated (default all but module "
                        "and descriptors)."),
         QStringLiteral("LIST")},
        {QStringLiteral("values"), QStringLiteral("write: per-node values from a CSV file."),
         QStringLiteral("CSV")},
        {QStringLiteral("verify"), QStringLiteral("write: read every node back and compare.")},
        {QStringLiteral("report"),
         QStringLiteral("write: the report, one CSV line per port and node."),
         QStringLiteral("CSV")},
        {QStringLiteral("json"), QStringLiteral("Machine-readable output on stdout.")},
        {QStringLiteral("quiet"), QStringLiteral("No progress and no per-node lines on success.")},
    });
    if (!p.parse(app.arguments()))
        return usage(p.errorText());
    if (p.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(p.helpText()), stdout);
        return StatusOk;
    }
    if (p.isSet(QStringLiteral("version"))) {
        std::printf("nodeweave-cli %s\n", NODEWEAVE_VERSION);
        return StatusOk;
    }

    QStringList args = p.positionalArguments();
    if (args.isEmpty())
        return usage(
            QStringLiteral("a command is needed: %1").arg(kCommands.join(QStringLiteral(", "))));
    CliRequest req;
    req.command = args.takeFirst();
    if (!kCommands.contains(req.command))
        return usage(QStringLiteral("unknown command %1").arg(req.command));
    req.json = p.isSet(QStringLiteral("json"));
    req.quiet = p.isSet(QStringLiteral("quiet"));
    req.ports = p.values(QStringLiteral("port"));
    req.ports.removeDuplicates();
    req.nodes = listValues(p, QStringLiteral("node"));
    req.allNodes = p.isSet(QStringLiteral("all-nodes"));
    req.output = p.value(QStringLiteral("output"));

    // What each command takes; anything else is a mistake worth saying.
    const QHash<QString, QStringList> own = {
        {QStringLiteral("ports"), {}},
        {QStringLiteral("scan"), {}},
        {QStringLiteral("read"), {QStringLiteral("node"), QStringLiteral("output")}},
        {QStringLiteral("send"), {QStringLiteral("node")}},
        {QStringLiteral("write"),
         {QStringLiteral("node"), QStringLiteral("all-nodes"), QStringLiteral("groups"),
          QStringLiteral("values"), QStringLiteral("verify"), QStringLiteral("report")}},
    };
    const QStringList specific = {QStringLiteral("node"),   QStringLiteral("all-nodes"),
                                  QStringLiteral("output"), QStringLiteral("groups"),
                                  QStringLiteral("values"), QStringLiteral("verify"),
                                  QStringLiteral("report")};
    for (const QString &name : specific)
        if (p.isSet(name) && !own.value(req.command).contains(name))
            return usage(QStringLiteral("%1 does not take --%2").arg(req.command, name));
    if (req.allNodes && !req.nodes.isEmpty())
        return usage(QStringLiteral("--node and --all-nodes exclude each other"));

    if (req.command != QLatin1String("ports") && req.ports.isEmpty())
        return usage(QStringLiteral("%1 needs --port").arg(req.command));
    QString why;
    if (!parseSettings(p, &req.settings, &why))
        return usage(why);
    if (p.isSet(QStringLiteral("seconds"))) {
        const std::optional<int> s = ScanProtocol::seconds(p.value(QStringLiteral("seconds")));
        if (!s)
            return usage(QStringLiteral("--seconds must be a whole number from %1 to %2")
                             .arg(ScanProtocol::kMinSeconds)
                             .arg(ScanProtocol::kMaxSeconds));
        req.seconds = *s;
    }

    const int wantedArgs =
        req.command == QLatin1String("write") || req.command == QLatin1String("send") ? 1 : 0;
    if (args.size() != wantedArgs)
        return usage(wantedArgs ? QStringLiteral("%1 needs exactly one %2")
                                      .arg(req.command, req.command == QLatin1String("send")
                                                            ? QStringLiteral("command")
                                                            : QStringLiteral("configuration file"))
                                : QStringLiteral("unexpected argument %1").arg(args.value(0)));
    if (req.command == QLatin1String("send")) {
        req.atCommand = args.first().trimmed();
        if (req.atCommand.isEmpty())
            return usage(QStringLiteral("send needs a command"));
    }
    if (req.command == QLatin1String("write") && !loadWrite(p, args.first(), &req, &why))
        return usage(why);

    CliRun run(req);
    catchInterrupt(&run);
    int status = StatusOk;
    QObject::connect(&run, &CliRun::finished, &app, [&](int s) {
        status = s;
        app.quit();
    });
    QTimer::singleShot(0, &run, &CliRun::start);
    app.exec();
    return status;
}
