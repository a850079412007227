#pragma once

#include "fixedfont.h"

#include <QFont>
#include <QString>

namespace orv::converter {

// The monospaced face both windows show text pictures in.
inline QFont fixedFont()
{
    return render::fixedFont(8.25);
}

// A control with its classic name, so tests find it by objectName.
template <typename W> W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace orv::converter
