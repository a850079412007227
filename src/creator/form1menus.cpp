// The Creator's menus: Archivo (add images, import a video, preview the
// movie, clear the list, quit) and Ayuda (About).
#include "form1.h"

#include "frmabout.h"
#include "listaarchivos.h"
#include "prompt.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>

namespace orv::creator {

void Form1::creaMenus()
{
    QMenu* archivo = menuBar()->addMenu(QStringLiteral("&Archivo"));
    archivo->setObjectName(QStringLiteral("menu_archivo"));
    // Adding without dragging: the same rules as a drop, by the same path.
    QAction* agregar = archivo->addAction(QStringLiteral("&Agregar imágenes..."));
    agregar->setObjectName(QStringLiteral("menu_agregar"));
    agregar->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(agregar, &QAction::triggered, this, [this] {
        List1_OLEDragDrop(ui::prompt().abrirArchivos(
            this, QStringLiteral("Agregar imágenes"),
            QStringLiteral("Imágenes (*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.ico;*.cur)|"
                           "*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.ico;*.cur|Todos los archivos (*.*)|*.*")));
    });
    QAction* video = archivo->addAction(QStringLiteral("&Importar video..."));
    video->setObjectName(QStringLiteral("menu_importar_video"));
    connect(video, &QAction::triggered, this, &Form1::menu_importar_video_Click);
    QAction* vista = archivo->addAction(QStringLiteral("&Vista previa de la película..."));
    vista->setObjectName(QStringLiteral("menu_vista_previa"));
    connect(vista, &QAction::triggered, this, &Form1::menu_vista_previa_Click);
    ui::habilitaConEntradas(vista, m_list1);
    QAction* limpiar = archivo->addAction(QStringLiteral("Limpiar lista"));
    limpiar->setObjectName(QStringLiteral("menu_limpiar"));
    archivo->addSeparator()->setObjectName(QStringLiteral("menu_separador1"));
    QAction* salir = archivo->addAction(QStringLiteral("Salir"));
    salir->setObjectName(QStringLiteral("menu_salir"));
    salir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* ayuda = menuBar()->addMenu(QStringLiteral("Ay&uda"));
    ayuda->setObjectName(QStringLiteral("menu_ayuda"));
    QAction* acerca = ayuda->addAction(QStringLiteral("Acerca de..."));
    acerca->setObjectName(QStringLiteral("menu_acerca_de"));

    connect(limpiar, &QAction::triggered, this, &Form1::menu_limpiar_Click);
    connect(salir, &QAction::triggered, this, &Form1::menu_salir_Click);
    connect(acerca, &QAction::triggered, this, &Form1::menu_acerca_de_Click);
}

void Form1::menu_salir_Click()
{
    // Ends the program at once, without a question.
    close();
    QApplication::quit();
}

void Form1::menu_acerca_de_Click()
{
    ui::FrmAbout about(ui::Producto::Creator, this);
    about.exec();
}

} // namespace orv::creator
