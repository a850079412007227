// The safe file writer, step by step: it never writes the target in place,
// it reports a commit that did not happen, and it refuses a write the system
// cut short. Each case that needs a condition the test process cannot have
// (no root, a file-size limit) runs in a forked child.
#include "childprocess.h"
#include "readfile.h"
#include "safefile.h"
#include "safereplace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using childprocess::kSkipped;
using orv::SafeFile;

namespace {

// Set, fsync() fails as a disk that cannot keep the data does (EIO).
bool g_failSync = false;

} // namespace

extern "C" int fsync(int fd)
{
    if (g_failSync) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace {

// Writes `bytes` through the writer in one call, as the exports hand over
// their parts, and answers whether every step said it was done.
bool writeAll(const QString& path, const QByteArray& bytes)
{
    SafeFile f(orv::FileName::fromText(path));
    return f.open() && f.write(bytes) && f.finish();
}

} // namespace

class TestSafeFile : public QObject
{
    Q_OBJECT
private slots:
    // A folder that cannot take the temporary file must fail the write, even
    // when the target itself could be written in place.
    void readOnlyFolderFailsAndKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("p.ovt");
        {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("antes") == 5);
        }
        // Anyone may write the target; nobody may add a file to its folder.
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0);
        const int status = childprocess::run([&] {
            if (!childprocess::withoutRoot())
                return kSkipped;
            if (access(QFile::encodeName(dir.path()).constData(), W_OK) == 0)
                return kSkipped;
            return writeAll(target, "despues") ? 1 : 0;
        });
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
        if (status == kSkipped)
            QSKIP("neither a user without root nor a read-only folder could be had");
        QCOMPARE(status, 0);
        QCOMPARE(readFile(target), QByteArray("antes"));
    }

    // The folder moved away between the writing and the commit: the file
    // never reached its name, and the writer must say so.
    void commitThatCannotHappenIsReported()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        SafeFile f(orv::FileName::fromText(dir.filePath("sub/p.ovt")));
        QVERIFY(f.open());
        QVERIFY(f.write("datos"));
        QVERIFY(QDir(dir.path()).rename("sub", "movida"));
        QVERIFY(!f.finish());
        QVERIFY(!QFile::exists(dir.filePath("movida/p.ovt")));
    }

    // Data the disk could not keep is a failed write: the old file stays,
    // with no scratch file beside it, and the system's reason is told.
    void failedFlushFailsTheWrite()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("p.ovt");
        QVERIFY(writeAll(target, "antes"));
        SafeFile f(orv::FileName::fromText(target));
        QVERIFY(f.open() && f.write("despues"));
        g_failSync = true;
        const bool done = f.finish();
        g_failSync = false;
        QVERIFY(!done);
        QVERIFY2(f.error().contains(QString::fromLocal8Bit(std::strerror(EIO))), qPrintable(f.error()));
        QCOMPARE(readFile(target), QByteArray("antes"));
        QCOMPARE(entriesOf(dir.path()), QStringList{"p.ovt"});
    }

    // A write the system cuts short (here by a 1 MiB file-size limit) fails
    // the file, and nothing is left behind. The system reports no error for
    // the short write itself, only a smaller count.
    void shortWriteFailsAndLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("p.ovt");
        const int status = childprocess::run([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1 << 20, 1 << 20};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return kSkipped;
            return writeAll(target, QByteArray(3 << 20, 'x')) ? 1 : 0;
        });
        if (status == kSkipped)
            QSKIP("the file-size limit could not be set");
        QCOMPARE(status, 0);
        QCOMPARE(entriesOf(dir.path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "test_safefile.moc"
