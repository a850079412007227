// The compaction engine: outcomes per mode, error lines, attributes and brute
// force, time lines, several members, and that no failure loses the movie.
#include "childprocess.h"
#include "compactor.h"
#include "moviefixtures.h"
#include "filename.h"
#include "readfile.h"
#include "zipmember.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <zip.h>

using fixtures::ZipEntry;
using orv::CompactionMode;
using orv::CompactionStep;
using orv::Compactor;
using orv::FileState;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CompactionMode)
Q_DECLARE_METATYPE(CompactionStep)
Q_DECLARE_METATYPE(FileState)

namespace {

QStringList memberNames(const QString& zipPath)
{
    QStringList out;
    int err = 0;
    zip_t* za = zip_open(orv::FileName::fromText(zipPath).bytes().constData(), ZIP_RDONLY, &err);
    if (!za)
        return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i)
        out << QString::fromUtf8(zip_get_name(za, static_cast<zip_uint64_t>(i), 0));
    zip_discard(za);
    return out;
}

// The file's form afterwards: "plain:<bytes>" or "zip:<member>:<bytes>".
QString form(const QString& path)
{
    const QByteArray bytes = readFile(path);
    if (!bytes.startsWith("PK"))
        return "plain:" + QString::number(qHash(bytes));
    const auto member = orv::readFirstZipMember(orv::FileName::fromText(path), 1 << 30, nullptr);
    return "zip:" + memberNames(path).join('|') + ":" +
           (member ? QString::number(qHash(*member)) : "?");
}

QString plainForm(const QByteArray& b)
{
    return "plain:" + QString::number(qHash(b));
}
QString zipForm(const QString& name, const QByteArray& b)
{
    return "zip:" + name + ":" + QString::number(qHash(b));
}

} // namespace

class TestCompaction : public QObject
{
    Q_OBJECT
private slots:
    // A compressed or restored movie stays its owner's and its group's. As
    // root any owner is given back; a user who may not give the owner keeps
    // the group, which a member of it may give.
    void ownerAndGroupAreKept()
    {
        if (geteuid() != 0)
            QSKIP("only root can make a movie someone else's");
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
        const QByteArray movie = fixtures::textMovie(20);
        const QString theirs = fixtures::writeFile(dir, "ajena.ovt", movie);
        const QString shared = fixtures::writeFile(dir, "grupo.ovt", movie);
        QVERIFY(::chown(QFile::encodeName(theirs).constData(), 65534, 65534) == 0);
        QVERIFY(::chown(QFile::encodeName(shared).constData(), 0, 65534) == 0);
        for (const QString& p : {theirs, shared})
            QVERIFY(::chmod(QFile::encodeName(p).constData(), 0664) == 0);
        const auto owner = [](const QString& p) {
            struct stat st;
            ::stat(QFile::encodeName(p).constData(), &st);
            return QPair<uint, uint>(st.st_uid, st.st_gid);
        };
        Compactor root;
        for (FileState s : {FileState::Compressed, FileState::Decompressed}) {
            QCOMPARE(root.procesaArchivo(orv::FileName::fromText(theirs)).state, s);
            QCOMPARE(owner(theirs), (QPair<uint, uint>(65534, 65534)));
            QCOMPARE(orv::permissionsOf(orv::FileName::fromText(theirs)), std::optional<unsigned>(0664));
        }
        // Another user, whose files would get the group 100, compresses a
        // movie of root's in a group he belongs to.
        const int status = childprocess::run([&] {
            const gid_t groups[] = {65534};
            if (::setgroups(1, groups) != 0 || ::setgid(100) != 0 || ::setuid(65534) != 0)
                return childprocess::kSkipped;
            const orv::FileResult r = Compactor().procesaArchivo(orv::FileName::fromText(shared));
            return r.state == FileState::Compressed ? 0 : 1;
        });
        QCOMPARE(status, 0);
        QCOMPARE(owner(shared), (QPair<uint, uint>(65534, 65534)));
    }

    void outcomePerModeAndForm_data()
    {
        QTest::addColumn<CompactionMode>("mode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind"); // plain, zip, pk (a plain movie that starts with "PK")
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("after"); // plain, zip, same
        using M = CompactionMode;
        QTest::newRow("auto compresses a plain movie") << M::Automatic << "a.ovt"
                                                       << "plain"
                                                       << "Comprimido: "
                                                       << "zip";
        QTest::newRow("auto restores a compressed movie") << M::Automatic << "a.ovt"
                                                          << "zip"
                                                          << "Descomprimido: "
                                                          << "plain";
        QTest::newRow("compress only: compressed") << M::CompressOnly << "a.ovt"
                                                   << "zip"
                                                   << "Está comprimido: "
                                                   << "same";
        QTest::newRow("decompress only: plain") << M::DecompressOnly << "a.ovt"
                                                << "plain"
                                                << "No está comprimido: "
                                                << "same";
        QTest::newRow("analyze: plain") << M::Analyse << "a.ovt"
                                        << "plain"
                                        << "No está comprimido: "
                                        << "same";
        QTest::newRow("no mode selected only reports") << M::None << "a.ovt"
                                                       << "zip"
                                                       << "Está comprimido: "
                                                       << "same";
        QTest::newRow("upper-case .OVT is no movie") << M::Automatic << "a.OVT"
                                                     << "plain"
                                                     << "No es OVT: "
                                                     << "same";
        QTest::newRow("a name with spaces") << M::Automatic << "mi película 2.ovt"
                                            << "plain"
                                            << "Comprimido: "
                                            << "zip";
        QTest::newRow("analyze: plain movie starting PK") << M::Analyse << "a.ovt"
                                                          << "pk"
                                                          << "Está comprimido: "
                                                          << "same";
        QTest::newRow("auto: plain movie starting PK stays") << M::Automatic << "a.ovt"
                                                             << "pk"
                                                             << "Error en: "
                                                             << "same";
    }

    void outcomePerModeAndForm()
    {
        QFETCH(CompactionMode, mode);
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, prefix);
        QFETCH(QString, after);
        QTemporaryDir dir;
        const QByteArray movie =
            kind == "pk" ? "PK" + fixtures::textMovie(5) : fixtures::textMovie(30);
        const QString path = kind == "zip" ? fixtures::writeZip(dir, name, {{name.toUtf8(), movie}})
                                           : fixtures::writeFile(dir, name, movie);
        const QString before = form(path);
        Compactor c;
        c.setMode(mode);
        const auto r = c.procesaArchivo(orv::FileName::fromText(path));
        QCOMPARE(r.lines.size(), 1);
        QVERIFY2(r.lines[0].startsWith(prefix + path), qPrintable(r.lines[0]));
        const QString expected = after == "same"  ? before
                                 : after == "zip" ? zipForm(name, movie)
                                                  : plainForm(movie);
        QCOMPARE(form(path), expected);
        QCOMPARE(entriesOf(dir.path()), QStringList{name}); // no scratch file left
    }

    void errorLines_data()
    {
        QTest::addColumn<QString>("setup"); // empty:, folder:, missing:, bom:, cut:, large:<name>
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("empty movie") << "empty:a.ovt"
                                     << "Error en: "
                                     << ", Input past end of file";
        QTest::newRow("a folder") << "folder:d.ovt"
                                  << "Error: Al abrir "
                                  << "";
        QTest::newRow("a missing file") << "missing:m.ovt"
                                        << "Error en: "
                                        << ", File not found";
        // What would never restore as a movie is left as it is.
        QTest::newRow("a byte-order mark") << "bom:b.ovt"
                                           << "Error en: "
                                           << ", el archivo no contiene una película válida";
        QTest::newRow("fewer frames than it says") << "cut:c.ovt"
                                                   << "Error en: "
                                                   << ", el archivo no contiene una película válida";
        QTest::newRow("past the largest movie") << "large:l.ovt"
                                                << "Error en: "
                                                << ", la película pasa de 0 MB, el tamaño máximo que se puede abrir";
    }

    void errorLines()
    {
        QFETCH(QString, setup);
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        QTemporaryDir dir;
        const QString what = setup.section(':', 0, 0), name = setup.section(':', 1);
        QString path = name.isEmpty() ? QString() : dir.filePath(name);
        if (what == "empty")
            fixtures::writeFile(dir, name, {});
        if (what == "folder")
            QDir(dir.path()).mkdir(name);
        if (what == "bom")
            fixtures::writeFile(dir, name, "\xef\xbb\xbf" + fixtures::textMovie(3));
        if (what == "cut")
            fixtures::writeFile(dir, name, fixtures::textMovie(3).replace("60,16,3,", "60,16,4,"));
        if (what == "large")
            fixtures::writeFile(dir, name, fixtures::textMovie(3));
        const QStringList before = entriesOf(dir.path());
        const QByteArray bytes = readFile(path);
        Compactor c;
        if (what == "large")
            c.setMaxSize(1024);
        const auto r = c.procesaArchivo(orv::FileName::fromText(path));
        QCOMPARE(r.state, FileState::Error);
        QCOMPARE(r.lines, QStringList{prefix + path + suffix});
        QCOMPARE(entriesOf(dir.path()), before);
        QCOMPARE(readFile(path), bytes);
    }

    // Compressed and restored, byte for byte, with its permissions; a name
    // that is not UTF-8 is used by its bytes and shown as the Windows-1252
    // characters it most likely was. A movie past 16 MiB is compressed in
    // several pieces, whose CRC and read-back must run over all of them.
    void autoTwiceGivesTheOriginalBackWithItsPermissions_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("frames");
        QTest::newRow("UTF-8 name") << QByteArray("peli.ovt") << u"peli.ovt"_s << 200;
        QTest::newRow("name that is not UTF-8") << QByteArray("pel\xED"
                                                              "cula.ovt")
                                                << u"película.ovt"_s << 200;
        QTest::newRow("past 16 MiB") << QByteArray("grande.ovt") << u"grande.ovt"_s << 20000;
    }
    void autoTwiceGivesTheOriginalBackWithItsPermissions()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        QFETCH(int, frames);
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(frames);
        QVERIFY(frames < 1000 || movie.size() > (16 << 20));
        const QByteArray bytes = QFile::encodeName(dir.path()) + '/' + name;
        const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_EXCL, 0640);
        QVERIFY(fd >= 0 && ::write(fd, movie.constData(), size_t(movie.size())) == movie.size());
        ::close(fd);
        const orv::FileName path = orv::FileName::fromBytes(bytes);
        QStringList history;
        Compactor c([&history](const QString& l) { history << l; });
        QCOMPARE(c.procesaArchivo(path).state, FileState::Compressed);
        QVERIFY(orv::fileSize(path) < movie.size() / 5);
        QCOMPARE(memberNames(path.escapedText()), QStringList{shown});
        QCOMPARE(orv::permissionsOf(path), std::optional<unsigned>(0640));
        QCOMPARE(c.procesaArchivo(path).state, FileState::Decompressed);
        QFile restored;
        QVERIFY(orv::openForReading(restored, path));
        QCOMPARE(restored.readAll(), movie);
        QCOMPARE(orv::permissionsOf(path), std::optional<unsigned>(0640));
        QVERIFY(history.contains(u"Comprimido: "_s + dir.path() + u'/' + shown));
        const std::filesystem::directory_iterator folder(
            QFile::encodeName(dir.path()).toStdString());
        QCOMPARE(std::distance(begin(folder), end(folder)), 1); // no scratch file left
    }

    void attributesAndBruteForce_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("force");
        QTest::addColumn<CompactionMode>("mode");
        QTest::addColumn<QStringList>("prefixes");
        QTest::addColumn<bool>("compressed");
        using M = CompactionMode;
        using L = QStringList;
        const QString readonly = "Es sólo lectura: ", hid = "Está oculto: ",
                      both = "Está oculto y es sólo lectura: ", left = "No fué procesado: ",
                      brute = "Fuerza bruta: ";
        QTest::newRow("read-only, left alone")
            << true << false << false << M::Automatic << L{readonly, left} << false;
        QTest::newRow("hidden and read-only, left alone")
            << true << true << false << M::Automatic << L{both, left} << false;
        QTest::newRow("hidden and read-only, brute force")
            << true << true << true << M::Automatic << L{both, brute, "Comprimido: "} << true;
        QTest::newRow("read-only, brute force") << true << false << true << M::CompressOnly
                                                << L{readonly, brute, "Comprimido: "} << true;
        QTest::newRow("read-only, brute force in analyze mode")
            << true << false << true << M::Analyse << L{readonly, brute, "No está comprimido: "}
            << false;
    }

    void attributesAndBruteForce()
    {
        QFETCH(bool, readOnly);
        QFETCH(bool, hidden);
        QFETCH(bool, force);
        QFETCH(CompactionMode, mode);
        QFETCH(QStringList, prefixes);
        QFETCH(bool, compressed);
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(20);
        const QString name = hidden ? ".oculta.ovt" : "visible.ovt";
        const QString path = fixtures::writeFile(dir, name, movie);
        const auto readonly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
        if (readOnly)
            QFile::setPermissions(path, readonly);
        Compactor c;
        c.setMode(mode);
        c.setBruteForce(force);
        const auto r = c.procesaArchivo(orv::FileName::fromText(path));
        QCOMPARE(r.lines.size(), prefixes.size());
        for (int i = 0; i < prefixes.size(); ++i)
            QCOMPARE(r.lines[i], prefixes[i] + path);
        QCOMPARE(form(path), compressed ? zipForm(name, movie) : plainForm(movie));
        // Brute force adds owner write, also when nothing else changes.
        const bool writable = QFile::permissions(path) & QFileDevice::WriteOwner;
        QCOMPARE(writable, !readOnly || force);
        if (readOnly && force)
            QCOMPARE(QFile::permissions(path) & 0x7077, readonly | QFileDevice::WriteOwner);
        QCOMPARE(entriesOf(dir.path()), QStringList{name});
    }

    void timeLineBeforeEveryLineOutsideAnalyze_data()
    {
        QTest::addColumn<CompactionMode>("mode");
        QTest::newRow("automatic") << CompactionMode::Automatic;
        QTest::newRow("analyze") << CompactionMode::Analyse;
    }

    void timeLineBeforeEveryLineOutsideAnalyze()
    {
        QFETCH(CompactionMode, mode);
        QTemporaryDir dir;
        const QString path = fixtures::writeFile(dir, "ro.ovt", fixtures::textMovie(4));
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        const QDateTime when(QDate(2024, 3, 9), QTime(17, 5));
        QStringList history;
        Compactor c([&history](const QString& l) { history << l; });
        c.setMode(mode);
        c.setClock([when] { return when; });
        const auto r = c.procesaArchivo(orv::FileName::fromText(path));
        QCOMPARE(r.lines.size(), 3); // read-only, brute force, the outcome
        QStringList expected;
        for (const QString& line : r.lines) {
            if (mode != CompactionMode::Analyse)
                expected << " [9/3/24 17:05]"; // Spanish, whatever the system's locale
            expected << line;
        }
        QCOMPARE(history, expected);
    }

    // Only an archive of exactly one file that reads as a movie is restored;
    // anything else stays byte for byte as it was, with a line that says why.
    void onlyAnArchiveOfOneMovieIsRestored_data()
    {
        QTest::addColumn<std::vector<ZipEntry>>("members");
        QTest::addColumn<QString>("why"); // "" when restored
        const QByteArray m = fixtures::textMovie(8);
        QTest::newRow("a folder and a link besides the movie")
            << std::vector<ZipEntry>{{"d/", {}, ZipEntry::Kind::Directory},
                                     {"l", "/etc/passwd", ZipEntry::Kind::Symlink},
                                     {"d/x.ovt", m}}
            << "";
        QTest::newRow("a hostile name never reaches the disk")
            << std::vector<ZipEntry>{{"../../fuera.ovt", m}} << "";
        QTest::newRow("a stored member")
            << std::vector<ZipEntry>{{"s.ovt", m, ZipEntry::Kind::File, true}} << "";
        QTest::newRow("a text file before the movie")
            << std::vector<ZipEntry>{{"readme.txt", "hola"}, {"movie.ovt", m}}
            << "el archivo comprimido contiene 2 archivos";
        QTest::newRow("only a folder")
            << std::vector<ZipEntry>{{"d/", {}, ZipEntry::Kind::Directory}}
            << "el archivo comprimido contiene 0 archivos";
        QTest::newRow("an empty member") << std::vector<ZipEntry>{{"m.ovt", {}}}
                                         << "el archivo comprimido no contiene una película válida";
        QTest::newRow("encrypted, no password")
            << std::vector<ZipEntry>{{"m.ovt", m, ZipEntry::Kind::File, false, "clave"}}
            << "el archivo comprimido está cifrado y no se dio su contraseña";
    }

    void onlyAnArchiveOfOneMovieIsRestored()
    {
        QFETCH(std::vector<ZipEntry>, members);
        QFETCH(QString, why);
        QTemporaryDir outer;
        QDir(outer.path()).mkpath("a/b");
        QTemporaryDir dir(outer.filePath("a/b/XXXXXX"));
        const QString path = fixtures::writeZip(dir, "peli.ovt", members);
        const QByteArray before = readFile(path);
        Compactor c;
        c.setMode(CompactionMode::DecompressOnly);
        const auto r = c.procesaArchivo(orv::FileName::fromText(path));
        if (why.isEmpty()) {
            QCOMPARE(r.state, FileState::Decompressed);
            QCOMPARE(readFile(path), fixtures::textMovie(8));
        } else {
            QCOMPARE(r.state, FileState::Error);
            QCOMPARE(r.lines, QStringList{"Error en: " + path + ", " + why});
            QCOMPARE(readFile(path), before);
        }
        QCOMPARE(entriesOf(dir.path()), QStringList{"peli.ovt"});
        QCOMPARE(entriesOf(outer.filePath("a/b")), QStringList{QFileInfo(dir.path()).fileName()});
        QVERIFY(!QFile::exists("/tmp/orv-absoluta.ovt"));
    }

    // An encrypted movie opens with the right password; a wrong or empty one
    // leaves it as it was. 7-Zip and WinZip write AES members the AE-2 way,
    // with a CRC of zero that libzip checks all the same; there the
    // encryption's authentication code still refuses altered data.
    void encryptedArchiveAsksForThePassword_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("restored");
        QTest::newRow("right") << "clave" << "AE-1" << true;
        QTest::newRow("wrong") << "otra" << "AE-1" << false;
        QTest::newRow("empty or cancelled") << "" << "AE-1" << false;
        QTest::newRow("right, AE-2") << "clave" << "AE-2" << true;
        QTest::newRow("right, AE-2, stored") << "clave" << "AE-2 stored" << true;
        QTest::newRow("wrong, AE-2") << "otra" << "AE-2" << false;
        QTest::newRow("right, AE-2, data altered") << "clave" << "AE-2 altered" << false;
    }

    void encryptedArchiveAsksForThePassword()
    {
        QFETCH(QString, answer);
        QFETCH(QString, form);
        QFETCH(bool, restored);
        QTemporaryDir dir;
        const QByteArray m = fixtures::textMovie(8);
        const QString path = fixtures::writeZip(
            dir, "s.ovt", {{"s.ovt", m, ZipEntry::Kind::File, form.endsWith(u"stored"), "clave"}});
        if (form.startsWith(u"AE-2"))
            fixtures::patchMemberHeaders(path, 0, std::nullopt);
        if (form.endsWith(u"altered")) {
            QByteArray zip = readFile(path);
            const int data = 30 + 5 + uchar(zip[28]) + 256 * uchar(zip[29]) + 16 + 2; // past salt and verifier
            zip[data + 10] = char(zip[data + 10] ^ 0x20);
            fixtures::writeFile(dir, "s.ovt", zip);
        }
        const QByteArray before = readFile(path);
        fixtures::ScriptedPasswords passwords;
        passwords.answers = {answer};
        Compactor c;
        c.setPasswords(&passwords);
        const auto r = c.procesaArchivo(orv::FileName::fromText(path));
        QCOMPARE(passwords.asked, 1);
        QCOMPARE(readFile(path), restored ? m : before);
        QCOMPARE(r.state, restored ? FileState::Decompressed : FileState::Error);
        if (!restored)
            QCOMPARE(r.lines.first(),
                     "Error en: " + path +
                         ", el archivo comprimido está cifrado y la contraseña no lo abre");
    }

    // Only regular files are read: a FIFO would wait for a writer for ever and
    // a device never ends. Each gets its line at once.
    void onlyRegularFilesAreRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to /dev/zero") << "zero";
    }

    void onlyRegularFilesAreRead()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = specialFile(dir, "f.ovt", kind);
        QElapsedTimer clock;
        clock.start();
        const auto r = Compactor().procesaArchivo(orv::FileName::fromText(path));
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(r.lines, QStringList{"Error: Al abrir " + path});
    }

    // A folder that cannot take the scratch file is this movie's access
    // problem: its line, and the next file of the batch is compressed. Run as
    // a user without root, for whom the folder's permissions hold.
    void folderThatCannotTakeTheScratchFile()
    {
        QTemporaryDir closed, open;
        const QString path = fixtures::writeFile(closed, "p.ovt", fixtures::textMovie(6));
        const QString next = fixtures::writeFile(open, "q.ovt", fixtures::textMovie(6));
        QVERIFY(::chmod(QFile::encodeName(closed.path()).constData(), 0555) == 0);
        QVERIFY(::chmod(QFile::encodeName(open.path()).constData(), 0777) == 0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(next).constData(), 0666) == 0);
        const int status = childprocess::run([&] {
            if (!childprocess::withoutRoot())
                return childprocess::kSkipped;
            Compactor c;
            const auto r = c.procesaArchivo(orv::FileName::fromText(path));
            if (r.lines != QStringList{"Error en: " + path + ", Permission denied"})
                return 1;
            return c.procesaArchivo(orv::FileName::fromText(next)).state == FileState::Compressed ? 0 : 2;
        });
        ::chmod(QFile::encodeName(closed.path()).constData(), 0700);
        if (status == childprocess::kSkipped)
            QSKIP("no user without root could be had");
        QCOMPARE(status, 0);
        QCOMPARE(entriesOf(closed.path()), QStringList{"p.ovt"});
        QCOMPARE(form(next), zipForm("q.ovt", fixtures::textMovie(6)));
    }

    void failedStepLeavesTheMovieAsItWas_data()
    {
        QTest::addColumn<bool>("compressed"); // the movie's form before
        QTest::addColumn<CompactionStep>("step");
        QTest::addColumn<FileState>("outcome");
        using P = CompactionStep;
        QTest::newRow("compress: archive build") << false << P::Build << FileState::BuildError;
        QTest::newRow("compress: check") << false << P::Check << FileState::Error;
        QTest::newRow("compress: flush") << false << P::Flush << FileState::Error;
        QTest::newRow("compress: rename") << false << P::Renaming << FileState::Error;
        QTest::newRow("decompress: extraction") << true << P::Extraction << FileState::Error;
        QTest::newRow("decompress: flush") << true << P::Flush << FileState::Error;
        QTest::newRow("decompress: check") << true << P::Check << FileState::Error;
        QTest::newRow("decompress: rename") << true << P::Renaming << FileState::Error;
    }

    void failedStepLeavesTheMovieAsItWas()
    {
        QFETCH(bool, compressed);
        QFETCH(CompactionStep, step);
        QFETCH(FileState, outcome);
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(50);
        const QString path = compressed ? fixtures::writeZip(dir, "p.ovt", {{"p.ovt", movie}})
                                        : fixtures::writeFile(dir, "p.ovt", movie);
        const QByteArray before = readFile(path);
        QList<CompactionStep> seen;
        Compactor c;
        c.setStepFault([&](CompactionStep p) {
            seen << p;
            return p != step;
        });
        const auto r = c.procesaArchivo(orv::FileName::fromText(path));
        QVERIFY(seen.contains(step)); // the step was really reached
        QCOMPARE(r.state, outcome);
        QCOMPARE(r.lines.size(), 1);
        QVERIFY(r.lines.first().startsWith("Error en: " + path + ", "));
        QCOMPARE(readFile(path), before);
        QCOMPARE(entriesOf(dir.path()), QStringList{"p.ovt"});
    }

    // The read-back check compares bytes, not only that the archive opens:
    // an archive that reads cleanly but holds other bytes is refused.
    void archiveThatReadsBackOtherBytesIsRefused()
    {
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(30);
        const QString path = fixtures::writeFile(dir, "p.ovt", movie);
        Compactor c;
        c.setStepFault([&](CompactionStep p) {
            if (p == CompactionStep::Check) {
                const QStringList scratch =
                    QDir(dir.path()).entryList({".p.ovt.*"}, QDir::Files | QDir::Hidden);
                if (scratch.size() != 1)
                    return false;
                // As long as the movie, one letter apart.
                QByteArray other = movie;
                other[other.size() - 3] = '#';
                QTemporaryDir otherDir;
                QFile::remove(dir.filePath(scratch.first()));
                QFile::copy(fixtures::writeZip(otherDir, "p.ovt", {{"p.ovt", other}}),
                            dir.filePath(scratch.first()));
            }
            return true;
        });
        const auto r = c.procesaArchivo(orv::FileName::fromText(path));
        QCOMPARE(r.state, FileState::Error);
        QCOMPARE(r.lines.size(), 1);
        QVERIFY(r.lines.first().startsWith("Error en: " + path + ", "));
        QCOMPARE(readFile(path), movie);
        QCOMPARE(entriesOf(dir.path()), QStringList{"p.ovt"});
    }

    void compressInPlaceForWriters_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("done");
        QTest::addColumn<QStringList>("prefixes");
        QTest::newRow("a plain movie") << "plain" << true << QStringList{"Comprimido: "};
        QTest::newRow("a read-only movie")
            << "ro" << true << QStringList{"Es sólo lectura: ", "Fuerza bruta: ", "Comprimido: "};
    }

    void compressInPlaceForWriters()
    {
        QFETCH(QString, kind);
        QFETCH(bool, done);
        QFETCH(QStringList, prefixes);
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(10);
        const QString path =
            kind == "zip"
                ? fixtures::writeZip(dir, "w.ovt", {{"w.ovt", movie}})
                : fixtures::writeFile(dir, "w.ovt", kind == "empty" ? QByteArray() : movie);
        if (kind == "ro")
            QFile::setPermissions(path, QFileDevice::ReadOwner);
        QStringList lines;
        QCOMPARE(orv::compressMovieInPlace(orv::FileName::fromText(path), &lines), done);
        QCOMPARE(lines.size(), prefixes.size());
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY(lines[i].startsWith(prefixes[i] + path));
        if (kind != "empty")
            QCOMPARE(form(path), zipForm("w.ovt", movie));
    }
};

QTEST_GUILESS_MAIN(TestCompaction)
#include "test_compaction.moc"
