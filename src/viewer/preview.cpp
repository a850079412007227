#include "preview.h"

#include "clock.h"
#include "fixedfont.h"
#include "frame.h"
#include "moviereader.h"
#include "moviescreen.h"
#include "pictures.h"
#include "prompt.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <new>

namespace orv::viewer {
namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& accessible,
                    const QString& help)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleName(accessible);
    b->setToolTip(help);
    b->setAutoDefault(false);
    return b;
}

} // namespace

Preview::Preview(Movie movie, QWidget* parent) : QDialog(parent), m_movie(std::move(movie))
{
    setObjectName(QStringLiteral("VistaPrevia"));
    setWindowTitle(QStringLiteral("Vista previa de la película"));
    setSizeGripEnabled(true);

    m_pantalla = new MovieScreen(this);
    m_pantalla->setObjectName(QStringLiteral("pantalla"));
    m_pantalla->setFont(render::fixedFont(8));

    m_rebobinar = button(this, "rebobinar", QStringLiteral("Rebobinar"),
                         QStringLiteral("Rebobinar (Inicio)"));
    m_rebobinar->setIcon(ui::rewindIcon());
    m_anterior = button(this, "anterior", QStringLiteral("Retroceder un cuadro"),
                        QStringLiteral("Retroceder un cuadro (F3)"));
    m_anterior->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    m_reproducir = button(this, "reproducir", QStringLiteral("Reproducir/Detener"),
                          QStringLiteral("Reproducir/Detener (F2)"));
    m_reproducir->setIcon(ui::playIcon());
    m_next = button(this, "siguiente", QStringLiteral("Avanzar un cuadro"),
                    QStringLiteral("Avanzar un cuadro (F4)"));
    m_next->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));

    m_posicion = new QSlider(Qt::Horizontal, this);
    m_posicion->setObjectName(QStringLiteral("posicion"));
    m_posicion->setAccessibleName(QStringLiteral("Posición"));
    m_posicion->setPageStep(1);
    m_frame = new QLabel(this);
    m_frame->setObjectName(QStringLiteral("cuadro"));
    auto* size = new QLabel(QStringLiteral("%1 × %2 caracteres, %3 cuadros")
                                .arg(m_movie.ancho)
                                .arg(m_movie.alto)
                                .arg(m_movie.numCuadros),
                            this);
    size->setObjectName(QStringLiteral("tamano"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Cerrar"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* controls = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(m_rebobinar), static_cast<QWidget*>(m_anterior),
                       static_cast<QWidget*>(m_reproducir), static_cast<QWidget*>(m_next)})
        controls->addWidget(w);
    controls->addWidget(m_posicion, 1);
    controls->addWidget(m_frame);
    auto* pie = new QHBoxLayout;
    pie->addWidget(size, 1);
    pie->addWidget(buttons);
    auto* all = new QVBoxLayout(this);
    all->addWidget(m_pantalla, 1);
    all->addLayout(controls);
    all->addLayout(pie);

    m_clock = new QTimer(this);
    m_clock->setTimerType(Qt::PreciseTimer);
    connect(m_clock, &QTimer::timeout, this, &Preview::tick);
    connect(m_rebobinar, &QPushButton::clicked, this, &Preview::rebobinar_Click);
    connect(m_anterior, &QPushButton::clicked, this, &Preview::anterior_Click);
    connect(m_reproducir, &QPushButton::clicked, this, &Preview::reproducir_Click);
    connect(m_next, &QPushButton::clicked, this, &Preview::next_Click);
    connect(m_posicion, &QSlider::valueChanged, this, &Preview::irA);
    const auto shortcut = [this](QKeySequence keys, void (Preview::*action)()) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    shortcut(Qt::Key_F2, &Preview::reproducir_Click);
    shortcut(Qt::Key_F3, &Preview::anterior_Click);
    shortcut(Qt::Key_F4, &Preview::next_Click);
    shortcut(Qt::Key_Home, &Preview::rebobinar_Click);

    m_engine.open(m_movie.numCuadros, m_movie.pausa);
    m_clock->setInterval(m_engine.interval());
    m_posicion->setRange(0, m_engine.lastFrame());
    for (QWidget* w : {static_cast<QWidget*>(m_anterior), static_cast<QWidget*>(m_reproducir),
                       static_cast<QWidget*>(m_next), static_cast<QWidget*>(m_posicion)})
        w->setEnabled(m_engine.canPlay());
    muestraCuadro();

    // Room for the whole frame where the screen allows it.
    const QFontMetrics measures(m_pantalla->font());
    QSize text(measures.horizontalAdvance(QLatin1Char('M')) * m_movie.ancho,
               measures.lineSpacing() * m_movie.alto);
    text += QSize(2 * MovieScreen::kMargin + 24, 2 * MovieScreen::kMargin + 24);
    const QSize freeScreen = (parent ? parent->screen() : screen())->availableSize() * 0.85;
    m_pantalla->setMinimumSize(std::min(text.width(), freeScreen.width() - 40),
                               std::min(text.height(), freeScreen.height() - 120));
    m_pantalla->setFocus();
}

void Preview::muestraCuadro()
{
    m_pantalla->setText(armaCuadro(m_movie, m_engine.cuadroActual()));
    m_frame->setText(QStringLiteral("Cuadro %1 de %2")
                         .arg(m_engine.cuadroActual() + 1)
                         .arg(m_engine.numCuadros()));
    if (m_posicion->value() != m_engine.cuadroActual()) {
        const QSignalBlocker still(m_posicion);
        m_posicion->setValue(m_engine.cuadroActual());
    }
}

void Preview::reflectPlayback()
{
    viewer::reflectPlayback(m_engine, *m_clock, *m_reproducir);
}

void Preview::reproducir_Click()
{
    m_engine.togglePlayback();
    reflectPlayback();
}

void Preview::tick()
{
    m_engine.tick();
    reflectPlayback();
    muestraCuadro();
}

void Preview::rebobinar_Click()
{
    m_engine.rewind();
    muestraCuadro();
}

void Preview::anterior_Click()
{
    if (m_engine.retrocede())
        muestraCuadro();
}

void Preview::next_Click()
{
    if (m_engine.stepForward())
        muestraCuadro();
}

void Preview::irA(int frame)
{
    m_engine.irA(frame);
    muestraCuadro();
}

Preview* openPreview(QWidget* window, QByteArray bytes)
{
    Movie movie;
    bool read = false;
    try {
        read = loadMovieFromBytes(std::move(bytes), movie);
    } catch (const std::bad_alloc&) {
        // More than the system can hold twice over: said as an unreadable movie.
    }
    if (!read) {
        ui::prompt().message(window, movieErrorMessage(), movieErrorTitle(), ui::Icon::Critical,
                             ui::Buttons::Ok);
        return nullptr;
    }
    for (Preview* earlier : window->findChildren<Preview*>(Qt::FindDirectChildrenOnly))
        earlier->deleteLater();
    auto* view = new Preview(std::move(movie), window);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->show();
    return view;
}

} // namespace orv::viewer
