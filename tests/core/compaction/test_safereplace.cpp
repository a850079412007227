// Replacing a movie only by a complete file: the rename's failure is
// reported, and the scratch file reaches the disk before it takes the
// movie's name. The second is seen by standing in for the system's fsync
// and rename in this executable (the engine's calls reach these first), which
// a test that only looks at the files afterwards could never tell.
#include "compactor.h"
#include "moviefixtures.h"
#include "readfile.h"
#include "safereplace.h"

#include <QDir>
#include <QtTest>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What reached the system, in order: "sync <path>" and "rename <from> <to>".
QStringList g_calls;

QString pathOf(int fd)
{
    return QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
}

template <typename F> F real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int fsync(int fd)
{
    g_calls << "sync " + pathOf(fd);
    return real<int (*)(int)>("fsync")(fd);
}

extern "C" int fdatasync(int fd)
{
    g_calls << "sync " + pathOf(fd);
    return real<int (*)(int)>("fdatasync")(fd);
}

extern "C" int rename(const char* from, const char* to)
{
    g_calls << QStringLiteral("rename %1 %2").arg(QFile::decodeName(from), QFile::decodeName(to));
    return real<int (*)(const char*, const char*)>("rename")(from, to);
}

class TestReplacement : public QObject
{
    Q_OBJECT
private slots:
    void renameOverWhatCannotBeReplacedFails()
    {
        QTemporaryDir dir;
        const QString from = fixtures::writeFile(dir, "nueva.ovt", "x");
        QVERIFY(QDir(dir.path()).mkpath("carpeta/llena"));
        QVERIFY(!orv::replaceFile(orv::FileName::fromText(from), orv::FileName::fromText(dir.filePath("carpeta"))));
        QCOMPARE(readFile(from), QByteArray("x"));
    }

    // A scratch file belongs to the process that made it while that process
    // lives: the next run removes those of dead ones, and those the archive
    // library made from their names, and nothing else.
    void scratchFilesOfDeadProcessesAreRemoved()
    {
        QTemporaryDir dir;
        const QString mine = orv::scratchName(orv::FileName::fromText(dir.filePath("a.ovt"))).escapedText();
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        waitpid(child, nullptr, 0); // its id now names no process
        const QString dead = QString(".a.ovt.%1-777-k2j4.orvtmp").arg(child);
        const QStringList files{
            QFileInfo(mine).fileName(),
            dead,
            dead + ".Zx81qa", // the archive library's, while writing
            QString(".b.ovt.%1-1-zz.orvtmp").arg(QCoreApplication::applicationPid()), // id reused
            ".c.ovt.q9w8e7.orvtmp", // an older name: its owner is unknown
            "notas.txt"};
        for (const QString& f : files)
            fixtures::writeFile(dir, f, "x");
        // One of a movie whose name is not UTF-8 goes by its bytes too.
        const QByteArray other =
            fixtures::writeByName(dir,
                                  ".pel\xed"
                                  "cula.ovt." +
                                      QByteArray::number(child) + "-777-k2j4.orvtmp",
                                  "x");
        orv::removeOrphans(orv::FileName::fromText(dir.path()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{QFileInfo(mine).fileName(), ".c.ovt.q9w8e7.orvtmp", "notas.txt"}));
        QVERIFY(::access(other.constData(), F_OK) != 0); // Qt does not list such a name
    }

    // A process killed but never reaped (a container whose first process
    // does not reap) still answers kill(): its scratch file is removed all
    // the same, for its owner is dead.
    void scratchFileOfAZombieIsRemoved()
    {
#ifdef Q_OS_LINUX
        QTemporaryDir dir;
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        const auto reap = qScopeGuard([child] { waitpid(child, nullptr, 0); });
        const auto stat = [child] {
            QFile f(QStringLiteral("/proc/%1/stat").arg(child));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QVERIFY(QTest::qWaitFor([&] { return stat().mid(stat().lastIndexOf(')') + 2, 1) == "Z"; }));
        const QByteArray start = stat().mid(stat().lastIndexOf(')') + 2).split(' ').value(19);
        const QString name = QStringLiteral(".z.ovt.%1-%2-k2j4.orvtmp").arg(child).arg(QString::fromLatin1(start));
        fixtures::writeFile(dir, name, "x");
        orv::removeOrphans(orv::FileName::fromText(dir.path()));
        QVERIFY(!QFile::exists(dir.filePath(name)));
#else
        QSKIP("processes are told apart by /proc");
#endif
    }

    void scratchFileReachesTheDiskBeforeItsRename_data()
    {
        QTest::addColumn<bool>("compressed");
        QTest::newRow("compress") << false;
        QTest::newRow("decompress") << true;
    }

    void scratchFileReachesTheDiskBeforeItsRename()
    {
        QFETCH(bool, compressed);
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(20);
        const QString path = compressed ? fixtures::writeZip(dir, "p.ovt", {{"p.ovt", movie}})
                                        : fixtures::writeFile(dir, "p.ovt", movie);
        g_calls.clear();
        QCOMPARE(orv::Compactor().procesaArchivo(orv::FileName::fromText(path)).state,
                 compressed ? orv::FileState::Decompressed : orv::FileState::Compressed);
        const QStringList renames = g_calls.filter(
            QRegularExpression("^rename .* " + QRegularExpression::escape(path) + "$"));
        QCOMPARE(renames.size(), 1);
        const QString scratch = renames.first().section(' ', 1, 1);
        const qsizetype synced = g_calls.indexOf("sync " + scratch);
        QVERIFY2(synced >= 0 && synced < g_calls.indexOf(renames.first()),
                 qPrintable(g_calls.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestReplacement)
#include "test_safereplace.moc"
