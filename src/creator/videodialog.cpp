#include "videodialog.h"

#include "cp1252.h"
#include "fixedfont.h"
#include "filename.h"
#include "numeric.h"
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
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace orv::creator {

// One helper thread that decodes previews: a request waiting replaces the
// one before it; each result goes back to the dialog's thread, which shows
// only the newest.
class VideoDialog::Previewer
{
public:
    Previewer(VideoDialog* dialog, FileName clip) : m_dialog(dialog), m_clip(std::move(clip))
    {
        m_thread = std::thread([this] { run(); });
    }
    ~Previewer()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    void request(int id, const video::VideoOptions& o)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_pending = std::make_pair(id, o);
        }
        m_wake.notify_one();
    }

private:
    void run()
    {
        for (;;) {
            std::pair<int, video::VideoOptions> job;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || m_pending; });
                if (m_stop)
                    return;
                job = *m_pending;
                m_pending.reset();
            }
            QSize cells;
            video::VideoState state = video::VideoState::Created;
            const std::optional<QByteArray> frame = video::firstFrame(m_clip, job.second, cells, state);
            VideoDialog* dialog = m_dialog;
            const bool reverse = job.second.reverse;
            QMetaObject::invokeMethod(
                dialog, [dialog, id = job.first, frame, cells, state, reverse] { dialog->show(id, frame, cells, state, reverse); },
                Qt::QueuedConnection);
        }
    }

    VideoDialog* m_dialog;
    FileName m_clip;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<std::pair<int, video::VideoOptions>> m_pending;
    bool m_stop = false;
    std::thread m_thread;
};

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
    m_dither = named(new QCheckBox(QStringLiteral("&Difuminar los tonos (ordenado)"), this), "difuminar");
    form->addRow(QString(), m_dither);
    // The tones before the 16 levels, as clips are rarely exposed for text.
    const auto tone = [this, form](const char* objectName, const QString& caption, double low, double high, double value) {
        auto* box = named(new QDoubleSpinBox(this), objectName);
        box->setRange(low, high);
        box->setDecimals(2);
        box->setSingleStep(0.1);
        box->setValue(value);
        form->addRow(caption, box);
        return box;
    };
    m_gamma = tone("gamma", QStringLiteral("&Gamma:"), video::kMinGamma, video::kMaxGamma, 1);
    m_contrast = tone("contraste", QStringLiteral("C&ontraste:"), 0, video::kMaxContrast, 1);
    m_brightness = tone("brillo", QStringLiteral("&Brillo:"), -1, 1, 0);
    column->addLayout(form);

    column->addWidget(new QLabel(QStringLiteral("Primer cuadro de la película:"), this));
    m_view = named(new QPlainTextEdit(this), "vista");
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setFont(render::fixedFont(4));
    m_view->setMinimumSize(640, 360);
    column->addWidget(m_view, 1);
    m_state = named(new QLabel(this), "estado");
    m_state->setWordWrap(true);
    // Room for a message of two lines, so that none pushes into the preview.
    m_state->setMinimumHeight(2 * m_state->fontMetrics().lineSpacing() + 4);
    m_state->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(m_state);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_accept = named(new QPushButton(QStringLiteral("&Aceptar"), this), "aceptar");
    auto* cancel = named(new QPushButton(QStringLiteral("&Cancelar"), this), "cancelar");
    m_accept->setDefault(true);
    buttons->addWidget(m_accept);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
    connect(m_accept, &QPushButton::clicked, this, &VideoDialog::acceptIfValid);
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
    connect(m_dither, &QCheckBox::toggled, this, change);
    for (QDoubleSpinBox* box : {m_gamma, m_contrast, m_brightness})
        connect(box, &QDoubleSpinBox::valueChanged, this, change);
    m_previewer = std::make_unique<Previewer>(this, clip);
    updateView();
}

VideoDialog::~VideoDialog() = default;

bool VideoDialog::readSpan(video::VideoOptions& o) const
{
    const std::optional<double> from =
        readTime(m_from->text().isEmpty() ? QStringLiteral("0") : m_from->text());
    const std::optional<double> to = m_to->text().trimmed().isEmpty()
                                         ? std::optional<double>(-1)
                                         : readTime(m_to->text());
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
    o.dither = m_dither->isChecked() ? video::Dither::Ordered : video::Dither::None;
    o.gamma = m_gamma->value();
    o.contrast = m_contrast->value();
    o.brightness = m_brightness->value();
    readSpan(o);
    return o;
}

void VideoDialog::updateView()
{
    m_wait->stop();
    video::VideoOptions o = options();
    ++m_requested;
    if (!readSpan(o)) {
        m_view->clear();
        m_state->setText(
            QStringLiteral("Los tiempos se escriben en segundos o en minutos y segundos (1:15)."));
        m_accept->setEnabled(false);
        return;
    }
    m_previewer->request(m_requested, o);
}

void VideoDialog::show(int request, const std::optional<QByteArray>& frame, QSize cells,
                       video::VideoState state, bool reverse)
{
    if (request != m_requested)
        return; // an older choice's
    m_accept->setEnabled(frame.has_value());
    if (!frame) {
        m_view->clear();
        video::VideoResult r;
        r.state = state;
        m_state->setText(video::videoMessage(r, m_clip));
        return;
    }
    m_view->setPlainText(fromCp1252(*frame));
    fitView(cells);
    // Shown as it will be played: light text on dark when inverted.
    QPalette colours = m_view->palette();
    colours.setColor(QPalette::Base, reverse ? Qt::black : Qt::white);
    colours.setColor(QPalette::Text, reverse ? Qt::white : Qt::black);
    m_view->setPalette(colours);
    m_state->setText(QStringLiteral("%1 × %2 caracteres").arg(cells.width()).arg(cells.height()));
}

// The whole frame in the box, from its top-left: the largest font whose
// cells all fit.
void VideoDialog::fitView(QSize cells)
{
    const int margin = int(std::ceil(2 * m_view->document()->documentMargin())) + 2;
    const QSize box = m_view->viewport()->size() - QSize(margin, margin);
    QFont font = render::fixedFont(8);
    for (int pixels = 24; pixels >= 2; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(QLatin1Char('M')) * cells.width() <= box.width()
            && metrics.lineSpacing() * cells.height() <= box.height())
            break;
    }
    m_view->setFont(font);
    m_view->horizontalScrollBar()->setValue(0);
    m_view->verticalScrollBar()->setValue(0);
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
