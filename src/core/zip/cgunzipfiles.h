#pragma once

#include <QString>
#include <cstdint>

namespace orv {

class PasswordProvider;

// Extracts every member of a ZIP archive into a folder. The properties keep
// the classic option set with its defaults; Booleans are stored as a 16-bit
// 1 or 0, as every caller of this class has always seen them. Failures are
// raised as ArchiveError with the source "CGUnZipFiles::Unzip".
//
// Extraction is defensive: no entry is ever written outside the target folder
// (absolute names, "..", links and anything reached through a link are
// refused), and a member that would inflate past maxMemberSize() is refused
// with an error.
class CGUnzipFiles
{
public:
    CGUnzipFiles();

    bool ExtractOnlyNewer() const { return m_extractOnlyNewer == 1; }
    void setExtractOnlyNewer(bool bOnlyNewer) { m_extractOnlyNewer = bOnlyNewer ? 1 : 0; }
    bool SpaceToUnderScore() const { return m_spaceToUnderScore == 1; }
    void setSpaceToUnderScore(bool bConvert) { m_spaceToUnderScore = bConvert ? 1 : 0; }
    bool PromptOverwrite() const { return m_promptOverwrite == 1; }
    void setPromptOverwrite(bool bPrompt) { m_promptOverwrite = bPrompt ? 1 : 0; }
    std::int32_t MessageLevel() const { return m_messageLevel; }
    void setMessageLevel(std::int32_t iLevel) { m_messageLevel = iLevel; }
    bool WriteToStdOut() const { return m_writeToStdOut == 1; }
    void setWriteToStdOut(bool bWrite) { m_writeToStdOut = bWrite ? 1 : 0; }
    bool TestZip() const { return m_testZip == 1; }
    void setTestZip(bool bTest) { m_testZip = bTest ? 1 : 0; }
    std::int32_t ExtractList() const { return m_extractList; }
    void setExtractList(std::int32_t zExType) { m_extractList = zExType; }
    bool ExtractNewer() const { return m_extractNewer == 1; }
    void setExtractNewer(bool bExtractNewer) { m_extractNewer = bExtractNewer ? 1 : 0; }
    bool DisplayComment() const { return m_displayComment == 1; }
    void setDisplayComment(bool bDisplay) { m_displayComment = bDisplay ? 1 : 0; }
    bool HonorDirectories() const { return m_honorDirectories == 1; }
    void setHonorDirectories(bool bHonor) { m_honorDirectories = bHonor ? 1 : 0; }
    bool OverWriteFiles() const { return m_overWriteFiles == 1; }
    void setOverWriteFiles(bool bOverWrite) { m_overWriteFiles = bOverWrite ? 1 : 0; }
    bool ConvertCRtoCRLF() const { return m_convertCRtoCRLF == 1; }
    void setConvertCRtoCRLF(bool bConvert) { m_convertCRtoCRLF = bConvert ? 1 : 0; }
    bool Verbose() const { return m_verbose == 1; }
    void setVerbose(bool bVerbose) { m_verbose = bVerbose ? 1 : 0; }
    bool CaseSensitive() const { return m_caseSensitive == 1; }
    void setCaseSensitive(bool bCaseSensitive) { m_caseSensitive = bCaseSensitive ? 1 : 0; }
    std::int32_t Privilege() const { return m_privilege; }
    void setPrivilege(std::int32_t zPriv) { m_privilege = zPriv; }
    const QString& ZipFileName() const { return m_zipFileName; }
    void setZipFileName(const QString& sZipFileName) { m_zipFileName = sZipFileName; }
    const QString& ExtractDir() const { return m_extractDir; }
    void setExtractDir(const QString& sExtractDir) { m_extractDir = sExtractDir; }

    // Not part of the classic option set: the questions for encrypted members
    // and overwrites, and the largest member accepted (1 GiB by default).
    void setPasswordProvider(PasswordProvider* provider) { m_passwords = provider; }
    qint64 maxMemberSize() const { return m_maxMemberSize; }
    void setMaxMemberSize(qint64 bytes) { m_maxMemberSize = bytes; }

    // Extracts the archive (empty arguments keep the stored names). Answers
    // 0 when every member was extracted, 1 when some were skipped (unsafe
    // names, links, refused passwords, existing files kept).
    std::int32_t Unzip(const QString& sZipFileName, const QString& sExtractDir);

    // The messages of the program's last extraction or archive build.
    static QString GetLastMessage();

private:
    std::int16_t m_extractOnlyNewer = 0;
    std::int16_t m_spaceToUnderScore = 0;
    std::int16_t m_promptOverwrite = 0;
    std::int32_t m_messageLevel = 2;
    std::int16_t m_writeToStdOut = 0;
    std::int16_t m_testZip = 0;
    std::int32_t m_extractList = 0;
    std::int16_t m_extractNewer = 0;
    std::int16_t m_displayComment = 0;
    std::int16_t m_honorDirectories = 1;
    std::int16_t m_overWriteFiles = 1;
    std::int16_t m_convertCRtoCRLF = 0;
    std::int16_t m_verbose = 0;
    std::int16_t m_caseSensitive = 1;
    std::int32_t m_privilege = 0;
    QString m_zipFileName;
    QString m_extractDir;
    PasswordProvider* m_passwords = nullptr;
    qint64 m_maxMemberSize = qint64(1) << 30;
};

} // namespace orv
