#include "movieexport.h"

#include "castexport.h"
#include "gifexport.h"
#include "htmlexport.h"
#include "movie.h"
#include "moviewriter.h"
#include "numeric.h"
#include "prompt.h"
#include "qtdialogs.h"
#include "videoexport.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>

namespace orv::viewer {
namespace {

const QString kTitle = QStringLiteral("Exportar película");
const QString kFilter = QStringLiteral("GIF animado (*.gif)|*.gif|Página web (*.html)|*.html|"
                                       "Grabación de terminal (*.cast)|*.cast|"
                                       "Video MP4 (*.mp4)|*.mp4|Video WebM (*.webm)|*.webm");

const QString kSoundFilter =
    QStringLiteral("Sonido y video (*.wav;*.mp3;*.m4a;*.aac;*.ogg;*.opus;*.flac;*.mp4;*.m4v;*.mkv;*.webm;*.mov;*.avi)|"
                   "*.wav;*.mp3;*.m4a;*.aac;*.ogg;*.opus;*.flac;*.mp4;*.m4v;*.mkv;*.webm;*.mov;*.avi|"
                   "Todos los archivos (*.*)|*.*");

std::uint32_t rgb(const QColor& c)
{
    return c.rgb() & 0xFFFFFFu;
}

} // namespace

void exportMovie(QWidget* parent, const Movie& m, const FileName& movie, const QFont& font,
                 const QColor& letters, const QColor& background)
{
    QByteArray base = movie.leaf().bytes();
    if (const qsizetype dot = base.lastIndexOf('.'); dot > 0)
        base.truncate(dot);
    const FileName path = ui::prompt().saveFile(parent, kTitle, kFilter, movie.folder().child(base));
    if (path.isEmpty())
        return;
    const QString ext = QFileInfo(path.leaf().display()).suffix().toLower();
    static const QStringList kKinds{QStringLiteral("gif"), QStringLiteral("html"),
                                    QStringLiteral("htm"), QStringLiteral("cast"),
                                    QStringLiteral("mp4"), QStringLiteral("webm")};
    if (!kKinds.contains(ext)) {
        ui::prompt().message(
            parent,
            QStringLiteral(
                "El nombre del archivo debe terminar en .gif, .html, .cast, .mp4 o .webm.\r\n") +
                path.display(),
            kTitle, ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    if (!ui::confirmReplace(parent, path))
        return;
    ExportOptions options;
    const bool video = ext == QLatin1String("mp4") || ext == QLatin1String("webm");
    if (video && ui::prompt().message(parent,
                                      QStringLiteral("¿Desea agregar el sonido de otro archivo (por ejemplo, el "
                                                     "video del que salió la película)?"),
                                      kTitle, ui::Icon::Question, ui::Buttons::YesNo)
                     == ui::Answer::Yes) {
        options.sound = ui::prompt().openFile(parent, QStringLiteral("Agregar sonido de..."), kSoundFilter);
        if (options.sound.isEmpty())
            return;
        // A movie made from a clip offers where it started in the clip.
        const std::optional<QString> from = ui::prompt().input(
            parent, QStringLiteral("Desde qué momento del sonido (segundos, o minutos y segundos como 1:15):"),
            kTitle, QString::number(clipStart(m.masInfo).value_or(0), 'g', 12));
        if (!from)
            return;
        const std::optional<double> seconds = readTime(*from);
        if (!seconds) {
            ui::prompt().message(parent,
                                 QStringLiteral("Los tiempos se escriben en segundos o en minutos y segundos (1:15)."),
                                 kTitle, ui::Icon::Exclamation, ui::Buttons::Ok);
            return;
        }
        options.soundFrom = *seconds;
    }
    options.points = font.pointSizeF();
    options.letters = rgb(letters);
    options.background = rgb(background);
    // A long export shows its progress and can be cancelled; the dialog is
    // window-modal, so nothing can close or replace the movie meanwhile.
    QProgressDialog progress(QStringLiteral("Exportando película..."), QStringLiteral("Cancelar"),
                             0, m.numCuadros, parent);
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    ui::widthForTitle(progress);
    options.progress = [&progress](int done, int) {
        progress.setValue(done);
        return !progress.wasCanceled();
    };
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ExportResult r = ExportResult::Fault;
    if (ext == QLatin1String("gif"))
        r = render::exportGif(m, path, font, options, &error);
    else if (ext == QLatin1String("cast"))
        r = exportCast(m, path, options, &error);
    else if (video)
        r = render::exportVideo(m, path, font, options,
                                ext == QLatin1String("mp4") ? render::VideoFormat::Mp4
                                                            : render::VideoFormat::WebM,
                                &error);
    else
        r = exportHtml(m, path, options, &error);
    QApplication::restoreOverrideCursor();
    progress.reset();
    if (r == ExportResult::Fault) {
        ui::prompt().message(parent,
                             QStringLiteral("No se pudo exportar la película a\r\n") + path.display() +
                                 QStringLiteral("\r\n\r\n") + error,
                             kTitle, ui::Icon::Critical, ui::Buttons::Ok);
    }
}

} // namespace orv::viewer
