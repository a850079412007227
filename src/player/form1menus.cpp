#include "form1.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace orv::player {
namespace {

QMenu* creaMenu(QWidget* padre, const QString& nombre, const QString& caption)
{
    auto* menu = new QMenu(caption, padre);
    menu->setObjectName(nombre);
    menu->menuAction()->setObjectName(nombre + QStringLiteral("_accion"));
    return menu;
}

} // namespace

QAction* Form1::creaAccion(QMenu* menu, const QString& nombre, const QString& caption,
                           const QKeySequence& atajo)
{
    QAction* accion = menu->addAction(caption);
    accion->setObjectName(nombre);
    accion->setShortcut(atajo);
    return accion;
}

void Form1::creaMenus()
{
    creaMenuArchivo();
    creaMenuPelicula();
    creaMenuFormato();
    creaMenuAyuda();
}

void Form1::creaMenuArchivo()
{
    QMenu* archivo = creaMenu(this, QStringLiteral("menu_archivo"), QStringLiteral("&Archivo"));
    menuBar()->addMenu(archivo);
    m_menuAbrir = creaAccion(archivo, QStringLiteral("menu_abrir"), QStringLiteral("&Abrir..."),
                             QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(m_menuAbrir, &QAction::triggered, this, &Form1::menu_abrir_Click);
    m_menuCerrarPelicula = creaAccion(archivo, QStringLiteral("menu_cerrar_pelicula"),
                                      QStringLiteral("&Cerrar"), QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(m_menuCerrarPelicula, &QAction::triggered, this, &Form1::menu_cerrar_pelicula_Click);
    creaMenuExportar(archivo);
    archivo->addSeparator();
    QAction* preferencias = creaAccion(archivo, QStringLiteral("menu_preferencias"),
                                       QStringLiteral("Preferencias..."));
    connect(preferencias, &QAction::triggered, this, &Form1::menu_preferencias_Click);
    m_separador = archivo->addSeparator();
    m_separador->setObjectName(QStringLiteral("separador"));
    for (int j = 1; j <= static_cast<int>(m_recientes.size()); ++j) {
        QAction* reciente = creaAccion(archivo, QStringLiteral("a_recientes%1").arg(j), QString());
        reciente->setProperty("index", j);
        reciente->setVisible(false);
        connect(reciente, &QAction::triggered, this, [this, j] { a_recientes_Click(j); });
        m_recientes[static_cast<size_t>(j - 1)] = reciente;
    }
    archivo->addSeparator();
    QAction* salir = creaAccion(archivo, QStringLiteral("menu_cerrar"), QStringLiteral("Salir"),
                                QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(salir, &QAction::triggered, this, &Form1::menu_cerrar_Click);
}

void Form1::creaMenuPelicula()
{
    QMenu* pelicula = creaMenu(this, QStringLiteral("menu_pelicula"), QStringLiteral("&Película"));
    menuBar()->addMenu(pelicula);
    m_menuReproducir = creaAccion(pelicula, QStringLiteral("menu_reproducir"),
                                  QStringLiteral("Reproducir/Detener"), QKeySequence(Qt::Key_F2));
    connect(m_menuReproducir, &QAction::triggered, this, &Form1::reproducir_Click);
    m_menuRebobinar =
        creaAccion(pelicula, QStringLiteral("menu_rebobinar"), QStringLiteral("Rebobinar"));
    connect(m_menuRebobinar, &QAction::triggered, this, &Form1::rebobinar_Click);
    pelicula->addSeparator();
    m_menuRetrocede = creaAccion(pelicula, QStringLiteral("menu_retrocede"),
                                 QStringLiteral("Retroceder un cuadro"), QKeySequence(Qt::Key_F3));
    connect(m_menuRetrocede, &QAction::triggered, this, &Form1::menu_retrocede_Click);
    m_menuAvanza = creaAccion(pelicula, QStringLiteral("menu_avanza"),
                              QStringLiteral("Avanzar un cuadro"), QKeySequence(Qt::Key_F4));
    connect(m_menuAvanza, &QAction::triggered, this, &Form1::menu_avanza_Click);
    pelicula->addSeparator();
    m_menuPropiedades =
        creaAccion(pelicula, QStringLiteral("menu_propiedades"),
                   QStringLiteral("Información adicional"), QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(m_menuPropiedades, &QAction::triggered, this, &Form1::menu_propiedades_Click);
    pelicula->addSeparator();
    m_menuRepetir = creaAccion(pelicula, QStringLiteral("menu_repetir"), QStringLiteral("Repetir"));
    m_menuRepetir->setCheckable(true);
    connect(m_menuRepetir, &QAction::triggered, this, &Form1::menu_repetir_Click);
}

void Form1::creaMenuFormato()
{
    static const char* const kTamanos[] = {"4", "5", "6", "7", "8", "10", "12", "15", "20", "25"};
    QMenu* formato = creaMenu(this, QStringLiteral("menu_formato"), QStringLiteral("&Formato"));
    menuBar()->addMenu(formato);
    QMenu* fuente = creaMenu(formato, QStringLiteral("menu_fuente"), QStringLiteral("Fuente"));
    formato->addMenu(fuente);
    QMenu* tamano = creaMenu(fuente, QStringLiteral("menu_fuente_tamano"), QStringLiteral("Tamaño"));
    fuente->addMenu(tamano);
    for (int k = 0; k < static_cast<int>(m_tamanos.size()); ++k) {
        QAction* entrada = creaAccion(tamano, QStringLiteral("menu_fuente_tamano%1").arg(k),
                                      QString::fromLatin1(kTamanos[k]));
        entrada->setCheckable(true);
        entrada->setProperty("index", k);
        connect(entrada, &QAction::triggered, this, [this, k] { menu_fuente_tamano_Click(k); });
        m_tamanos[static_cast<size_t>(k)] = entrada;
    }
    formato->addSeparator();
    QAction* fondo = creaAccion(formato, QStringLiteral("menu_color_fondo"),
                                QStringLiteral("Color de fondo"), QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(fondo, &QAction::triggered, this, &Form1::menu_color_fondo_Click);
    QAction* letras = creaAccion(formato, QStringLiteral("menu_color_letras"),
                                 QStringLiteral("Color de letras"), QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(letras, &QAction::triggered, this, &Form1::menu_color_letras_Click);
}

void Form1::creaMenuAyuda()
{
    QMenu* ayuda = creaMenu(this, QStringLiteral("menu_ayuda"), QStringLiteral("Ayu&da"));
    menuBar()->addMenu(ayuda);
    // Kept for the help that never came: hidden and inert.
    QAction* contenidos = creaAccion(ayuda, QStringLiteral("menu_contenidos"),
                                     QStringLiteral("Contenidos"), QKeySequence(Qt::Key_F1));
    contenidos->setEnabled(false);
    contenidos->setVisible(false);
    ayuda->addSeparator()->setVisible(false);
    QAction* acerca = creaAccion(ayuda, QStringLiteral("menu_acerca"), QStringLiteral("Acerca de..."));
    connect(acerca, &QAction::triggered, this, &Form1::menu_acerca_Click);
}

} // namespace orv::player
