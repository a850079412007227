// The Creator's menus: Archivo (add images, import a video, preview the
// movie, clear the list, quit) and Ayuda (About).
#include "form1.h"

#include "filelist.h"
#include "frmabout.h"
#include "prompt.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>

namespace orv::creator {

void Form1::makeMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Archivo"));
    file->setObjectName(QStringLiteral("menu_archivo"));
    // Adding without dragging: the same rules as a drop, by the same path.
    QAction* add = file->addAction(QStringLiteral("&Agregar imágenes..."));
    add->setObjectName(QStringLiteral("menu_agregar"));
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(add, &QAction::triggered, this, [this] {
        List1_OLEDragDrop(ui::prompt().openFiles(
            this, QStringLiteral("Agregar imágenes"),
            QStringLiteral("Imágenes (*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.ico;*.cur)|"
                           "*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.ico;*.cur|Todos los "
                           "archivos (*.*)|*.*")));
    });
    QAction* video = file->addAction(QStringLiteral("&Importar video..."));
    video->setObjectName(QStringLiteral("menu_importar_video"));
    connect(video, &QAction::triggered, this, &Form1::menu_import_video_Click);
    QAction* view = file->addAction(QStringLiteral("&Vista previa de la película..."));
    view->setObjectName(QStringLiteral("menu_vista_previa"));
    connect(view, &QAction::triggered, this, &Form1::menu_preview_Click);
    ui::enableWithEntries(view, m_list1);
    QAction* clear = file->addAction(QStringLiteral("Limpiar lista"));
    clear->setObjectName(QStringLiteral("menu_limpiar"));
    file->addSeparator()->setObjectName(QStringLiteral("menu_separador1"));
    QAction* quit = file->addAction(QStringLiteral("Salir"));
    quit->setObjectName(QStringLiteral("menu_salir"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* help = menuBar()->addMenu(QStringLiteral("Ay&uda"));
    help->setObjectName(QStringLiteral("menu_ayuda"));
    QAction* about = help->addAction(QStringLiteral("Acerca de..."));
    about->setObjectName(QStringLiteral("menu_acerca_de"));

    connect(clear, &QAction::triggered, this, &Form1::menu_limpiar_Click);
    connect(quit, &QAction::triggered, this, &Form1::menu_salir_Click);
    connect(about, &QAction::triggered, this, &Form1::menu_acerca_de_Click);
}

void Form1::menu_salir_Click()
{
    // Ends the program at once, without a question.
    close();
    QApplication::quit();
}

void Form1::menu_acerca_de_Click()
{
    ui::FrmAbout about(ui::Product::Creator, this);
    about.exec();
}

} // namespace orv::creator
