// The configuration runs without a window: the sequence engine's steps, retries,
// time-outs, targets and signals, and the judging of read replies.

#include "config/cfgreply.h"
#include "config/cfgsequencer.h"
#include "network/zbdevice.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A run of the engine with everything it sends and reports collected.
struct Run
{
    CfgSequencer seq;
    CfgCmdQueue queue;
    ZBdevice target{true, QString(), QString(), QString()};
    QStringList sent;
    QList<bool> ends;
    QSignalSpy progress{&seq, &CfgSequencer::progress};
    QSignalSpy results{&seq, &CfgSequencer::stepResult};

    Run()
    {
        QObject::connect(&seq, &CfgSequencer::sendText, [this](const QString &t) { sent << t; });
        QObject::connect(&seq, &CfgSequencer::finished, [this](bool ok) { ends << ok; });
    }

    // A read step that takes "OK=<value>" and refuses every other reply.
    void addRead(const QString &cmd, const QString &value = QStringLiteral("1"))
    {
        queue.append({cmd, [value](const QString &line, bool *done) {
                          *done = line == QStringLiteral("OK=") + value + QStringLiteral("\r\n");
                          return *done;
                      }});
    }
    // A write step that sends `cmd`, or skips while `skip` holds.
    void addWrite(const QString &cmd, const bool *skip = nullptr)
    {
        queue.append({cmd, [this, cmd, skip](const QString &, bool *done) {
                          *done = true;
                          if (skip && *skip)
                              seq.skip();
                          else
                              seq.send(cmd);
                          return true;
                      }});
    }
    void start(CfgSequencer::Kind kind)
    {
        seq.start(kind, queue, &target);
        seq.sendCurrent();
    }
};

} // namespace

class TestCfgSequencer : public QObject
{
    Q_OBJECT

private slots:
    void retriesAreSharedAndBounded();
    void startClearsWhatAStoppedRunLeft();
    void writeStepsSendSkipAndJudgeSuccess();
    void listLinesFollowTheTarget();
    void singleValueConversions();
};

void TestCfgSequencer::retriesAreSharedAndBounded()
{
    Run r;
    r.addRead(QStringLiteral("AT+A"));
    r.addRead(QStringLiteral("AT+B"));
    r.start(CfgSequencer::Kind::Read);
    QVERIFY(r.seq.isRunning(CfgSequencer::Kind::Read));
    QCOMPARE(r.sent, QStringList({"AT+A\r\n"}));
    QCOMPARE(r.seq.stepTimer().interval(), 2000);

    // Echoes and unsolicited text are no reply.
    r.seq.lineReceived(QStringLiteral("AT+A\r\n"));
    QCOMPARE(r.sent.size(), 1);
    // First failure (rejection or time-out alike): one more attempt.
    r.seq.lineReceived(QStringLiteral("ERR=1\r\n"));
    QCOMPARE(r.seq.retries(), 1);
    QCOMPARE(r.sent, QStringList({"AT+A\r\n", "AT+A\r\n"}));
    // An accepted reply gives the next step its own retry.
    r.seq.lineReceived(QStringLiteral("OK=1\r\n"));
    QCOMPARE(r.seq.retries(), 0);
    QCOMPARE(r.seq.position(), 1);
    QCOMPARE(r.progress.size(), 1);
    QCOMPARE(r.progress.at(0).at(0).toInt(), 1);
    QCOMPARE(r.sent.last(), QStringLiteral("AT+B\r\n"));
    r.seq.timeout();
    QCOMPARE(r.seq.retries(), 1);
    QCOMPARE(r.sent.last(), QStringLiteral("AT+B\r\n"));
    // The second failure of the same step gives up and leaves a clean count.
    r.seq.timeout();
    QCOMPARE(r.seq.retries(), 0);
    QCOMPARE(r.ends, QList<bool>({false}));
    QVERIFY(!r.seq.isRunning());
    QVERIFY(!r.seq.stepTimer().isActive());
    QCOMPARE(r.sent.size(), 4);
    // Step results: refused and resent, accepted, timed out and resent, given up.
    QCOMPARE(r.results.size(), 4);
    QCOMPARE(r.results.at(0), QVariantList({0, false, true}));
    QCOMPARE(r.results.at(1), QVariantList({0, true, false}));
    QCOMPARE(r.results.at(3), QVariantList({1, false, false}));

    // A remote target: the suffix on every query, and the longer wait.
    Run remote;
    remote.target =
        ZBdevice{false, QStringLiteral("0x00124B0001A2B3D1"), QStringLiteral("0x1A2B"), QString()};
    remote.addRead(QStringLiteral("AT+A"));
    remote.start(CfgSequencer::Kind::Read);
    QCOMPARE(remote.sent, QStringList({"AT+A>NID,0x1A2B\r\n"}));
    QCOMPARE(remote.seq.stepTimer().interval(), 5500);
    remote.seq.lineReceived(QStringLiteral("OK=1\r\n"));
    QCOMPARE(remote.ends, QList<bool>({true}));
    QCOMPARE(CfgSequencer::stepTimeoutMs(true), 2000);
    QCOMPARE(CfgSequencer::stepTimeoutMs(false), 5500);
}

void TestCfgSequencer::startClearsWhatAStoppedRunLeft()
{
    Run r;
    r.addRead(QStringLiteral("AT+A"));
    r.addRead(QStringLiteral("AT+B"));
    r.start(CfgSequencer::Kind::Read);
    r.seq.lineReceived(QStringLiteral("OK=1\r\n"));
    r.seq.timeout();
    r.seq.stop(); // stopped by the user while the step was being retried
    QCOMPARE(r.ends, QList<bool>({false}));
    QCOMPARE(r.seq.retries(), 1);
    // Nothing reaches a stopped run.
    r.seq.lineReceived(QStringLiteral("OK=1\r\n"));
    r.seq.timeout();
    QCOMPARE(r.sent.size(), 3);

    r.start(CfgSequencer::Kind::Read);
    QCOMPARE(r.seq.retries(), 0);
    QCOMPARE(r.seq.position(), 0);
    // So the new run's first failure still earns a resend.
    r.seq.timeout();
    QVERIFY(r.seq.isRunning());
    QCOMPARE(r.sent.last(), QStringLiteral("AT+A\r\n"));

    // An empty queue ends at once, with success.
    Run empty;
    empty.start(CfgSequencer::Kind::Read);
    QCOMPARE(empty.ends, QList<bool>({true}));
    QVERIFY(empty.sent.isEmpty());
}

void TestCfgSequencer::writeStepsSendSkipAndJudgeSuccess()
{
    Run r;
    r.target = ZBdevice{false, QString(), QStringLiteral("0x3C4D"), QString()};
    const bool skip = true;
    r.addWrite(QStringLiteral("AT+TYP=R"));
    r.addWrite(QStringLiteral("AT+IOOUT=9,1"), &skip);
    r.addWrite(QStringLiteral("AT+W"));
    r.start(CfgSequencer::Kind::Write);
    QCOMPARE(r.sent, QStringList({"AT+TYP=R>NID,0x3C4D\r\n"}));
    // A value where a plain success belongs fails the step.
    r.seq.lineReceived(QStringLiteral("OK=5\r\n"));
    QCOMPARE(r.seq.retries(), 1);
    QCOMPARE(r.sent.size(), 2);
    // Either form of success counts, whatever the target; a skipped step sends nothing
    // but still counts in the progress.
    r.seq.lineReceived(QStringLiteral("OK\r\n"));
    QCOMPARE(r.seq.position(), 2);
    QCOMPARE(r.progress.size(), 2);
    QCOMPARE(r.sent.last(), QStringLiteral("AT+W>NID,0x3C4D\r\n"));
    r.seq.lineReceived(QStringLiteral("OK<0x3C4D,0x00124B0001A2B3D2\r\n"));
    QCOMPARE(r.ends, QList<bool>({true}));
    QCOMPARE(r.sent.size(), 3);
}

void TestCfgSequencer::listLinesFollowTheTarget()
{
    using CfgReply::ListLine;
    const QString bareOk = QStringLiteral("OK\r\n");
    const QString remoteOk = QStringLiteral("OK<0x1A2B,0x00124B0001A2B3D1\r\n");
    const QString row = QStringLiteral("OK=9,1\r\n");

    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, bareOk, false).kind, ListLine::Closing);
    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, remoteOk, true).kind, ListLine::Closing);
    // Each target closes its lists only with its own form of success.
    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, bareOk, true).kind, ListLine::Other);
    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, remoteOk, false).kind, ListLine::Other);
    // Rows carry no suffix for either target.
    for (bool remote : {false, true}) {
        const ListLine l = CfgReply::listLine(Reply::Form::Row2, row, remote);
        QCOMPARE(l.kind, ListLine::Row);
        QCOMPARE(l.fields, QStringList({"9", "1"}));
    }
    const ListLine pwm =
        CfgReply::listLine(Reply::Form::Row4, QStringLiteral("OK=1,2,1000,50\r\n"), false);
    QCOMPARE(pwm.fields, QStringList({"1", "2", "1000", "50"}));
    QCOMPARE(CfgReply::listLine(Reply::Form::Row4, row, false).kind, ListLine::Other);
    QCOMPARE(CfgReply::listLine(Reply::Form::Row2, QStringLiteral("ERR=20\r\n"), false).kind,
             ListLine::Other);

    QCOMPARE(CfgReply::ioSlot(9), 0);
    QCOMPARE(CfgReply::ioSlot(17), 4);
    QCOMPARE(CfgReply::ioSlot(11), -1);
    QCOMPARE(CfgReply::ioSlot(0), -1);
    QCOMPARE(CfgReply::channelSlot(1, 4), 0);
    QCOMPARE(CfgReply::channelSlot(4, 4), 3);
    QCOMPARE(CfgReply::channelSlot(4, 3), -1);
    QCOMPARE(CfgReply::channelSlot(0, 3), -1);
}

void TestCfgSequencer::singleValueConversions()
{
    QVERIFY(CfgReply::isNetworkNotStarted(QStringLiteral("ERR=60\r\n")));
    QVERIFY(!CfgReply::isNetworkNotStarted(QStringLiteral("ERR=060\r\n")));
    QVERIFY(!CfgReply::isNetworkNotStarted(QStringLiteral("ERR=6\r\n")));

    QCOMPARE(CfgReply::rangedInt(QStringLiteral("11"), 11, 26), std::optional<int>(11));
    QCOMPARE(CfgReply::rangedInt(QStringLiteral("26"), 11, 26), std::optional<int>(26));
    QVERIFY(!CfgReply::rangedInt(QStringLiteral("10"), 11, 26));
    QVERIFY(!CfgReply::rangedInt(QStringLiteral("27"), 11, 26));
    QVERIFY(!CfgReply::rangedInt(QStringLiteral("1x"), 0, 1));
    QVERIFY(!CfgReply::rangedInt(QString(), 0, 1));

    QCOMPARE(CfgReply::deviceTypeIndex(QStringLiteral("C")), std::optional<int>(0));
    QCOMPARE(CfgReply::deviceTypeIndex(QStringLiteral("R")), std::optional<int>(1));
    QVERIFY(!CfgReply::deviceTypeIndex(QStringLiteral("E")));
    QVERIFY(!CfgReply::deviceTypeIndex(QStringLiteral("c")));

    QCOMPARE(CfgReply::twoModeIndex(QStringLiteral("NID")), 0);
    QCOMPARE(CfgReply::twoModeIndex(QStringLiteral("LID")), 1);
    QCOMPARE(CfgReply::samplingModeIndex(QStringLiteral("MID")), 1);
    QCOMPARE(CfgReply::samplingModeIndex(QStringLiteral("XYZ")), 2);

    const auto u = CfgReply::uartIndexes({"5", "8", "0", "1", "0"});
    QCOMPARE(u.baud, 5);
    QCOMPARE(u.dataBits, 3);
    QCOMPARE(u.parity, 0);
    QCOMPARE(u.stopBits, 0);
    QCOMPARE(u.flow, 0);
    const auto odd = CfgReply::uartIndexes({"2", "5", "2", "2", "1"});
    QCOMPARE(odd.dataBits, 0);
    QCOMPARE(odd.stopBits, 1);
    QCOMPARE(odd.flow, 1);
    // Not a number: the box is pointed nowhere rather than at a wrong item.
    QCOMPARE(CfgReply::uartIndexes({"x", "x", "x", "x", "x"}).dataBits, -5);
}

QTEST_GUILESS_MAIN(TestCfgSequencer)
#include "tst_cfgsequencer.moc"
