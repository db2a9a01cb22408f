#include "serial/portproblem.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

enum class FileKind
{
    Missing,
    Device,
    Other // a regular file, a directory
};

FileKind fileKind(const QString &device)
{
    if (device.isEmpty())
        return FileKind::Missing;
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(device).constData(), &st) != 0)
        return FileKind::Missing;
    return S_ISCHR(st.st_mode) ? FileKind::Device : FileKind::Other;
#else
    // Ports such as COM3 are no files: only what is plainly a file or folder is refused.
    const QFileInfo info(device);
    return info.isFile() || info.isDir() ? FileKind::Other : FileKind::Device;
#endif
}

// Whether this user may read and write the device, as the port library would open it.
bool mayUse(const QString &device)
{
#ifdef Q_OS_UNIX
    // The effective ids decide, as they do for open(); the permission bits alone do not.
    return ::faccessat(AT_FDCWD, QFile::encodeName(device).constData(), R_OK | W_OK, AT_EACCESS) ==
           0;
#else
    const QFileInfo info(device);
    return info.isReadable() && info.isWritable();
#endif
}

} // namespace

PortProblem::Kind PortProblem::classify(const QString &device, QSerialPort::SerialPortError error)
{
    switch (fileKind(device)) {
    case FileKind::Missing:
        return Kind::Missing;
    case FileKind::Other:
        return Kind::NotSerial;
    case FileKind::Device:
        break;
    }
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return Kind::Missing;
    case QSerialPort::PermissionError:
        // The library says "permission" for a lock held by another program and for a
        // busy device too; only a device this user may not open is a permission problem.
        return mayUse(device) ? Kind::Busy : Kind::NoPermission;
    case QSerialPort::UnsupportedOperationError:
        return Kind::NotSerial;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        return Kind::Gone;
    default:
        return Kind::Other;
    }
}

QString PortProblem::reason(Kind kind)
{
    switch (kind) {
    case Kind::Missing:
        return tr("设备不存在");
    case Kind::NotSerial:
        return tr("这不是串口设备");
    case Kind::NoPermission:
        return tr("没有使用该设备的权限");
    case Kind::Busy:
        return tr("串口正被另一个程序使用");
    case Kind::Gone:
        return tr("设备已断开或不再应答");
    case Kind::Other:
        break;
    }
    return tr("串口错误");
}

QString PortProblem::hint(Kind kind, const QString &device)
{
    if (kind == Kind::Busy)
        return tr("请先关闭正在使用该串口的程序。");
    if (kind != Kind::NoPermission)
        return QString();
    const QString group = deviceGroup(device);
    if (group == QLatin1String("dialout"))
        return tr("把用户加入 dialout 组：sudo usermod -aG dialout $USER，然后注销并重新登录。");
    if (!group.isEmpty())
        return tr("设备属于 %1 组：请管理员允许该用户使用它。").arg(group);
    return QString();
}

QString PortProblem::openFailure(const QString &device, QSerialPort::SerialPortError error)
{
    const Kind kind = classify(device, error);
    QString text = QLatin1Char('\n') + reason(kind);
    const QString h = hint(kind, device);
    if (!h.isEmpty())
        text += QLatin1Char('\n') + h;
    return text;
}

QString PortProblem::lost(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
        error == QSerialPort::WriteError)
        return reason(Kind::Gone);
    return reason(Kind::Other);
}

QString PortProblem::deviceGroup(const QString &device)
{
    // Empty where files have no owning group.
    return QFileInfo(device).group();
}
