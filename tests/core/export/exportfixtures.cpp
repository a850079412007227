#include "exportfixtures.h"

#include "frame.h"
#include "moviereader.h"

#include <QtTest>

namespace exportfixtures {

orv::Movie movie(int ancho, int alto, double pausa, const std::vector<QByteArray>& frames)
{
    QByteArray bytes = QByteArray::number(ancho) + ',' + QByteArray::number(alto) + ',' +
                       QByteArray::number(static_cast<int>(frames.size())) + ',' +
                       QByteArray::number(pausa) + ",0,0,0,0,Autor,Info\r\n";
    for (const QByteArray& f : frames)
        bytes += f + "\r\n";
    orv::Movie m;
    if (!orv::parseMovie(bytes, m))
        qFatal("test movie did not parse");
    m.nombreArchivo = QStringLiteral("prueba.ovt");
    return m;
}

std::vector<QByteArray> paddedRows(const orv::Movie& movie, int i)
{
    std::vector<QByteArray> rows;
    for (const QByteArray& row : orv::armaCuadro(movie, i).split('\n')) {
        QByteArray r = row;
        if (r.endsWith('\r'))
            r.chop(1);
        rows.push_back(r.leftJustified(movie.ancho, ' '));
    }
    return rows;
}

} // namespace exportfixtures
