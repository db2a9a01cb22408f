#include "sim/simdevice.h"

#include "sim/simmodule.h"

#include <QEventLoop>
#include <QTimer>

SimDevice::SimDevice(SimModule *module, QObject *parent) : QIODevice(parent), m_module(module) {}

SimDevice::~SimDevice()
{
    disconnect(m_connection);
}

bool SimDevice::open(OpenMode mode)
{
    if (isOpen()) {
        setErrorString(QStringLiteral("The device is already open"));
        return false;
    }
    if (!m_module) {
        setErrorString(QStringLiteral("No simulated module"));
        return false;
    }
    if (!QIODevice::open(mode))
        return false;
    m_rx.clear();
    if (mode & ReadOnly)
        m_connection = connect(m_module, &SimModule::output, this, &SimDevice::deliver);
    return true;
}

void SimDevice::close()
{
    disconnect(m_connection);
    m_rx.clear();
    QIODevice::close();
}

qint64 SimDevice::bytesAvailable() const
{
    return m_rx.size() + QIODevice::bytesAvailable();
}

bool SimDevice::canReadLine() const
{
    return m_rx.contains('\n') || QIODevice::canReadLine();
}

bool SimDevice::waitForReadyRead(int msecs)
{
    if (!isOpen() || !(openMode() & ReadOnly) || !m_module)
        return false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(this, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    const qint64 before = bytesAvailable();
    if (msecs >= 0)
        timer.start(msecs);
    loop.exec();
    return bytesAvailable() > before;
}

qint64 SimDevice::readData(char *data, qint64 maxSize)
{
    const qint64 n = qMin<qint64>(maxSize, m_rx.size());
    memcpy(data, m_rx.constData(), size_t(n));
    m_rx.remove(0, n);
    return n;
}

qint64 SimDevice::writeData(const char *data, qint64 size)
{
    if (!m_module) {
        setErrorString(QStringLiteral("The simulated module is gone"));
        return -1;
    }
    const qint64 taken = m_module->takeFromHost(size);
    if (taken < size)
        setErrorString(QStringLiteral("The line to the simulated module is broken"));
    if (taken <= 0)
        return -1;
    size = taken;
    m_module->receive(QByteArray(data, size));
    // Reported later, as a port reports bytes that went out.
    QTimer::singleShot(0, this, [this, size]() {
        if (isOpen())
            emit bytesWritten(size);
    });
    return size;
}

void SimDevice::deliver(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    m_rx.append(bytes);
    emit readyRead();
}
