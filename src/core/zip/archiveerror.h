#pragma once

#include <QString>
#include <exception>
#include <string>

namespace orv {

// An error raised by the archive classes: a number, the routine that raised
// it (its source, such as "CGUnZipFiles::Unzip") and a description. A routine
// that catches one raises it again under its own source, keeping the rest.
class ArchiveError : public std::exception
{
public:
    ArchiveError(int number, QString source, QString description);

    int number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }

    // The same error, raised again by another routine.
    ArchiveError withSource(const QString& source) const;

    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_source;
    QString m_description;
    std::string m_what;
};

// Error numbers of the classic runtime that the archive classes keep.
namespace archive_errors {
constexpr int Overflow = 6;
constexpr int FileNotFound = 53;
constexpr int PermissionDenied = 70;
constexpr int PathNotFound = 76;
// Failures reported by the ZIP library are numbered from here on:
// ZipBase + libzip's own error code.
constexpr int ZipBase = 20000;
constexpr int TooLarge = 20100;
} // namespace archive_errors

} // namespace orv
