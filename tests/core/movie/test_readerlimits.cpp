// The loader on hostile sizes and names: a file far larger than memory, a
// small archive that inflates to a gigabyte, frames past the limit, broken
// CRCs, and file names that are not UTF-8. Sizes stay small (sparse files,
// archives of zeros); the large figures are the benchmark's.
#include "childprocess.h"
#include "moviefixtures.h"
#include "moviereader.h"
#include "filename.h"
#include "readfile.h"
#include "zipmember.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QtTest>

#include <cstdio>
#include <zip.h>

using fixtures::ZipEntry;
using orv::Movie;

namespace {

const QByteArray kMovie = fixtures::plainMovie("3,1,2,100,0,0,0,0,Ana,info", {"abc", "def"});

void addMethods()
{
    QTest::addColumn<int>("method");
    QTest::newRow("stored") << int(ZIP_CM_STORE);
    QTest::newRow("deflate") << int(ZIP_CM_DEFLATE);
    QTest::newRow("bzip2") << int(ZIP_CM_BZIP2);
    if (zip_compression_method_supported(ZIP_CM_XZ, 1))
        QTest::newRow("xz") << int(ZIP_CM_XZ);
}

} // namespace

class TestReaderLimits : public QObject
{
    Q_OBJECT
private slots:
    void plainReadStopsAfterTheMovie_data()
    {
        QTest::addColumn<qint64>("fileSize");
        QTest::addColumn<qint64>("limit");
        QTest::newRow("sparse, past 4 GiB, default limit") << (qint64(5) << 30) << (qint64(1) << 30);
        QTest::newRow("8 MiB of padding, 64 KiB limit") << (qint64(8) << 20) << (qint64(64) << 10);
    }

    void plainReadStopsAfterTheMovie()
    {
        QFETCH(qint64, fileSize);
        QFETCH(qint64, limit);
        QTemporaryDir dir;
        const QString path = fixtures::writeFile(dir, "grande.ovt", kMovie);
        QFile f(path);
        QVERIFY(f.resize(fileSize)); // zeros after the movie, sparse on disk
        Movie p;
        orv::LoadOptions options;
        options.inflateLimit = limit;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(path), p, options));
        QCOMPARE(p.frame(1).toByteArray(), QByteArray("def"));
        QVERIFY(!p.compressed);
        // The size still describes the whole file.
        QCOMPARE(p.tamanoKB, orv::sizeInKB(fileSize));
    }

    void memberInflatesOnlyWhatTheMovieUses_data() { addMethods(); }

    void memberInflatesOnlyWhatTheMovieUses()
    {
        QFETCH(int, method);
        QTemporaryDir dir;
        // 8 MiB of zeros after the movie; the reader may hold only 64 KiB.
        const QString path =
            fixtures::writeZip(dir, "ceros.ovt", {{"m.ovt", kMovie + QByteArray(8 << 20, '\0'), ZipEntry::Kind::File, false, {}, method}});
        Movie p;
        orv::LoadOptions options;
        options.inflateLimit = 64 * 1024;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(path), p, options));
        QVERIFY(p.compressed);
        QCOMPARE(p.creador, QByteArray("Ana"));
        QCOMPARE(p.frame(1).toByteArray(), QByteArray("def"));
        QCOMPARE(p.tamanoKB, orv::sizeInKB(QFileInfo(path).size()));
    }

    // A deflated member whose movie is larger than the first piece read may
    // be inflated in one call, but only when what it inflates to (not what
    // it takes packed) is about what the movie needs. This member packs to
    // about what its movie needs but claims a gigabyte: read in a child with
    // little address space to spare, it must be read piece by piece.
    void paddedMemberIsNotInflatedWhole()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer needs more address space than the limit leaves");
#endif
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(1200);
        QByteArray noise(1 << 20, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        const QString path = fixtures::writeZip(dir, "relleno.ovt", {{"m.ovt", movie + noise}});
        fixtures::patchMemberHeaders(path, std::nullopt, quint32(1) << 30);
        const int status = childprocess::run([&] {
            if (!childprocess::withRoomOf(256LL << 20))
                return childprocess::kSkipped;
            Movie p;
            return orv::cargaPelicula(orv::FileName::fromText(path), p) && p.numCuadros == 1200 ? 0 : 1;
        });
        if (status == childprocess::kSkipped)
            QSKIP("the address-space limit could not be set");
        QCOMPARE(status, 0);
    }

    // A frame line longer than the limit, plain (method -1) or in a member.
    void framesPastTheLimit_data()
    {
        addMethods();
        QTest::newRow("plain") << -1;
    }

    void framesPastTheLimit()
    {
        QFETCH(int, method);
        QTemporaryDir dir;
        const QByteArray movie = fixtures::plainMovie("3,1,1,100,0,0,0,0,a,b", {QByteArray(100000, 'x')});
        const QString path = method < 0 ? fixtures::writeFile(dir, "ancha.ovt", movie)
                                        : fixtures::writeZip(dir, "ancha.ovt", {{"m", movie, ZipEntry::Kind::File, false, {}, method}});
        Movie p;
        orv::LoadOptions small;
        small.inflateLimit = 64 * 1024;
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(path), p, small));
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(path), p));
        QCOMPARE(p.frame(0).size(), 100000);
        if (method < 0)
            return;
        // The whole-member read is exact about its limit too.
        QVERIFY(!orv::readFirstZipMember(orv::FileName::fromText(path), small.inflateLimit, nullptr));
        QVERIFY(orv::readFirstZipMember(orv::FileName::fromText(path), movie.size(), nullptr));
        QVERIFY(!orv::readFirstZipMember(orv::FileName::fromText(path), movie.size() - 1, nullptr));
    }

    void wrongCrcIsRefused_data() { addMethods(); }

    void wrongCrcIsRefused()
    {
        QFETCH(int, method);
        QTemporaryDir dir;
        const QString path = fixtures::writeZip(dir, "crc.ovt", {{"m", kMovie, ZipEntry::Kind::File, false, {}, method}});
        Movie p;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(path), p)); // sound before the damage
        fixtures::patchMemberHeaders(path, 0x12345678u, std::nullopt);
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(path), p));
        QVERIFY(!orv::readFirstZipMember(orv::FileName::fromText(path), 1 << 20, nullptr));
        QVERIFY(!orv::loadMovieFromBytes(readFile(path), p));
    }

    void wrongSizeIsRefused_data()
    {
        QTest::addColumn<int>("method");
        QTest::newRow("stored") << int(ZIP_CM_STORE);
        QTest::newRow("deflate") << int(ZIP_CM_DEFLATE);
    }

    // A whole-member read inflates a deflated member in one go into a buffer of
    // its declared size, so that size must be exactly what the data holds: one
    // byte more or less fails. (Streamed methods are held to their CRC instead.)
    void wrongSizeIsRefused()
    {
        QFETCH(int, method);
        for (const qint64 delta : {-1, 1}) {
            QTemporaryDir dir;
            const QString path =
                fixtures::writeZip(dir, "talla.ovt", {{"m", kMovie, ZipEntry::Kind::File, false, {}, method}});
            QCOMPARE(orv::readFirstZipMember(orv::FileName::fromText(path), 1 << 20, nullptr).value_or(QByteArray()), kMovie);
            fixtures::patchMemberHeaders(path, std::nullopt, quint32(kMovie.size() + delta));
            QVERIFY2(!orv::readFirstZipMember(orv::FileName::fromText(path), 1 << 20, nullptr), qPrintable(QString::number(delta)));
        }
    }

    // A FIFO or a device where a movie is expected is refused at once,
    // without waiting for a writer or reading a byte.
    void specialFilesAreRefusedAtOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to /dev/zero") << "zero";
    }

    void specialFilesAreRefusedAtOnce()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = specialFile(dir, "m.ovt", kind);
        QElapsedTimer clock;
        clock.start();
        Movie p;
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(path), p));
        QVERIFY(clock.elapsed() < 1000);
    }

    void opensNamesThatAreNotUtf8()
    {
        QTemporaryDir dir;
        // QTemporaryDir cannot remove what it cannot name.
        QByteArrayList made;
        const auto cleanup = qScopeGuard([&] {
            for (const QByteArray& path : made)
                std::remove(path.constData());
        });
        const QByteArray plain = fixtures::writeByName(dir, "pel\xed" "cula.ovt", kMovie);
        made << plain;
        Movie p;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromBytes(plain), p));
        QCOMPARE(p.frame(0).toByteArray(), QByteArray("abc"));
        QCOMPARE(p.file.bytes(), plain);
        QCOMPARE(p.nombreArchivo, QString::fromUtf8("película.ovt"));
        QCOMPARE(p.tamanoKB, orv::sizeInKB(kMovie.size()));

        // A compressed one goes through the archive library by the same bytes.
        const QString zipped = fixtures::writeZip(dir, "z.ovt", {{"m", kMovie}});
        const QByteArray compressed = fixtures::writeByName(dir, "comprimida\xe9.ovt", readFile(zipped));
        made << compressed;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromBytes(compressed), p));
        QVERIFY(p.compressed);
        QCOMPARE(p.nombreArchivo, QString::fromUtf8("comprimidaé.ovt"));

        // Only regular files open.
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromBytes(QFile::encodeName(dir.path())), p));
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromBytes("/dev/zero"), p));
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromBytes(plain + "x"), p));
        QVERIFY(!orv::cargaPelicula(orv::FileName(), p));
    }
};

QTEST_GUILESS_MAIN(TestReaderLimits)
#include "test_readerlimits.moc"
