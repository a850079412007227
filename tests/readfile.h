#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes; nothing for a file that cannot be opened.
inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
