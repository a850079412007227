#include "cgzipfiles.h"

#include "archiveerror.h"
#include "codemodule.h"
#include "cp1252.h"
#include "ziparchivebuilder.h"

#include <algorithm>

namespace orv {
namespace {

const QString kPlaceholder = QStringLiteral("querty");
const QString kMakeSource = QStringLiteral("CGZipFiles::MakeZipFile");

// The classic name list holds 100 names, the placeholder included.
constexpr std::size_t kNameListSize = 100;
constexpr int kSubscriptOutOfRange = 9;
constexpr int kAlreadyListed = static_cast<int>(0x800407D1);
constexpr int kNotListed = static_cast<int>(0x800407D2);

std::function<void()>& eventPump()
{
    static std::function<void()> pump;
    return pump;
}

} // namespace

CGZipFiles::CGZipFiles() { m_list.push_back({kPlaceholder, true}); }

std::vector<CGZipFiles::Entry>::iterator CGZipFiles::find(const QString& key)
{
    return std::find_if(m_list.begin(), m_list.end(), [&key](const Entry& e) {
        return e.text.compare(key, Qt::CaseInsensitive) == 0;
    });
}

void CGZipFiles::AddFile(const QString& sFileName)
{
    const auto it = find(sFileName);
    if (it != m_list.end() && !it->text.isEmpty())
        throw ArchiveError(kAlreadyListed, QStringLiteral("CGZip::AddFile"),
                           QStringLiteral("File is already in Zip List"));
    m_list.push_back({sFileName, false});
}

void CGZipFiles::RemoveFile(const QString& sFileName)
{
    const auto it = find(sFileName);
    if (it == m_list.end() || it->text.isEmpty())
        throw ArchiveError(kNotListed, QStringLiteral("CGZip::RemoveFile"),
                           QStringLiteral("File is not in Zip List"));
    m_list.erase(it);
}

QStringList CGZipFiles::nameList() const
{
    QStringList names;
    for (const Entry& e : m_list)
        names << e.text;
    return names;
}

std::int32_t CGZipFiles::MakeZipFile()
{
    try {
        if (m_list.size() > kNameListSize)
            throw ArchiveError(kSubscriptOutOfRange, kMakeSource, QStringLiteral("Subscript out of range"));
        ZipBuildRequest request;
        request.archive = m_zipFileName;
        request.rootDirectory = m_rootDirectory;
        request.recurse = RecurseFolders();
        request.updating = UpdatingZip();
        // The placeholder only ever filled the classic list's first slot.
        for (const Entry& e : m_list)
            if (!e.placeholder)
                request.names << e.text;
        return makeArchive(request);
    } catch (const ArchiveError& e) {
        throw e.withSource(kMakeSource);
    }
}

QString CGZipFiles::GetLastMessage() { return CodeModule::lastMessageText(); }

namespace CodeModule {

void zipPrintCallback(QByteArrayView piece)
{
    constexpr qsizetype kMaxPiece = 4097;
    piece = piece.first(std::min(piece.size(), kMaxPiece));
    const qsizetype nul = piece.indexOf('\0');
    if (nul >= 0)
        piece = piece.first(nul);
    setLastMessageText(lastMessageText() + fromCp1252(piece));
    if (eventPump())
        eventPump()();
}

void setZipEventPump(std::function<void()> pump) { eventPump() = std::move(pump); }

void runZipEventPump()
{
    if (eventPump())
        eventPump()();
}

} // namespace CodeModule

} // namespace orv
