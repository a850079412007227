// The extraction class: extraction into a folder, and errors raised with
// their source.
#include "archiveerror.h"
#include "cgunzipfiles.h"
#include "codemodule.h"
#include "moviefixtures.h"
#include "readfile.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using fixtures::ZipEntry;
using orv::ArchiveError;
using orv::CGUnzipFiles;

namespace {

// Runs the extraction and answers the error it raised (number 0 for none).
ArchiveError raised(CGUnzipFiles& u, const QString& zip, const QString& dir)
{
    try {
        u.Unzip(zip, dir);
    } catch (const ArchiveError& e) {
        return e;
    }
    return ArchiveError(0, {}, {});
}

} // namespace

class TestUnzip : public QObject
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

    void errorsCarryTheirSource()
    {
        QTemporaryDir dir;
        const QString good = fixtures::writeZip(dir, "big.zip", {{"big.txt", QByteArray(4096, 'x')}});
        struct Case { QString zip; std::function<void(CGUnzipFiles&)> set; int number; };
        const std::vector<Case> cases{
            {fixtures::writeFile(dir, "not.zip", "PK but nothing more"), [](CGUnzipFiles&) {}, -1},
            {dir.filePath("missing.zip"), [](CGUnzipFiles&) {}, orv::archive_errors::FileNotFound},
            {good, [](CGUnzipFiles& u) { u.setMaxMemberSize(1000); }, orv::archive_errors::TooLarge},
            {good, [](CGUnzipFiles& u) { u.setMessageLevel(40000); }, orv::archive_errors::Overflow},
            {good, [](CGUnzipFiles& u) { u.setExtractList(-40000); }, orv::archive_errors::Overflow},
            {good, [](CGUnzipFiles& u) { u.setPrivilege(32768); }, orv::archive_errors::Overflow},
        };
        for (const Case& c : cases) {
            CGUnzipFiles u;
            c.set(u);
            const ArchiveError e = raised(u, c.zip, dir.filePath("out"));
            QCOMPARE(e.source(), QStringLiteral("CGUnZipFiles::Unzip"));
            QVERIFY(!e.description().isEmpty());
            QVERIFY(c.number < 0 ? e.number() != 0 : e.number() == c.number);
        }
        QVERIFY(!QFile::exists(dir.filePath("out/big.txt")));
    }

};

QTEST_GUILESS_MAIN(TestUnzip)
#include "test_unzip.moc"
