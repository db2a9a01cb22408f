#pragma once

// The simulated module on its own, answering at once, with everything it sends collected.

#include "sim/simmodule.h"

#include <QDeadlineTimer>
#include <QTest>

struct Probe
{
    SimModule sim;
    QByteArray out;
    int writes = 0; // separate deliveries of output

    Probe()
    {
        sim.setLocalLatency(0);
        sim.setRemoteLatency(2);
        sim.setRemoteFailDelay(30);
        QObject::connect(&sim, &SimModule::output, [this](const QByteArray &b) {
            out += b;
            ++writes;
        });
    }

    bool settle()
    {
        QDeadlineTimer deadline(10000);
        while (sim.hasPendingOutput() && !deadline.hasExpired())
            QTest::qWait(1);
        return !sim.hasPendingOutput();
    }

    // Sends `line` with CR LF; returns all the module sent until it had nothing left.
    QByteArray ask(const QByteArray &line)
    {
        out.clear();
        writes = 0;
        sim.receive(line + "\r\n");
        settle();
        return std::exchange(out, QByteArray());
    }
};
