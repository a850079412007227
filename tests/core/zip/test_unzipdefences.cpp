// The extraction into a folder, and each of its defences on its own, so that
// removing any one of them fails a test even where another check would still
// stop the archive: the path rule, the folder walk that refuses planted
// links, the stays-inside check, the CRC and the size limit.
#include "archiveerror.h"
#include "cgunzipfiles.h"
#include "moviefixtures.h"
#include "readfile.h"
#include "zipentry.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using fixtures::ZipEntry;
using orv::ArchiveError;
using orv::CGUnzipFiles;

namespace {

// Runs the extraction: the error number it raised, or -status - 1 (so 0
// becomes -1, 1 becomes -2) when it returned.
int outcome(CGUnzipFiles& u, const QString& zip, const QString& dir)
{
    try {
        return -u.Unzip(zip, dir) - 1;
    } catch (const ArchiveError& e) {
        return e.number();
    }
}

} // namespace

class TestUnzipDefences : public QObject
{
    Q_OBJECT
private slots:
    void extractsEveryMemberReplacingFiles()
    {
        QTemporaryDir dir;
        const QString zip = fixtures::writeZip(dir, "a.zip", {{"top.txt", "new"}, {"sub/", {}, ZipEntry::Kind::Directory}, {"sub/inner.txt", "22", ZipEntry::Kind::File, true}});
        const QString target = dir.filePath("out/deeper"); // created when missing
        QDir().mkpath(target);
        fixtures::writeFile(dir, "out/deeper/top.txt", "old contents");
        QCOMPARE(CGUnzipFiles().Unzip(zip, target), 0);
        QCOMPARE(readFile(target + "/top.txt"), QByteArray("new"));
        QCOMPARE(readFile(target + "/sub/inner.txt"), QByteArray("22"));
        QVERIFY(CGUnzipFiles::GetLastMessage().contains("inflating: " + target + "/sub/inner.txt"));

        // Empty arguments keep the stored names.
        CGUnzipFiles stored;
        stored.setZipFileName(zip);
        stored.setExtractDir(dir.filePath("stored"));
        QCOMPARE(stored.Unzip(QString(), QString()), 0);
        QCOMPARE(readFile(dir.filePath("stored/top.txt")), QByteArray("new"));
    }

    void pathRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // empty: refused
        QTest::newRow("plain") << "a.txt" << "a.txt";
        QTest::newRow("folder entry") << "dir/sub/" << "dir/sub";
        QTest::newRow("dot parts dropped") << "./a/./b" << "a/b";
        QTest::newRow("backslashes") << "a\\b.txt" << "a/b.txt";
        QTest::newRow("parent folder entry") << "../fuera/" << "";
        QTest::newRow("climbs after going down") << "a/../../x" << "";
        QTest::newRow("climbs with backslashes") << "a\\..\\..\\x" << "";
        QTest::newRow("absolute") << "/etc/x" << "";
        QTest::newRow("drive letter") << "C:x" << "";
        QTest::newRow("empty") << "" << "";
    }

    void pathRule()
    {
        QFETCH(QString, name);
        QTEST(orv::safeRelativePath(name).value_or(QString()), "expected");
    }

    // A root holding a real folder, a regular file, a link to a folder outside
    // and a link to a file outside; each row asks either for the folders of
    // `rel` to be made or whether a file at `rel` stays inside.
    void linksInTheRoot_data()
    {
        QTest::addColumn<bool>("folders");
        QTest::addColumn<QString>("rel");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("folders: new nested") << true << "a/b/c" << true;
        QTest::newRow("folders: existing") << true << "real/x" << true;
        QTest::newRow("folders: through a folder link") << true << "link/x" << false;
        QTest::newRow("folders: link as the last part") << true << "link" << false;
        QTest::newRow("folders: through a file") << true << "file/x" << false;
        QTest::newRow("file: in the root") << false << "a.txt" << true;
        QTest::newRow("file: in a real folder") << false << "real/a.txt" << true;
        QTest::newRow("file: in a linked folder") << false << "link/a.txt" << false;
        QTest::newRow("file: is a link") << false << "filelink" << false;
        QTest::newRow("file: climbing out") << false << "../a.txt" << false;
    }

    void linksInTheRoot()
    {
        QFETCH(bool, folders);
        QFETCH(QString, rel);
        QFETCH(bool, allowed);
        QTemporaryDir dir;
        const QString root = dir.filePath("root");
        QVERIFY(QDir().mkpath(root + "/real") && QDir().mkpath(dir.filePath("outside")));
        QVERIFY(QFile::link(dir.filePath("outside"), root + "/link"));
        QVERIFY(QFile::link(fixtures::writeFile(dir, "outside.txt", "x"), root + "/filelink"));
        fixtures::writeFile(dir, "root/file", "x");
        if (!folders) {
            QCOMPARE(orv::staysInside(root, root + "/" + rel), allowed);
            return;
        }
        QCOMPARE(orv::makeFoldersInside(root, rel), allowed);
        const QFileInfo result(root + "/" + rel);
        QCOMPARE(result.isDir() && !result.isSymLink(), allowed);
        QCOMPARE(entriesOf(dir.filePath("outside")), QStringList());
    }

    void hostileFolderEntries()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("destino");
        QVERIFY(QDir().mkpath(target) && QDir().mkpath(dir.filePath("elsewhere")));
        QVERIFY(QFile::link(dir.filePath("elsewhere"), target + "/via"));
        const QString zip = fixtures::writeZip(dir, "evil.zip", {
            {"../fuera/", {}, ZipEntry::Kind::Directory}, {"a/../../fuera2/", {}, ZipEntry::Kind::Directory},
            {"via/nuevo/", {}, ZipEntry::Kind::Directory}, {"via/otra/x.txt", "bad"},
            {"bien/", {}, ZipEntry::Kind::Directory}, {"bien/y.txt", "ok"}});
        CGUnzipFiles u;
        QCOMPARE(outcome(u, zip, target), -2); // done, some entries skipped
        QCOMPARE(readFile(target + "/bien/y.txt"), QByteArray("ok"));
        QCOMPARE(entriesOf(dir.path()), (QStringList{"destino", "elsewhere", "evil.zip"}));
        QCOMPARE(entriesOf(dir.filePath("elsewhere")), QStringList());
        QVERIFY(CGUnzipFiles::GetLastMessage().contains("skipping: ../fuera/"));
    }

    void plantedFileLinkIsNotFollowed()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("destino");
        QVERIFY(QDir().mkpath(target));
        const QString outside = fixtures::writeFile(dir, "fuera.txt", "original");
        QVERIFY(QFile::link(outside, target + "/bien.txt"));
        const QString zip = fixtures::writeZip(dir, "a.zip", {{"bien.txt", "nuevo"}, {"otro.txt", "ok"}});
        CGUnzipFiles u;
        QCOMPARE(outcome(u, zip, target), -2);
        QCOMPARE(readFile(outside), QByteArray("original"));
        QCOMPARE(readFile(target + "/otro.txt"), QByteArray("ok"));
    }

    void wrongCrcIsAnError()
    {
        QTemporaryDir dir;
        for (bool stored : {false, true}) {
            const QString zip = fixtures::writeZip(dir, "crc.zip", {{"m.txt", QByteArray(3000, 'm'), ZipEntry::Kind::File, stored}});
            fixtures::patchMemberHeaders(zip, 0xdeadbeefu, std::nullopt);
            CGUnzipFiles u;
            const int result = outcome(u, zip, dir.filePath("out"));
            QVERIFY2(result >= orv::archive_errors::ZipBase, qPrintable(QString::number(result)));
            QVERIFY(!QFile::exists(dir.filePath("out/m.txt")));
        }
    }

    void sizeLimitIsExact_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<std::optional<quint32>>("declared");
        QTest::addColumn<int>("expected");
        constexpr int kLimit = 1000;
        QTest::newRow("exactly the limit") << kLimit << std::optional<quint32>() << -1;
        QTest::newRow("one byte more") << kLimit + 1 << std::optional<quint32>() << int(orv::archive_errors::TooLarge);
        // Caught while copying, when the header claims the limit.
        QTest::newRow("one byte more, size understated") << kLimit + 1 << std::optional<quint32>(kLimit) << int(orv::archive_errors::TooLarge);
    }

    void sizeLimitIsExact()
    {
        QFETCH(int, size);
        QFETCH(std::optional<quint32>, declared);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QByteArray data(size, 'z');
        const QString zip = fixtures::writeZip(dir, "s.zip", {{"sub/m.txt", data}});
        fixtures::patchMemberHeaders(zip, std::nullopt, declared);
        CGUnzipFiles u;
        u.setMaxMemberSize(1000);
        QCOMPARE(outcome(u, zip, dir.filePath("out")), expected);
        QCOMPARE(QFile::exists(dir.filePath("out/sub/m.txt")), expected == -1);
        QCOMPARE(readFile(dir.filePath("out/sub/m.txt")), expected == -1 ? data : QByteArray());
        // A member refused by its declared size leaves no trace, not even its folder.
        if (expected != -1 && !declared)
            QVERIFY(!QFile::exists(dir.filePath("out/sub")));
    }
};

QTEST_GUILESS_MAIN(TestUnzipDefences)
#include "test_unzipdefences.moc"
