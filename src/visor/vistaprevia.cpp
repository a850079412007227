#include "vistaprevia.h"

#include "fuentefija.h"
#include "frame.h"
#include "moviereader.h"
#include "pantalla.h"
#include "pictures.h"
#include "prompt.h"
#include "reloj.h"

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

namespace orv::visor {
namespace {

QPushButton* boton(QWidget* padre, const char* nombre, const QString& accesible, const QString& ayuda)
{
    auto* b = new QPushButton(padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setAccessibleName(accesible);
    b->setToolTip(ayuda);
    b->setAutoDefault(false);
    return b;
}

} // namespace

VistaPrevia::VistaPrevia(Pelicula pelicula, QWidget* parent)
    : QDialog(parent), m_pelicula(std::move(pelicula))
{
    setObjectName(QStringLiteral("VistaPrevia"));
    setWindowTitle(QStringLiteral("Vista previa de la película"));
    setSizeGripEnabled(true);

    m_pantalla = new Pantalla(this);
    m_pantalla->setObjectName(QStringLiteral("pantalla"));
    m_pantalla->setFont(render::fuenteFija(8));

    m_rebobinar = boton(this, "rebobinar", QStringLiteral("Rebobinar"), QStringLiteral("Rebobinar (Inicio)"));
    m_rebobinar->setIcon(ui::rewindIcon());
    m_anterior = boton(this, "anterior", QStringLiteral("Retroceder un cuadro"),
                       QStringLiteral("Retroceder un cuadro (F3)"));
    m_anterior->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    m_reproducir = boton(this, "reproducir", QStringLiteral("Reproducir/Detener"),
                         QStringLiteral("Reproducir/Detener (F2)"));
    m_reproducir->setIcon(ui::playIcon());
    m_siguiente = boton(this, "siguiente", QStringLiteral("Avanzar un cuadro"),
                        QStringLiteral("Avanzar un cuadro (F4)"));
    m_siguiente->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));

    m_posicion = new QSlider(Qt::Horizontal, this);
    m_posicion->setObjectName(QStringLiteral("posicion"));
    m_posicion->setAccessibleName(QStringLiteral("Posición"));
    m_posicion->setPageStep(1);
    m_cuadro = new QLabel(this);
    m_cuadro->setObjectName(QStringLiteral("cuadro"));
    auto* tamano = new QLabel(QStringLiteral("%1 × %2 caracteres, %3 cuadros")
                                  .arg(m_pelicula.ancho)
                                  .arg(m_pelicula.alto)
                                  .arg(m_pelicula.numCuadros),
                              this);
    tamano->setObjectName(QStringLiteral("tamano"));
    auto* botones = new QDialogButtonBox(QDialogButtonBox::Close, this);
    botones->button(QDialogButtonBox::Close)->setText(QStringLiteral("Cerrar"));
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* controles = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(m_rebobinar), static_cast<QWidget*>(m_anterior),
                       static_cast<QWidget*>(m_reproducir), static_cast<QWidget*>(m_siguiente)})
        controles->addWidget(w);
    controles->addWidget(m_posicion, 1);
    controles->addWidget(m_cuadro);
    auto* pie = new QHBoxLayout;
    pie->addWidget(tamano, 1);
    pie->addWidget(botones);
    auto* todo = new QVBoxLayout(this);
    todo->addWidget(m_pantalla, 1);
    todo->addLayout(controles);
    todo->addLayout(pie);

    m_reloj = new QTimer(this);
    m_reloj->setTimerType(Qt::PreciseTimer);
    connect(m_reloj, &QTimer::timeout, this, &VistaPrevia::tick);
    connect(m_rebobinar, &QPushButton::clicked, this, &VistaPrevia::rebobinar_Click);
    connect(m_anterior, &QPushButton::clicked, this, &VistaPrevia::anterior_Click);
    connect(m_reproducir, &QPushButton::clicked, this, &VistaPrevia::reproducir_Click);
    connect(m_siguiente, &QPushButton::clicked, this, &VistaPrevia::siguiente_Click);
    connect(m_posicion, &QSlider::valueChanged, this, &VistaPrevia::irA);
    const auto atajo = [this](QKeySequence teclas, void (VistaPrevia::*accion)()) {
        connect(new QShortcut(teclas, this), &QShortcut::activated, this, accion);
    };
    atajo(Qt::Key_F2, &VistaPrevia::reproducir_Click);
    atajo(Qt::Key_F3, &VistaPrevia::anterior_Click);
    atajo(Qt::Key_F4, &VistaPrevia::siguiente_Click);
    atajo(Qt::Key_Home, &VistaPrevia::rebobinar_Click);

    m_motor.abre(m_pelicula.numCuadros, m_pelicula.pausa);
    m_reloj->setInterval(m_motor.intervalo());
    m_posicion->setRange(0, m_motor.ultimoCuadro());
    for (QWidget* w : {static_cast<QWidget*>(m_anterior), static_cast<QWidget*>(m_reproducir),
                       static_cast<QWidget*>(m_siguiente), static_cast<QWidget*>(m_posicion)})
        w->setEnabled(m_motor.puedeReproducir());
    muestraCuadro();

    // Room for the whole frame where the screen allows it.
    const QFontMetrics medidas(m_pantalla->font());
    QSize texto(medidas.horizontalAdvance(QLatin1Char('M')) * m_pelicula.ancho,
                medidas.lineSpacing() * m_pelicula.alto);
    texto += QSize(2 * Pantalla::kMargen + 24, 2 * Pantalla::kMargen + 24);
    const QSize pantallaLibre = (parent ? parent->screen() : screen())->availableSize() * 0.85;
    m_pantalla->setMinimumSize(std::min(texto.width(), pantallaLibre.width() - 40),
                               std::min(texto.height(), pantallaLibre.height() - 120));
    m_pantalla->setFocus();
}

void VistaPrevia::muestraCuadro()
{
    m_pantalla->setTexto(armaCuadro(m_pelicula, m_motor.cuadroActual()));
    m_cuadro->setText(
        QStringLiteral("Cuadro %1 de %2").arg(m_motor.cuadroActual() + 1).arg(m_motor.numCuadros()));
    if (m_posicion->value() != m_motor.cuadroActual()) {
        const QSignalBlocker quieto(m_posicion);
        m_posicion->setValue(m_motor.cuadroActual());
    }
}

void VistaPrevia::reflejaReproduccion()
{
    visor::reflejaReproduccion(m_motor, *m_reloj, *m_reproducir);
}

void VistaPrevia::reproducir_Click()
{
    m_motor.alternaReproduccion();
    reflejaReproduccion();
}

void VistaPrevia::tick()
{
    m_motor.tick();
    reflejaReproduccion();
    muestraCuadro();
}

void VistaPrevia::rebobinar_Click()
{
    m_motor.rebobina();
    muestraCuadro();
}

void VistaPrevia::anterior_Click()
{
    if (m_motor.retrocede())
        muestraCuadro();
}

void VistaPrevia::siguiente_Click()
{
    if (m_motor.avanza())
        muestraCuadro();
}

void VistaPrevia::irA(int cuadro)
{
    m_motor.irA(cuadro);
    muestraCuadro();
}

VistaPrevia* abreVistaPrevia(QWidget* ventana, QByteArray bytes)
{
    Pelicula pelicula;
    bool leida = false;
    try {
        leida = cargaPeliculaDeBytes(std::move(bytes), pelicula);
    } catch (const std::bad_alloc&) {
        // More than the system can hold twice over: said as an unreadable movie.
    }
    if (!leida) {
        ui::prompt().mensaje(ventana, mensajeErrorPelicula(), tituloErrorPelicula(), ui::Icono::Critico,
                             ui::Botones::Aceptar);
        return nullptr;
    }
    for (VistaPrevia* anterior : ventana->findChildren<VistaPrevia*>(Qt::FindDirectChildrenOnly))
        anterior->deleteLater();
    auto* vista = new VistaPrevia(std::move(pelicula), ventana);
    vista->setAttribute(Qt::WA_DeleteOnClose);
    vista->show();
    return vista;
}

} // namespace orv::visor
