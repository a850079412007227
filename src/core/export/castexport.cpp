#include "castexport.h"

#include "cp1252.h"
#include "nativename.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <vector>

namespace orv {

ResultadoExport exportaCast(const Pelicula& pelicula, const QString& ruta,
                            const OpcionesExport& opciones, QString* error)
{
    const TablaJson& tabla = tablaJson(false);
    const int total = pelicula.numCuadros;
    const int ancho = std::max<int>(pelicula.ancho, 1);
    const double pausa = pausaExport(pelicula) / 1000.0;
    // Each row starts by moving the cursor to its line.
    std::vector<QByteArray> aFila(static_cast<size_t>(std::max<int>(pelicula.alto, 1)));
    for (size_t fila = 0; fila < aFila.size(); ++fila)
        aFila[fila] = "\\u001b[" + QByteArray::number(fila + 1) + ";1H";
    const auto parte = [&](int i, QByteArray& evento) {
        if (i < 0) {
            const QString nombre = pelicula.nombreArchivo.isEmpty()
                                       ? QFileInfo(ruta).completeBaseName()
                                       : readableName(pelicula.nombreArchivo);
            const QJsonObject cabecera{{QStringLiteral("version"), 2},
                                       {QStringLiteral("width"), ancho},
                                       {QStringLiteral("height"), std::max<int>(pelicula.alto, 1)},
                                       {QStringLiteral("title"), nombre}};
            evento.append(QJsonDocument(cabecera).toJson(QJsonDocument::Compact)).append('\n');
            return;
        }
        if (i == total) {
            // The last frame keeps its pause, and the viewer gets its cursor back.
            evento.append('[').append(QByteArray::number(total * pausa, 'f', 6)).append(", \"o\", \"\\u001b[?25h\"]\n");
            return;
        }
        evento.append('[').append(QByteArray::number(i * pausa, 'f', 6)).append(", \"o\", \"");
        if (i == 0)
            evento.append("\\u001b[?25l\\u001b[2J"); // hide the cursor, clear once
        agregaCuadroJson(evento, pelicula, i, tabla, true, [&aFila](QByteArray& out, int fila) {
            out.append(aFila[static_cast<size_t>(fila)]);
        });
        evento.append("\"]\n");
    };
    return escribeExport(ruta, opciones, total, parte, error);
}

} // namespace orv
