#pragma once

#include <QFont>
#include <QString>

namespace orv::render {

// The suite's monospaced face for text pictures: "Courier New", or the
// fixed-pitch face the system offers in its place (Liberation Mono on Debian).
inline QFont fixedFont(double points)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(points);
    return font;
}

} // namespace orv::render
