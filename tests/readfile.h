#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/stat.h>

// A file's bytes; nothing for a file that cannot be opened.
inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Everything in a folder, by name, hidden files and special files included.
inline QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// What stands where a file is expected but is none: "fifo" (waits for a
// writer for ever) or "zero" (a link to /dev/zero, which never ends).
inline QString specialFile(const QTemporaryDir& dir, const QString& name, const QString& kind)
{
    const QString path = dir.filePath(name);
    const bool made = kind == "fifo" ? ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0
                                     : QFile::link("/dev/zero", path);
    if (!made)
        qFatal("cannot make %s", qPrintable(path));
    return path;
}
