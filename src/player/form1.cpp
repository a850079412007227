#include "form1.h"

#include "form2.h"
#include "form3.h"
#include "frmabout.h"
#include "moviereader.h"
#include "moviescreen.h"
#include "filename.h"
#include "numeric.h"
#include "pictures.h"
#include "playersettings.h"
#include "prompt.h"
#include "promptpasswords.h"
#include "recentfiles.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>

namespace orv::player {
namespace {

const QString kTitle = QStringLiteral("Orvane ASCII Player");

FileName firstFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            return FileName::fromUrl(url);
    }
    return {};
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kTitle);
    setWindowIcon(ui::productIcon(ui::Product::Player));
    setAcceptDrops(true);
    makeControls();
    makeMenus();
    formLoad();
}

Form1::~Form1() = default;

void Form1::makeControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(central);
    central->installEventFilter(this);

    m_pantalla = new MovieScreen(central);
    m_pantalla->setObjectName(QStringLiteral("pantalla"));
    connect(m_pantalla, &MovieScreen::dropped, this, &Form1::Form_OLEDragDrop);

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
    if (wholePart(settingValue(QStringLiteral("Ejecuciones"))) == 0)
        saveDefaults();
    applySavedSize();
    saveSetting(QStringLiteral("Ejecuciones"), QStringLiteral("1"));
    maxRecent(); // stores 10 when the maximum is missing or out of range
    m_engine.setRepetir(settingValue(QStringLiteral("Repetir")) != 0);
    m_menu_repetir->setChecked(m_engine.repeat());
    applyColours(savedColour(QStringLiteral("ColorFondo"), Qt::white),
                 savedColour(QStringLiteral("ColorLetras"), Qt::black));
    m_reproInicial = static_cast<int>(std::clamp<std::int64_t>(
        wholePart(settingValue(QStringLiteral("ReproIni"))), -32768, 32767));
    actualizaRecientes();
    m_tamanoActual = savedFontIndex();
    menu_fuente_tamano_Click(m_tamanoActual);
    habilitaControles(false);
}

void Form1::abrePelicula(const FileName& ruta, bool desdeRecientes)
{
    menu_cerrar_pelicula_Click();
    setWindowTitle(kTitle + QStringLiteral(" - Cargando..."));
    // An encrypted member's password is asked for, as every extraction does.
    ui::PromptPasswords keys(this, kTitle);
    LoadOptions options;
    options.passwords = &keys;
    if (!cargaPelicula(ruta, m_movie, options)) {
        ui::prompt().message(this, movieErrorMessage(), movieErrorTitle(), ui::Icon::Critical,
                             ui::Buttons::Ok);
        menu_cerrar_pelicula_Click();
        return;
    }
    m_engine.open(m_movie.numCuadros, m_movie.pausa);
    fitInterval();
    setWindowTitle(kTitle + QStringLiteral(" - ") + m_movie.nombreArchivo);
    habilitaControles(true);
    rebobinar_Click();
    if (m_movie.numCuadros <= 1) {
        for (QWidget* w : {static_cast<QWidget*>(m_posicion), static_cast<QWidget*>(m_rebobinar),
                           static_cast<QWidget*>(m_reproducir)})
            w->setEnabled(false);
        for (QAction* a : {m_menu_avanza, m_menu_retrocede, m_menu_rebobinar, m_menu_reproducir})
            a->setEnabled(false);
    } else {
        m_posicion->setMaximum(m_movie.numCuadros - 1);
        if (m_reproInicial != 0)
            reproducir_Click();
        m_posicion->setTickInterval(m_movie.numCuadros < 100 ? 1 : m_movie.numCuadros / 100 + 1);
    }
    // A name holding bytes that are not UTF-8 cannot be kept in the settings
    // file as it is; it stays out of the list rather than come back broken.
    if (!desdeRecientes && ruta.isUtf8())
        agregaReciente(ruta);
}

void Form1::fitInterval()
{
    m_timer1->setInterval(m_engine.interval());
}

void Form1::agregaReciente(const FileName& ruta)
{
    saveRecent(ruta.escapedText());
    actualizaRecientes();
}

void Form1::actualizaRecientes()
{
    const int m = maxRecent();
    const QStringList paths = recentPaths();
    const int n = static_cast<int>(paths.size());
    for (int j = 1; j <= n; ++j)
        m_recent[static_cast<size_t>(j - 1)]->setText(recentCaption(j, paths[j - 1]));
    m_separador->setVisible(n != 0);
    for (int i = 1; i <= kMaxRecent; ++i)
        m_recent[static_cast<size_t>(i - 1)]->setVisible(i <= n && i <= m);
}

void Form1::a_recientes_Click(int j)
{
    abrePelicula(FileName::fromText(recentPath(j)), true);
}

void Form1::menu_abrir_Click()
{
    const FileName path = ui::prompt().openFile(
        this, QStringLiteral("Abrir película ASCII"),
        QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"));
    if (!path.isEmpty())
        abrePelicula(path, false);
}

void Form1::Form_OLEDragDrop(const QMimeData* mime)
{
    const FileName path = firstFile(mime);
    if (path.isEmpty())
        return;
    // Opened once the drop has returned, so that a failure message does not
    // keep the file manager waiting for the end of its drag.
    QMetaObject::invokeMethod(
        this, [this, path] { abrePelicula(path, false); }, Qt::QueuedConnection);
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!firstFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dragMoveEvent(QDragMoveEvent* event)
{
    if (!firstFile(event->mimeData()).isEmpty())
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
    Form2 dialog(this);
    dialog.exec();
}

void Form1::menu_propiedades_Click()
{
    Form3 dialog(m_movie, this);
    dialog.exec();
}

void Form1::menu_acerca_Click()
{
    ui::FrmAbout about(ui::Product::Player, this);
    about.exec();
}

void Form1::menu_cerrar_Click()
{
    QApplication::quit();
}

} // namespace orv::player
