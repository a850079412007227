#pragma once

#include <QColor>
#include "filename.h"

#include <QString>
#include <memory>

class QColorDialog;
class QFileDialog;
class QWidget;

namespace orv::ui {

// Qt's own Open, Save and colour dialogs, set up the one way the suite shows
// them: Qt's widgets rather than the desktop's (whose language and columns
// follow the system, not the program), Spanish captions, sizes, types and
// dates whatever the system's locale, and the size, type and date columns
// wide enough to be read whole. The prompt seam shows these; tests look at
// them without showing them.

// `filter` is the classic "Descripción|*.ext|..." filter; each description is
// listed exactly as written. A Save dialog adds the chosen kind's extension
// to a name typed without one.
std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent, const QString& title,
                                            const QString& filter, bool save);

// The files an Open dialog of several files was accepted with. Qt's own
// answer drops every other name typed as "a" "b" "c" once the dialog has a
// proxy model (ours has one for its columns), so the names are read from
// the name box, as the dialog reads them to check that they exist.
QStringList chosenFiles(const QFileDialog& dialog);

std::unique_ptr<QColorDialog> makeColourDialog(QWidget* parent, const QColor& initial);

// Before a file is replaced: when `path` exists, asks through the prompt
// "El archivo <nombre> ya existe. ¿Desea reemplazarlo?" and answers whether
// to go on. A device or a FIFO of that name is refused with a message. The Save dialogs do not ask themselves, so that the question is
// about the name really written (after a program adds its extension).
bool confirmReplace(QWidget* parent, const FileName& path);

// Widens a dialog (a progress dialog above all, which sizes itself to its
// label) so that its window title is read whole beside the frame's buttons.
void widthForTitle(QWidget& dialog);
// The width that takes.
int minimumWidthForTitle(const QWidget& dialog);

} // namespace orv::ui
