#include "sysinfotool.h"

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace orv::ui {
namespace {

#if defined(Q_OS_WIN)
QString registryValue(const QString& key, const QString& name)
{
    return QSettings(QStringLiteral("HKEY_LOCAL_MACHINE\\") + key, QSettings::NativeFormat)
        .value(name)
        .toString();
}
#endif

} // namespace

QStringList SysInfoTool::locate() const
{
#if defined(Q_OS_WIN)
    const QString registered = registryValue(
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"));
    if (!registered.isEmpty())
        return {registered};
    const QString folder = registryValue(
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"), QStringLiteral("MSINFO"));
    if (!folder.isEmpty() && QFileInfo::exists(folder + QStringLiteral("\\MSINFO32.EXE")))
        return {folder + QStringLiteral("\\MSINFO32.EXE")};
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("msinfo32"));
    return onPath.isEmpty() ? QStringList() : QStringList{onPath};
#elif defined(Q_OS_MACOS)
    const QString open = QStandardPaths::findExecutable(QStringLiteral("open"));
    if (open.isEmpty())
        return {};
    return {open, QStringLiteral("-a"), QStringLiteral("System Information")};
#else
    // Desktop system-information programs, the dedicated ones first.
    static const char* const kCandidates[] = {"hardinfo2", "hardinfo", "kinfocenter", "lshw-gtk"};
    for (const char* name : kCandidates) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return {path};
    }
    return {};
#endif
}

bool SysInfoTool::start(const QStringList& command) const
{
    if (command.isEmpty())
        return false;
    return QProcess::startDetached(command.first(), command.mid(1));
}

} // namespace orv::ui
