#include "recentfiles.h"

#include "playersettings.h"

#include <algorithm>

namespace orv::player {
namespace {

QString recentName(int j)
{
    return QStringLiteral("Recientes") + QString::number(j);
}

} // namespace

QString recentCaption(int j, const QString& path)
{
    QString visible =
        path.size() < 41 ? QLatin1Char(' ') + path : QStringLiteral(" ...") + path.right(36);
    visible.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QLatin1Char('&') + QString::number(j) + visible;
}

QString recentPath(int j)
{
    return readSetting(recentName(j));
}

QStringList recentPaths()
{
    QStringList paths;
    const int n = recentCount();
    for (int j = 1; j <= n; ++j)
        paths.append(recentPath(j));
    return paths;
}

void saveRecent(const QString& path)
{
    const int n = recentCount();
    const int m = maxRecent();
    saveSetting(QStringLiteral("NRecientes"), QString::number(std::min(n + 1, m)));
    for (int k = n; k >= 1; --k)
        saveSetting(recentName(k + 1), recentPath(k));
    saveSetting(recentName(1), path);
}

} // namespace orv::player
