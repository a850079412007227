#pragma once
// The Compactor's history, in its window or on orv's output, without the
// time lines that stand before each line outside analyze.
#include <QStringList>

inline QStringList sinHoras(const QStringList& lineas)
{
    QStringList out;
    for (const QString& l : lineas)
        if (!(l.startsWith(u" [") && l.endsWith(u']')))
            out << l;
    return out;
}
