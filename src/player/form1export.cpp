#include "form1.h"

#include "compactorlauncher.h"
#include "movieexport.h"
#include "moviescreen.h"
#include "prompt.h"

#include <QAction>
#include <QMenu>

namespace orv::player {

// "Exportar..." sits below "&Abrir..." and is usable exactly while a movie
// is loaded, which is when "&Cerrar" is: it follows that entry's state.
void Form1::makeExportMenu(QMenu* file)
{
    m_exportMenu = new QAction(QStringLiteral("&Exportar..."), file);
    m_exportMenu->setObjectName(QStringLiteral("menu_exportar"));
    file->insertAction(m_menu_cerrar_pelicula, m_exportMenu);
    m_exportMenu->setEnabled(m_menu_cerrar_pelicula->isEnabled());
    connect(m_menu_cerrar_pelicula, &QAction::enabledChanged, m_exportMenu, &QAction::setEnabled);
    connect(m_exportMenu, &QAction::triggered, this, &Form1::menu_export_Click);

    QAction* edit = new QAction(QStringLiteral("E&ditar película"), file);
    edit->setObjectName(QStringLiteral("menu_editar"));
    file->insertAction(m_menu_cerrar_pelicula, edit);
    edit->setEnabled(m_menu_cerrar_pelicula->isEnabled());
    connect(m_menu_cerrar_pelicula, &QAction::enabledChanged, edit, &QAction::setEnabled);
    connect(edit, &QAction::triggered, this, &Form1::menu_edit_Click);
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
