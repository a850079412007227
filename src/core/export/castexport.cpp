#include "castexport.h"

#include "cp1252.h"
#include "filename.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <vector>

namespace orv {

ExportResult exportCast(const Movie& movie, const FileName& path, const ExportOptions& options,
                        QString* error)
{
    const JsonTable& table = jsonTable(false);
    const int total = movie.numCuadros;
    const int ancho = std::max<int>(movie.ancho, 1);
    const double pausa = exportPause(movie) / 1000.0;
    // Each row starts by moving the cursor to its line.
    std::vector<QByteArray> toRow(static_cast<size_t>(std::max<int>(movie.alto, 1)));
    for (size_t row = 0; row < toRow.size(); ++row)
        toRow[row] = "\\u001b[" + QByteArray::number(row + 1) + ";1H";
    const auto part = [&](int i, QByteArray& event) {
        if (i < 0) {
            const QString name = movie.nombreArchivo.isEmpty() ? QFileInfo(path.leaf().display()).completeBaseName()
                                                               : movie.nombreArchivo;
            const QJsonObject header{{QStringLiteral("version"), 2},
                                     {QStringLiteral("width"), ancho},
                                     {QStringLiteral("height"), std::max<int>(movie.alto, 1)},
                                     {QStringLiteral("title"), name}};
            event.append(QJsonDocument(header).toJson(QJsonDocument::Compact)).append('\n');
            return;
        }
        if (i == total) {
            // The last frame keeps its pause, and the viewer gets its cursor back.
            event.append('[')
                .append(QByteArray::number(total * pausa, 'f', 6))
                .append(", \"o\", \"\\u001b[?25h\"]\n");
            return;
        }
        event.append('[').append(QByteArray::number(i * pausa, 'f', 6)).append(", \"o\", \"");
        if (i == 0)
            event.append("\\u001b[?25l\\u001b[2J"); // hide the cursor, clear once
        addFrameJson(event, movie, i, table, true, [&toRow](QByteArray& out, int row) {
            out.append(toRow[static_cast<size_t>(row)]);
        });
        event.append("\"]\n");
    };
    return writeExport(path, options, total, part, error);
}

} // namespace orv
