// Reading compressed movies: the first file member, whatever its name, read
// in memory; damaged, hostile and empty archives are unreadable.
#include "moviefixtures.h"
#include "readfile.h"
#include "moviereader.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

using fixtures::ZipEntry;
using orv::Movie;

namespace {

const QByteArray kMovie = fixtures::plainMovie("3,1,2,100,0,0,0,0,Ana,info", {"abc", "def"});
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
