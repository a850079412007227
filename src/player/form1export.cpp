#include "form1.h"

#include "compactorlauncher.h"
#include "movieexport.h"
#include "moviescreen.h"
#include "prompt.h"

#include <QAction>
#include <QMenu>

namespace orv::player {

// "Exportar..." and "Editar película" sit below "&Abrir..." and are usable
// exactly while a movie is loaded, which is when "&Cerrar" is: they follow
// that entry's state.
void Form1::makeExportMenu(QMenu* file)
{
    const auto entry = [&](const QString& caption, const QString& name, void (Form1::*slot)()) {
        QAction* a = new QAction(caption, file);
        a->setObjectName(name);
        file->insertAction(m_menu_cerrar_pelicula, a);
        a->setEnabled(m_menu_cerrar_pelicula->isEnabled());
        connect(m_menu_cerrar_pelicula, &QAction::enabledChanged, a, &QAction::setEnabled);
        connect(a, &QAction::triggered, this, slot);
    };
    entry(QStringLiteral("&Exportar..."), QStringLiteral("menu_exportar"), &Form1::menu_export_Click);
    entry(QStringLiteral("E&ditar película"), QStringLiteral("menu_editar"), &Form1::menu_edit_Click);
}

// Opens the movie shown in OrvEditor, a program of its own.
void Form1::menu_edit_Click()
{
    const QString title = QStringLiteral("Editar película");
    const QString editor = ui::suiteProgram(QStringLiteral("OrvEditor"), QStringLiteral("editor"));
    if (editor.isEmpty()) {
        ui::prompt().message(this, QStringLiteral("No se encontró el programa OrvEditor."), title,
                             ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    if (!ui::startProgram(editor, {m_movie.file.absolute().escapedText()}))
        ui::prompt().message(this, QStringLiteral("No se pudo iniciar el programa OrvEditor."), title,
                             ui::Icon::Exclamation, ui::Buttons::Ok);
}

void Form1::menu_export_Click()
{
    viewer::exportMovie(this, m_movie, m_movie.file.absolute(), m_pantalla->font(),
                        m_pantalla->letterColour(), m_pantalla->backgroundColour());
}

} // namespace orv::player
