#pragma once

#include <QColor>
#include <QString>

namespace orv::player {

// The Player's choices in the settings store, under one key. Values are
// text; readers here turn them into the numbers the window needs and replace
// anything that would make the window unusable (a hand-edited or damaged
// value) by the first-run default.

// "HKEY_CURRENT_USER\Software\Orvane\OrvPlayer\"; every value name is
// appended to it.
QString rutareg();

QString readSetting(const QString& name);
void saveSetting(const QString& name, const QString& value);
// The numeric value of the stored text ("" and non-numbers read as 0).
double settingValue(const QString& name);

// First run (no `Ejecuciones`): stores the defaults of every choice.
void saveDefaults();

constexpr int kDefaultFontIndex = 4; // the "8" entry
constexpr int kMaxRecent = 10;

// The font-size entry to check: 0 to 9, else the default.
int savedFontIndex();
// A colour stored as decimal 0x00BBGGRR; text that is not a whole number in
// that range gives `byDefault`.
QColor savedColour(const QString& name, const QColor& byDefault);
QColor colourOfValue(qint64 bbggrr);
qint64 colourValue(const QColor& color);
// `MRecientes`, 1 to 10. Outside that range (0 on a first run, or damaged)
// it is stored again as 10.
int maxRecent();
// `NRecientes`, 0 to 10.
int recentCount();
// The splash is skipped when `SplashScreen` is 1.
bool hideSplash();

} // namespace orv::player
