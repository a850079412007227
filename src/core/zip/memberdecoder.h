#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

namespace orv {

// Decodes a member's stored bytes, already decrypted, for the methods the
// archive library cannot read or cannot check on this system: LZMA and xz
// (which Debian's libzip leaves out), and every member encrypted the WinZip
// AE-2 way, whose CRC is zero by rule (the library checks it all the same;
// the encryption's own authentication code stands in for it).
class MemberDecoder
{
public:
    // Supplies the member's stored bytes: how many were read, 0 at their
    // end, -1 when they cannot be read (a wrong authentication code too).
    using Pull = std::function<qint64(char* into, qint64 max)>;

    virtual ~MemberDecoder() = default;

    // A decoder for `method` (a ZIP method number) that must give exactly
    // `size` bytes and, when `crc` is set, that CRC. Null for a method this
    // class does not decode.
    static std::unique_ptr<MemberDecoder> create(int method, quint64 size,
                                                 std::optional<quint32> crc, Pull pull);
    static bool decodes(int method);

    // Up to `max` decoded bytes; 0 once all were given and checked; -1 for
    // damaged data, a wrong size or a wrong CRC.
    qint64 read(char* into, qint64 max);

protected:
    explicit MemberDecoder(Pull pull) : m_pull(std::move(pull)) {}
    // Decodes up to `max` bytes; 0 at the end of the method's stream.
    virtual qint64 decode(char* into, qint64 max) = 0;
    // Refills the input buffer when it is empty; false when no byte is left.
    bool refill();
    qint64 pullError() const { return m_pullFailed ? -1 : 0; }

    char m_in[64 * 1024];
    qint64 m_inPos = 0;
    qint64 m_inSize = 0;

private:
    Pull m_pull;
    bool m_pullFailed = false;
    quint64 m_size = 0;
    std::optional<quint32> m_crc;
    quint64 m_given = 0;
    quint32 m_running = 0;
    bool m_done = false;
};

// The name of a ZIP compression method, as the archive tools call it.
QString zipMethodName(int method);

} // namespace orv
