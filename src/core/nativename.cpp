#include "nativename.h"

#include "cp1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orv {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; }

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

} // namespace

QString textFromNameBytes(QByteArrayView bytes)
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
            out += QChar(char16_t(kEscapeBase + b));
            ++i;
        }
    }
    return out;
}

QByteArray nameBytesFromText(QStringView text)
{
    QByteArray out;
    qsizetype run = 0; // start of the text not yet written
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A low surrogate right after a high one is half of a real character.
        const bool paired = i > 0 && text[i - 1].isHighSurrogate();
        if (isEscape(text[i]) && !paired) {
            out += text.sliced(run, i - run).toUtf8();
            out += char(text[i].unicode() - kEscapeBase);
            run = i + 1;
        }
    }
    out += text.sliced(run).toUtf8();
    return out;
}

QString readableName(QStringView text)
{
    QString out = text.toString();
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (isEscape(out[i]) && !(i > 0 && out[i - 1].isHighSurrogate())) {
            const char byte = char(out[i].unicode() - kEscapeBase);
            out[i] = fromCp1252(QByteArrayView(&byte, 1)).at(0);
        }
    }
    return out;
}

bool holdsEscapedBytes(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isEscape(text[i]) && !(i > 0 && text[i - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

QStringList argumentsAsGiven([[maybe_unused]] int argc, [[maybe_unused]] char** argv)
{
#ifdef Q_OS_WIN
    return QCoreApplication::arguments();
#else
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << textFromNameBytes(argv[i]);
    return args;
#endif
}

QString localFileFromUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
#ifdef Q_OS_WIN
    return url.toLocalFile();
#else
    if (!url.host().isEmpty())
        return url.toLocalFile();
    return textFromNameBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
#endif
}

bool isFileByName(QStringView name)
{
#ifdef Q_OS_WIN
    return !name.isEmpty() && QFileInfo(name.toString()).isFile();
#else
    const QByteArray bytes = nameBytesFromText(name);
    struct stat st;
    return !bytes.isEmpty() && !bytes.contains('\0') && ::stat(bytes.constData(), &st) == 0 &&
           S_ISREG(st.st_mode);
#endif
}

#ifndef Q_OS_WIN
namespace {

bool statByName(QStringView name, struct stat& st)
{
    const QByteArray bytes = nameBytesFromText(name);
    return !bytes.isEmpty() && !bytes.contains('\0') && ::stat(bytes.constData(), &st) == 0;
}

} // namespace
#endif

QString absoluteName(const QString& name)
{
    if (QDir::isAbsolutePath(name))
        return QDir::cleanPath(name);
#ifdef Q_OS_WIN
    const QString folder = QDir::currentPath();
#else
    char buffer[4096];
    const QString folder = ::getcwd(buffer, sizeof buffer) ? textFromNameBytes(buffer) : QDir::currentPath();
#endif
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}

bool existsByName(QStringView name)
{
#ifdef Q_OS_WIN
    return !name.isEmpty() && QFileInfo::exists(name.toString());
#else
    struct stat st;
    return statByName(name, st);
#endif
}

qint64 sizeByName(QStringView name)
{
#ifdef Q_OS_WIN
    const QFileInfo info(name.toString());
    return info.exists() ? info.size() : -1;
#else
    struct stat st;
    return statByName(name, st) ? qint64(st.st_size) : -1;
#endif
}

std::optional<unsigned> modeByName(QStringView name)
{
#ifdef Q_OS_WIN
    const QFileInfo info(name.toString());
    if (!info.exists())
        return std::nullopt;
    return (info.permissions() & QFileDevice::ReadOwner ? 0400u : 0u)
           | (info.permissions() & QFileDevice::WriteOwner ? 0200u : 0u);
#else
    struct stat st;
    if (!statByName(name, st))
        return std::nullopt;
    return unsigned(st.st_mode & 07777);
#endif
}

bool setModeByName(QStringView name, unsigned mode)
{
#ifdef Q_OS_WIN
    QFileDevice::Permissions p = QFileDevice::ReadOwner | QFileDevice::ReadUser;
    if (mode & 0200u)
        p |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    return QFile::setPermissions(name.toString(), p);
#else
    const QByteArray bytes = nameBytesFromText(name);
    return !bytes.isEmpty() && ::chmod(bytes.constData(), mode_t(mode)) == 0;
#endif
}

bool openByNameBytes(QFile& file, const QByteArray& nameBytes)
{
#ifdef Q_OS_WIN
    // Windows names are UTF-16; the bytes are their UTF-8 form.
    const QString name = QString::fromUtf8(nameBytes);
    if (!QFileInfo(name).isFile())
        return false;
    file.setFileName(name);
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
#else
    if (nameBytes.isEmpty() || nameBytes.contains('\0'))
        return false;
    // Without waiting: opening a FIFO would wait for a writer for ever. The
    // descriptor is checked before anything is read.
    const int fd = ::open(nameBytes.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
