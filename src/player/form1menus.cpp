#include "form1.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace orv::player {
namespace {

QMenu* makeMenu(QWidget* parent, const QString& name, const QString& caption)
{
    auto* menu = new QMenu(caption, parent);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name + QStringLiteral("_accion"));
    return menu;
}

} // namespace

QAction* Form1::makeAction(QMenu* menu, const QString& name, const QString& caption,
                           const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
}

void Form1::makeMenus()
{
    makeFileMenu();
    makeMovieMenu();
    makeFormatMenu();
    makeHelpMenu();
}

void Form1::makeFileMenu()
{
    QMenu* file = makeMenu(this, QStringLiteral("menu_archivo"), QStringLiteral("&Archivo"));
    menuBar()->addMenu(file);
    m_menu_abrir = makeAction(file, QStringLiteral("menu_abrir"), QStringLiteral("&Abrir..."),
                              QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(m_menu_abrir, &QAction::triggered, this, &Form1::menu_abrir_Click);
    m_menu_cerrar_pelicula =
        makeAction(file, QStringLiteral("menu_cerrar_pelicula"), QStringLiteral("&Cerrar"),
                   QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(m_menu_cerrar_pelicula, &QAction::triggered, this, &Form1::menu_cerrar_pelicula_Click);
    makeExportMenu(file);
    file->addSeparator();
    QAction* preferences =
        makeAction(file, QStringLiteral("menu_preferencias"), QStringLiteral("Preferencias..."));
    connect(preferences, &QAction::triggered, this, &Form1::menu_preferencias_Click);
    m_separador = file->addSeparator();
    m_separador->setObjectName(QStringLiteral("separador"));
    for (int j = 1; j <= static_cast<int>(m_recent.size()); ++j) {
        QAction* recent = makeAction(file, QStringLiteral("a_recientes%1").arg(j), QString());
        recent->setProperty("index", j);
        recent->setVisible(false);
        connect(recent, &QAction::triggered, this, [this, j] { a_recientes_Click(j); });
        m_recent[static_cast<size_t>(j - 1)] = recent;
    }
    file->addSeparator();
    QAction* quit = makeAction(file, QStringLiteral("menu_cerrar"), QStringLiteral("Salir"),
                               QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &Form1::menu_cerrar_Click);
}

void Form1::makeMovieMenu()
{
    QMenu* movie = makeMenu(this, QStringLiteral("menu_pelicula"), QStringLiteral("&Película"));
    menuBar()->addMenu(movie);
    m_menu_reproducir = makeAction(movie, QStringLiteral("menu_reproducir"),
                                   QStringLiteral("Reproducir/Detener"), QKeySequence(Qt::Key_F2));
    connect(m_menu_reproducir, &QAction::triggered, this, &Form1::reproducir_Click);
    m_menu_rebobinar =
        makeAction(movie, QStringLiteral("menu_rebobinar"), QStringLiteral("Rebobinar"));
    connect(m_menu_rebobinar, &QAction::triggered, this, &Form1::rebobinar_Click);
    movie->addSeparator();
    m_menu_retrocede = makeAction(movie, QStringLiteral("menu_retrocede"),
                                  QStringLiteral("Retroceder un cuadro"), QKeySequence(Qt::Key_F3));
    connect(m_menu_retrocede, &QAction::triggered, this, &Form1::menu_retrocede_Click);
    m_menu_avanza = makeAction(movie, QStringLiteral("menu_avanza"),
                               QStringLiteral("Avanzar un cuadro"), QKeySequence(Qt::Key_F4));
    connect(m_menu_avanza, &QAction::triggered, this, &Form1::menu_avanza_Click);
    movie->addSeparator();
    m_menu_propiedades =
        makeAction(movie, QStringLiteral("menu_propiedades"),
                   QStringLiteral("Información adicional"), QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(m_menu_propiedades, &QAction::triggered, this, &Form1::menu_propiedades_Click);
    movie->addSeparator();
    m_menu_repetir = makeAction(movie, QStringLiteral("menu_repetir"), QStringLiteral("Repetir"));
    m_menu_repetir->setCheckable(true);
    connect(m_menu_repetir, &QAction::triggered, this, &Form1::menu_repetir_Click);
}

void Form1::makeFormatMenu()
{
    static const char* const kSizes[] = {"4", "5", "6", "7", "8", "10", "12", "15", "20", "25"};
    QMenu* format = makeMenu(this, QStringLiteral("menu_formato"), QStringLiteral("&Formato"));
    menuBar()->addMenu(format);
    QMenu* font = makeMenu(format, QStringLiteral("menu_fuente"), QStringLiteral("Fuente"));
    format->addMenu(font);
    QMenu* size = makeMenu(font, QStringLiteral("menu_fuente_tamano"), QStringLiteral("Tamaño"));
    font->addMenu(size);
    for (int k = 0; k < static_cast<int>(m_sizes.size()); ++k) {
        QAction* input = makeAction(size, QStringLiteral("menu_fuente_tamano%1").arg(k),
                                    QString::fromLatin1(kSizes[k]));
        input->setCheckable(true);
        input->setProperty("index", k);
        connect(input, &QAction::triggered, this, [this, k] { menu_fuente_tamano_Click(k); });
        m_sizes[static_cast<size_t>(k)] = input;
    }
    format->addSeparator();
    QAction* background =
        makeAction(format, QStringLiteral("menu_color_fondo"), QStringLiteral("Color de fondo"),
                   QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(background, &QAction::triggered, this, &Form1::menu_color_fondo_Click);
    QAction* letters =
        makeAction(format, QStringLiteral("menu_color_letras"), QStringLiteral("Color de letras"),
                   QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(letters, &QAction::triggered, this, &Form1::menu_color_letras_Click);
}

void Form1::makeHelpMenu()
{
    QMenu* help = makeMenu(this, QStringLiteral("menu_ayuda"), QStringLiteral("Ayu&da"));
    menuBar()->addMenu(help);
    // Kept for the help that never came: hidden and inert.
    QAction* contents = makeAction(help, QStringLiteral("menu_contenidos"),
                                   QStringLiteral("Contenidos"), QKeySequence(Qt::Key_F1));
    contents->setEnabled(false);
    contents->setVisible(false);
    help->addSeparator()->setVisible(false);
    QAction* about =
        makeAction(help, QStringLiteral("menu_acerca"), QStringLiteral("Acerca de..."));
    connect(about, &QAction::triggered, this, &Form1::menu_acerca_Click);
}

} // namespace orv::player
