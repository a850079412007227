// The main window's size, layout, font and colours, and their memory in the
// settings store. Stored sizes are the outer window size in twips.
#include "form1.h"

#include "fuentefija.h"
#include "numeric.h"
#include "pantalla.h"
#include "playersettings.h"
#include "prompt.h"
#include "twips.h"

#include <QAction>
#include <QEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSlider>
#include <algorithm>
#include <cmath>

namespace orv::player {
namespace {

constexpr int kAnchoMinimo = 3150;
constexpr int kAltoMinimo = 1450;
constexpr int kAnchoInicial = 6150;
constexpr int kAltoInicial = 5880;

// The control positions are given against the outer size of a window with
// classic decorations: 120 twips of borders across and 660 of borders, title
// and menu bar down. Laying out against the client area plus those amounts
// keeps the controls where they belong whatever the desktop's title and menu
// bars measure.
constexpr int kMarcoClasicoAncho = 120;
constexpr int kMarcoClasicoAlto = 660;

const QString kVAncho = QStringLiteral("VAncho");
const QString kVAlto = QStringLiteral("VAlto");
const QString kVEstado = QStringLiteral("VEstado");

} // namespace

int Form1::twipsAPixeles(int twips) const
{
    return ui::twips(this, twips);
}

int Form1::pixelesATwips(int pixeles) const
{
    return ui::pixelesATwips(this, pixeles);
}

QSize Form1::tamanoTwips() const
{
    const QSize exterior = frameGeometry().size();
    return {pixelesATwips(exterior.width()), pixelesATwips(exterior.height())};
}

void Form1::aplicaTamanoGuardado()
{
    m_ventanaLista = false;
    std::int64_t ancho = wholePart(valorAjuste(kVAncho));
    std::int64_t alto = wholePart(valorAjuste(kVAlto));
    if (ancho <= 0 || alto <= 0) {
        ancho = kAnchoInicial;
        alto = kAltoInicial;
        guardaAjuste(kVAncho, QString::number(ancho));
        guardaAjuste(kVAlto, QString::number(alto));
        guardaAjuste(kVEstado, QStringLiteral("0"));
    }
    // A stored size larger than the screen (or damaged) would put the
    // controls out of reach.
    if (const QScreen* pantallaSistema = screen()) {
        const QSize disponible = pantallaSistema->availableGeometry().size();
        ancho = std::min<std::int64_t>(ancho, pixelesATwips(disponible.width()));
        alto = std::min<std::int64_t>(alto, pixelesATwips(disponible.height()));
    }
    ancho = std::max<std::int64_t>(ancho, kAnchoMinimo);
    alto = std::max<std::int64_t>(alto, kAltoMinimo);
    ajustaMinimo();
    resize(twipsAPixeles(static_cast<int>(ancho)), twipsAPixeles(static_cast<int>(alto)));
    const std::int64_t estado = wholePart(valorAjuste(kVEstado));
    if (estado == 2)
        setWindowState(Qt::WindowMaximized);
    else if (estado == 1)
        setWindowState(Qt::WindowMinimized);
    m_ventanaLista = true;
}

void Form1::ajustaMinimo()
{
    const QSize marco = frameGeometry().size() - size();
    setMinimumSize(std::max(1, twipsAPixeles(kAnchoMinimo) - marco.width()),
                   std::max(1, twipsAPixeles(kAltoMinimo) - marco.height()));
}

void Form1::corrigeMarco()
{
    // The stored size is the outer one, but the decorations are known only
    // once the window is on screen: take them off the client size once, in
    // the normal state (a window started maximized gets it when restored).
    if (m_marcoCorregido || !isVisible())
        return;
    const QSize marco = frameGeometry().size() - size();
    if (marco.width() <= 0 && marco.height() <= 0)
        return;
    ajustaMinimo();
    if (windowState() != Qt::WindowNoState)
        return;
    m_marcoCorregido = true;
    resize(size() - marco);
}

void Form1::guardaTamano()
{
    if (!m_ventanaLista || isMinimized())
        return;
    if (isMaximized() || isFullScreen()) {
        // Keep the normal size, so that un-maximizing next time gives it back.
        guardaAjuste(kVEstado, QStringLiteral("2"));
        return;
    }
    const QSize twips = tamanoTwips();
    guardaAjuste(kVAlto, QString::number(twips.height()));
    guardaAjuste(kVAncho, QString::number(twips.width()));
    guardaAjuste(kVEstado, QStringLiteral("0"));
}

void Form1::disponeControles()
{
    const QSize cliente = centralWidget()->size();
    const int w = pixelesATwips(cliente.width()) + kMarcoClasicoAncho;
    const int h = pixelesATwips(cliente.height()) + kMarcoClasicoAlto;
    auto rect = [this](int x, int y, int ancho, int alto) {
        return QRect(twipsAPixeles(x), twipsAPixeles(y), twipsAPixeles(std::max(ancho, 0)),
                     twipsAPixeles(std::max(alto, 0)));
    };
    m_pantalla->setGeometry(rect(0, 0, w - 135, h - 1185));
    m_rebobinar->setGeometry(rect(30, h - 1140, 555, 435));
    m_reproducir->setGeometry(rect(600, h - 1140, 555, 435));
    m_posicion->setGeometry(rect(1200, h - 1140, w - 1340, 435));
    const int icono = std::max(8, twipsAPixeles(435) - 10);
    m_rebobinar->setIconSize(QSize(icono, icono));
    m_reproducir->setIconSize(QSize(icono, icono));
}

bool Form1::eventFilter(QObject* objeto, QEvent* event)
{
    if (objeto == centralWidget() && event->type() == QEvent::Resize)
        disponeControles();
    return QMainWindow::eventFilter(objeto, event);
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    corrigeMarco();
    guardaTamano();
}

void Form1::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    corrigeMarco();
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    corrigeMarco();
}

void Form1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        guardaTamano();
}

void Form1::menu_fuente_tamano_Click(int k)
{
    if (k < 0 || k >= static_cast<int>(m_tamanos.size()))
        return;
    m_tamanos[static_cast<size_t>(m_tamanoActual)]->setChecked(false);
    m_tamanos[static_cast<size_t>(k)]->setChecked(true);
    m_tamanoActual = k;
    guardaAjuste(QStringLiteral("TamanoFuente"), QString::number(k));
    m_pantalla->setFont(render::fuenteFija(numericValue(m_tamanos[static_cast<size_t>(k)]->text())));
}

void Form1::aplicaColores(const QColor& fondo, const QColor& letras)
{
    m_pantalla->setColores(fondo, letras);
}

void Form1::eligeColor(bool fondo)
{
    const QColor actual = fondo ? m_pantalla->colorFondo() : m_pantalla->colorLetras();
    const std::optional<QColor> elegido = ui::prompt().color(this, actual);
    if (!elegido || !elegido->isValid())
        return;
    if (fondo)
        aplicaColores(*elegido, m_pantalla->colorLetras());
    else
        aplicaColores(m_pantalla->colorFondo(), *elegido);
    guardaAjuste(fondo ? QStringLiteral("ColorFondo") : QStringLiteral("ColorLetras"),
                 QString::number(valorDeColor(*elegido)));
}

void Form1::menu_color_fondo_Click()
{
    eligeColor(true);
}

void Form1::menu_color_letras_Click()
{
    eligeColor(false);
}

} // namespace orv::player
