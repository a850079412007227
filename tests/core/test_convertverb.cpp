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

private slots:
    void init();
    void statuses_data();
    void statuses();

private:
    QTemporaryDir m_dir;
};

void TestConvertVerb::init()
{
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
    QFile f(m_dir.filePath(u"a.txt"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("2\nab\ncd\nxy\nef\ngh\n");
    f.close();
    QFile vacio(m_dir.filePath(u"vacio.txt"_s));
    QVERIFY(vacio.open(QIODevice::WriteOnly));
}

void TestConvertVerb::statuses_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("stderrHas");
    QTest::addColumn<QString>("written");  // the file expected, relative to the folder
    QTest::addColumn<int>("frames");
    QTest::addColumn<QByteArray>("author");

    const QStringList base{u"--width"_s, u"2"_s, u"--height"_s, u"2"_s};
    const QString msg1 = orv::mensajeFalloParametros(orv::FalloParametros::AnchoAlto);
    QTest::newRow("repeat counts, .ovt appended")
        << base + QStringList{u"-o"_s, u"peli"_s, u"a.txt"_s} << 0 << QString() << u"peli.ovt"_s << 3
        << QByteArray();
    QTest::newRow("skip control lines, author")
        << base + QStringList{u"--control"_s, u"skip"_s, u"--author"_s, u"Ana"_s, u"-o"_s, u"p.ovt"_s, u"a.txt"_s}
        << 0 << QString() << u"p.ovt"_s << 2 << "Ana"_ba;
    QTest::newRow("no control lines: three rows per picture, one left over")
        << base + QStringList{u"--control"_s, u"none"_s, u"-o"_s, u"p.ovt"_s, u"a.txt"_s} << 0 << QString()
        << u"p.ovt"_s << 2 << QByteArray();
    QTest::newRow("upper-case extension kept and .ovt added")
        << base + QStringList{u"-o"_s, u"p.OVT"_s, u"a.txt"_s} << 0 << QString() << u"p.OVT.ovt"_s << 3
        << QByteArray();
    QTest::newRow("compressed in place")
        << base + QStringList{u"--compress"_s, u"-o"_s, u"p.ovt"_s, u"a.txt"_s} << 0 << QString()
        << u"p.ovt"_s << 3 << QByteArray();
    QTest::newRow("width 1 gives message 1")
        << QStringList{u"--width"_s, u"1"_s, u"--height"_s, u"2"_s, u"-o"_s, u"p.ovt"_s, u"a.txt"_s} << 2
        << msg1 << QString() << 0 << QByteArray();
    QTest::newRow("height abc gives message 1")
        << QStringList{u"--width"_s, u"5"_s, u"--height"_s, u"abc"_s, u"-o"_s, u"p.ovt"_s, u"a.txt"_s} << 2
        << msg1 << QString() << 0 << QByteArray();
    QTest::newRow("author with a comma refused")
        << base + QStringList{u"--author"_s, u"a,b"_s, u"-o"_s, u"p.ovt"_s, u"a.txt"_s} << 2
        << orv::mensajeFalloParametros(orv::FalloParametros::Creador) << QString() << 0 << QByteArray();
    QTest::newRow("pause zero refused")
        << base + QStringList{u"--pause"_s, u"0"_s, u"-o"_s, u"p.ovt"_s, u"a.txt"_s} << 2
        << orv::mensajeFalloParametros(orv::FalloParametros::Pausa) << QString() << 0 << QByteArray();
    QTest::newRow("unknown control mode") << base + QStringList{u"--control"_s, u"x"_s, u"-o"_s, u"p"_s, u"a.txt"_s}
                                          << 2 << u"--control"_s << QString() << 0 << QByteArray();
    QTest::newRow("no output") << base + QStringList{u"a.txt"_s} << 2 << u"Uso: orv convert"_s << QString() << 0
                               << QByteArray();
    QTest::newRow("no source") << base + QStringList{u"-o"_s, u"p"_s} << 2 << u"Uso: orv convert"_s << QString()
                               << 0 << QByteArray();
    QTest::newRow("no width") << QStringList{u"--height"_s, u"2"_s, u"-o"_s, u"p"_s, u"a.txt"_s} << 2
                              << u"Uso: orv convert"_s << QString() << 0 << QByteArray();
    QTest::newRow("no frames: failure, nothing written")
        << base + QStringList{u"-o"_s, u"p.ovt"_s, u"vacio.txt"_s} << 1 << u"no se creó la película"_s
        << QString() << 0 << QByteArray();
    QTest::newRow("unreadable source skipped, others converted")
        << base + QStringList{u"-o"_s, u"p.ovt"_s, u"falta.txt"_s, u"a.txt"_s} << 0 << u"1 archivo(s)"_s
        << u"p.ovt"_s << 3 << QByteArray();
    QTest::newRow("output folder missing")
        << base + QStringList{u"-o"_s, u"no/hay/p.ovt"_s, u"a.txt"_s} << 1
        << u"Se produjo un error al crear la película, el código de error es el "_s << QString() << 0
        << QByteArray();
}

void TestConvertVerb::statuses()
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
        const bool ruta = !a.startsWith(u'-') && (a.contains(u'.') || a == u"p"_s || a == u"peli"_s);
        full << (ruta ? m_dir.filePath(a) : a);
    }
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
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
    orv::Pelicula leida;
    QVERIFY(orv::cargaPelicula(m_dir.filePath(written), leida));
    QCOMPARE(int(leida.numCuadros), frames);
    QCOMPARE(leida.creador, author);
    QFile escrita(m_dir.filePath(written));
    QVERIFY(escrita.open(QIODevice::ReadOnly));
    QCOMPARE(orv::esComprimida(escrita.read(2)), args.contains(u"--compress"_s));
}

QTEST_GUILESS_MAIN(TestConvertVerb)
#include "test_convertverb.moc"
