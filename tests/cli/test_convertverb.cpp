// `orv convert`: its command line, its messages and exit statuses, and the
// movie it writes, read back with the Player's reader.
#include "cli.h"
#include "conversion.h"
#include "moviereader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestConvertVerb : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        QFile f(m_dir.filePath(u"a.txt"_s));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("2\nab\ncd\nxy\nef\ngh\n");
        f.close();
        QFile empty(m_dir.filePath(u"vacio.txt"_s));
        QVERIFY(empty.open(QIODevice::WriteOnly));
    }

    void statuses_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stderrHas");
        QTest::addColumn<QString>("written");  // the file expected, relative to the folder
        QTest::addColumn<int>("frames");
        QTest::addColumn<QByteArray>("author");

        // Arguments separated by single spaces; no argument holds one.
        const auto row = [](const char* name, const QString& args, int status, const QString& err,
                            const QString& written = {}, int frames = 0, const QByteArray& author = {}) {
            QTest::newRow(name) << args.split(u' ') << status << err << written << frames << author;
        };
        const QString base = u"--width 2 --height 2 "_s;
        const QString msg1 = orv::parameterFaultMessage(orv::ParameterFault::WidthOrHeight);
        row("repeat counts, .ovt appended", base + u"-o peli a.txt"_s, 0, {}, u"peli.ovt"_s, 3);
        row("skip control lines, author", base + u"--control skip --author Ana -o p.ovt a.txt"_s, 0, {}, u"p.ovt"_s, 2, "Ana");
        row("no control lines: three rows per picture, one left over", base + u"--control none -o p.ovt a.txt"_s, 0, {},
            u"p.ovt"_s, 2);
        row("compressed in place", base + u"--compress -o p.ovt a.txt"_s, 0, {}, u"p.ovt"_s, 3);
        row("width 1 gives message 1", u"--width 1 --height 2 -o p.ovt a.txt"_s, 2, msg1);
        row("unknown control mode", base + u"--control x -o p a.txt"_s, 2, u"--control"_s);
        row("no output", base + u"a.txt"_s, 2, u"Uso: orv convert"_s);
        row("no frames: failure, nothing written", base + u"-o p.ovt vacio.txt"_s, 1, u"no se creó la película"_s);
        row("unreadable source skipped, others converted", base + u"-o p.ovt falta.txt a.txt"_s, 0, u"1 archivo(s)"_s,
            u"p.ovt"_s, 3);
        row("output folder missing", base + u"-o no/hay/p.ovt a.txt"_s, 1,
            u"Se produjo un error al crear la película, el código de error es el "_s);
    }

    void statuses()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, stderrHas);
        QFETCH(QString, written);
        QFETCH(int, frames);
        QFETCH(QByteArray, author);

        // Relative paths name files of the test folder.
        QStringList full{u"orv"_s, u"convert"_s};
        for (const QString& a : args) {
            const bool path =
                !a.startsWith(u'-') && (a.contains(u'.') || a == u"p"_s || a == u"peli"_s);
            full << (path ? m_dir.filePath(a) : a);
        }
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        orv::cli::Io io{outStream, errStream};
        QCOMPARE(orv::cli::runCli(full, io), status);
        errStream.flush();
        if (stderrHas.isEmpty())
            QVERIFY2(err.isEmpty(), qPrintable(err));
        else
            QVERIFY2(err.contains(stderrHas), qPrintable(err));

        const QStringList movies = QDir(m_dir.path()).entryList({u"*.ovt"_s, u"*.OVT"_s, u"p"_s}, QDir::Files);
        if (written.isEmpty()) {
            QVERIFY(movies.isEmpty());
            return;
        }
        QCOMPARE(movies, QStringList{written});
        orv::Movie read;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(m_dir.filePath(written)), read));
        QCOMPARE(int(read.numCuadros), frames);
        QCOMPARE(read.creador, author);
        QFile file(m_dir.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(orv::isCompressed(file.read(2)), args.contains(u"--compress"_s));
    }
};

QTEST_GUILESS_MAIN(TestConvertVerb)
#include "test_convertverb.moc"
