// The extraction class: defaults, the stored-values rule, extraction into a
// folder, hostile entries, and errors raised with their source.
#include "archiveerror.h"
#include "cgunzipfiles.h"
#include "codemodule.h"
#include "moviefixtures.h"

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

class ScriptedPasswords : public orv::PasswordProvider
{
public:
    QStringList answers;
    int asked = 0;
    std::optional<QString> password(const QString&, const QString&) override
    {
        ++asked;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

} // namespace

class TestUnzip : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void booleansStoredAsOneOrZero();
    void extractsEveryMemberKeepingFolders();
    void replacesExistingFiles();
    void emptyArgumentsUseStoredNames();
    void hostileEntriesStayInside();
    void plantedLinkIsNotFollowed();
    void oversizedMemberRaises();
    void errorsCarryTheirSource();
    void sixteenBitOptionsOverflow_data();
    void sixteenBitOptionsOverflow();
    void emptyPasswordSkipsLaterPrompts();
    void printCallbackRules();
};

void TestUnzip::defaults()
{
    const CGUnzipFiles u;
    QVERIFY(u.HonorDirectories());
    QVERIFY(u.OverWriteFiles());
    QVERIFY(u.CaseSensitive());
    QCOMPARE(u.MessageLevel(), 2);
    QVERIFY(!u.ExtractOnlyNewer() && !u.SpaceToUnderScore() && !u.PromptOverwrite());
    QVERIFY(!u.WriteToStdOut() && !u.TestZip() && !u.ExtractNewer() && !u.DisplayComment());
    QVERIFY(!u.ConvertCRtoCRLF() && !u.Verbose());
    QCOMPARE(u.ExtractList(), 0);
    QCOMPARE(u.Privilege(), 0);
    QVERIFY(u.ZipFileName().isEmpty() && u.ExtractDir().isEmpty());
}

void TestUnzip::booleansStoredAsOneOrZero()
{
    CGUnzipFiles u;
    u.setVerbose(true);
    QVERIFY(u.Verbose());
    u.setHonorDirectories(false);
    QVERIFY(!u.HonorDirectories());
    u.setPrivilege(-7);
    QCOMPARE(u.Privilege(), -7);
}

void TestUnzip::extractsEveryMemberKeepingFolders()
{
    QTemporaryDir dir;
    const QString zip = fixtures::writeZip(dir, "a.zip", {{"top.txt", "1"}, {"sub/", {}, ZipEntry::Kind::Directory}, {"sub/inner.txt", "22", ZipEntry::Kind::File, true}});
    const QString target = dir.filePath("out/deeper"); // created when missing
    QCOMPARE(CGUnzipFiles().Unzip(zip, target), 0);
    QCOMPARE(read(target + "/top.txt"), QByteArray("1"));
    QCOMPARE(read(target + "/sub/inner.txt"), QByteArray("22"));
    QVERIFY(CGUnzipFiles::GetLastMessage().contains("inflating: " + target + "/sub/inner.txt"));
}

void TestUnzip::replacesExistingFiles()
{
    QTemporaryDir dir;
    const QString zip = fixtures::writeZip(dir, "a.zip", {{"m.ovt", "new"}});
    QDir().mkpath(dir.filePath("out"));
    fixtures::writeFile(dir, "out/m.ovt", "old contents");
    QCOMPARE(CGUnzipFiles().Unzip(zip, dir.filePath("out")), 0);
    QCOMPARE(read(dir.filePath("out/m.ovt")), QByteArray("new"));
}

void TestUnzip::emptyArgumentsUseStoredNames()
{
    QTemporaryDir dir;
    CGUnzipFiles u;
    u.setZipFileName(fixtures::writeZip(dir, "a.zip", {{"x.txt", "x"}}));
    u.setExtractDir(dir.filePath("stored"));
    QCOMPARE(u.Unzip(QString(), QString()), 0);
    QCOMPARE(read(dir.filePath("stored/x.txt")), QByteArray("x"));
}

void TestUnzip::hostileEntriesStayInside()
{
    QTemporaryDir dir;
    const QString zip = fixtures::writeZip(dir, "evil.zip", {
        {"../escaped.txt", "bad"},
        {"/tmp/absolute-orv-test.txt", "bad"},
        {"a/../../escaped2.txt", "bad"},
        {"C:/drive.txt", "bad"},
        {"link", dir.path().toUtf8(), ZipEntry::Kind::Symlink},
        {"fine.txt", "ok"}});
    const QString target = dir.filePath("out");
    QCOMPARE(CGUnzipFiles().Unzip(zip, target), 1); // some entries skipped
    QCOMPARE(read(target + "/fine.txt"), QByteArray("ok"));
    QVERIFY(!QFile::exists(dir.filePath("escaped.txt")));
    QVERIFY(!QFile::exists(dir.filePath("escaped2.txt")));
    QVERIFY(!QFile::exists("/tmp/absolute-orv-test.txt"));
    QVERIFY(!QFileInfo(target + "/link").isSymLink());
    QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), QStringList{"fine.txt"});
}

void TestUnzip::plantedLinkIsNotFollowed()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("out"));
    QDir().mkpath(dir.filePath("elsewhere"));
    QVERIFY(QFile::link(dir.filePath("elsewhere"), dir.filePath("out/via")));
    const QString zip = fixtures::writeZip(dir, "a.zip", {{"via/x.txt", "bad"}});
    QCOMPARE(CGUnzipFiles().Unzip(zip, dir.filePath("out")), 1);
    QVERIFY(!QFile::exists(dir.filePath("elsewhere/x.txt")));
}

void TestUnzip::oversizedMemberRaises()
{
    QTemporaryDir dir;
    const QString zip = fixtures::writeZip(dir, "big.zip", {{"big.txt", QByteArray(4096, 'x')}});
    CGUnzipFiles u;
    u.setMaxMemberSize(1000);
    try {
        u.Unzip(zip, dir.filePath("out"));
        QFAIL("an oversized member must raise");
    } catch (const ArchiveError& e) {
        QCOMPARE(e.source(), QStringLiteral("CGUnZipFiles::Unzip"));
        QCOMPARE(e.number(), orv::archive_errors::TooLarge);
    }
    QVERIFY(!QFile::exists(dir.filePath("out/big.txt")));
}

void TestUnzip::errorsCarryTheirSource()
{
    QTemporaryDir dir;
    const QString notZip = fixtures::writeFile(dir, "not.zip", "PK but nothing more");
    const QString missing = dir.filePath("missing.zip");
    for (const QString& zip : {notZip, missing}) {
        try {
            CGUnzipFiles().Unzip(zip, dir.filePath("out"));
            QFAIL("a broken archive must raise");
        } catch (const ArchiveError& e) {
            QCOMPARE(e.source(), QStringLiteral("CGUnZipFiles::Unzip"));
            QVERIFY(!e.description().isEmpty());
            QVERIFY(e.number() != 0);
        }
    }
}

void TestUnzip::sixteenBitOptionsOverflow_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("MessageLevel") << 0;
    QTest::newRow("ExtractList") << 1;
    QTest::newRow("Privilege") << 2;
}

void TestUnzip::sixteenBitOptionsOverflow()
{
    QFETCH(int, which);
    QTemporaryDir dir;
    CGUnzipFiles u;
    if (which == 0)
        u.setMessageLevel(40000);
    else if (which == 1)
        u.setExtractList(-40000);
    else
        u.setPrivilege(32768);
    try {
        u.Unzip(fixtures::writeZip(dir, "a.zip", {{"x", "x"}}), dir.filePath("out"));
        QFAIL("a value past 16 bits must raise");
    } catch (const ArchiveError& e) {
        QCOMPARE(e.number(), orv::archive_errors::Overflow);
        QCOMPARE(e.source(), QStringLiteral("CGUnZipFiles::Unzip"));
    }
}

void TestUnzip::emptyPasswordSkipsLaterPrompts()
{
    QTemporaryDir dir;
    const QString zip = fixtures::writeZip(dir, "s.zip", {{"a.txt", "A", ZipEntry::Kind::File, false, "pw"}, {"b.txt", "B", ZipEntry::Kind::File, false, "pw"}, {"c.txt", "C"}});
    ScriptedPasswords asker; // answers empty
    CGUnzipFiles u;
    u.setPasswordProvider(&asker);
    QCOMPARE(u.Unzip(zip, dir.filePath("out")), 1);
    QCOMPARE(asker.asked, 1);
    QVERIFY(orv::CodeModule::passwordSkipped());
    QCOMPARE(read(dir.filePath("out/c.txt")), QByteArray("C"));
    QVERIFY(!QFile::exists(dir.filePath("out/a.txt")));

    // The flag belongs to one extraction: the next one asks again.
    ScriptedPasswords right;
    right.answers = {"pw", "pw"};
    u.setPasswordProvider(&right);
    QCOMPARE(u.Unzip(zip, dir.filePath("out2")), 0);
    QCOMPARE(right.asked, 2);
    QCOMPARE(read(dir.filePath("out2/b.txt")), QByteArray("B"));
}

void TestUnzip::printCallbackRules()
{
    using namespace orv::CodeModule;
    beginExtraction();
    unzipPrintCallback("first");
    unzipPrintCallback("\nignored rest");
    unzipPrintCallback(QByteArrayView("cut\0here", 8));
    QCOMPARE(lastMessageText(), QStringLiteral("first\r\ncut"));
    beginExtraction();
    QCOMPARE(lastMessageText(), QString());
}

QTEST_GUILESS_MAIN(TestUnzip)
#include "test_unzip.moc"
