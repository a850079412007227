// Each defence of the extraction on its own, so that removing any one of
// them fails a test even where another check would still stop the archive:
// the path rule, the folder walk that refuses planted links, the stays-inside
// check, the CRC and the size limit.
#include "archiveerror.h"
#include "cgunzipfiles.h"
#include "moviefixtures.h"
#include "zipentry.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using fixtures::ZipEntry;
using orv::ArchiveError;
using orv::CGUnzipFiles;

namespace {

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

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

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
}

} // namespace

class TestUnzipDefences : public QObject
{
    Q_OBJECT
private slots:
    void pathRule_data();
    void pathRule();
    void foldersAreNotMadeThroughLinks_data();
    void foldersAreNotMadeThroughLinks();
    void filesStayInside_data();
    void filesStayInside();
    void hostileFolderEntries();
    void plantedFileLinkIsNotFollowed();
    void wrongCrcIsAnError();
    void sizeLimitIsExact_data();
    void sizeLimitIsExact();
};

void TestUnzipDefences::pathRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected"); // empty: refused
    QTest::newRow("plain") << "a.txt" << "a.txt";
    QTest::newRow("folder entry") << "dir/sub/" << "dir/sub";
    QTest::newRow("dot parts dropped") << "./a/./b" << "a/b";
    QTest::newRow("backslashes") << "a\\b.txt" << "a/b.txt";
    QTest::newRow("dots in a name are fine") << "...a/..b" << "...a/..b";
    QTest::newRow("parent folder entry") << "../fuera/" << "";
    QTest::newRow("climbs after going down") << "a/../../x" << "";
    QTest::newRow("climbs with backslashes") << "a\\..\\..\\x" << "";
    QTest::newRow("parent only") << ".." << "";
    QTest::newRow("absolute") << "/etc/x" << "";
    QTest::newRow("drive letter") << "C:x" << "";
    QTest::newRow("only dots") << "./" << "";
    QTest::newRow("empty") << "" << "";
}

void TestUnzipDefences::pathRule()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(orv::safeRelativePath(name).value_or(QString()), expected);
}

void TestUnzipDefences::foldersAreNotMadeThroughLinks_data()
{
    QTest::addColumn<QString>("rel");
    QTest::addColumn<bool>("made");
    QTest::newRow("new nested folders") << "a/b/c" << true;
    QTest::newRow("existing folder") << "real/x" << true;
    QTest::newRow("through a folder link") << "link/x" << false;
    QTest::newRow("link as the last part") << "link" << false;
    QTest::newRow("through a file") << "file/x" << false;
}

void TestUnzipDefences::foldersAreNotMadeThroughLinks()
{
    QFETCH(QString, rel);
    QFETCH(bool, made);
    QTemporaryDir dir;
    const QString root = dir.filePath("root");
    QVERIFY(QDir().mkpath(root + "/real") && QDir().mkpath(dir.filePath("outside")));
    QVERIFY(QFile::link(dir.filePath("outside"), root + "/link"));
    fixtures::writeFile(dir, "root/file", "x");
    QCOMPARE(orv::makeFoldersInside(root, rel), made);
    const QFileInfo result(root + "/" + rel);
    QCOMPARE(result.isDir() && !result.isSymLink(), made);
    QCOMPARE(entries(dir.filePath("outside")), QStringList());
}

void TestUnzipDefences::filesStayInside_data()
{
    QTest::addColumn<QString>("rel");
    QTest::addColumn<bool>("inside");
    QTest::newRow("in the root") << "a.txt" << true;
    QTest::newRow("in a real folder") << "real/a.txt" << true;
    QTest::newRow("in a linked folder") << "link/a.txt" << false;
    QTest::newRow("the file is a link") << "filelink" << false;
    QTest::newRow("climbing out") << "../a.txt" << false;
}

void TestUnzipDefences::filesStayInside()
{
    QFETCH(QString, rel);
    QFETCH(bool, inside);
    QTemporaryDir dir;
    const QString root = dir.filePath("root");
    QVERIFY(QDir().mkpath(root + "/real") && QDir().mkpath(dir.filePath("outside")));
    QVERIFY(QFile::link(dir.filePath("outside"), root + "/link"));
    QVERIFY(QFile::link(fixtures::writeFile(dir, "outside.txt", "x"), root + "/filelink"));
    QCOMPARE(orv::staysInside(root, root + "/" + rel), inside);
}

void TestUnzipDefences::hostileFolderEntries()
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
    QCOMPARE(read(target + "/bien/y.txt"), QByteArray("ok"));
    QCOMPARE(entries(dir.path()), (QStringList{"destino", "elsewhere", "evil.zip"}));
    QCOMPARE(entries(dir.filePath("elsewhere")), QStringList());
    QVERIFY(CGUnzipFiles::GetLastMessage().contains("skipping: ../fuera/"));
}

void TestUnzipDefences::plantedFileLinkIsNotFollowed()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("destino");
    QVERIFY(QDir().mkpath(target));
    const QString outside = fixtures::writeFile(dir, "fuera.txt", "original");
    QVERIFY(QFile::link(outside, target + "/bien.txt"));
    const QString zip = fixtures::writeZip(dir, "a.zip", {{"bien.txt", "nuevo"}, {"otro.txt", "ok"}});
    CGUnzipFiles u;
    QCOMPARE(outcome(u, zip, target), -2);
    QCOMPARE(read(outside), QByteArray("original"));
    QCOMPARE(read(target + "/otro.txt"), QByteArray("ok"));
}

void TestUnzipDefences::wrongCrcIsAnError()
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

void TestUnzipDefences::sizeLimitIsExact_data()
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

void TestUnzipDefences::sizeLimitIsExact()
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
    QCOMPARE(read(dir.filePath("out/sub/m.txt")), expected == -1 ? data : QByteArray("<missing>"));
    // A member refused by its declared size leaves no trace, not even its folder.
    if (expected != -1 && !declared)
        QVERIFY(!QFile::exists(dir.filePath("out/sub")));
}

QTEST_GUILESS_MAIN(TestUnzipDefences)
#include "test_unzipdefences.moc"
