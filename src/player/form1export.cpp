#include "form1.h"

#include "castexport.h"
#include "gifexport.h"
#include "htmlexport.h"
#include "moviescreen.h"
#include "prompt.h"
#include "qtdialogs.h"
#include "videoexport.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>

namespace orv::player {
namespace {

const QString kTitle = QStringLiteral("Exportar película");
const QString kFilter = QStringLiteral("GIF animado (*.gif)|*.gif|Página web (*.html)|*.html|"
                                       "Grabación de terminal (*.cast)|*.cast|"
                                       "Video MP4 (*.mp4)|*.mp4|Video WebM (*.webm)|*.webm");

std::uint32_t rgb(const QColor& c)
{
    return c.rgb() & 0xFFFFFFu;
}

} // namespace

// "Exportar..." sits below "&Abrir..." and is usable exactly while a movie
// is loaded, which is when "&Cerrar" is: it follows that entry's state.
void Form1::makeExportMenu(QMenu* file)
{
    m_exportMenu = new QAction(QStringLiteral("&Exportar..."), file);
    m_exportMenu->setObjectName(QStringLiteral("menu_exportar"));
    file->insertAction(m_menu_cerrar_pelicula, m_exportMenu);
    m_exportMenu->setEnabled(m_menu_cerrar_pelicula->isEnabled());
    connect(m_menu_cerrar_pelicula, &QAction::enabledChanged, m_exportMenu, &QAction::setEnabled);
    connect(m_exportMenu, &QAction::triggered, this, &Form1::menu_export_Click);
}

// Writes the movie as the kind the chosen name ends in, drawn (for the GIF)
// in the display's own font and colours. The dialog offers the movie's own
// name in its folder; the kind chosen there gives the extension.
void Form1::menu_export_Click()
{
    const FileName movie = m_movie.file.absolute();
    QByteArray base = movie.leaf().bytes();
    if (const qsizetype dot = base.lastIndexOf('.'); dot > 0)
        base.truncate(dot);
    const FileName path = ui::prompt().saveFile(this, kTitle, kFilter, movie.folder().child(base));
    if (path.isEmpty())
        return;
    const QString ext = QFileInfo(path.leaf().display()).suffix().toLower();
    static const QStringList kKinds{QStringLiteral("gif"), QStringLiteral("html"),
                                    QStringLiteral("htm"), QStringLiteral("cast"),
                                    QStringLiteral("mp4"), QStringLiteral("webm")};
    if (!kKinds.contains(ext)) {
        ui::prompt().message(
            this,
            QStringLiteral(
                "El nombre del archivo debe terminar en .gif, .html, .cast, .mp4 o .webm.\r\n") +
                path.display(),
            kTitle, ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    if (!ui::confirmReplace(this, path))
        return;
    ExportOptions options;
    options.points = m_pantalla->font().pointSizeF();
    options.letters = rgb(m_pantalla->letterColour());
    options.background = rgb(m_pantalla->backgroundColour());
    // A long export shows its progress and can be cancelled; the dialog is
    // window-modal, so nothing can close or replace the movie meanwhile.
    QProgressDialog progress(QStringLiteral("Exportando película..."), QStringLiteral("Cancelar"),
                             0, m_movie.numCuadros, this);
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
        r = render::exportGif(m_movie, path, m_pantalla->font(), options, &error);
    else if (ext == QLatin1String("cast"))
        r = exportCast(m_movie, path, options, &error);
    else if (ext == QLatin1String("mp4") || ext == QLatin1String("webm"))
        r = render::exportVideo(m_movie, path, m_pantalla->font(), options,
                                ext == QLatin1String("mp4") ? render::VideoFormat::Mp4
                                                            : render::VideoFormat::WebM,
                                &error);
    else
        r = exportHtml(m_movie, path, options, &error);
    QApplication::restoreOverrideCursor();
    progress.reset();
    if (r == ExportResult::Fault) {
        ui::prompt().message(this,
                             QStringLiteral("No se pudo exportar la película a\r\n") + path.display() +
                                 QStringLiteral("\r\n\r\n") + error,
                             kTitle, ui::Icon::Critical, ui::Buttons::Ok);
    }
}

} // namespace orv::player
