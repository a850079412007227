// The orv tool as scripts use it: output, exit statuses and messages.
#include "moviefixtures.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {

struct Run
{
    int status;
    QString out;
    QString err;
};

Run orv(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(ORV_CLI_PATH), args);
    if (!p.waitForFinished(30000))
        qFatal("orv did not finish");
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

const QByteArray kMovie = fixtures::plainMovie("3,2,2,125,0,0,0,0,Jos\xe9,Pel\xed" "cula creada con Orvane ASCII Creator",
                                               {"ab\xf7" "de", "123456"});

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void infoLines();
    void infoJsonOfCompressedMovie();
    void frameAsShown();
    void unreadableMovie();
    void badUsage_data();
    void badUsage();
    void helpOnEveryVerb();
};

void TestCli::infoLines()
{
    QTemporaryDir dir;
    const QString path = fixtures::writeFile(dir, "peli.ovt", kMovie);
    const Run r = orv({"info", path});
    QCOMPARE(r.status, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.contains("ancho: 3"));
    QVERIFY(lines.contains("numCuadros: 2"));
    QVERIFY(lines.contains("pausa: 125"));
    QVERIFY(lines.contains(QString::fromUtf8("creador: José")));
    QVERIFY(lines.contains(QString::fromUtf8("masInfo: Película creada con Orvane ASCII Creator")));
    QVERIFY(lines.contains("forma: plana"));
    QVERIFY(lines.contains("nombreArchivo: peli.ovt"));
}

void TestCli::infoJsonOfCompressedMovie()
{
    QTemporaryDir dir;
    const QString path = fixtures::writeZip(dir, "zipped.ovt", {{"zipped.ovt", kMovie}});
    const Run r = orv({"info", "--json", path});
    QCOMPARE(r.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(o.value("ancho").toInt(), 3);
    QCOMPARE(o.value("alto").toInt(), 2);
    QCOMPARE(o.value("numCuadros").toInt(), 2);
    QCOMPARE(o.value("pausa").toDouble(), 125.0);
    QCOMPARE(o.value("creador").toString(), QString::fromUtf8("José"));
    QCOMPARE(o.value("comprimida").toBool(), true);
    QCOMPARE(o.value("nombreArchivo").toString(), QString("zipped.ovt"));
    QCOMPARE(o.value("rutaPelicula").toString(), path);
    QVERIFY(o.value("tamanoKB").isDouble());
}

void TestCli::frameAsShown()
{
    QTemporaryDir dir;
    const QString path = fixtures::writeFile(dir, "peli.ovt", kMovie);
    Run r = orv({"frame", path, "0"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QString::fromUtf8("ab÷\nde\n"));
    r = orv({"frame", path, "1"});
    QCOMPARE(r.out, QString("123\n456\n"));
}

void TestCli::unreadableMovie()
{
    QTemporaryDir dir;
    const QString broken = fixtures::writeFile(dir, "rota.ovt", "3,2,9,100,0,0,0,0,a,b\r\nabc\r\n");
    for (const QStringList& args : {QStringList{"info", broken}, QStringList{"info", "--json", dir.filePath("none.ovt")}, QStringList{"frame", broken, "0"}}) {
        const Run r = orv(args);
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err.trimmed(), QString::fromUtf8("Se produjo un error al abrir la película, verifique que el archivo esté correcto y sea para esta versión de reproductor."));
    }
}

void TestCli::badUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("unknown verb") << QStringList{"play", "x.ovt"};
    QTest::newRow("info without file") << QStringList{"info"};
    QTest::newRow("info with two files") << QStringList{"info", "a", "b"};
    QTest::newRow("unknown option") << QStringList{"info", "--xml", "a"};
    QTest::newRow("frame without number") << QStringList{"frame", "a"};
    QTest::newRow("frame number not a number") << QStringList{"frame", "a", "x"};
    QTest::newRow("frame number negative") << QStringList{"frame", "a", "-1"};
}

void TestCli::badUsage()
{
    QFETCH(QStringList, args);
    const Run r = orv(args);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("Uso: orv"), qPrintable(r.err));
}

void TestCli::helpOnEveryVerb()
{
    QCOMPARE(orv({"--help"}).status, 0);
    for (const char* verb : {"info", "frame"}) {
        const Run r = orv({verb, "--help"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith(QString("Uso: orv ") + verb));
    }
    QTemporaryDir dir;
    const Run past = orv({"frame", fixtures::writeFile(dir, "p.ovt", kMovie), "2"});
    QCOMPARE(past.status, 2);
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
