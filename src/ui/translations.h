#pragma once

class QCoreApplication;

namespace orv::ui {

// The programs speak Spanish whatever the system's language: Qt's own texts
// (file and colour dialogs, context menus) are loaded in Spanish, and the
// default locale becomes Spanish (Spain), so that what Qt words or formats
// by it (file types in the file dialogs, among others) is Spanish too.
// Answers false when Qt's Spanish translation is not installed; Qt's
// built-in texts are then English, though the locale is still set.
bool installTranslations(QCoreApplication& app);

} // namespace orv::ui
