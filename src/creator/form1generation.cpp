// "Generar película..." and "Importar video...": read the controls, ask for
// the file name, run the core's generation or import with the progress
// shown, and report the end.
#include "form1.h"

#include "compactorlauncher.h"
#include "decodeahead.h"
#include "filelist.h"
#include "generation.h"
#include "moviewriter.h"
#include "preview.h"
#include "prompt.h"
#include "qtdialogs.h"
#include "videodialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>

namespace orv::creator {

FileName Form1::askPath(const FileName& proposed)
{
    const FileName chosen = ui::prompt().saveFile(
        this, QStringLiteral("Guardar película ASCII"),
        QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"),
        proposed.isEmpty() ? m_lastChosen : proposed);
    if (chosen.isEmpty()) {
        ui::prompt().message(this, genericErrorMessage(), generationErrorTitle(),
                             ui::Icon::Critical, ui::Buttons::Ok);
        return {};
    }
    m_lastChosen = chosen;
    const FileName path = movieName(chosen).absolute();
    return ui::confirmReplace(this, path) ? path : FileName();
}

// Ends a movie written: the Compactor when asked, else the success message.
void Form1::finishWritten(const FileName& path)
{
    if (m_check1->isChecked())
        ui::compressMovie(this, path);
    else
        ui::prompt().message(this, createdMessage(), createdTitle(), ui::Icon::Information,
                             ui::Buttons::Ok);
}

// "Importar video...": a clip, how it becomes a movie, where it goes; then
// the import with its progress, the author from the window, the pause from
// the frames a second, and the compression choice as "Generar película...".
void Form1::menu_import_video_Click()
{
    if (m_generating)
        return;
    const FileName clip = ui::prompt().openFile(
        this, QStringLiteral("Importar video"),
        QStringLiteral("Videos y animaciones (*.mp4;*.m4v;*.webm;*.mkv;*.avi;*.mov;*.gif)|"
                       "*.mp4;*.m4v;*.webm;*.mkv;*.avi;*.mov;*.gif|Todos los archivos (*.*)|*.*"));
    if (clip.isEmpty())
        return;
    // What is no clip is said at once, before any choice is asked for.
    QSize cells;
    video::VideoResult test;
    video::firstFrame(clip, {}, cells, test.state);
    if (test.state == video::VideoState::NotVideo || test.state == video::VideoState::NoVideo) {
        ui::prompt().message(this, video::videoMessage(test, clip), generationErrorTitle(),
                             ui::Icon::Critical, ui::Buttons::Ok);
        return;
    }
    VideoDialog dialog(clip, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    video::VideoOptions options = dialog.options();
    options.creador = m_creador->text();
    if (const auto error = validateData(QStringLiteral("100"), options.creador)) {
        ui::prompt().message(this, *error, generationErrorTitle(), ui::Icon::Critical,
                             ui::Buttons::Ok);
        return;
    }
    // The clip's own name, as a movie.
    QByteArray base = clip.absolute().bytes();
    if (const qsizetype dot = base.lastIndexOf('.'); dot > base.lastIndexOf('/'))
        base.truncate(dot);
    const FileName path = askPath(FileName::fromBytes(base + ".ovt"));
    if (path.isEmpty())
        return;
    m_generating = true;
    QProgressDialog progress(QStringLiteral("Importando el video..."), QStringLiteral("Cancelar"),
                             0, 0, this);
    progress.setWindowTitle(windowTitle());
    ui::widthForTitle(progress);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(m_progressWait);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    const video::VideoResult r =
        video::importVideo(clip, path, options, [&progress](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
            if (!progress.isVisible())
                QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return !progress.wasCanceled();
        });
    progress.close();
    m_generating = false;
    if (r.state == video::VideoState::Created && r.endsAt >= 0) {
        // A clip cut short: the movie holds what is there, and that is said.
        QString text = video::shortClipMessage(r.endsAt);
        text[0] = text[0].toUpper();
        ui::prompt().message(this, text + QStringLiteral("; la película llega hasta allí."), windowTitle(),
                             ui::Icon::Exclamation, ui::Buttons::Ok);
    }
    if (r.state == video::VideoState::Created)
        finishWritten(path);
    else if (r.state != video::VideoState::Cancelled)
        ui::prompt().message(this, video::videoMessage(r, clip), generationErrorTitle(),
                             ui::Icon::Critical, ui::Buttons::Ok);
}

// The list's paths, or nothing after the message when the pause or the
// author would not do.
std::optional<FileNames> Form1::validList()
{
    const FileNames paths = m_list1->paths();
    if (paths.isEmpty())
        return std::nullopt;
    if (const auto error = validateData(m_velocidad->currentText(), m_creador->text())) {
        ui::prompt().message(this, *error, generationErrorTitle(), ui::Icon::Critical,
                             ui::Buttons::Ok);
        return std::nullopt;
    }
    return paths;
}

// The engine's run over the list into `writer`, with the working picture
// and the progress; a failure is reported here, a success is the caller's.
bool Form1::build(MovieWriter& writer, const FileNames& paths)
{
    QProgressDialog progress(QStringLiteral("Generando la película ASCII..."),
                             QStringLiteral("Cancelar"), 0, int(paths.size()), this);
    progress.setObjectName(QStringLiteral("progreso"));
    progress.setWindowTitle(windowTitle());
    ui::widthForTitle(progress);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(m_progressWait);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);

    m_generating = true;
    m_picture1->show();
    imaging::DecodeAhead decoder(paths);
    const ImageLoad load = [this, &decoder](int) -> std::unique_ptr<Image> {
        imaging::Decoded image = decoder.next();
        if (image.image) {
            m_picture1->setPixmap(QPixmap::fromImage(*image.image));
            m_picture1->resize(image.image->size());
        }
        return std::move(image).forGeneration();
    };
    const GenerationProgress report = [&progress](int done) {
        progress.setValue(done);
        // Until the progress shows, keep painting but take no clicks.
        if (!progress.isVisible())
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return !progress.wasCanceled();
    };
    const GenerationResult r = orv::generaPelicula(
        writer, {int(paths.size()), m_velocidad->currentText(), m_creador->text()}, load, report);
    m_picture1->hide();
    m_picture1->clear();
    progress.close();
    m_generating = false;

    switch (r.type) {
    case Result::Created:
        return true;
    case Result::EmptyList:
    case Result::Cancelled:
        return false;
    default:
        ui::prompt().message(this, generationMessage(r, paths), generationErrorTitle(),
                             ui::Icon::Critical, ui::Buttons::Ok);
        return false;
    }
}

void Form1::generaPelicula()
{
    const std::optional<FileNames> paths = validList();
    if (!paths)
        return;
    const FileName path = askPath();
    if (path.isEmpty())
        return;
    MovieWriter writer(path);
    if (build(writer, *paths))
        finishWritten(path);
}

// "Vista previa de la película...": the same run as "Generar película...",
// into memory, shown in the viewer.
void Form1::menu_preview_Click()
{
    if (m_generating)
        return;
    const std::optional<FileNames> paths = validList();
    if (!paths)
        return;
    QByteArray bytes;
    MovieWriter writer(&bytes);
    if (build(writer, *paths))
        viewer::openPreview(this, std::move(bytes));
}

} // namespace orv::creator
