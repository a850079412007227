// The main window's size, layout, font and colours, and their memory in the
// settings store. Stored sizes are the outer window size in twips.
#include "form1.h"

#include "fixedfont.h"
#include "moviescreen.h"
#include "numeric.h"
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

constexpr int kMinimumWidth = 3150;
constexpr int kMinimumHeight = 1450;
constexpr int kInitialWidth = 6150;
constexpr int kInitialHeight = 5880;

// The control positions are given against the outer size of a window with
// classic decorations: 120 twips of borders across and 660 of borders, title
// and menu bar down. Laying out against the client area plus those amounts
// keeps the controls where they belong whatever the desktop's title and menu
// bars measure.
constexpr int kClassicFrameWidth = 120;
constexpr int kClassicFrameHeight = 660;

const QString kVAncho = QStringLiteral("VAncho");
const QString kVAlto = QStringLiteral("VAlto");
const QString kVEstado = QStringLiteral("VEstado");

} // namespace

int Form1::twipsToPixels(int twips) const
{
    return ui::twips(this, twips);
}

int Form1::pixelsToTwips(int pixels) const
{
    return ui::pixelsToTwips(this, pixels);
}

QSize Form1::twipsSize() const
{
    const QSize exterior = frameGeometry().size();
    return {pixelsToTwips(exterior.width()), pixelsToTwips(exterior.height())};
}

void Form1::applySavedSize()
{
    m_ventanaLista = false;
    std::int64_t width = wholePart(settingValue(kVAncho));
    std::int64_t height = wholePart(settingValue(kVAlto));
    if (width <= 0 || height <= 0) {
        width = kInitialWidth;
        height = kInitialHeight;
        saveSetting(kVAncho, QString::number(width));
        saveSetting(kVAlto, QString::number(height));
        saveSetting(kVEstado, QStringLiteral("0"));
    }
    // A stored size larger than the screen (or damaged) would put the
    // controls out of reach.
    if (const QScreen* systemScreen = screen()) {
        const QSize available = systemScreen->availableGeometry().size();
        width = std::min<std::int64_t>(width, pixelsToTwips(available.width()));
        height = std::min<std::int64_t>(height, pixelsToTwips(available.height()));
    }
    width = std::max<std::int64_t>(width, kMinimumWidth);
    height = std::max<std::int64_t>(height, kMinimumHeight);
    fitMinimum();
    resize(twipsToPixels(static_cast<int>(width)), twipsToPixels(static_cast<int>(height)));
    const std::int64_t state = wholePart(settingValue(kVEstado));
    if (state == 2)
        setWindowState(Qt::WindowMaximized);
    else if (state == 1)
        setWindowState(Qt::WindowMinimized);
    m_ventanaLista = true;
}

void Form1::fitMinimum()
{
    const QSize frame = frameGeometry().size() - size();
    setMinimumSize(std::max(1, twipsToPixels(kMinimumWidth) - frame.width()),
                   std::max(1, twipsToPixels(kMinimumHeight) - frame.height()));
}

void Form1::correctFrame()
{
    // The stored size is the outer one, but the decorations are known only
    // once the window is on screen: take them off the client size once, in
    // the normal state (a window started maximized gets it when restored).
    if (m_correctedFrame || !isVisible())
        return;
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() <= 0 && frame.height() <= 0)
        return;
    fitMinimum();
    if (windowState() != Qt::WindowNoState)
        return;
    m_correctedFrame = true;
    resize(size() - frame);
}

void Form1::saveSize()
{
    if (!m_ventanaLista || isMinimized())
        return;
    if (isMaximized() || isFullScreen()) {
        // Keep the normal size, so that un-maximizing next time gives it back.
        saveSetting(kVEstado, QStringLiteral("2"));
        return;
    }
    const QSize twips = twipsSize();
    saveSetting(kVAlto, QString::number(twips.height()));
    saveSetting(kVAncho, QString::number(twips.width()));
    saveSetting(kVEstado, QStringLiteral("0"));
}

void Form1::layOutControls()
{
    const QSize client = centralWidget()->size();
    const int w = pixelsToTwips(client.width()) + kClassicFrameWidth;
    const int h = pixelsToTwips(client.height()) + kClassicFrameHeight;
    auto rect = [this](int x, int y, int width, int height) {
        return QRect(twipsToPixels(x), twipsToPixels(y), twipsToPixels(std::max(width, 0)),
                     twipsToPixels(std::max(height, 0)));
    };
    m_pantalla->setGeometry(rect(0, 0, w - 135, h - 1185));
    m_rebobinar->setGeometry(rect(30, h - 1140, 555, 435));
    m_reproducir->setGeometry(rect(600, h - 1140, 555, 435));
    m_posicion->setGeometry(rect(1200, h - 1140, w - 1340, 435));
    const int icon = std::max(8, twipsToPixels(435) - 10);
    m_rebobinar->setIconSize(QSize(icon, icon));
    m_reproducir->setIconSize(QSize(icon, icon));
}

bool Form1::eventFilter(QObject* object, QEvent* event)
{
    if (object == centralWidget() && event->type() == QEvent::Resize)
        layOutControls();
    return QMainWindow::eventFilter(object, event);
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    correctFrame();
    saveSize();
}

void Form1::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    correctFrame();
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    correctFrame();
}

void Form1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        saveSize();
}

void Form1::menu_fuente_tamano_Click(int k)
{
    if (k < 0 || k >= static_cast<int>(m_sizes.size()))
        return;
    m_sizes[static_cast<size_t>(m_tamanoActual)]->setChecked(false);
    m_sizes[static_cast<size_t>(k)]->setChecked(true);
    m_tamanoActual = k;
    saveSetting(QStringLiteral("TamanoFuente"), QString::number(k));
    m_pantalla->setFont(render::fixedFont(numericValue(m_sizes[static_cast<size_t>(k)]->text())));
}

void Form1::applyColours(const QColor& background, const QColor& letters)
{
    m_pantalla->setColours(background, letters);
}

void Form1::chooseColor(bool background)
{
    const QColor current = background ? m_pantalla->backgroundColour() : m_pantalla->letterColour();
    const std::optional<QColor> chosen = ui::prompt().color(this, current);
    if (!chosen || !chosen->isValid())
        return;
    if (background)
        applyColours(*chosen, m_pantalla->letterColour());
    else
        applyColours(m_pantalla->backgroundColour(), *chosen);
    saveSetting(background ? QStringLiteral("ColorFondo") : QStringLiteral("ColorLetras"),
                QString::number(colourValue(*chosen)));
}

void Form1::menu_color_fondo_Click()
{
    chooseColor(true);
}

void Form1::menu_color_letras_Click()
{
    chooseColor(false);
}

} // namespace orv::player
