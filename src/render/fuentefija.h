#pragma once

#include <QFont>
#include <QString>

namespace orv::render {

// The suite's monospaced face for text pictures: "Courier New", or the
// fixed-pitch face the system offers in its place (Liberation Mono on Debian).
inline QFont fuenteFija(double puntos)
{
    QFont fuente(QStringLiteral("Courier New"));
    fuente.setStyleHint(QFont::TypeWriter);
    fuente.setFixedPitch(true);
    fuente.setPointSizeF(puntos);
    return fuente;
}

} // namespace orv::render
