#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QPointer>

class SimModule;

// An in-process "serial port" over a simulated module: what is written goes to the
// module, what the module sends becomes readable and raises readyRead(). Like a real
// port, the module's answer always arrives later, from the event loop.
//
// The module outlives any number of devices: a closed device is detached from it at
// once (output still on its way is not delivered to it), and a device may outlive its
// module (writes then fail).
class SimDevice : public QIODevice
{
    Q_OBJECT

public:
    explicit SimDevice(SimModule *module, QObject *parent = nullptr);
    ~SimDevice() override;

    SimModule *module() const { return m_module.data(); }

    bool isSequential() const override { return true; }
    bool open(OpenMode mode) override;
    void close() override;
    qint64 bytesAvailable() const override;
    bool canReadLine() const override;
    bool waitForReadyRead(int msecs) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    void deliver(const QByteArray &bytes);

    QPointer<SimModule> m_module;
    QMetaObject::Connection m_connection;
    QByteArray m_rx;
};
