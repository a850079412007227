// `orv compact` as scripts use it: the history on standard output, the
// summary last, exit statuses; two runs at once in one folder; and runs
// killed at random moments never losing the movie.
#include "history.h"
#include "moviefixtures.h"
#include "orvprocess.h"
#include "readfile.h"
#include "zipmember.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <csignal>

namespace {

struct Run
{
    int status;
    QStringList lines;
    QString err;
};

Run compact(const QStringList& args)
{
    const OrvRun r = runOrv(QStringList{"compact"} + args);
    QString out = r.out;
    if (out.endsWith('\n'))
        out.chop(1);
    return {r.status, out.isEmpty() ? QStringList{} : out.split('\n'), r.err};
}

QStringList scratchFiles(const QString& dir)
{
    return QDir(dir).entryList({"*.orvtmp*"}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestCompact : public QObject
{
    Q_OBJECT
private slots:

    void exitStatus_data()
    {
        QTest::addColumn<QString>("content"); // plain, empty, pk, readonly
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("lastFileLine");
        QTest::newRow("compressed") << "plain" << QStringList{} << 0 << "Comprimido: ";
        QTest::newRow("analyze leaves it") << "plain" << QStringList{"--mode", "analyze"} << 0 << "No está comprimido: ";
        QTest::newRow("an empty movie") << "empty" << QStringList{} << 1 << "Error en: ";
        QTest::newRow("read-only left alone is no error") << "readonly" << QStringList{"--no-force"} << 0 << "No fué procesado: ";
        QTest::newRow("read-only with brute force") << "readonly" << QStringList{} << 0 << "Comprimido: ";
    }

    void exitStatus()
    {
        QFETCH(QString, content);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QString, lastFileLine);
        QTemporaryDir dir;
        const QByteArray movie = content == "empty" ? QByteArray() : content == "pk" ? "PK" + fixtures::textMovie(2) : fixtures::textMovie(3);
        const QString path = fixtures::writeFile(dir, "una película.ovt", movie);
        if (content == "readonly")
            QFile::setPermissions(path, QFileDevice::ReadOwner);
        const Run r = compact(options + QStringList{path});
        QCOMPARE(r.status, status);
        // Time lines come before each line, outside analyze.
        const QStringList history = withoutTimes(r.lines);
        QCOMPARE(r.lines.size() == history.size(), options.contains("analyze"));
        QVERIFY2(history.size() >= 2 && history[history.size() - 2].startsWith(lastFileLine + path),
                 qPrintable(r.lines.join('\n')));
        QCOMPARE(history.last(), QString("1 archivo(s) analizado(s) y/o procesado(s)."));
        if (status != 0)
            QCOMPARE(readFile(path), movie);
    }

    // An encrypted archive opens with the password of --password-file;
    // without one, or with a wrong one, it stays as it was and the run fails.
    void encryptedArchive_data()
    {
        QTest::addColumn<QString>("password"); // null: no --password-file
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("why");
        QTest::newRow("right password") << "clave" << 0 << "";
        QTest::newRow("no password file") << QString() << 1 << "no se dio su contraseña";
    }
    void encryptedArchive()
    {
        QFETCH(QString, password);
        QFETCH(int, status);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(3);
        const QString path = fixtures::writeZip(dir, "s.ovt", {{"s.ovt", movie, fixtures::ZipEntry::Kind::File, false, "clave"}});
        const QByteArray before = readFile(path);
        QStringList args{path};
        if (!password.isNull())
            args = QStringList{"--password-file", fixtures::writeFile(dir, "clave.txt", password.toUtf8() + "\n"), path};
        const Run r = compact(args);
        QCOMPARE(r.status, status);
        QCOMPARE(readFile(path), status == 0 ? movie : before);
        if (status != 0)
            QVERIFY2(r.lines.join('\n').contains("Error en: " + path + ", el archivo comprimido está cifrado y " + why),
                     qPrintable(r.lines.join('\n')));
    }

    void unknownModeIsBadUsage()
    {
        const Run r = compact({"--mode", "fast", "a.ovt"});
        QCOMPARE(r.status, 2);
        QVERIFY(r.lines.isEmpty());
        QVERIFY(r.err.contains("Uso: orv compact"));
    }

    void twoRunsAtOnceInOneFolder()
    {
        QTemporaryDir dir;
        const QByteArray a = fixtures::textMovie(400), b = fixtures::textMovie(401);
        const QString pa = fixtures::writeFile(dir, "a.ovt", a), pb = fixtures::writeFile(dir, "b.ovt", b);
        QProcess first, second;
        first.start(QStringLiteral(ORV_CLI_PATH), {"compact", pa});
        second.start(QStringLiteral(ORV_CLI_PATH), {"compact", pb});
        QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
        QCOMPARE(first.exitCode() + second.exitCode(), 0);
        QCOMPARE(orv::readFirstZipMember(orv::FileName::fromText(pa), 1 << 30, nullptr).value_or(QByteArray()), a);
        QCOMPARE(orv::readFirstZipMember(orv::FileName::fromText(pb), 1 << 30, nullptr).value_or(QByteArray()), b);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"a.ovt", "b.ovt"}));
    }

    // Two compactions of one movie at once go one after the other, each
    // deciding on what the other left: the movie is compressed once, never
    // an archive of an archive, and never lost.
    void twoRunsOfOneMovieNeverCompressTwice()
    {
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(50);
        const QString path = dir.filePath("m.ovt");
        for (int pair = 0; pair < 200; ++pair) {
            fixtures::writeFile(dir, "m.ovt", movie);
            QProcess first, second;
            first.start(QStringLiteral(ORV_CLI_PATH), {"compact", "--mode", "compress", path});
            second.start(QStringLiteral(ORV_CLI_PATH), {"compact", "--mode", "compress", path});
            QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
            const QString said = QString::fromUtf8(first.readAllStandardOutput() + second.readAllStandardOutput());
            QCOMPARE(said.count(QStringLiteral("\nComprimido: ")), 1);
            QCOMPARE(said.count(QStringLiteral("\nEstá comprimido: ")), 1);
            QCOMPARE(orv::readFirstZipMember(orv::FileName::fromText(path), 1 << 30, nullptr).value_or(QByteArray()),
                     movie);
        }
    }

    // Each run flips the movie between its two forms. Each is killed while
    // it writes: once its scratch file is there, at a random moment of the
    // writing, the replacement included. The movie must be one whole form or
    // the other, and the next run removes whatever scratch files the killed
    // one left. Most kills must land while a scratch file is there, or the
    // test has not tried what it is about.
    void killedRunsNeverLoseTheMovie()
    {
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(3000);
        const QString path = fixtures::writeFile(dir, "grande.ovt", movie);
        // How long a run's scratch file lives, compressing and restoring, from
        // a first run of each.
        const auto waitForScratch = [&](const QProcess& p, bool there) {
            QDeadlineTimer limit(10000);
            while (scratchFiles(dir.path()).isEmpty() == there && p.state() == QProcess::Running
                   && !limit.hasExpired())
                QThread::usleep(100);
        };
        qint64 spanUs[2] = {0, 0}; // by whether the movie is compressed before the run
        for (int first = 0; first < 2; ++first) {
            const bool compressed = readFile(path).startsWith("PK");
            QProcess p;
            p.start(QStringLiteral(ORV_CLI_PATH), {"compact", path});
            QVERIFY(p.waitForStarted());
            waitForScratch(p, true);
            QElapsedTimer clock;
            clock.start();
            waitForScratch(p, false);
            spanUs[compressed] = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
            QVERIFY(p.waitForFinished(60000));
        }
        int landed = 0;
        for (int run = 0; run < 50; ++run) {
            const qint64 span = spanUs[readFile(path).startsWith("PK")];
            QProcess p;
            p.start(QStringLiteral(ORV_CLI_PATH), {"compact", path});
            QVERIFY(p.waitForStarted());
            waitForScratch(p, true);
            QThread::usleep(QRandomGenerator::global()->bounded(static_cast<quint32>(span)));
            const bool writing = !scratchFiles(dir.path()).isEmpty() && p.state() == QProcess::Running;
            ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
            p.waitForFinished(60000);
            landed += writing && p.exitStatus() == QProcess::CrashExit;
            const QByteArray now = readFile(path);
            if (now.startsWith("PK"))
                QCOMPARE(orv::readFirstZipMember(orv::FileName::fromText(path), 1 << 30, nullptr).value_or(QByteArray()), movie);
            else
                QCOMPARE(now, movie);
            QCOMPARE(compact({path}).status, 0);
            QCOMPARE(scratchFiles(dir.path()), QStringList());
        }
        qInfo("%d of 50 kills landed while the movie was being written", landed);
        QVERIFY2(landed >= 25, qPrintable(QString::number(landed) + " of 50 kills landed while writing"));
    }
};

QTEST_GUILESS_MAIN(TestCompact)
#include "test_compact.moc"
