#pragma once

#include "bytesource.h"

#include <QByteArrayView>

#include <memory>

class QFile;

namespace orv {

// A regular file mapped read-only: its bytes are read where the system's
// cache holds them, with no copy. Another program may still cut the file
// short while it is mapped; a read past its new end would then stop the
// process (SIGBUS on Unix). Here the pages it lost read as zeros instead.
// A program that rewrites the file in place changes what is read; the
// suite's own writers replace a file with a new one and never do.
class MappedFile
{
public:
    // The open file mapped whole; null where it cannot be (another kind of
    // system, a file system without mappings, an empty file): read it then.
    static std::shared_ptr<const MappedFile> map(QFile& file);

    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    QByteArrayView bytes() const { return {m_data, m_size}; }

private:
    MappedFile(const char* data, qsizetype size, int slot) : m_data(data), m_size(size), m_slot(slot) {}

    const char* m_data;
    qsizetype m_size;
    int m_slot;
};

// A mapped file as a byte source. whole() gives the file's bytes without
// copying them: the array refers to the mapping, which the caller keeps.
class MappedSource : public ByteSource
{
public:
    explicit MappedSource(std::shared_ptr<const MappedFile> file) : m_file(std::move(file)) {}
    qint64 read(char* into, qint64 max) override;
    qint64 sizeHint() const override { return m_file->bytes().size() - m_at; }
    std::optional<QByteArray> whole(qint64 most) override;

private:
    std::shared_ptr<const MappedFile> m_file;
    qsizetype m_at = 0;
};

} // namespace orv
