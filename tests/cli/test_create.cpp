// `orv create` as scripts use it: exit statuses, messages and the movie.
#include "moviefixtures.h"
#include "moviereader.h"
#include "orvprocess.h"
#include "readfile.h"
#include "videofixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

namespace {

// A picture in `n` greys, one per column band.
QImage bands(int w, int h, int n)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y, qRgb(255 - 12 * (x * n / w), 255 - 12 * (x * n / w), 255 - 12 * (x * n / w)));
    return image;
}

} // namespace

class TestCreate : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString image(const QString& name, const QImage& image)
    {
        const QString path = m_dir.filePath(name);
        if (!image.save(path, "bmp"))
            qFatal("cannot write a test picture");
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // A signal while a clip is imported or a video exported drops what was
    // being written: nothing is left in the folder, and the status tells the
    // signal (130, 143, 129).
    // `export --audio` with no `--audio-from` lays the sound from where a
    // movie made from a clip started in it: 1 s left of a 3 s sound from 2 s.
    void soundStartsWhereTheMovieStarted()
    {
        const QString tone = m_dir.filePath("tono.wav");
        QVERIFY(videofixtures::writeTone(tone, 3));
        const QString movie = fixtures::writeFile(
            m_dir, "desde.ovt",
            fixtures::plainMovie("2,1,15,100,0,0,0,0,Ana,Película creada con Orvane ASCII Creator (desde el segundo 2 del video)",
                                 std::vector<QByteArray>(15, "ab")));
        for (const auto& [extra, ms] : {std::pair{QStringList{}, 1000}, std::pair{QStringList{"--audio-from", "0"}, 1500}}) {
            const QString out = m_dir.filePath("sonido.mp4");
            QFile::remove(out);
            const OrvRun r = runOrv(QStringList{"export", "--mp4", "--audio", tone} + extra + QStringList{"-o", out, movie});
            QCOMPARE(r.status, 0);
            const auto v = videofixtures::readVideo(out);
            QVERIFY(v);
            QVERIFY2(std::abs(v->audioMs - ms) <= 25, qPrintable(QString::number(v->audioMs)));
        }
    }

    void interruptionsLeaveNothing_data()
    {
        QTest::addColumn<bool>("exporting");
        QTest::addColumn<int>("signal");
        for (const bool exporting : {false, true})
            for (const auto& [name, number] : {std::pair{"SIGINT", SIGINT}, std::pair{"SIGTERM", SIGTERM},
                                               std::pair{"SIGHUP", SIGHUP}})
                QTest::addRow("%s, %s", exporting ? "export --mp4" : "create --video", name) << exporting << number;
    }
    void interruptionsLeaveNothing()
    {
        QFETCH(bool, exporting);
        QFETCH(int, signal);
        static QString clip, movie;
        if (clip.isEmpty()) {
            QList<QImage> frames;
            for (int i = 0; i < 1500; ++i)
                frames << bands(160, 120, 1 + i % 16);
            clip = m_dir.filePath("largo.mkv");
            QVERIFY(videofixtures::writeClip(clip, frames, videofixtures::Kind::LosslessGrey));
            movie = fixtures::writeFile(m_dir, "larga.ovt", fixtures::textMovie(3000));
        }
        QTemporaryDir out;
        const QString target = out.filePath(exporting ? "v.mp4" : "v.ovt");
        QProcess p;
        p.start(ORV_CLI_PATH, exporting ? QStringList{"export", "--mp4", "-o", target, movie}
                                        : QStringList{"create", "--video", clip, "--quiet", "-o", target});
        QVERIFY(p.waitForStarted());
        // Once the scratch file is there, the work is under way.
        QElapsedTimer waited;
        waited.start();
        while (QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty() && waited.elapsed() < 20000)
            QTest::qSleep(2);
        QVERIFY2(!QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty(), "nothing was being written");
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 128 + signal);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QString::fromUtf8("orv: cancelado; no se escribió nada\n"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // Which pauses and authors are refused is the core tests' business; here,
    // that every refusal ends with status 2, its message and no file.
    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no output") << QStringList{"create", "a.bmp"} << "Uso: orv create";
        QTest::newRow("pause zero") << QStringList{"create", "--pause", "0", "-o", "p", "a.bmp"}
                                    << "La pausa debe ser un número positivo de milisegundos: 0";
    }
    void badUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const OrvRun r = runOrv(args);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!QFile::exists(QStringLiteral("p.ovt")));
    }

    // The ".ovt" rule, the header from the options, a frame per image.
    void createsMovie_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("compressed");
        QTest::addColumn<bool>("quiet");
        QTest::newRow("extension added") << "peli"
                                         << "peli.ovt" << false << false;
        QTest::newRow("compressed in place") << "peli4"
                                             << "peli4.ovt" << true << false;
        QTest::newRow("quiet: nothing said") << "peli5"
                                             << "peli5.ovt" << true << true;
    }
    void createsMovie()
    {
        QFETCH(QString, output);
        QFETCH(QString, written);
        QFETCH(bool, compressed);
        QFETCH(bool, quiet);
        const QString a = image(QStringLiteral("a.bmp"), bands(40, 30, 4));
        const QString b = image(QStringLiteral("b.bmp"), bands(40, 30, 2));
        QStringList args{
            "create", "--pause", "250", "--author", "Begoña", "-o", m_dir.filePath(output),
            a,        b,         a};
        if (compressed)
            args.insert(1, QStringLiteral("--compress"));
        if (quiet)
            args.insert(1, QStringLiteral("--quiet"));
        const OrvRun r = runOrv(args);
        QCOMPARE(r.status, 0);
        QVERIFY2(!r.err.contains(QStringLiteral("orv:")), qPrintable(r.err));
        if (quiet)
            QCOMPARE(r.out + r.err, QString());
        else
            QVERIFY(r.out.contains(QStringLiteral("El archivo fué creado satisfactoriamente.")));
        orv::Movie p;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(m_dir.filePath(written)), p));
        QCOMPARE(orv::isCompressed(readFile(m_dir.filePath(written)).left(2)), compressed);
        QCOMPARE(p.ancho, 40);
        QCOMPARE(p.alto, 15);
        QCOMPARE(p.numCuadros, 3);
        QCOMPARE(p.pausa, 250.0);
        QCOMPARE(p.creador, QByteArray("Bego\xF1"
                                       "a"));
    }

};

QTEST_GUILESS_MAIN(TestCreate)
#include "test_create.moc"
