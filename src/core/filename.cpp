#include "filename.h"

#include "cp1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#ifndef Q_OS_WIN
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orv {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// A lone low surrogate standing for one byte; one right after a high
// surrogate is half of a real character.
bool isEscapeAt(QStringView text, qsizetype i)
{
    const char16_t u = text[i].unicode();
    return u >= 0xDC80 && u <= 0xDCFF && !(i > 0 && text[i - 1].isHighSurrogate());
}

// The length a UTF-8 sequence announces by its first byte, 0 for a byte
// that cannot start one.
qsizetype sequenceLength(unsigned char b)
{
    if (b < 0x80)
        return 1;
    if ((b >> 5) == 0x6)
        return 2;
    if ((b >> 4) == 0xE)
        return 3;
    if ((b >> 3) == 0x1E)
        return 4;
    return 0;
}

// UTF-8 where the bytes are UTF-8; every other byte given to `other`.
template <typename Other> QString decode(QByteArrayView bytes, Other other)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const qsizetype n = sequenceLength(b);
        if (n > 0 && i + n <= bytes.size() && bytes.sliced(i, n).isValidUtf8()) {
            out += QString::fromUtf8(bytes.sliced(i, n));
            i += n;
        } else {
            out += other(b);
            ++i;
        }
    }
    return out;
}

#ifndef Q_OS_WIN
bool statOf(const FileName& name, struct stat& st)
{
    const QByteArray& bytes = name.bytes();
    return !bytes.isEmpty() && !bytes.contains('\0') && ::stat(bytes.constData(), &st) == 0;
}
#else
QString wide(const FileName& name)
{
    return QString::fromUtf8(name.bytes());
}
#endif

} // namespace

FileName FileName::fromBytes(QByteArray bytes)
{
    return FileName(std::move(bytes));
}

FileName FileName::fromText(QStringView text)
{
    QByteArray out;
    qsizetype run = 0; // start of the text not yet written
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isEscapeAt(text, i)) {
            out += text.sliced(run, i - run).toUtf8();
            out += char(text[i].unicode() - kEscapeBase);
            run = i + 1;
        }
    }
    out += text.sliced(run).toUtf8();
    return FileName(std::move(out));
}

FileName FileName::fromUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
#ifdef Q_OS_WIN
    return fromText(url.toLocalFile());
#else
    // QUrl::toLocalFile() decodes the name as UTF-8 and loses what is not.
    if (!url.host().isEmpty())
        return fromText(url.toLocalFile());
    return FileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
#endif
}

bool FileName::isUtf8() const
{
    return QByteArrayView(m_bytes).isValidUtf8();
}

QString FileName::display() const
{
    return decode(m_bytes, [](unsigned char b) {
        const char c = char(b);
        return fromCp1252(QByteArrayView(&c, 1)).at(0);
    });
}

QString FileName::escapedText() const
{
    return decode(m_bytes, [](unsigned char b) { return QChar(char16_t(kEscapeBase + b)); });
}

FileName FileName::absolute() const
{
    // As text that loses nothing, so QDir cleans it without a decode.
    const QString text = escapedText();
    if (QDir::isAbsolutePath(text))
        return fromText(QDir::cleanPath(text));
#ifdef Q_OS_WIN
    const QString folder = QDir::currentPath();
#else
    char buffer[4096];
    const QString folder = ::getcwd(buffer, sizeof buffer) ? FileName(buffer).escapedText() : QDir::currentPath();
#endif
    return fromText(QDir::cleanPath(folder + QLatin1Char('/') + text));
}

FileName FileName::folder() const
{
    const qsizetype slash = m_bytes.lastIndexOf('/');
    if (slash < 0)
        return FileName(QByteArrayLiteral("."));
    return FileName(slash == 0 ? QByteArrayLiteral("/") : m_bytes.left(slash));
}

FileName FileName::leaf() const
{
    return FileName(m_bytes.mid(m_bytes.lastIndexOf('/') + 1));
}

FileName FileName::child(const QByteArray& leaf) const
{
    return FileName(m_bytes.endsWith('/') ? m_bytes + leaf : m_bytes + '/' + leaf);
}

FileName FileName::operator+(QByteArrayView suffix) const
{
    return FileName(m_bytes + suffix.toByteArray());
}

QStringList argumentsAsGiven([[maybe_unused]] int argc, [[maybe_unused]] char** argv)
{
#ifdef Q_OS_WIN
    return QCoreApplication::arguments();
#else
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << FileName::fromBytes(argv[i]).escapedText();
    return args;
#endif
}

FileName nameFromDecodedText(const QString& decoded)
{
#ifdef Q_OS_WIN
    return FileName::fromText(decoded);
#else
    if (!decoded.contains(QChar::ReplacementCharacter))
        return FileName::fromText(decoded);
    QByteArray out;
    const QStringList parts = decoded.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += '/';
        const QString& part = parts[i];
        QByteArray bytes = part.toUtf8();
        if (part.contains(QChar::ReplacementCharacter)) {
            int found = 0;
            QByteArray match;
            if (DIR* dir = ::opendir(out.isEmpty() ? "." : out.constData())) {
                while (const dirent* e = ::readdir(dir)) {
                    const QByteArray entry(e->d_name);
                    if (QFile::decodeName(entry) == part && found++ == 0)
                        match = entry;
                }
                ::closedir(dir);
            }
            if (found == 1)
                bytes = match;
        }
        out += bytes;
    }
    return FileName::fromBytes(out);
#endif
}

FileNames fileNamesFromTexts(const QStringList& texts)
{
    FileNames names;
    names.reserve(texts.size());
    for (const QString& t : texts)
        names.append(FileName::fromText(t));
    return names;
}

QStringList displayTexts(const FileNames& names)
{
    QStringList texts;
    texts.reserve(names.size());
    for (const FileName& n : names)
        texts.append(n.display());
    return texts;
}

bool isRegularFile(const FileName& name)
{
#ifdef Q_OS_WIN
    return !name.isEmpty() && QFileInfo(wide(name)).isFile();
#else
    struct stat st;
    return statOf(name, st) && S_ISREG(st.st_mode);
#endif
}

bool isFolder(const FileName& name)
{
#ifdef Q_OS_WIN
    return !name.isEmpty() && QFileInfo(wide(name)).isDir();
#else
    struct stat st;
    return statOf(name, st) && S_ISDIR(st.st_mode);
#endif
}

bool exists(const FileName& name)
{
#ifdef Q_OS_WIN
    return !name.isEmpty() && QFileInfo::exists(wide(name));
#else
    struct stat st;
    return statOf(name, st);
#endif
}

qint64 fileSize(const FileName& name)
{
#ifdef Q_OS_WIN
    const QFileInfo info(wide(name));
    return info.exists() ? info.size() : -1;
#else
    struct stat st;
    return statOf(name, st) ? qint64(st.st_size) : -1;
#endif
}

std::optional<unsigned> permissionsOf(const FileName& name)
{
#ifdef Q_OS_WIN
    const QFileInfo info(wide(name));
    if (!info.exists())
        return std::nullopt;
    return (info.permissions() & QFileDevice::ReadOwner ? 0400u : 0u)
           | (info.permissions() & QFileDevice::WriteOwner ? 0200u : 0u);
#else
    struct stat st;
    if (!statOf(name, st))
        return std::nullopt;
    return unsigned(st.st_mode & 07777);
#endif
}

bool setPermissionsOf(const FileName& name, unsigned mode)
{
#ifdef Q_OS_WIN
    QFileDevice::Permissions p = QFileDevice::ReadOwner | QFileDevice::ReadUser;
    if (mode & 0200u)
        p |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    return QFile::setPermissions(wide(name), p);
#else
    return !name.isEmpty() && ::chmod(name.bytes().constData(), mode_t(mode)) == 0;
#endif
}

bool sameFile(const FileName& a, const FileName& b)
{
#ifdef Q_OS_WIN
    const QFileInfo x(wide(a)), y(wide(b));
    return x.exists() && y.exists() && x.canonicalFilePath() == y.canonicalFilePath();
#else
    struct stat x, y;
    return statOf(a, x) && statOf(b, y) && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
#endif
}

std::optional<QString> outputRefusal(const FileName& target)
{
    if (!exists(target) || isRegularFile(target))
        return std::nullopt;
    return QStringLiteral("no es un archivo común (es una carpeta, un dispositivo o una tubería)");
}

bool openForReading(QFile& file, const FileName& name)
{
#ifdef Q_OS_WIN
    if (!isRegularFile(name))
        return false;
    file.setFileName(wide(name));
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
#else
    const QByteArray& bytes = name.bytes();
    if (bytes.isEmpty() || bytes.contains('\0'))
        return false;
    // Without waiting: opening a FIFO would wait for a writer for ever. The
    // descriptor is checked before anything is read.
    const int fd = ::open(bytes.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)
        || !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#endif
}

} // namespace orv
