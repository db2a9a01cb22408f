#include "serial/portwatcher.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSerialPortInfo>
#include <QSet>

#include <algorithm>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// A udev burst (the node, then its links, then permissions) settles in well under this.
constexpr int kSettleMs = 250;

const QString kDev = QStringLiteral("/dev");

bool isCharDevice(const QString &path)
{
    if (path.isEmpty())
        return false;
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
#else
    // Qt tells files and folders from the rest; a device is what exists and is neither.
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
#endif
}

// The deepest existing directory on the way to `dir`: a by-id directory that does not
// exist yet is made under /dev/serial, or /dev, when the first adapter arrives.
QString nearestExisting(QString dir)
{
    while (!dir.isEmpty() && !QFileInfo(dir).isDir()) {
        const QString up = QFileInfo(dir).path();
        if (up == dir)
            return QString();
        dir = up;
    }
    return dir;
}

QString hex4(quint16 v)
{
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0'));
}

} // namespace

bool PortEntry::operator==(const PortEntry &o) const
{
    return name == o.name && systemLocation == o.systemLocation && description == o.description &&
           manufacturer == o.manufacturer && serialNumber == o.serialNumber && usbId == o.usbId &&
           links == o.links;
}

QStringList PortWatcher::defaultDirectories()
{
    return {kDev, QStringLiteral("/dev/serial/by-id")};
}

PortWatcher::PortWatcher(QObject *parent) : QObject(parent), m_watcher(new QFileSystemWatcher(this))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &PortWatcher::portsChanged);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchAgain();
        m_settle.start();
    });
    setDirectories(defaultDirectories());
    m_firstPorts = std::async(std::launch::async, &PortWatcher::libraryPorts);
}

void PortWatcher::setDirectories(const QStringList &directories)
{
    m_dirs.clear();
    for (const QString &d : directories)
        m_dirs.append(QDir::cleanPath(d));
    watchAgain();
}

void PortWatcher::watchAgain()
{
    QSet<QString> wanted;
    for (const QString &d : std::as_const(m_dirs)) {
        const QString existing = nearestExisting(d);
        if (!existing.isEmpty())
            wanted.insert(existing);
    }
    QStringList gone;
    const QStringList watched = m_watcher->directories();
    for (const QString &d : watched) {
        if (!wanted.contains(d))
            gone.append(d);
        wanted.remove(d);
    }
    if (!gone.isEmpty())
        m_watcher->removePaths(gone);
    if (!wanted.isEmpty())
        m_watcher->addPaths(wanted.values());
}

QStringList PortWatcher::linkDirectories() const
{
    QStringList out;
    for (const QString &d : m_dirs) {
        if (d != kDev)
            out.append(d);
    }
    return out;
}

QList<PortEntry> PortWatcher::libraryPorts()
{
    QList<PortEntry> out;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortEntry e;
        e.name = info.portName();
        e.systemLocation = info.systemLocation();
        e.description = info.description();
        e.manufacturer = info.manufacturer();
        e.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            e.usbId =
                hex4(info.vendorIdentifier()) + QLatin1Char(':') + hex4(info.productIdentifier());
        out.append(e);
    }
    return out;
}

QList<PortEntry> PortWatcher::ports() const
{
    QList<PortEntry> out = m_firstPorts.valid() ? m_firstPorts.get() : libraryPorts();
    for (const QString &dir : linkDirectories()) {
        const QFileInfoList links = QDir(dir).entryInfoList(
            QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &link : links) {
            if (!link.isSymLink())
                continue;
            const QString target = link.canonicalFilePath();
            if (!isCharDevice(target))
                continue;
            auto it = std::find_if(out.begin(), out.end(), [&](const PortEntry &e) {
                return QFileInfo(e.systemLocation).canonicalFilePath() == target;
            });
            if (it == out.end()) {
                PortEntry e;
                e.name = target;
                e.systemLocation = target;
                out.append(e);
                it = out.end() - 1;
            }
            it->links.append(link.filePath());
        }
    }
    // Plain string order, as the list has always been sorted (COM10 before COM2).
    std::sort(out.begin(), out.end(),
              [](const PortEntry &a, const PortEntry &b) { return a.name < b.name; });
    return out;
}

QStringList PortWatcher::linksTo(const QString &entry) const
{
    const QString device = QFileInfo(systemLocation(entry)).canonicalFilePath();
    QStringList out;
    if (device.isEmpty())
        return out;
    for (const QString &dir : linkDirectories()) {
        const QFileInfoList links =
            QDir(dir).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &link : links) {
            if (link.isSymLink() && link.canonicalFilePath() == device)
                out.append(link.filePath());
        }
    }
    return out;
}

QString PortWatcher::reappeared(const QString &entry, const QStringList &links) const
{
    const QString location = systemLocation(entry);
    if (QFileInfo(location).isSymLink())
        return isCharDevice(location) ? entry : QString();
    for (const QString &link : links) {
        const QString target = QFileInfo(link).canonicalFilePath();
        if (isCharDevice(target))
            return target;
    }
    return isCharDevice(location) ? entry : QString();
}

QString PortWatcher::systemLocation(const QString &entry)
{
    if (entry.startsWith(QLatin1Char('/')))
        return entry;
    return kDev + QLatin1Char('/') + entry;
}

QString PortWatcher::toolTip(const PortEntry &entry)
{
    QStringList lines;
    if (!entry.description.isEmpty())
        lines << tr("描述：%1").arg(entry.description);
    if (!entry.manufacturer.isEmpty())
        lines << tr("制造商：%1").arg(entry.manufacturer);
    if (!entry.serialNumber.isEmpty())
        lines << tr("序列号：%1").arg(entry.serialNumber);
    if (!entry.usbId.isEmpty())
        lines << tr("USB 厂商:产品：%1").arg(entry.usbId);
    lines << entry.links;
    if (lines.isEmpty())
        lines << entry.systemLocation;
    return lines.join(QLatin1Char('\n'));
}
