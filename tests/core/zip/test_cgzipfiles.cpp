// The archive-building class: real archives that read back, and builds
// that fail.
#include "cgunzipfiles.h"
#include "cgzipfiles.h"
#include "moviefixtures.h"
#include "readfile.h"
#include "zipmember.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>
#include <zip.h>
#include <zlib.h>

#include <cmath>

using orv::CGZipFiles;

namespace {

// The members of an archive: name and compression method, in order.
QList<QPair<QString, int>> members(const QString& zipPath)
{
    QList<QPair<QString, int>> out;
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za)
        return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
        out.append({QString::fromUtf8(st.name), st.comp_method});
    }
    zip_discard(za);
    return out;
}

// Frames of ASCII art whose tones drift from line to line, so that a large
// member deflates into many dynamic blocks across the builder's pieces.
QByteArray artText(qsizetype size)
{
    static const char kRamp[] = " .:-=+*#%@";
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        const qsizetype line = i / 160, col = i % 160;
        const double v = std::sin(col * 0.13 + line * 0.05) * std::cos(line * 0.11 - col * 0.02);
        out[i] = col == 159 ? '\n' : kRamp[static_cast<int>((v + 1.0) * 4.999)];
    }
    return out;
}

// libzip's header of the first member, and its data read to the end, which
// is where libzip checks the CRC (nothing when any of it fails).
std::optional<QByteArray> readWithLibzip(const QString& zipPath, zip_stat_t& st)
{
    zip_stat_init(&st);
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za)
        return std::nullopt;
    std::optional<QByteArray> out;
    zip_file_t* f = zip_stat_index(za, 0, 0, &st) == 0 ? zip_fopen_index(za, 0, 0) : nullptr;
    if (f) {
        QByteArray data(static_cast<qsizetype>(st.size) + 1, Qt::Uninitialized); // a byte too many shows
        const zip_int64_t n = zip_fread(f, data.data(), static_cast<zip_uint64_t>(data.size()));
        if (zip_fclose(f) == 0 && n >= 0) {
            data.resize(static_cast<qsizetype>(n));
            out = data;
        }
    }
    zip_discard(za);
    return out;
}

} // namespace

class TestCGZipFiles : public QObject
{
    Q_OBJECT
private slots:

    void buildsDeflatedArchiveOfExactlyTheNames_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<QByteArray>>("contents");
        QTest::addColumn<QStringList>("stored");   // member names expected
        QTest::addColumn<QList<int>>("methods");
        const QByteArray movie = fixtures::textMovie(40);
        QByteArray noise(5000, 0);
        QRandomGenerator random(42);
        for (char& c : noise)
            c = char(random.bounded(256));
        using L = QStringList;
        using B = QList<QByteArray>;
        using M = QList<int>;
        QTest::newRow("one movie") << L{"uno.ovt"} << B{movie} << L{"uno.ovt"} << M{ZIP_CM_DEFLATE};
        QTest::newRow("relative folder kept") << L{"sub\\c.ovt"} << B{movie} << L{"sub/c.ovt"} << M{ZIP_CM_DEFLATE};
        QTest::newRow("a name that climbs keeps its file name") << L{"sub/../../d.ovt"} << B{movie} << L{"d.ovt"} << M{ZIP_CM_DEFLATE};
        QTest::newRow("data deflate cannot shrink is stored") << L{"n.bin"} << B{noise} << L{"n.bin"} << M{ZIP_CM_STORE};
    }

    void buildsDeflatedArchiveOfExactlyTheNames()
    {
        QFETCH(QStringList, names);
        QFETCH(QList<QByteArray>, contents);
        QFETCH(QStringList, stored);
        QFETCH(QList<int>, methods);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("root/sub");
        CGZipFiles z;
        z.setZipFileName(dir.filePath("out.zip"));
        z.setRootDirectory(dir.filePath("root/sub")); // relative names start here
        for (int i = 0; i < names.size(); ++i) {
            QString onDisk = QDir::cleanPath("root/sub/" + QString(names[i]).replace('\\', '/'));
            QDir(dir.path()).mkpath(QFileInfo(dir.filePath(onDisk)).path());
            fixtures::writeFile(dir, onDisk, contents[i]);
            z.AddFile(names[i]);
        }
        QCOMPARE(z.MakeZipFile(), 0);
        QList<QPair<QString, int>> expected;
        for (int i = 0; i < stored.size(); ++i)
            expected.append({stored[i], methods[i]});
        QCOMPARE(members(dir.filePath("out.zip")), expected);
        QVERIFY(CGZipFiles::GetLastMessage().contains("adding: " + stored.first()));
        // The extraction class reads back every member unchanged.
        QCOMPARE(orv::CGUnzipFiles().Unzip(dir.filePath("out.zip"), dir.filePath("back")), 0);
        for (int i = 0; i < stored.size(); ++i) {
            QVERIFY(QFile::exists(dir.filePath("back/" + stored[i])));
            QCOMPARE(readFile(dir.filePath("back/" + stored[i])), contents[i]);
        }
    }

    void failedBuildNeverAnswersZero_data()
    {
        QTest::addColumn<QString>("archive"); // relative to the test folder; "" for none
        QTest::addColumn<QStringList>("names");
        QTest::newRow("no archive name") << "" << QStringList{"a.ovt"};
        QTest::newRow("a listed file is missing") << "out.zip" << QStringList{"a.ovt", "missing.ovt"};
        QTest::newRow("the archive's folder is missing") << "no/such/out.zip" << QStringList{"a.ovt"};
        QTest::newRow("the archive's name is a folder") << "folder" << QStringList{"a.ovt"};
    }

    void failedBuildNeverAnswersZero()
    {
        QFETCH(QString, archive);
        QFETCH(QStringList, names);
        QTemporaryDir dir;
        fixtures::writeFile(dir, "a.ovt", fixtures::textMovie(3));
        QDir(dir.path()).mkdir("folder");
        CGZipFiles z;
        z.setZipFileName(archive.isEmpty() ? QString() : dir.filePath(archive));
        z.setRootDirectory(dir.path());
        for (const QString& n : names)
            z.AddFile(n);
        QVERIFY(z.MakeZipFile() != 0);
        if (!archive.isEmpty())
            QVERIFY(!QFileInfo(dir.filePath(archive)).isFile());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ovt"});
    }

    // The builder deflates a member in pieces of 1 MiB on every core and joins
    // them: members across, at and around those cuts must read back byte for
    // byte through the suite's reader and through libzip, with the CRC that
    // zlib computes on its own.
    void largeMembersReadBackWhole_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("method");
        const qsizetype mib = qsizetype(1) << 20;
        QTest::newRow("empty") << QByteArray() << int(ZIP_CM_STORE);
        QTest::newRow("exactly one piece") << artText(mib) << int(ZIP_CM_DEFLATE);
        QTest::newRow("a byte past two pieces") << artText(2 * mib + 1) << int(ZIP_CM_DEFLATE);
        QTest::newRow("several pieces and a remainder") << artText(4 * mib + 333333) << int(ZIP_CM_DEFLATE);
    }

    void largeMembersReadBackWhole()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, method);
        QTemporaryDir dir;
        fixtures::writeFile(dir, "big.ovt", content);
        CGZipFiles z;
        z.setZipFileName(dir.filePath("out.zip"));
        z.setRootDirectory(dir.path());
        z.AddFile("big.ovt");
        QCOMPARE(z.MakeZipFile(), 0);
        const QString zipPath = dir.filePath("out.zip");
        zip_stat_t st;
        const std::optional<QByteArray> theirs = readWithLibzip(zipPath, st);
        QCOMPARE(int(st.comp_method), method);
        QCOMPARE(st.size, zip_uint64_t(content.size()));
        const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(content.constData()),
                                static_cast<uInt>(content.size()));
        QCOMPARE(st.crc, zip_uint32_t(crc));
        if (method == ZIP_CM_DEFLATE)
            QVERIFY(st.comp_size < st.size);
        QCOMPARE(orv::readFirstZipMember(orv::FileName::fromText(zipPath), content.size(), nullptr).value_or("<failed>"), content);
        QCOMPARE(theirs.value_or("<failed>"), content);
    }
};

QTEST_GUILESS_MAIN(TestCGZipFiles)
#include "test_cgzipfiles.moc"
