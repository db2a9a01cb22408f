// nodeweave-cli, run as a user runs it: against the built-in simulator, against
// nodeweave-modsim on several pseudo-terminals at once, and against a pseudo-terminal the
// test answers itself (to see exactly what went out).
#include "testpty.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commands_data();
    void commands();
    void badInput_data();
    void badInput();
    void batchOverThreePorts();
    void interrupt();

private:
    QTemporaryDir m_dir;
    QString m_cfg; // a configuration read from the simulator
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

namespace {

struct Run
{
    int status = -1;
    QString out, err;
};

Run cli(const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment([] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C.UTF-8");
        return env;
    }());
    p.start(CLI_BIN, args);
    Run r;
    if (!p.waitForStarted() || !p.waitForFinished(120000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// nodeweave-modsim with its knobs on a pty of its own, for as long as the object lives.
struct Modsim
{
    QProcess p;
    QString path;
    explicit Modsim(const QStringList &args)
    {
        p.start(MODSIM_BIN, args);
        while (!p.canReadLine() && p.waitForReadyRead(5000)) {
        }
        path = QString::fromLocal8Bit(p.readLine()).trimmed();
    }
    ~Modsim()
    {
        p.kill();
        p.waitForFinished();
    }
};

// The lines a pty received so far, complete ones only.
QStringList lines(QByteArray *pending, const Pty &pty)
{
    *pending += pty.receive();
    QStringList done;
    int end;
    while ((end = int(pending->indexOf("\r\n"))) >= 0) {
        done << QString::fromLatin1(pending->left(end));
        pending->remove(0, end + 2);
    }
    return done;
}

} // namespace

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_cfg = path("sim.xml");
    const Run r = cli({"read", "--port", "Simulator", "-o", m_cfg, "--quiet"});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.isEmpty());
    QVERIFY(QFile::exists(m_cfg));
}

// Every command's text and JSON output and its exit status; a port that will not open
// is reported with the window's reason and does not stop the others.
void TestCli::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // parts, "|"-separated, that stdout must hold
    QTest::addColumn<QString>("err");
    const QStringList sim = {"--port", "Simulator"};
    QTest::newRow("ports") << QStringList{"ports"} << 0 << "Simulator\t-\tsimulated module"
                           << "";
    QTest::newRow("ports json") << QStringList{"ports", "--json"} << 0
                                << "\"name\": \"Simulator\"|\"status\": 0"
                                << "";
    QTest::newRow("scan") << QStringList{"scan", "--seconds", "1"} + sim << 0
                          << "Simulator\t0x00124B0001A2B3C4\t0x0000\tLOCAL_NODE\tlocal\n"
                             "Simulator\t0x00124B0001A2B3D1\t0x1A2B\tROUTER_HALL\tremote"
                          << "";
    QTest::newRow("scan json") << QStringList{"scan", "--seconds", "1", "--json"} + sim << 0
                               << "\"net\": \"0x7A8B\"|\"local\": true|\"opened\": true"
                               << "";
    QTest::newRow("send") << QStringList{"send", "AT+CH?"} + sim << 0 << "OK=15\n"
                          << "";
    QTest::newRow("send json") << QStringList{"send", "--json", "AT+CH?"} + sim << 0
                               << "\"bytesIn\": 7,|\"bytesOut\": 8,|\"ms\": "
                               << "";
    QTest::newRow("send remote json")
        << QStringList{"send", "--node", "0x3c4d", "--seconds", "1", "--json", "AT+CH?"} + sim << 0
        << "\"lines\": [\n                        \"OK=15<0x3C4D"
        << "";
    QTest::newRow("send refused") << QStringList{"send", "AT+CH=99"} + sim << 1 << "ERR="
                                  << "refused";
    QTest::newRow("send list") << QStringList{"send", "AT+SCAN=1"} + sim << 0
                               << "OK=4,0x7A8B,0x00124B0001A2B3D4,PWM_LIGHT\nOK\n"
                               << "";
    QTest::newRow("read") << QStringList{"read"} + sim << 0 << "<QX_MODULE_CFG>|<CH>15</CH>"
                          << "";
    QTest::newRow("read json") << QStringList{"read", "--json"} + sim << 0
                               << "\"xml\": \"<?xml|\"ok\": true"
                               << "";
    QTest::newRow("write") << QStringList{"write", m_cfg} + sim << 0 << "Simulator local: done"
                           << "";
    QTest::newRow("write json") << QStringList{"write",  m_cfg,    "--verify",  "--json",
                                               "--node", "0x1A2B", "--seconds", "1"} +
                                       sim
                                << 0 << "\"state\": \"done\"|\"verified\": true|\"net\": \"0x1A2B\""
                                << "";
    QTest::newRow("one port missing")
        << QStringList{"send", "--port", "/nonexistent/tty", "AT+CH?"} + sim << 1 << "OK=15"
        << "cannot open /nonexistent/tty: The device does not exist";
    QTest::newRow("no port") << QStringList{"send", "--port", "/nonexistent/tty", "--json",
                                            "AT+CH?"}
                             << 3 << "\"problem\": \"missing\"|\"status\": 3"
                             << "does not exist";
    QTest::newRow("not serial") << QStringList{"scan", "--port", m_cfg, "--json"} << 3
                                << "\"problem\": \"not a serial device\""
                                << "not a serial device";
}

void TestCli::commands()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run r = cli(args);
    QVERIFY2(r.status == status, qPrintable(QString::number(r.status) + r.err));
    for (const QString &part : out.split('|'))
        QVERIFY2(r.out.contains(part), qPrintable(r.out));
    QVERIFY2(r.err.contains(err) && (!err.isEmpty() || r.err.isEmpty()), qPrintable(r.err));
}

// Bad input is refused with status 2 before anything but a scan goes out.
void TestCli::badInput_data()
{
    QTest::addColumn<QStringList>("args"); // PTY stands for the test's own port
    QTest::addColumn<QString>("message");
    auto file = [this](const QString &name, const QByteArray &text) {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path(name);
    };
    QFile cfg(m_cfg);
    cfg.open(QIODevice::ReadOnly);
    const QByteArray good = cfg.readAll();
    const QString refused =
        file("refused.xml", QByteArray(good).replace("<CH>15</CH>", "<CH>99</CH>"));
    const QString broken = file("broken.xml", good.left(good.size() / 2));
    const QString values = file("values.csv", "node,CH\n0x0000,20,21\n");
    const QString strange = file("strange.csv", "node,CH\n0x9999,20\n");
    const QStringList w = {"write", "--port", "PTY"};
    QTest::newRow("missing file") << w + QStringList{path("none.xml")}
                                  << "cannot open the configuration file";
    QTest::newRow("malformed file") << w + QStringList{broken} << "not well-formed";
    QTest::newRow("refused value")
        << w + QStringList{refused} << "values a field refuses:\n  CH: 99";
    QTest::newRow("unknown group")
        << w + QStringList{m_cfg, "--groups", "uart,radio"} << "unknown group radio";
    QTest::newRow("malformed values")
        << w + QStringList{m_cfg, "--values", values} << "line 2: another number of cells";
    QTest::newRow("unknown node") << w + QStringList{m_cfg, "--node", "0x9999", "--seconds", "1"}
                                  << "unknown node address 0x9999";
    QTest::newRow("unknown node in values")
        << w + QStringList{m_cfg, "--values", strange, "--seconds", "1"}
        << "unknown node address 0x9999 in the values file";
    QTest::newRow("unknown command")
        << QStringList{"erase", "--port", "PTY"} << "unknown command erase";
    QTest::newRow("wrong option") << QStringList{"read", "--port", "PTY", "--verify"}
                                  << "read does not take --verify";
    QTest::newRow("bad parity") << QStringList{"read", "--port", "PTY", "--parity", "mark"}
                                << "--parity";
}

void TestCli::badInput()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    Pty pty;
    args.replaceInStrings("PTY", pty.slavePath);
    QProcess p;
    p.start(CLI_BIN, args);
    QVERIFY(p.waitForStarted());
    // The test is the module: it answers a scan with itself, and remembers every line.
    QByteArray pending;
    QStringList received;
    while (p.state() == QProcess::Running) {
        p.waitForFinished(50);
        for (const QString &line : lines(&pending, pty)) {
            received << line;
            if (line.startsWith("AT+SCAN="))
                pty.send("OK=0,0x0000,0x00124B0001A2B3C4,LOCAL_NODE\r\nOK\r\n");
        }
    }
    QCOMPARE(p.exitCode(), 2);
    QVERIFY2(QString::fromUtf8(p.readAllStandardError()).contains(message), qPrintable(message));
    for (const QString &line : received)
        QVERIFY2(line.startsWith("AT+SCAN="), qPrintable(line));
}

// Three modules at once: one node refuses a channel, another acknowledges it and keeps
// its old one; the report has a line per port and node.
void TestCli::batchOverThreePorts()
{
    Modsim a({}), b({"--node", "0x3C4D:refuse=CH:23"}), c({"--node", "3:keep=CH"});
    QVERIFY(!a.path.isEmpty() && !b.path.isEmpty() && !c.path.isEmpty());
    QFile cfg(m_cfg);
    cfg.open(QIODevice::ReadOnly);
    QFile changed(path("ch20.xml"));
    changed.open(QIODevice::WriteOnly);
    changed.write(cfg.readAll().replace("<CH>15</CH>", "<CH>20</CH>"));
    changed.close();
    const QString report = path("report.csv");
    const Run r = cli({"write",   changed.fileName(), "--port",    a.path,   "--port",
                       b.path,    "--port",           c.path,      "--node", "0x3C4D",
                       "--node",  "0x5E6F",           "--seconds", "1",      "--groups",
                       "network", "--verify",         "--report",  report,   "--json"});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out.count("\"state\": \"done\""), 4);
    QCOMPARE(r.out.count("\"state\": \"failed\""), 2);
    QVERIFY(r.out.contains("\"cause\": \"refused\""));
    QVERIFY(r.out.contains("\"differences\": \"CH: wrote 20, read 15\""));
    QFile f(report);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 7);
    QVERIFY(rows[0].startsWith("\xEF\xBB\xBFPort,MAC,Network address"));
    QCOMPARE(rows.filter(",verified,").size(), 4);
    QCOMPARE(
        rows.filter(b.path + ",0x00124B0001A2B3D2,0x3C4D,SENSOR_ADC,failed,AT+CH=20,ERR=23").size(),
        1);
    QCOMPARE(rows.filter(c.path +
                         ",0x00124B0001A2B3D3,0x5E6F,SWITCH_IO,failed,,,\"CH: wrote 20, read 15\"")
                 .size(),
             1);
}

// Ctrl+C stops like Stop: the command under way is answered, the rest is not sent, the
// report is written, the status is 1.
void TestCli::interrupt()
{
    Pty pty;
    const QString report = path("stopped.csv");
    QProcess p;
    p.start(CLI_BIN, {"write", m_cfg, "--port", pty.slavePath, "--report", report});
    QVERIFY(p.waitForStarted());
    QByteArray pending;
    QStringList received;
    QTRY_VERIFY((received += lines(&pending, pty)).size() == 1);
    ::kill(pid_t(p.processId()), SIGINT);
    QByteArray said;
    QTRY_VERIFY2((said += p.readAllStandardError()).contains("interrupted"), said.constData());
    pty.send("OK\r\n");
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 1);
    received += lines(&pending, pty);
    QCOMPARE(received.size(), 1);
    QFile f(report);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains(",stopped,"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
