#include "form1.h"

#include "form2.h"
#include "form3.h"
#include "frmabout.h"
#include "moviereader.h"
#include "nativename.h"
#include "numeric.h"
#include "pantalla.h"
#include "pictures.h"
#include "playersettings.h"
#include "prompt.h"
#include "promptpasswords.h"
#include "recientes.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>

namespace orv::player {
namespace {

const QString kTitulo = QStringLiteral("Orvane ASCII Player");

QString primerArchivo(const QMimeData* datos)
{
    if (!datos || !datos->hasUrls())
        return {};
    const QList<QUrl> urls = datos->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            return localFileFromUrl(url);
    }
    return {};
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kTitulo);
    setWindowIcon(ui::productIcon(ui::Producto::Player));
    setAcceptDrops(true);
    creaControles();
    creaMenus();
    formLoad();
}

Form1::~Form1() = default;

void Form1::creaControles()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(central);
    central->installEventFilter(this);

    m_pantalla = new Pantalla(central);
    m_pantalla->setObjectName(QStringLiteral("pantalla"));
    connect(m_pantalla, &Pantalla::soltado, this, &Form1::Form_OLEDragDrop);

    m_rebobinar = new QPushButton(central);
    m_rebobinar->setObjectName(QStringLiteral("rebobinar"));
    m_rebobinar->setIcon(ui::rewindIcon());
    m_rebobinar->setAccessibleName(QStringLiteral("Rebobinar"));
    m_rebobinar->setFocusPolicy(Qt::TabFocus);
    connect(m_rebobinar, &QPushButton::clicked, this, &Form1::rebobinar_Click);

    m_reproducir = new QPushButton(central);
    m_reproducir->setObjectName(QStringLiteral("reproducir"));
    m_reproducir->setIcon(ui::playIcon());
    m_reproducir->setAccessibleName(QStringLiteral("Reproducir/Detener"));
    m_reproducir->setFocusPolicy(Qt::TabFocus);
    connect(m_reproducir, &QPushButton::clicked, this, &Form1::reproducir_Click);

    m_posicion = new QSlider(Qt::Horizontal, central);
    m_posicion->setObjectName(QStringLiteral("posicion"));
    m_posicion->setRange(0, 1);
    m_posicion->setTickPosition(QSlider::TicksBelow);
    m_posicion->setPageStep(1);
    connect(m_posicion, &QSlider::valueChanged, this, &Form1::posicion_Change);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setTimerType(Qt::PreciseTimer);
    connect(m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
}

void Form1::formLoad()
{
    if (wholePart(valorAjuste(QStringLiteral("Ejecuciones"))) == 0)
        guardaPredeterminados();
    aplicaTamanoGuardado();
    guardaAjuste(QStringLiteral("Ejecuciones"), QStringLiteral("1"));
    maximoRecientes(); // stores 10 when the maximum is missing or out of range
    m_motor.setRepetir(valorAjuste(QStringLiteral("Repetir")) != 0);
    m_menuRepetir->setChecked(m_motor.repetir());
    aplicaColores(colorGuardado(QStringLiteral("ColorFondo"), Qt::white),
                  colorGuardado(QStringLiteral("ColorLetras"), Qt::black));
    m_reproInicial = static_cast<int>(
        std::clamp<std::int64_t>(wholePart(valorAjuste(QStringLiteral("ReproIni"))), -32768, 32767));
    actualizaRecientes();
    m_tamanoActual = indiceFuenteGuardado();
    menu_fuente_tamano_Click(m_tamanoActual);
    habilitaControles(false);
}

void Form1::abrePelicula(const QString& ruta, bool desdeRecientes)
{
    menu_cerrar_pelicula_Click();
    setWindowTitle(kTitulo + QStringLiteral(" - Cargando..."));
    // An encrypted member's password is asked for, as every extraction does.
    ui::PromptPasswords claves(this, kTitulo);
    LoadOptions opciones;
    opciones.passwords = &claves;
    // By the name's bytes: one made on a Windows-1252 system opens too.
    if (!cargaPeliculaNativa(nameBytesFromText(ruta), m_pelicula, opciones)) {
        ui::prompt().mensaje(this, mensajeErrorPelicula(), tituloErrorPelicula(), ui::Icono::Critico,
                             ui::Botones::Aceptar);
        menu_cerrar_pelicula_Click();
        return;
    }
    m_motor.abre(m_pelicula.numCuadros, m_pelicula.pausa);
    ajustaIntervalo();
    setWindowTitle(kTitulo + QStringLiteral(" - ") + readableName(m_pelicula.nombreArchivo));
    habilitaControles(true);
    rebobinar_Click();
    if (m_pelicula.numCuadros <= 1) {
        for (QWidget* w : {static_cast<QWidget*>(m_posicion), static_cast<QWidget*>(m_rebobinar),
                           static_cast<QWidget*>(m_reproducir)})
            w->setEnabled(false);
        for (QAction* a : {m_menuAvanza, m_menuRetrocede, m_menuRebobinar, m_menuReproducir})
            a->setEnabled(false);
    } else {
        m_posicion->setMaximum(m_pelicula.numCuadros - 1);
        if (m_reproInicial != 0)
            reproducir_Click();
        m_posicion->setTickInterval(m_pelicula.numCuadros < 100 ? 1 : m_pelicula.numCuadros / 100 + 1);
    }
    // A name holding bytes that are not UTF-8 cannot be kept in the settings
    // file as it is; it stays out of the list rather than come back broken.
    if (!desdeRecientes && !holdsEscapedBytes(ruta))
        agregaReciente(ruta);
}

void Form1::ajustaIntervalo()
{
    m_timer1->setInterval(m_motor.intervalo());
}

void Form1::agregaReciente(const QString& ruta)
{
    guardaReciente(ruta);
    actualizaRecientes();
}

void Form1::actualizaRecientes()
{
    const int m = maximoRecientes();
    const QStringList rutas = rutasRecientes();
    const int n = static_cast<int>(rutas.size());
    for (int j = 1; j <= n; ++j)
        m_recientes[static_cast<size_t>(j - 1)]->setText(captionReciente(j, rutas[j - 1]));
    m_separador->setVisible(n != 0);
    for (int i = 1; i <= kMaximoRecientes; ++i)
        m_recientes[static_cast<size_t>(i - 1)]->setVisible(i <= n && i <= m);
}

void Form1::a_recientes_Click(int j)
{
    abrePelicula(rutaReciente(j), true);
}

void Form1::menu_abrir_Click()
{
    const QString ruta = ui::prompt().abrirArchivo(
        this, QStringLiteral("Abrir película ASCII"),
        QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"));
    if (!ruta.isEmpty())
        abrePelicula(ruta, false);
}

void Form1::Form_OLEDragDrop(const QMimeData* datos)
{
    const QString ruta = primerArchivo(datos);
    if (ruta.isEmpty())
        return;
    // Opened once the drop has returned, so that a failure message does not
    // keep the file manager waiting for the end of its drag.
    QMetaObject::invokeMethod(
        this, [this, ruta] { abrePelicula(ruta, false); }, Qt::QueuedConnection);
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!primerArchivo(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dragMoveEvent(QDragMoveEvent* event)
{
    if (!primerArchivo(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    Form_OLEDragDrop(event->mimeData());
}

void Form1::menu_preferencias_Click()
{
    Form2 dialogo(this);
    dialogo.exec();
}

void Form1::menu_propiedades_Click()
{
    Form3 dialogo(m_pelicula, this);
    dialogo.exec();
}

void Form1::menu_acerca_Click()
{
    ui::FrmAbout acerca(ui::Producto::Player, this);
    acerca.exec();
}

void Form1::menu_cerrar_Click()
{
    QApplication::quit();
}

} // namespace orv::player
