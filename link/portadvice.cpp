#include "portadvice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("PortAdvice", text);
}

QString GroupName(gid_t gid)
{
    if (const group *entry = getgrgid(gid))
        return QString::fromLocal8Bit(entry->gr_name);
    return QString::number(gid);
}

QString UserName(uid_t uid)
{
    if (const passwd *entry = getpwuid(uid))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(uid);
}

// The groups this login session runs with.
bool SessionHasGroup(gid_t gid)
{
    if (getegid() == gid)
        return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// The groups the user's account has now, which a session started earlier may lack.
bool AccountHasGroup(gid_t gid)
{
    const passwd *entry = getpwuid(geteuid());
    if (!entry)
        return false;
    const QByteArray user(entry->pw_name);
    const gid_t primary = entry->pw_gid;
    int count = 32;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    while (getgrouplist(user.constData(), primary, groups.data(), &count) == -1) {
        if (count <= int(groups.size()))
            return false;
        groups.resize(size_t(count));
    }
    return std::find(groups.begin(), groups.begin() + count, gid) != groups.begin() + count;
}

QString CommandName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

QList<qint64> ProcessIds()
{
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && pid > 0)
            pids << pid;
    }
    return pids;
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    // A device may be reached through several nodes (a /dev/serial/by-id link, another mount of
    // /dev): the device number tells.
    if (S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode))
        return a.st_rdev == b.st_rdev;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The process named by a serial-port lock file (a UUCP-style "LCK.." file, as Qt and other serial
// programs leave in /var/lock), or 0.
qint64 LockFileOwner(const QString &device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders {QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"),
        QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"), QDir::tempPath()};
    for (const QString &folder : folders) {
        QFile lock(folder + QStringLiteral("/LCK..") + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        bool number = false;
        const qint64 pid = lock.readLine(32).trimmed().toLongLong(&number);
        if (number && pid > 0 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)))
            return pid;
    }
    return 0;
}

qint64 RunningProcess(const QString &commandName)
{
    for (const qint64 pid : ProcessIds()) {
        if (CommandName(pid) == commandName)
            return pid;
    }
    return 0;
}

QString PermissionAdvice(const QString &device)
{
    struct stat info
    {
    };
    if (stat(QFile::encodeName(device).constData(), &info) != 0)
        return Tr("This user may not use it.");
    const QString group = GroupName(info.st_gid);
    const bool groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (!groupMayUse) {
        return Tr("Only its owner, \"%1\", may use it: its group \"%2\" has no access. Ask the "
                  "administrator for a udev rule that gives the device to a group such as "
                  "\"dialout\" with read and write access for that group, then join that group.")
            .arg(UserName(info.st_uid), group);
    }
    if (AccountHasGroup(info.st_gid) && !SessionHasGroup(info.st_gid)) {
        return Tr("It belongs to the group \"%1\". You are a member of that group, but this "
                  "session began before you joined it: log out and log in again, then press ON.")
            .arg(group);
    }
    return Tr("It belongs to the group \"%1\", and you are not a member of that group. Join it "
              "with\n\n    sudo usermod -aG %1 $USER\n\nthen log out and log in again (a new group "
              "counts from the next login) and press ON.")
        .arg(group);
}

QString BusyAdvice(const QString &device)
{
    const QList<PortHolder> holders = ProcessesHoldingDevice(device);
    QStringList names;
    bool modemManager = false;
    for (const PortHolder &holder : holders) {
        names << Tr("%1 (process %2)").arg(holder.name).arg(holder.pid);
        modemManager = modemManager || holder.name == QLatin1String("ModemManager");
    }
    QString text;
    if (names.isEmpty()) {
        text = Tr("It is in use, but the system does not show this user which program holds it.");
        modemManager = RunningProcess(QStringLiteral("ModemManager")) != 0;
    } else {
        text = Tr("It is in use by %1.").arg(names.join(QStringLiteral(", ")));
        if (!modemManager)
            text += QLatin1Char(' ') + Tr("Close that program, then press ON again.");
    }
    if (modemManager) {
        text += QStringLiteral("\n\n")
            + Tr("ModemManager is running. It looks for mobile modems and often takes a USB serial "
                 "adapter as soon as it is plugged in. Without a mobile modem, stop it with\n\n"
                 "    sudo systemctl stop ModemManager\n\n(\"sudo systemctl disable ModemManager\" "
                 "keeps it from starting again), then press ON again.");
    }
    return text;
}

} // namespace

QList<PortHolder> ProcessesHoldingDevice(const QString &device)
{
    QList<PortHolder> holders;
    struct stat target
    {
    };
    if (stat(QFile::encodeName(device).constData(), &target) != 0)
        return holders;
    const qint64 self = getpid();
    auto add = [&holders, self](qint64 pid) {
        if (pid == self)
            return;
        for (const PortHolder &holder : std::as_const(holders)) {
            if (holder.pid == pid)
                return;
        }
        holders << PortHolder {pid, CommandName(pid)};
    };
    for (const qint64 pid : ProcessIds()) {
        // Another user's processes do not show their files: that folder cannot be read.
        const QString folder = QStringLiteral("/proc/%1/fd").arg(pid);
        const QStringList fds = QDir(folder).entryList(QDir::AllEntries | QDir::System);
        for (const QString &fd : fds) {
            struct stat open
            {
            };
            const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + fd);
            if (stat(path.constData(), &open) == 0 && SameFile(open, target)) {
                add(pid);
                break;
            }
        }
    }
    if (const qint64 owner = LockFileOwner(device))
        add(owner);
    return holders;
}

QString PortOpenAdvice(const QString &device, PortError error, const QString &systemText)
{
    const QString head
        = Tr("The serial port %1 cannot be opened.").arg(device) + QStringLiteral("\n\n");
    switch (error) {
    case PortError::DeviceNotFound:
        return head
            + Tr("There is no such device. If the receiver is connected through a USB adapter, "
                 "check that the adapter is plugged in; the OPTIONS page lists the serial ports "
                 "the system offers.");
    case PortError::Permission:
    case PortError::Open: {
        // The port's lock or the device's exclusive mode is reported as a permission error too:
        // whether this user may use the device at all tells the two apart.
        const QByteArray path = QFile::encodeName(device);
        const int accessError = access(path.constData(), R_OK | W_OK) == 0 ? 0 : errno;
        if (error == PortError::Permission && (accessError == EACCES || accessError == EPERM))
            return head + PermissionAdvice(device);
        return head + BusyAdvice(device);
    }
    case PortError::UnsupportedOperation:
        return head
            + Tr("%1 is not a serial port: the system cannot set its line speed. Choose a port on "
                 "the OPTIONS page.")
                  .arg(device);
    case PortError::ModuleMissing:
        // The program's own words, not the system's.
        return head + systemText;
    default:
        if (systemText.isEmpty())
            return head.trimmed();
        return head + Tr("The system says: %1").arg(systemText);
    }
}
