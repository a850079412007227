#include "archiveerror.h"

namespace orv {

ArchiveError::ArchiveError(int number, QString source, QString description)
    : m_number(number), m_source(std::move(source)), m_description(std::move(description)),
      m_what((m_source + QLatin1String(": ") + m_description).toStdString())
{
}

ArchiveError ArchiveError::withSource(const QString& source) const
{
    return ArchiveError(m_number, source, m_description);
}

} // namespace orv
