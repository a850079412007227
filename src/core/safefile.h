#pragma once

#include "filename.h"

#include <QFile>
#include <QString>

namespace orv {

// A file written safely, as every movie and export is: everything goes to a
// scratch file beside the target (named as safereplace.h names them, so
// that one a killed process left is removed by the next writer in that
// folder), which finish() flushes to disk and renames over the target; a
// write that fails or is cancelled leaves no file and any earlier file of
// that name untouched. Never written in place. An existing target keeps its
// owner, group and permissions; one that is not a regular file (a device, a
// FIFO, a folder) is never replaced: open() refuses it.
class SafeFile
{
public:
    explicit SafeFile(const FileName& target);
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    bool open();
    // For a library that writes the file itself by its name: the scratch
    // file is made (empty) and its name answered, to be written and closed
    // by that library; finish() and cancel() then work as ever. Empty when
    // it cannot be made (error() says why).
    FileName openByName();
    bool write(QByteArrayView bytes);
    bool finish();
    void cancel();

    // Why the file could not be written, for the caller's message, and the
    // system's error kind: the first failure's, not the cancel that followed.
    QString error() const;
    QFileDevice::FileError codeError() const;

private:
    void startFlushing();
    void failure(QFileDevice::FileError code, const QString& text);
    void fileFailure(QFileDevice::FileError fallback);
    void removeScratch();

    FileName m_target;
    FileName m_scratch;
    QFile m_file;
    bool m_ok = false;
    bool m_byName = false; // another library writes the scratch file by its name
    qint64 m_written = 0;  // bytes handed to the system so far
    qint64 m_flushed = 0;  // of those, how many it was asked to start writing to disk
    QFileDevice::FileError m_code = QFileDevice::NoError; // the first failure's
    QString m_error;
};

} // namespace orv
