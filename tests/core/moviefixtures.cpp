#include "moviefixtures.h"

#include <QFile>
#include <cstdio>
#include <sys/stat.h>
#include <zip.h>

namespace fixtures {

QByteArray plainMovie(const QByteArray& header, const std::vector<QByteArray>& frames)
{
    QByteArray out = header + "\r\n";
    for (const QByteArray& f : frames)
        out += f + "\r\n";
    return out;
}

QByteArray textMovie(int frames)
{
    std::vector<QByteArray> lines;
    for (int i = 0; i < frames; ++i)
        lines.push_back(QByteArray(60 * 15, "@%#*+=-:. "[i % 10]) + QByteArray::number(i));
    return plainMovie("60,16," + QByteArray::number(frames) + ",100,0,0,0,0,Ana,Prueba", lines);
}

QByteArrayList frames(const orv::Movie& p)
{
    QByteArrayList out;
    for (int i = 0; i < p.numCuadros; ++i)
        out << p.frame(i).toByteArray();
    return out;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray writeByName(const QTemporaryDir& dir, const QByteArray& name, const QByteArray& bytes)
{
    const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
    std::FILE* f = std::fopen(path.constData(), "wb");
    if (!f || std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f) !=
                  static_cast<size_t>(bytes.size()))
        qFatal("cannot write %s", path.constData());
    std::fclose(f);
    return path;
}

QString writeZip(const QTemporaryDir& dir, const QString& name, const std::vector<ZipEntry>& entries)
{
    const QString path = dir.filePath(name);
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za)
        qFatal("cannot create %s", qPrintable(path));
    for (const ZipEntry& e : entries) {
        zip_int64_t index;
        if (e.kind == ZipEntry::Kind::Directory) {
            index = zip_dir_add(za, e.name.constData(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* src = zip_source_buffer(za, e.data.constData(), static_cast<zip_uint64_t>(e.data.size()), 0);
            index = zip_file_add(za, e.name.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        }
        if (index < 0)
            qFatal("cannot add %s", e.name.constData());
        const auto i = static_cast<zip_uint64_t>(index);
        if (e.stored)
            zip_set_file_compression(za, i, ZIP_CM_STORE, 0);
        if (e.method && zip_set_file_compression(za, i, *e.method, 0) != 0)
            qFatal("compression method %d not available", *e.method);
        if (e.kind == ZipEntry::Kind::Symlink)
            zip_file_set_external_attributes(za, i, 0, ZIP_OPSYS_UNIX, (S_IFLNK | 0777u) << 16);
        if (e.kind == ZipEntry::Kind::Pipe)
            zip_file_set_external_attributes(za, i, 0, ZIP_OPSYS_UNIX, (S_IFIFO | 0600u) << 16);
        if (!e.password.isEmpty())
            zip_file_set_encryption(za, i, ZIP_EM_AES_256, e.password.constData());
    }
    if (zip_close(za) != 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray zipOfRawMember(const QByteArray& name, const RawMember& m)
{
    QByteArray out;
    const auto put = [&out](quint32 v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            out += static_cast<char>((v >> (8 * k)) & 0xff);
    };
    const auto common = [&] { // version needed through the extra field's length
        put(63, 2);
        put(m.flags, 2);
        put(quint32(m.method), 2);
        put(0, 4); // time and date
        put(m.crc, 4);
        put(quint32(m.data.size()), 4);
        put(m.size, 4);
        put(quint32(name.size()), 2);
        put(0, 2);
    };
    out += "PK\x03\x04";
    common();
    out += name + m.data;
    const auto central = quint32(out.size());
    out += "PK\x01\x02";
    put(0x031e, 2); // made on Unix
    common();
    put(0, 2); // comment
    put(0, 4); // disk, internal attributes
    put(0100644u << 16, 4);
    put(0, 4); // the local header's offset
    out += name;
    const auto centralSize = quint32(out.size()) - central;
    out += "PK\x05\x06";
    put(0, 4); // disks
    put(1, 2);
    put(1, 2);
    put(centralSize, 4);
    put(central, 4);
    put(0, 2);
    return out;
}

void patchMemberHeaders(const QString& path, std::optional<quint32> crc, std::optional<quint32> size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        qFatal("cannot open %s", qPrintable(path));
    QByteArray bytes = f.readAll();
    const auto put = [&](qsizetype at, quint32 v) {
        for (int k = 0; k < 4; ++k)
            bytes[at + k] = static_cast<char>((v >> (8 * k)) & 0xff);
    };
    // Offsets of the CRC and the uncompressed size in each kind of header.
    const struct { QByteArray signature; qsizetype crcAt; qsizetype sizeAt; } kinds[] = {
        {QByteArray("PK\x03\x04", 4), 14, 22}, {QByteArray("PK\x01\x02", 4), 16, 24}};
    for (const auto& kind : kinds) {
        for (qsizetype at = bytes.indexOf(kind.signature); at >= 0; at = bytes.indexOf(kind.signature, at + 4)) {
            if (crc)
                put(at + kind.crcAt, *crc);
            if (size)
                put(at + kind.sizeAt, *size);
        }
    }
    f.seek(0);
    f.write(bytes);
}

} // namespace fixtures
