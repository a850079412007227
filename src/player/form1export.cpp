#include "form1.h"

#include "movieexport.h"
#include "moviescreen.h"

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
}

void Form1::menu_export_Click()
{
    viewer::exportMovie(this, m_movie, m_movie.file.absolute(), m_pantalla->font(),
                        m_pantalla->letterColour(), m_pantalla->backgroundColour());
}

} // namespace orv::player
