#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <future>

class QFileSystemWatcher;

// One serial port as the port box lists it, with what the system knows about it.
struct PortEntry
{
    QString name;           // the list text: a port name, or a device path
    QString systemLocation; // the device file, links resolved
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString usbId;     // "vvvv:pppp", or empty when not a USB device
    QStringList links; // by-id style links that name this device

    bool operator==(const PortEntry &o) const;
    bool operator!=(const PortEntry &o) const { return !(*this == o); }
};

// Lists the machine's serial ports and says when devices come or go. It watches
// directories (by default /dev and /dev/serial/by-id) for entries appearing and
// disappearing, which costs nothing while nothing changes. Every watched directory other
// than /dev itself is read as a by-id style directory: its links to character devices
// name ports, and a device that the port library does not list (a pseudo-terminal)
// is listed by its path when such a link names it.
class PortWatcher : public QObject
{
    Q_OBJECT

public:
    static QStringList defaultDirectories();

    explicit PortWatcher(QObject *parent = nullptr);

    void setDirectories(const QStringList &directories);
    QStringList directories() const { return m_dirs; }

    // The ports present now, sorted by name as plain strings.
    QList<PortEntry> ports() const;
    // The links in the watched by-id style directories that lead to `entry`'s device.
    QStringList linksTo(const QString &entry) const;
    // For a port that was lost: the entry to open again now that devices changed, or an
    // empty string while it is still missing. An entry that is itself a link is opened
    // as typed when it leads to a device again; otherwise a link that named the device
    // is followed (a replugged adapter may come back under another name), and without
    // one the entry's own path is taken when it is a device again.
    QString reappeared(const QString &entry, const QStringList &links) const;

    // The device file of a list entry ("ttyUSB0" is /dev/ttyUSB0; a path stays as is).
    static QString systemLocation(const QString &entry);
    // What the tooltip of an entry shows, one fact a line.
    static QString toolTip(const PortEntry &entry);

signals:
    // Devices appeared or disappeared; several changes close together give one signal.
    void portsChanged();

private:
    void watchAgain();
    QStringList linkDirectories() const;
    // What the port library lists: asking it takes a while (every tty of the system is
    // looked up), so the first answer is fetched on a thread from construction on and
    // taken by the first ports().
    static QList<PortEntry> libraryPorts();
    mutable std::future<QList<PortEntry>> m_firstPorts;

    QStringList m_dirs;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer m_settle;
};
