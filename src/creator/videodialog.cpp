#include "videodialog.h"

#include "cp1252.h"
#include "fixedfont.h"
#include "filename.h"
#include "prompt.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
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

template <typename W> W* named(W* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

VideoDialog::VideoDialog(const FileName& clip, QWidget* parent) : QDialog(parent), m_clip(clip)
{
    setObjectName(QStringLiteral("DialogoVideo"));
    setWindowTitle(QStringLiteral("Importar video"));
    auto* column = new QVBoxLayout(this);
    auto* name =
        new QLabel(QStringLiteral("Video: ") + clip.leaf().display(), this);
    column->addWidget(name);

    auto* form = new QFormLayout;
    m_width = named(new QSpinBox(this), "ancho");
    m_width->setRange(video::kMinSide, video::kMaxSide);
    m_width->setValue(160);
    form->addRow(QStringLiteral("&Ancho en caracteres:"), m_width);
    m_fps = named(new QDoubleSpinBox(this), "fps");
    m_fps->setRange(0, 120);
    m_fps->setDecimals(2);
    m_fps->setSpecialValueText(QStringLiteral("los del video (hasta 30)"));
    m_fps->setValue(0);
    form->addRow(QStringLiteral("&Cuadros por segundo:"), m_fps);
    m_from = named(new QLineEdit(QStringLiteral("0"), this), "desde");
    m_from->setToolTip(QStringLiteral("Segundos, o minutos y segundos (1:15)."));
    form->addRow(QStringLiteral("&Desde:"), m_from);
    m_to = named(new QLineEdit(this), "hasta");
    m_to->setPlaceholderText(QStringLiteral("el final del video"));
    m_to->setToolTip(m_from->toolTip());
    form->addRow(QStringLiteral("&Hasta:"), m_to);
    m_reverse =
        named(new QCheckBox(QStringLiteral("&Letras claras sobre fondo oscuro"), this), "invertir");
    form->addRow(QString(), m_reverse);
    column->addLayout(form);

    column->addWidget(new QLabel(QStringLiteral("Primer cuadro de la película:"), this));
    m_view = named(new QPlainTextEdit(this), "vista");
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setFont(render::fixedFont(4));
    m_view->setMinimumSize(480, 240);
    column->addWidget(m_view, 1);
    m_state = named(new QLabel(this), "estado");
    m_state->setWordWrap(true);
    column->addWidget(m_state);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* accept = named(new QPushButton(QStringLiteral("&Aceptar"), this), "aceptar");
    auto* cancel = named(new QPushButton(QStringLiteral("&Cancelar"), this), "cancelar");
    accept->setDefault(true);
    buttons->addWidget(accept);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
    connect(accept, &QPushButton::clicked, this, &VideoDialog::acceptIfValid);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The preview follows the choices a moment after they stop changing.
    m_wait = new QTimer(this);
    m_wait->setSingleShot(true);
    m_wait->setInterval(200);
    connect(m_wait, &QTimer::timeout, this, &VideoDialog::updateView);
    const auto change = [this] { m_wait->start(); };
    connect(m_width, &QSpinBox::valueChanged, this, change);
    connect(m_fps, &QDoubleSpinBox::valueChanged, this, change);
    connect(m_from, &QLineEdit::textChanged, this, change);
    connect(m_to, &QLineEdit::textChanged, this, change);
    connect(m_reverse, &QCheckBox::toggled, this, change);
    updateView();
}

bool VideoDialog::readSpan(video::VideoOptions& o) const
{
    const std::optional<double> from =
        video::readTime(m_from->text().isEmpty() ? QStringLiteral("0") : m_from->text());
    const std::optional<double> to = m_to->text().trimmed().isEmpty()
                                         ? std::optional<double>(-1)
                                         : video::readTime(m_to->text());
    if (!from || !to)
        return false;
    o.from = *from;
    o.to = *to;
    return true;
}

video::VideoOptions VideoDialog::options() const
{
    video::VideoOptions o;
    o.columns = m_width->value();
    o.fps = m_fps->value();
    o.reverse = m_reverse->isChecked();
    readSpan(o);
    return o;
}

void VideoDialog::updateView()
{
    m_wait->stop();
    video::VideoOptions o = options();
    if (!readSpan(o)) {
        m_view->clear();
        m_state->setText(
            QStringLiteral("Los tiempos se escriben en segundos o en minutos y segundos (1:15)."));
        return;
    }
    QSize cells;
    video::VideoState state = video::VideoState::Created;
    const std::optional<QByteArray> frame = video::firstFrame(m_clip, o, cells, state);
    if (!frame) {
        m_view->clear();
        video::VideoResult r;
        r.state = state;
        m_state->setText(video::videoMessage(r, m_clip));
        return;
    }
    m_view->setPlainText(fromCp1252(*frame));
    // Shown as it will be played: light text on dark when inverted.
    QPalette colours = m_view->palette();
    colours.setColor(QPalette::Base, o.reverse ? Qt::black : Qt::white);
    colours.setColor(QPalette::Text, o.reverse ? Qt::white : Qt::black);
    m_view->setPalette(colours);
    m_state->setText(QStringLiteral("%1 × %2 caracteres").arg(cells.width()).arg(cells.height()));
}

void VideoDialog::acceptIfValid()
{
    video::VideoOptions o;
    if (!readSpan(o)) {
        ui::prompt().message(
            this,
            QStringLiteral("Los tiempos se escriben en segundos o en minutos y segundos (1:15)."),
            windowTitle(), ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    QDialog::accept();
}

} // namespace orv::creator
