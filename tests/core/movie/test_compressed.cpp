// Reading compressed movies: the first file member, whatever its name, read
// in memory; damaged, hostile and empty archives are unreadable.
#include "moviefixtures.h"
#include "readfile.h"
#include "moviereader.h"
#include "zipmember.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <lzma.h>
#include <zlib.h>

using fixtures::ZipEntry;
using orv::Movie;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kMovie = fixtures::plainMovie("3,1,2,100,0,0,0,0,Ana,info", {"abc", "def"});
// LZMA as ZIP holds it: version, properties' length and properties, then
// the raw stream, which liblzma ends with its end marker (flag bit 1).
QByteArray lzmaMember(const QByteArray& plain)
{
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    QByteArray out("\x10\x02\x05\x00", 4);
    out.resize(4 + 5);
    lzma_properties_encode(filters, reinterpret_cast<uint8_t*>(out.data() + 4));
    QByteArray packed(plain.size() + 1024, 0);
    size_t n = 0;
    lzma_raw_buffer_encode(filters, nullptr, reinterpret_cast<const uint8_t*>(plain.data()),
                           size_t(plain.size()), reinterpret_cast<uint8_t*>(packed.data()), &n,
                           size_t(packed.size()));
    return out + packed.left(qsizetype(n));
}

QByteArray xzMember(const QByteArray& plain)
{
    QByteArray packed(plain.size() + 1024, 0);
    size_t n = 0;
    lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(plain.data()),
                            size_t(plain.size()), reinterpret_cast<uint8_t*>(packed.data()), &n,
                            size_t(packed.size()));
    return packed.left(qsizetype(n));
}

quint32 crcOf(const QByteArray& b)
{
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(b.data()), uInt(b.size())));
}

const QByteArray kOther = fixtures::plainMovie("3,1,1,200,0,0,0,0,Otro,x", {"zzz"});

} // namespace

class TestCompressed : public QObject
{
    Q_OBJECT
private slots:
    void readsFirstFileMember_data()
    {
        QTest::addColumn<std::vector<ZipEntry>>("entries");
        QTest::newRow("any other name") << std::vector<ZipEntry>{{"something.txt", kMovie}};
        QTest::newRow("stored, not deflated") << std::vector<ZipEntry>{{"movie.ovt", kMovie, ZipEntry::Kind::File, true}};
        QTest::newRow("several members: first wins") << std::vector<ZipEntry>{{"a.ovt", kMovie}, {"b.ovt", kOther}};
        QTest::newRow("folders passed over") << std::vector<ZipEntry>{{"dir/", {}, ZipEntry::Kind::Directory}, {"dir/movie.ovt", kMovie}};
        QTest::newRow("links passed over") << std::vector<ZipEntry>{{"link", "/etc/passwd", ZipEntry::Kind::Symlink}, {"movie.ovt", kMovie}};
        QTest::newRow("member typed as a pipe") << std::vector<ZipEntry>{{"-", kMovie, ZipEntry::Kind::Pipe}};
    }

    void readsFirstFileMember()
    {
        QFETCH(std::vector<ZipEntry>, entries);
        QTemporaryDir dir;
        const QString path = fixtures::writeZip(dir, "comprimida.ovt", entries);
        Movie p;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(path), p));
        QVERIFY(p.compressed);
        QCOMPARE(p.creador, QByteArray("Ana"));
        QCOMPARE(p.numCuadros, 2);
        QCOMPARE(p.frame(1).toByteArray(), QByteArray("def"));
        // The file fields describe the archive, and nothing was unpacked to disk.
        QCOMPARE(p.rutaPelicula, path);
        QCOMPARE(p.nombreArchivo, QStringLiteral("comprimida.ovt"));
        QCOMPARE(p.tamanoKB, orv::sizeInKB(QFileInfo(path).size()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"comprimida.ovt"});
    }

    // Members in methods Debian's libzip leaves out, as Python's zipfile and
    // 7-Zip write them, are read and checked; a method this build does not
    // read is named, where no password is asked for it.
    void methodsOtherToolsWrite_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<QString>("unreadable");
        const quint32 size = quint32(kMovie.size()), crc = crcOf(kMovie);
        const QByteArray lzma = lzmaMember(kMovie);
        const auto zip = [](fixtures::RawMember m) { return fixtures::zipOfRawMember("m.ovt", m); };
        QTest::newRow("LZMA") << zip({14, lzma, size, crc, 2}) << true << QString();
        QTest::newRow("LZMA, CRC wrong") << zip({14, lzma, size, crc ^ 1, 2}) << false << QString();
        QTest::newRow("LZMA, cut short") << zip({14, lzma.chopped(6), size, crc, 2}) << false << QString();
        QTest::newRow("LZMA, dictionary of 4 GiB")
            << zip({14, lzma.left(5) + QByteArray("\xff\xff\xff\xff", 4) + lzma.mid(9), size, crc, 2})
            << false << QString();
        QTest::newRow("xz") << zip({95, xzMember(kMovie), size, crc}) << true << QString();
        QTest::newRow("Deflate64") << zip({9, "whatever", size, crc}) << false
                                   << u"el archivo comprimido usa el método Deflate64, que no se puede leer"_s;
        QTest::newRow("PPMd, encrypted") << zip({98, QByteArray(40, 'x'), size, crc, 1}) << false
                                         << u"el archivo comprimido usa el método PPMd, que no se puede leer"_s;
    }

    void methodsOtherToolsWrite()
    {
        QFETCH(QByteArray, archive);
        QFETCH(bool, reads);
        QFETCH(QString, unreadable);
        QTemporaryDir dir;
        const auto path = orv::FileName::fromText(fixtures::writeFile(dir, "m.ovt", archive));
        fixtures::ScriptedPasswords passwords;
        orv::LoadOptions options;
        options.passwords = &passwords;
        Movie p;
        QCOMPARE(orv::cargaPelicula(path, p, options), reads);
        if (reads)
            QCOMPARE(p.frame(1).toByteArray(), QByteArray("def"));
        QCOMPARE(passwords.asked, 0);
        QCOMPARE(orv::fileMembers(path)->firstUnreadable.value_or(QString()), unreadable);
    }

    void unreadableArchives_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::vector<ZipEntry>>("entries");
        QTest::newRow("no members") << QByteArray() << std::vector<ZipEntry>{};
        QTest::newRow("member is no movie") << QByteArray() << std::vector<ZipEntry>{{"m.ovt", "hello"}};
        QTest::newRow("first member broken, second fine") << QByteArray() << std::vector<ZipEntry>{{"a", "3,1,9,1,0,0,0,0,a,b\r\n"}, {"b", kMovie}};
        QTest::newRow("local header, nothing else") << QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) << std::vector<ZipEntry>{};
    }

    void unreadableArchives()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::vector<ZipEntry>, entries);
        QTemporaryDir dir;
        const QString path = bytes.isEmpty() ? fixtures::writeZip(dir, "m.ovt", entries)
                                             : fixtures::writeFile(dir, "m.ovt", bytes);
        Movie p;
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(path), p));
    }

    // A member that holds what its header needs is inflated whole; one
    // padded far past it is read piece by piece. Both give the same movie,
    // and both refuse a member whose CRC does not match.
    // A password question left empty skips the rest of that extraction
    // only: the next movie the same process opens is asked for its own.
    void cancelledPasswordDoesNotSkipTheNextMovie()
    {
        QTemporaryDir dir;
        const auto encrypted = [&](const QString& name) {
            return orv::FileName::fromText(
                fixtures::writeZip(dir, name, {{"m.ovt", kMovie, ZipEntry::Kind::File, false, "clave"}}));
        };
        const orv::FileName first = encrypted("a.ovt"), second = encrypted("b.ovt");
        fixtures::ScriptedPasswords passwords;
        passwords.answers = {QString(), "clave"};
        orv::LoadOptions options;
        options.passwords = &passwords;
        Movie m;
        QVERIFY(!orv::cargaPelicula(first, m, options));
        QCOMPARE(passwords.asked, 1);
        QVERIFY(orv::cargaPelicula(second, m, options));
        QCOMPARE(passwords.asked, 2);
        QCOMPARE(m.creador, QByteArray("Ana"));
    }

    void wholeAndStreamedAgree_data()
    {
        QTest::addColumn<QByteArray>("fill");
        QTest::addColumn<bool>("brokenCrc");
        QTest::newRow("whole") << QByteArray() << false;
        QTest::newRow("padded past the movie") << QByteArray(1 << 20, 'z') << false;
        QTest::newRow("whole, CRC wrong") << QByteArray() << true;
        QTest::newRow("padded, CRC wrong") << QByteArray(1 << 20, 'z') << true;
    }
    void wholeAndStreamedAgree()
    {
        QFETCH(QByteArray, fill);
        QFETCH(bool, brokenCrc);
        QTemporaryDir dir;
        std::vector<QByteArray> lines;
        for (int i = 0; i < 300; ++i)
            lines.push_back(QByteArray(800, char('a' + i % 26)));
        const QByteArrayList cuadros(lines.begin(), lines.end());
        const QByteArray movie = fixtures::plainMovie("40,20,300,100,0,0,0,0,a,b", lines) + fill;
        const QString path = fixtures::writeZip(dir, "m.ovt", {{"m.ovt", movie}});
        if (brokenCrc) {
            QByteArray zip = readFile(path);
            const qsizetype central = zip.indexOf("PK\x01\x02");
            QVERIFY(central > 0);
            zip[central + 16] = char(zip[central + 16] ^ 1);
            zip[14] = char(zip[14] ^ 1);
            fixtures::writeFile(dir, "m.ovt", zip);
        }
        for (bool integer : {true, false}) {
            orv::LoadOptions options;
            options.inflateWhole = integer;
            Movie p;
            QCOMPARE(orv::cargaPelicula(orv::FileName::fromText(path), p, options), !brokenCrc);
            if (!brokenCrc) {
                QCOMPARE(p.numCuadros, 300);
                QCOMPARE(fixtures::frames(p), cuadros);
            }
        }
    }

};

QTEST_GUILESS_MAIN(TestCompressed)
#include "test_compressed.moc"
