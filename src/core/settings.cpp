#include "settings.h"

#include <QSettings>
#include <QStringList>
#include <memory>

namespace orv {
namespace {

// Where one full path lands: the store to open and the key inside it.
struct Location
{
    std::unique_ptr<QSettings> store;
    QString key;
};

Location locate(const QString& path)
{
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return {};
    const QString root = parts.takeFirst();
    if (root.compare(QLatin1String("HKEY_CURRENT_USER"), Qt::CaseInsensitive) != 0
        && root.compare(QLatin1String("HKCU"), Qt::CaseInsensitive) != 0)
        return {};
    const QString valueName = parts.takeLast();
#ifdef Q_OS_WIN
    return {std::make_unique<QSettings>(QLatin1String("HKEY_CURRENT_USER\\") + parts.join(QLatin1Char('\\')),
                                        QSettings::NativeFormat),
            valueName};
#else
    // Software\<Organisation>\<Program>[\deeper\keys]
    if (parts.size() < 3 || parts[0].compare(QLatin1String("Software"), Qt::CaseInsensitive) != 0)
        return {};
    const QString organisation = parts[1];
    const QString program = parts[2];
    QStringList groups = parts.mid(3);
    groups.append(valueName);
    return {std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation,
                                        program),
            groups.join(QLatin1Char('/'))};
#endif
}

} // namespace

void guardaValor(const QString& path, const QString& value)
{
    Location loc = locate(path);
    if (!loc.store || loc.key.isEmpty())
        return;
    loc.store->setValue(loc.key, value);
    loc.store->sync();
}

QString leeValor(const QString& path)
{
    Location loc = locate(path);
    if (!loc.store || loc.key.isEmpty())
        return {};
    const QVariant v = loc.store->value(loc.key);
    if (!v.isValid() || !v.canConvert<QString>())
        return {};
    return v.toString();
}

} // namespace orv
