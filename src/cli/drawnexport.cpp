#include "verbs.h"

#include "gifexport.h"
#include "interruption.h"
#include "moviereader.h"
#include "moviewriter.h"
#include "videoexport.h"

namespace orv::cli {

int drawnExportVerb(const QStringList&, const DrawnExport& job, Io& io)
{
    Movie m;
    if (!loadMovie(job.input, m, io))
        return kFailed;
    QString error;
    const QFont font = render::gifFont(job.options.points);
    // Ctrl+C, SIGTERM or SIGHUP drops what was written; nothing is left.
    const Interruption interruption;
    ExportOptions options = job.options;
    if (job.soundFromMovie)
        options.soundFrom = clipStart(m.masInfo).value_or(0);
    options.progress = [](int, int) { return !Interruption::requested(); };
    const ExportResult r =
        job.kind == DrawnExport::Gif
            ? render::exportGif(m, job.target, font, options, &error)
            : render::exportVideo(m, job.target, font, options,
                                  job.kind == DrawnExport::Mp4 ? render::VideoFormat::Mp4
                                                               : render::VideoFormat::WebM,
                                  &error);
    if (r == ExportResult::Cancelled) {
        io.err << "orv: cancelado; no se escribió nada\n";
        return Interruption::status();
    }
    if (r != ExportResult::Done) {
        io.err << "orv: no se pudo escribir " << job.target.display() << ": " << error << '\n';
        return kFailed;
    }
    return kOk;
}

} // namespace orv::cli
