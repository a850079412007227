#include "castexport.h"

#include "cp1252.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace orv {

ResultadoExport exportaCast(const Pelicula& pelicula, const QString& ruta, const OpcionesExport& opciones,
                            QString* error)
{
    const TablaJson& tabla = tablaJson(false);
    const int total = pelicula.numCuadros;
    const int ancho = std::max<int>(pelicula.ancho, 1);
    const double pausa = pausaExport(pelicula) / 1000.0;
    const auto parte = [&](int i) -> QByteArray {
        if (i < 0) {
            const QString nombre = pelicula.nombreArchivo.isEmpty() ? QFileInfo(ruta).completeBaseName()
                                                                    : pelicula.nombreArchivo;
            const QJsonObject cabecera{{QStringLiteral("version"), 2},
                                       {QStringLiteral("width"), ancho},
                                       {QStringLiteral("height"), std::max<int>(pelicula.alto, 1)},
                                       {QStringLiteral("title"), nombre}};
            return QJsonDocument(cabecera).toJson(QJsonDocument::Compact) + '\n';
        }
        if (i >= total)
            return {};
        QByteArray evento = '[' + QByteArray::number(i * pausa, 'f', 6) + ", \"o\", \"";
        if (i == 0)
            evento.append("\\u001b[?25l\\u001b[2J"); // hide the cursor, clear once
        const QByteArray visible = cuadroVisible(pelicula, i);
        qsizetype desde = 0;
        for (int fila = 0; desde <= visible.size(); ++fila) {
            qsizetype hasta = visible.indexOf('\n', desde);
            if (hasta < 0)
                hasta = visible.size();
            const QByteArrayView texto(visible.constData() + desde, hasta - desde);
            evento.append("\\u001b[" + QByteArray::number(fila + 1) + ";1H");
            agregaJson(evento, texto, tabla);
            evento.append(QByteArray(std::max<qsizetype>(0, ancho - texto.size()), ' '));
            desde = hasta + 1;
        }
        evento.append("\"]\n");
        return evento;
    };
    return escribeExport(ruta, opciones, total, parte, error);
}

} // namespace orv
