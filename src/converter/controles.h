#pragma once

#include "fuentefija.h"

#include <QFont>
#include <QString>

namespace orv::converter {

// The monospaced face both windows show text pictures in.
inline QFont fuenteFija()
{
    return render::fuenteFija(8.25);
}

// A control with its classic name, so tests find it by objectName.
template <typename W>
W* nombrado(W* w, const char* nombre)
{
    w->setObjectName(QString::fromLatin1(nombre));
    return w;
}

} // namespace orv::converter
