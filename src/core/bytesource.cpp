#include "bytesource.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace orv {

qint64 MemorySource::read(char* into, qint64 max)
{
    const qsizetype n = static_cast<qsizetype>(std::min<qint64>(max, m_bytes.size() - m_pos));
    if (n <= 0)
        return 0;
    std::memcpy(into, m_bytes.data() + m_pos, static_cast<size_t>(n));
    m_pos += n;
    return n;
}

qint64 DeviceSource::read(char* into, qint64 max)
{
    const qint64 n = m_device.read(into, max);
    // QIODevice answers -1 both at the end of a file and on an error; only
    // the device knows which.
    if (n < 0 && m_device.atEnd())
        return 0;
    return n;
}

qint64 DeviceSource::sizeHint() const
{
    return m_device.isSequential() ? -1 : m_device.size() - m_device.pos();
}

} // namespace orv
