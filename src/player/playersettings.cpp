#include "playersettings.h"

#include "numeric.h"
#include "settings.h"

#include <algorithm>

namespace orv::player {

QString rutareg()
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvane\\OrvPlayer\\");
}

QString readSetting(const QString& name)
{
    return leeValor(rutareg() + name);
}

void saveSetting(const QString& name, const QString& value)
{
    guardaValor(rutareg() + name, value);
}

double settingValue(const QString& name)
{
    return numericValue(readSetting(name));
}

void saveDefaults()
{
    saveSetting(QStringLiteral("TamanoFuente"), QStringLiteral("4"));
    saveSetting(QStringLiteral("ColorFondo"), QStringLiteral("16777215"));
    saveSetting(QStringLiteral("ColorLetras"), QStringLiteral("0"));
    saveSetting(QStringLiteral("Repetir"), QStringLiteral("0"));
    saveSetting(QStringLiteral("ReproIni"), QStringLiteral("0"));
    saveSetting(QStringLiteral("NRecientes"), QStringLiteral("0"));
    saveSetting(QStringLiteral("MRecientes"), QStringLiteral("10"));
}

int savedFontIndex()
{
    const double value = settingValue(QStringLiteral("TamanoFuente"));
    const std::int64_t index = wholePart(value);
    if (index < 0 || index > 9)
        return kDefaultFontIndex;
    return static_cast<int>(index);
}

QColor colourOfValue(qint64 bbggrr)
{
    return QColor(static_cast<int>(bbggrr & 0xff), static_cast<int>((bbggrr >> 8) & 0xff),
                  static_cast<int>((bbggrr >> 16) & 0xff));
}

qint64 colourValue(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return rgb.red() | (qint64(rgb.green()) << 8) | (qint64(rgb.blue()) << 16);
}

QColor savedColour(const QString& name, const QColor& byDefault)
{
    // Strict on purpose: "abc" would read as 0, and a black background under
    // black letters is an unusable window.
    bool isNumber = false;
    const qlonglong value = readSetting(name).trimmed().toLongLong(&isNumber);
    if (!isNumber || value < 0 || value > 0xffffff)
        return byDefault;
    return colourOfValue(value);
}

int maxRecent()
{
    const std::int64_t m = wholePart(settingValue(QStringLiteral("MRecientes")));
    if (m >= 1 && m <= kMaxRecent)
        return static_cast<int>(m);
    saveSetting(QStringLiteral("MRecientes"), QString::number(kMaxRecent));
    return kMaxRecent;
}

int recentCount()
{
    const std::int64_t n = wholePart(settingValue(QStringLiteral("NRecientes")));
    return static_cast<int>(std::clamp<std::int64_t>(n, 0, kMaxRecent));
}

bool hideSplash()
{
    return wholePart(settingValue(QStringLiteral("SplashScreen"))) == 1;
}

} // namespace orv::player
