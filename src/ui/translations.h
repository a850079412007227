#pragma once

class QCoreApplication;

namespace orv::ui {

// The programs speak Spanish whatever the system's language, so Qt's own
// texts (file and colour dialogs, context menus) are loaded in Spanish too.
// Answers false when Qt's Spanish translation is not installed; the program
// then runs with Qt's built-in English texts.
bool instalaTraducciones(QCoreApplication& app);

} // namespace orv::ui
