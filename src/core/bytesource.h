#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>
#include <QtGlobal>

class QIODevice;

namespace orv {

// A forward-only supply of bytes: a file, an archive member being inflated,
// or bytes already in memory. The movie reader pulls from it only as far as
// the movie goes, so what lies after the last frame is never fetched.
class ByteSource
{
public:
    virtual ~ByteSource() = default;

    // Reads up to `max` bytes into `into`. Answers how many (possibly fewer
    // than asked), 0 at the end, or -1 when the data is damaged or unreadable.
    virtual qint64 read(char* into, qint64 max) = 0;

    // Called once the reader has all it needs. A source may check here what
    // it can only check at its end (an archive member's CRC); false means
    // the data must not be trusted.
    virtual bool finish() { return true; }

    // How many bytes are left, when the source knows; -1 otherwise. Only a
    // hint for sizing buffers, never trusted as a bound.
    virtual qint64 sizeHint() const { return -1; }

    // All the data from its very start, in one piece, when the source can
    // give it at once (faster than piece by piece) and it is no larger than
    // `most`; the source is then at its end, its checks done. Nothing
    // otherwise, and the source reads on from where it stood.
    virtual std::optional<QByteArray> whole(qint64 most)
    {
        Q_UNUSED(most);
        return std::nullopt;
    }
};

// Bytes already in memory; the caller keeps them alive.
class MemorySource : public ByteSource
{
public:
    explicit MemorySource(QByteArrayView bytes) : m_bytes(bytes) {}
    qint64 read(char* into, qint64 max) override;
    qint64 sizeHint() const override { return m_bytes.size() - m_pos; }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

// An open device, read from where it stands.
class DeviceSource : public ByteSource
{
public:
    explicit DeviceSource(QIODevice& device) : m_device(device) {}
    qint64 read(char* into, qint64 max) override;
    qint64 sizeHint() const override;

private:
    QIODevice& m_device;
};

} // namespace orv
