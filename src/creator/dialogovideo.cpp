#include "dialogovideo.h"

#include "cp1252.h"
#include "fuentefija.h"
#include "nativename.h"
#include "prompt.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace orv::creator {
namespace {

template <typename W>
W* nombrado(W* w, const char* nombre)
{
    w->setObjectName(QLatin1String(nombre));
    return w;
}

} // namespace

DialogoVideo::DialogoVideo(const QString& clip, QWidget* parent) : QDialog(parent), m_clip(clip)
{
    setObjectName(QStringLiteral("DialogoVideo"));
    setWindowTitle(QStringLiteral("Importar video"));
    auto* columna = new QVBoxLayout(this);
    auto* nombre = new QLabel(QStringLiteral("Video: ") + readableName(QFileInfo(clip).fileName()), this);
    columna->addWidget(nombre);

    auto* formulario = new QFormLayout;
    m_ancho = nombrado(new QSpinBox(this), "ancho");
    m_ancho->setRange(video::kLadoMinimo, video::kLadoMaximo);
    m_ancho->setValue(160);
    formulario->addRow(QStringLiteral("&Ancho en caracteres:"), m_ancho);
    m_fps = nombrado(new QDoubleSpinBox(this), "fps");
    m_fps->setRange(0, 120);
    m_fps->setDecimals(2);
    m_fps->setSpecialValueText(QStringLiteral("los del video (hasta 30)"));
    m_fps->setValue(0);
    formulario->addRow(QStringLiteral("&Cuadros por segundo:"), m_fps);
    m_desde = nombrado(new QLineEdit(QStringLiteral("0"), this), "desde");
    m_desde->setToolTip(QStringLiteral("Segundos, o minutos y segundos (1:15)."));
    formulario->addRow(QStringLiteral("&Desde:"), m_desde);
    m_hasta = nombrado(new QLineEdit(this), "hasta");
    m_hasta->setPlaceholderText(QStringLiteral("el final del video"));
    m_hasta->setToolTip(m_desde->toolTip());
    formulario->addRow(QStringLiteral("&Hasta:"), m_hasta);
    m_invertir = nombrado(new QCheckBox(QStringLiteral("&Letras claras sobre fondo oscuro"), this), "invertir");
    formulario->addRow(QString(), m_invertir);
    columna->addLayout(formulario);

    columna->addWidget(new QLabel(QStringLiteral("Primer cuadro de la película:"), this));
    m_vista = nombrado(new QPlainTextEdit(this), "vista");
    m_vista->setReadOnly(true);
    m_vista->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_vista->setFont(render::fuenteFija(4));
    m_vista->setMinimumSize(480, 240);
    columna->addWidget(m_vista, 1);
    m_estado = nombrado(new QLabel(this), "estado");
    m_estado->setWordWrap(true);
    columna->addWidget(m_estado);

    auto* botones = new QHBoxLayout;
    botones->addStretch();
    auto* aceptar = nombrado(new QPushButton(QStringLiteral("&Aceptar"), this), "aceptar");
    auto* cancelar = nombrado(new QPushButton(QStringLiteral("&Cancelar"), this), "cancelar");
    aceptar->setDefault(true);
    botones->addWidget(aceptar);
    botones->addWidget(cancelar);
    columna->addLayout(botones);
    connect(aceptar, &QPushButton::clicked, this, &DialogoVideo::aceptar);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);

    // The preview follows the choices a moment after they stop changing.
    m_espera = new QTimer(this);
    m_espera->setSingleShot(true);
    m_espera->setInterval(200);
    connect(m_espera, &QTimer::timeout, this, &DialogoVideo::actualizaVista);
    const auto cambio = [this] { m_espera->start(); };
    connect(m_ancho, &QSpinBox::valueChanged, this, cambio);
    connect(m_fps, &QDoubleSpinBox::valueChanged, this, cambio);
    connect(m_desde, &QLineEdit::textChanged, this, cambio);
    connect(m_hasta, &QLineEdit::textChanged, this, cambio);
    connect(m_invertir, &QCheckBox::toggled, this, cambio);
    actualizaVista();
}

bool DialogoVideo::leeTramo(video::OpcionesVideo& o) const
{
    const std::optional<double> desde = video::leeTiempo(m_desde->text().isEmpty() ? QStringLiteral("0") : m_desde->text());
    const std::optional<double> hasta =
        m_hasta->text().trimmed().isEmpty() ? std::optional<double>(-1) : video::leeTiempo(m_hasta->text());
    if (!desde || !hasta)
        return false;
    o.desde = *desde;
    o.hasta = *hasta;
    return true;
}

video::OpcionesVideo DialogoVideo::opciones() const
{
    video::OpcionesVideo o;
    o.columnas = m_ancho->value();
    o.fps = m_fps->value();
    o.invertir = m_invertir->isChecked();
    leeTramo(o);
    return o;
}

void DialogoVideo::actualizaVista()
{
    m_espera->stop();
    video::OpcionesVideo o = opciones();
    if (!leeTramo(o)) {
        m_vista->clear();
        m_estado->setText(QStringLiteral("Los tiempos se escriben en segundos o en minutos y segundos (1:15)."));
        return;
    }
    QSize celdas;
    video::EstadoVideo estado = video::EstadoVideo::Creada;
    const std::optional<QByteArray> cuadro = video::primerCuadro(m_clip, o, celdas, estado);
    if (!cuadro) {
        m_vista->clear();
        video::ResultadoVideo r;
        r.estado = estado;
        m_estado->setText(video::mensajeVideo(r, m_clip));
        return;
    }
    m_vista->setPlainText(fromCp1252(*cuadro));
    // Shown as it will be played: light text on dark when inverted.
    QPalette colores = m_vista->palette();
    colores.setColor(QPalette::Base, o.invertir ? Qt::black : Qt::white);
    colores.setColor(QPalette::Text, o.invertir ? Qt::white : Qt::black);
    m_vista->setPalette(colores);
    m_estado->setText(QStringLiteral("%1 × %2 caracteres").arg(celdas.width()).arg(celdas.height()));
}

void DialogoVideo::aceptar()
{
    video::OpcionesVideo o;
    if (!leeTramo(o)) {
        ui::prompt().mensaje(this,
                             QStringLiteral("Los tiempos se escriben en segundos o en minutos y segundos (1:15)."),
                             windowTitle(), ui::Icono::Exclamacion, ui::Botones::Aceptar);
        return;
    }
    accept();
}

} // namespace orv::creator
