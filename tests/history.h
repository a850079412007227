#pragma once
// The Compactor's history, in its window or on orv's output, without the
// time lines that stand before each line outside analyze.
#include <QStringList>

inline QStringList withoutTimes(const QStringList& lines)
{
    QStringList out;
    for (const QString& l : lines)
        if (!(l.startsWith(u" [") && l.endsWith(u']')))
            out << l;
    return out;
}
