#pragma once

// A raw pseudo-terminal pair: the test holds the master, the program opens the slave by path.

#include <QString>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

struct Pty
{
    int master = -1;
    QString slavePath;

    Pty()
    {
        int slave = -1;
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&master, &slave, name, &raw, nullptr) != 0)
            qFatal("openpty failed");
        slavePath = QString::fromLocal8Bit(name);
        ::close(slave); // held only by the program: a slave nobody holds fails master reads
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { closeMaster(); }
    // The far side goes away, as an adapter pulled out of its socket.
    void closeMaster() { master = master >= 0 ? (::close(master), -1) : -1; }
    // Writes everything, letting the program read while the pty's buffer is full.
    void send(const QByteArray &bytes) const
    {
        for (qsizetype done = 0, n = 0; done < bytes.size(); done += qMax<qsizetype>(n, 0))
            if ((n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done))) <= 0)
                QTest::qWait(5);
    }
    // As much as the line takes now; the rest is dropped, as a busy device would.
    void trySend(const QByteArray &bytes) const
    {
        if (::write(master, bytes.constData(), size_t(bytes.size())) < 0 && errno != EAGAIN)
            qWarning("pty write failed");
    }
    QByteArray receive() const
    {
        QByteArray out;
        char buf[4096];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            out.append(buf, n);
        return out;
    }
    speed_t speed() const
    {
        termios t{};
        return tcgetattr(master, &t), cfgetospeed(&t);
    }
};
