#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <optional>

class QFile;
class QUrl;

namespace orv {

// A file's name as the system spells it, made once where a name enters the
// suite (the command line, a drop, a dialog, a folder listing) and handed
// down as it is to every open, stat, chmod, rename and message.
//
// On Unix a name is bytes, not text: one made on a Windows-1252 system
// ("pel\xEDcula.ovt") is not UTF-8, and a decode would lose its 0xED. Here
// the bytes are kept; display() is what a person reads (such bytes shown as
// the Windows-1252 characters they most likely were). On Windows the bytes
// are the name's UTF-8.
class FileName
{
public:
    FileName() = default;

    // The system's own bytes: argv, readdir(), getcwd().
    static FileName fromBytes(QByteArray bytes);
    // A name as Qt or a person gives it. Bytes that are not UTF-8 may travel
    // inside such text as the lone code units U+DC80..U+DCFF, one per byte
    // (see escapedText()); they come back as the bytes they stand for.
    static FileName fromText(QStringView text);
    // The local file a file: address names (a drop), its bytes kept.
    static FileName fromUrl(const QUrl& url);

    const QByteArray& bytes() const { return m_bytes; }
    bool isEmpty() const { return m_bytes.isEmpty(); }
    // Whether the name is UTF-8, so that it can be kept as text (a settings
    // file, a dialog).
    bool isUtf8() const;

    // As a person should read it.
    QString display() const;
    // As text that loses nothing: UTF-8 decoded, every other byte as its
    // lone code unit. For text that must travel as a QString (a command
    // line, an item of a list) and come back through fromText().
    QString escapedText() const;

    // Made absolute against the working folder and cleaned of "." and "..",
    // as names: nothing is asked of the disk, no link is followed.
    FileName absolute() const;
    // The folder part ("." for a bare name) and the last part.
    FileName folder() const;
    FileName leaf() const;
    // `leaf` inside this folder.
    FileName child(const QByteArray& leaf) const;
    bool endsWith(QByteArrayView suffix) const { return m_bytes.endsWith(suffix); }
    FileName operator+(QByteArrayView suffix) const;

    friend bool operator==(const FileName&, const FileName&) = default;

private:
    explicit FileName(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    QByteArray m_bytes;
};

using FileNames = QList<FileName>;

// The arguments the program was given, argv[0] first, as escapedText(): on
// Unix made from their bytes; on Windows Qt's, which are whole.
QStringList argumentsAsGiven(int argc, char** argv);

// The name a text that Qt decoded from a name's bytes stands for. Qt decodes
// names as UTF-8 and turns each byte that is not UTF-8 into U+FFFD, so a
// folder listing (a file dialog's) shows such a name but cannot give it
// back. Each part of `decoded` holding U+FFFD is looked up among its
// folder's entries by their bytes; a part that no entry or more than one
// could be stays as it reads.
FileName nameFromDecodedText(const QString& decoded);

// Texts as the command line or a list holds them, to names.
FileNames fileNamesFromTexts(const QStringList& texts);
QStringList displayTexts(const FileNames& names);

// What the system says of a name, asked by its bytes (after following a
// link): whether it is a regular file, whether it exists, its size (-1 when
// it does not exist), its permission bits as Unix keeps them (st_mode &
// 07777; on Windows only the owner's read and write bits mean anything).
bool isRegularFile(const FileName& name);
bool isFolder(const FileName& name);
bool exists(const FileName& name);
qint64 fileSize(const FileName& name);
std::optional<unsigned> permissionsOf(const FileName& name);
bool setPermissionsOf(const FileName& name, unsigned mode);

// Whether two names are one file (the same device and inode, whatever the
// names, links followed). False when either does not exist.
bool sameFile(const FileName& a, const FileName& b);

// Why a file cannot be written under `target`: an existing target that is
// not a regular file once links are followed (a device, a FIFO, a folder)
// would be replaced by a regular file, or written into. Nothing when it is
// a regular file or does not exist.
std::optional<QString> outputRefusal(const FileName& target);

// Opens the file for reading. Only a regular file opens (after following a
// link): a FIFO or a device is refused at once, without waiting or reading.
bool openForReading(QFile& file, const FileName& name);

} // namespace orv

Q_DECLARE_METATYPE(orv::FileName)
