#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace orv {

// Builds a ZIP archive from a list of file names. The list is keyed by the
// name without regard to letter case and starts with the placeholder
// "querty", which never becomes a member; ZipFileCount is always the number
// of entries less one. Booleans are stored as a 16-bit 1 or 0, as in the
// extraction class. AddFile and RemoveFile raise ArchiveError; MakeZipFile
// answers the build's status (0 only when the archive was written) and
// raises under "CGZipFiles::MakeZipFile".
//
// Members are deflated with libdeflate and handed to libzip already
// compressed, so the container is libzip's own; relative names are taken
// from RootDirectory, or from the current folder while it is "\".
class CGZipFiles
{
public:
    CGZipFiles();

    bool RecurseFolders() const { return m_recurseFolders == 1; }
    void setRecurseFolders(bool bRecurse) { m_recurseFolders = bRecurse ? 1 : 0; }
    const QString& ZipFileName() const { return m_zipFileName; }
    void setZipFileName(const QString& sZipFileName) { m_zipFileName = sZipFileName; }
    bool Encrypted() const { return m_encrypted == 1; }
    void setEncrypted(bool bEncrypt) { m_encrypted = bEncrypt ? 1 : 0; }
    bool IncludeSystemFiles() const { return m_includeSystemFiles == 1; }
    void setIncludeSystemFiles(bool bInclude) { m_includeSystemFiles = bInclude ? 1 : 0; }
    const QString& RootDirectory() const { return m_rootDirectory; }
    void setRootDirectory(const QString& sRootDir) { m_rootDirectory = sRootDir; }
    bool UpdatingZip() const { return m_updatingZip == 1; }
    void setUpdatingZip(bool bUpdating) { m_updatingZip = bUpdating ? 1 : 0; }
    std::int32_t ZipFileCount() const { return static_cast<std::int32_t>(m_list.size()) - 1; }

    void AddFile(const QString& sFileName);
    void RemoveFile(const QString& sFileName);
    std::int32_t MakeZipFile();

    // The messages of the program's last extraction or archive build.
    static QString GetLastMessage();

    // The names in list order, the placeholder included: what the build is
    // handed.
    QStringList nameList() const;

private:
    struct Entry
    {
        QString text;
        bool placeholder = false;
    };
    std::vector<Entry>::iterator find(const QString& key);

    std::int16_t m_recurseFolders = 0;
    std::int16_t m_encrypted = 0;
    std::int16_t m_includeSystemFiles = 0;
    std::int16_t m_updatingZip = 0;
    QString m_zipFileName;
    QString m_rootDirectory = QStringLiteral("\\");
    std::vector<Entry> m_list;
};

// Statuses a build answers, numbered as the classic archiver numbers them.
namespace zip_status {
constexpr std::int32_t Ok = 0;
constexpr std::int32_t Memory = 4;   // a member too large to hold
constexpr std::int32_t Nothing = 12; // no names to add
constexpr std::int32_t Write = 14;   // the archive could not be written
constexpr std::int32_t Create = 15;  // the archive could not be created
constexpr std::int32_t Params = 16;  // no archive name
constexpr std::int32_t Open = 18;    // a listed file could not be read
} // namespace zip_status

namespace CodeModule {

// Appends a piece of archiver output to the message text, then lets the
// program's window run its pending events.
void zipPrintCallback(QByteArrayView piece);

// What zipPrintCallback and the build's progress run to keep a window
// painting; nothing by default, so the core never touches an event loop.
void setZipEventPump(std::function<void()> pump);

} // namespace CodeModule

} // namespace orv
