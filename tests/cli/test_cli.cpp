// The orv tool as scripts use it: output, exit statuses and messages.
#include "moviefixtures.h"
#include "orvprocess.h"
#include "readfile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kMovie = fixtures::plainMovie("3,2,2,125,0,0,0,0,Jos\xe9,Pel\xed" "cula creada con Orvane ASCII Creator",
                                               {"ab\xf7" "de", "123456"});

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void info()
    {
        QTemporaryDir dir;
        const QStringList lines = runOrv({"info", fixtures::writeFile(dir, "peli.ovt", kMovie)}).out.split('\n');
        for (const char* expected : {"ancho: 3", "numCuadros: 2", "pausa: 125", "creador: José", "forma: plana",
                                     "masInfo: Película creada con Orvane ASCII Creator", "nombreArchivo: peli.ovt"})
            QVERIFY2(lines.contains(QString::fromUtf8(expected)), expected);

        const QString zipped = fixtures::writeZip(dir, "zipped.ovt", {{"zipped.ovt", kMovie}});
        const OrvRun r = runOrv({"info", "--json", zipped});
        QCOMPARE(r.status, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value("alto").toInt(), 2);
        QCOMPARE(o.value("pausa").toDouble(), 125.0);
        QCOMPARE(o.value("creador").toString(), QString::fromUtf8("José"));
        QCOMPARE(o.value("comprimida").toBool(), true);
        QCOMPARE(o.value("nombreArchivo").toString(), QString("zipped.ovt"));
        QCOMPARE(o.value("rutaPelicula").toString(), zipped);
        QVERIFY(o.value("tamanoKB").isDouble());
    }

    void frameAsShown()
    {
        QTemporaryDir dir;
        const QString path = fixtures::writeFile(dir, "peli.ovt", kMovie);
        QCOMPARE(runOrv({"frame", path, "0"}).out, QString::fromUtf8("ab÷\nde\n"));
        QCOMPARE(runOrv({"frame", path, "1"}).out, QString("123\n456\n"));
        QCOMPARE(runOrv({"frame", path, "2"}).status, 2); // past the last frame
    }

    void unreadableMovie()
    {
        QTemporaryDir dir;
        const QString broken = fixtures::writeFile(dir, "rota.ovt", "3,2,9,100,0,0,0,0,a,b\r\nabc\r\n");
        for (const QStringList& args : {QStringList{"info", broken}, QStringList{"info", "--json", dir.filePath("none.ovt")}, QStringList{"frame", broken, "0"}}) {
            const OrvRun r = runOrv(args);
            QCOMPARE(r.status, 1);
            QCOMPARE(r.out, QString());
            QCOMPARE(r.err.trimmed(), QString::fromUtf8("Se produjo un error al abrir la película, verifique que el archivo esté correcto y sea para esta versión de reproductor."));
        }
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing") << QStringList{} << 2 << "Uso: orv";
        QTest::newRow("frame number not a number") << QStringList{"frame", "a", "x"} << 2 << "Uso: orv frame";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Uso: orv";
    }

    void badUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, shown);
        const OrvRun r = runOrv(args);
        QCOMPARE(r.status, status);
        QVERIFY2((status == 0 ? r.out : r.err).startsWith(shown) || r.err.contains("\n" + shown), qPrintable(r.err));
    }

    // Qt's section titles come out in Spanish too.
    // An output that is not a regular file (a FIFO, a link to a device) is
    // refused by every verb that writes, before any work: it stays what it
    // was and nothing is written beside it.
    void outputsThatAreNoFiles_data()
    {
        QTest::addColumn<QStringList>("args"); // OUT stands for the output
        QTest::addColumn<QString>("kind");
        const QList<QStringList> verbs{{"export", "--gif", "-o", "OUT", "m.ovt"},
                                       {"convert", "--width", "3", "--height", "2", "-o", "OUT", "t.txt"},
                                       {"create", "-o", "OUT", "i.bmp"},
                                       {"create", "--video", "c.mkv", "-o", "OUT"},
                                       {"edit", "--pause", "5", "-o", "OUT", "m.ovt"}};
        for (const QStringList& v : verbs)
            for (const char* kind : {"fifo", "device"})
                QTest::addRow("%s%s, %s", qPrintable(v[0]), v.contains("--video") ? " --video" : "", kind) << v << kind;
    }
    void outputsThatAreNoFiles()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        fixtures::writeFile(dir, "m.ovt", kMovie);
        fixtures::writeFile(dir, "t.txt", "1\nabc\nabc\n");
        fixtures::writeFile(dir, "i.bmp", "BM");
        fixtures::writeFile(dir, "c.mkv", "x");
        const QString out = dir.filePath("salida.ovt");
        if (kind == "fifo")
            QVERIFY(::mkfifo(QFile::encodeName(out).constData(), 0644) == 0);
        else
            QVERIFY(QFile::link("/dev/null", out));
        const QStringList before = entriesOf(dir.path());
        for (QString& a : args)
            a = a == "OUT" ? out : a.contains('.') ? dir.filePath(a) : a;
        const OrvRun r = runOrv(args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("no es un archivo común"), qPrintable(r.err));
        QCOMPARE(entriesOf(dir.path()), before);
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(out).constData(), &st) == 0);
        QVERIFY(kind == "fifo" ? S_ISFIFO(st.st_mode) : S_ISCHR(st.st_mode));
    }

    // A verb never writes over one of its own inputs, under any name.
    void outputThatIsAnInput()
    {
        QTemporaryDir dir;
        const QString movie = fixtures::writeFile(dir, "s.ovt", kMovie);
        const QString other = dir.filePath("otro.ovt");
        QVERIFY(::link(QFile::encodeName(movie).constData(), QFile::encodeName(other).constData()) == 0);
        for (const QString& out : {movie, other}) {
            const OrvRun r = runOrv({"export", "--gif", "-o", out, movie});
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains("es el mismo archivo que la entrada"), qPrintable(r.err));
            QCOMPARE(readFile(movie), kMovie);
        }
        const QString source = fixtures::writeFile(dir, "texto.ovt", "1\nabc\nabc\n");
        QCOMPARE(runOrv({"convert", "--width", "3", "--height", "2", "-o", source, source}).status, 2);
        QCOMPARE(readFile(source), QByteArray("1\nabc\nabc\n"));
    }

    // A text or a frame holding control bytes (a title escape, a bell) is
    // written with spaces in their place, as `orv play` shows it, so that
    // no movie can steer the terminal; the JSON form escapes them instead.
    void controlBytesNeverReachTheTerminal()
    {
        QTemporaryDir dir;
        const QString path = fixtures::writeFile(
            dir, "t.ovt", fixtures::plainMovie("4,1,1,100,0,0,0,0,a\x1b]2;nuevo\x07z,i\x9bnfo", {"a\x1b[2Jb"}));
        const OrvRun info = runOrv({"info", path});
        QCOMPARE(info.status, 0);
        QVERIFY(info.out.contains(u"creador: a ]2;nuevo z\n"_s));
        QVERIFY(info.out.contains(u"masInfo: i\u203Anfo\n"_s)); // 0x9B is a character in Windows-1252
        const OrvRun frame = runOrv({"frame", path, "0"});
        QCOMPARE(frame.out, u"a [2\n"_s);
        for (const QString& out : {info.out, frame.out})
            QVERIFY(!out.contains(QChar(0x1b)) && !out.contains(QChar(0x07)));
        QVERIFY(runOrv({"info", "--json", path}).out.contains(u"\\u001b"_s));
    }

    // `--version` names the program and the version the build declares, for
    // orv and for every window, which answers without a display.
    void versionOfEveryProgram()
    {
        const QString version = QStringLiteral(ORV_PROJECT_VERSION);
        for (const char* option : {"--version", "-V"}) {
            const OrvRun r = runOrv({option});
            QCOMPARE(r.status, 0);
            QCOMPARE(r.out, "orv (Orvane ASCII) " + version + "\n");
        }
#ifdef ORV_PROGRAM_PATHS
        for (const QString& program : QStringLiteral(ORV_PROGRAM_PATHS).split(u'|')) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            p.setProcessEnvironment(env);
            p.start(program, {QStringLiteral("--version")});
            QVERIFY(p.waitForFinished(30000));
            QCOMPARE(p.exitCode(), 0);
            QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
                     QFileInfo(program).fileName() + " (Orvane ASCII) " + version + "\n");
        }
#endif
    }

    void helpIsSpanish()
    {
        for (const char* verb : {"info", "frame", "compact", "create", "convert", "export", "play", "edit"}) {
            const OrvRun r = runOrv({verb, "--help"});
            QCOMPARE(r.status, 0);
            QVERIFY2(r.out.contains("\nOpciones:\n") && !r.out.contains("Options:") &&
                         !r.out.contains("Arguments:"),
                     qPrintable(r.out));
        }
    }

    // orv hands the drawing verbs to orv-draw. Without it, those verbs say so
    // and fail, and the others still work.
    void drawingHelperMissing()
    {
        QTemporaryDir dir;
        const QString lone = dir.filePath(QStringLiteral("orv"));
        QVERIFY(QFile::copy(QStringLiteral(ORV_CLI_PATH), lone));
        const QString movie = fixtures::writeFile(dir, "peli.ovt", kMovie);
        const QString expected = "orv: no se pudo ejecutar " + dir.filePath(QStringLiteral("orv-draw")) + ": ";
        for (const QStringList& args : {QStringList{"create", "--help"},
                                        QStringList{"export", "-o", dir.filePath("a.gif"), movie}}) {
            QProcess p;
            p.start(lone, args);
            QVERIFY(p.waitForFinished(30000));
            QCOMPARE(p.exitCode(), 1);
            QVERIFY2(QString::fromUtf8(p.readAllStandardError()).startsWith(expected), qPrintable(args.join(' ')));
        }
        QProcess info;
        info.start(lone, {"info", movie});
        QVERIFY(info.waitForFinished(30000));
        QCOMPARE(info.exitCode(), 0);
    }

    // `orv edit`: the options as rows, each giving the movie written.
    void edit_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("written");
        const QByteArray header = "3,2,%1,125,0,0,0,0,Jos\xe9,Pel\xed" "cula creada con Orvane ASCII Creator";
        const auto movie = [&header](int n, const std::vector<QByteArray>& frames) {
            return fixtures::plainMovie(QByteArray(header).replace("%1", QByteArray::number(n)), frames);
        };
        QTest::newRow("nothing: the same bytes") << QStringList{} << kMovie;
        QTest::newRow("frames repeated, an open range")
            << QStringList{"--frames", "1,0-1,1-"} << movie(4, {"123456", "ab\xf7" "de", "123456", "123456"});
        QTest::newRow("reversed") << QStringList{"--reverse"} << movie(2, {"123456", "ab\xf7" "de"});
        QTest::newRow("appended, itself") << QStringList{"--append", "m.ovt", "--frames", "1"}
                                          << movie(3, {"123456", "ab\xf7" "de", "123456"});
        QTest::newRow("size, anchored south-east")
            << QStringList{"--size", "2x3", "--anchor", "se", "--frames", "1"}
            << fixtures::plainMovie("2,3,1,125,0,0,0,0,Jos\xe9,Pel\xed" "cula creada con Orvane ASCII Creator", {"  2356"});
        QTest::newRow("header") << QStringList{"--pause", "40.5", "--author", "Ana", "--info", "nada"}
                                << fixtures::plainMovie("3,2,2,40.5,0,0,0,0,Ana,nada", {"ab\xf7" "de", "123456"});
    }
    void edit()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, written);
        QTemporaryDir dir;
        const QString movie = fixtures::writeFile(dir, "m.ovt", kMovie);
        for (QString& a : args)
            a = a == "m.ovt" ? movie : a;
        // Written over the movie itself, as a script would.
        const OrvRun r = runOrv(QStringList{"edit"} + args + QStringList{"--quiet", "-o", movie, movie});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(r.out, QString());
        QCOMPARE(readFile(movie), written);
        QCOMPARE(entriesOf(dir.path()), QStringList{"m.ovt"});
    }

    // What `orv edit` refuses writes nothing, leaves the movie as it was
    // and says why.
    void editRefusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("why");
        QTest::newRow("a frame past the end") << QStringList{"--frames", "0-1,7"} << 2
                                              << "el cuadro 7 no existe: la película tiene 2 cuadros (0 a 1)";
        QTest::newRow("another size without --size") << QStringList{"--append", "otra.ovt"} << 2
                                                     << "mide 2x1 y la película 3x2: --size las ajusta";
        QTest::newRow("an author that would not read back") << QStringList{"--author", "a,b"} << 2
                                                            << "no puede contener comas";
        QTest::newRow("a pause that is no number") << QStringList{"--pause", "1e400"} << 2
                                                   << "La pausa establecida no es válida";
        QTest::newRow("an unreadable movie appended") << QStringList{"--append", "roto.ovt"} << 1
                                                      << "Se produjo un error al abrir la película";
    }
    void editRefusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString movie = fixtures::writeFile(dir, "m.ovt", kMovie);
        fixtures::writeFile(dir, "otra.ovt", fixtures::plainMovie("2,1,1,100,0,0,0,0,a,b", {"xy"}));
        fixtures::writeFile(dir, "roto.ovt", "3,2,9,125,0,0,0,0,a,b\r\nabc\r\n");
        for (QString& a : args)
            a = a.endsWith(".ovt") ? dir.filePath(a) : a;
        const QStringList before = entriesOf(dir.path());
        const OrvRun r = runOrv(QStringList{"edit"} + args + QStringList{"-o", movie, movie});
        QCOMPARE(r.status, status);
        QVERIFY2(r.err.contains(why), qPrintable(r.err));
        QCOMPARE(readFile(movie), kMovie);
        QCOMPARE(entriesOf(dir.path()), before);
    }

    void largeFieldsWrittenWhole()
    {
        // Over a megabyte, so that the output goes out in more than one slice,
        // with what JSON must escape and Windows-1252 letters near the cuts.
        QByteArray author;
        QString shown;
        while (author.size() < 1500000) {
            author += QByteArray("Jos\xe9 \\ \"x\" \t\x01 \x80 ", 16);
            shown += QString::fromUtf8("José \\ \"x\" \t\x01 € ");
        }
        const QByteArray info(300000, 'i');
        QTemporaryDir dir;
        const QString path = fixtures::writeFile(dir, "grande.ovt", fixtures::plainMovie("3,1,1,100,0,0,0,0," + author + "," + info, {"abc"}));
        const OrvRun text = runOrv({"info", path});
        QCOMPARE(text.status, 0);
        // On a terminal the tab and the control byte are spaces.
        const QString onTerminal = QString(shown).replace('\t', ' ').replace(QChar(1), ' ');
        QVERIFY(text.out.contains("\ncreador: " + onTerminal + "\nmasInfo: " + QString(info) + "\n"));
        const OrvRun json = runOrv({"info", "--json", path});
        QCOMPARE(json.status, 0);
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(o.value("creador").toString(), shown);
        QCOMPARE(o.value("masInfo").toString(), QString(info));
        QCOMPARE(o.value("numCuadros").toInt(), 1);
        QCOMPARE(o.value("rutaPelicula").toString(), path);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
