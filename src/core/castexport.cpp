#include "castexport.h"

#include "cp1252.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace orv {

ResultadoExport exportaCast(const Pelicula& pelicula, const QString& ruta,
                            const OpcionesExport& opciones, QString* error)
{
    const TablaJson& tabla = tablaJson(false);
    const int total = pelicula.numCuadros;
    const int ancho = std::max<int>(pelicula.ancho, 1);
    const double pausa = pausaExport(pelicula) / 1000.0;
    const auto parte = [&](int i, QByteArray& evento) {
        if (i < 0) {
            const QString nombre = pelicula.nombreArchivo.isEmpty()
                                       ? QFileInfo(ruta).completeBaseName()
                                       : pelicula.nombreArchivo;
            const QJsonObject cabecera{{QStringLiteral("version"), 2},
                                       {QStringLiteral("width"), ancho},
                                       {QStringLiteral("height"), std::max<int>(pelicula.alto, 1)},
                                       {QStringLiteral("title"), nombre}};
            evento = QJsonDocument(cabecera).toJson(QJsonDocument::Compact) + '\n';
            return;
        }
        if (i >= total)
            return;
        evento.append('[').append(QByteArray::number(i * pausa, 'f', 6)).append(", \"o\", \"");
        if (i == 0)
            evento.append("\\u001b[?25l\\u001b[2J"); // hide the cursor, clear once
        agregaCuadroJson(evento, pelicula, i, tabla, true, [](QByteArray& out, int fila) {
            out.append("\\u001b[").append(QByteArray::number(fila + 1)).append(";1H");
        });
        evento.append("\"]\n");
    };
    return escribeExport(ruta, opciones, total, parte, error);
}

} // namespace orv
