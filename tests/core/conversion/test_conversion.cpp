// The text-picture conversion: the parameter checks, the source line
// splitter, how pictures become frames, and the written movie as the
// Player's reader reads it back.
#include "childprocess.h"
#include "conversion.h"
#include "movie.h"
#include "cp1252.h"
#include "linereader.h"
#include "moviefixtures.h"
#include "moviereader.h"
#include "moviewriter.h"
#include "readfile.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using orv::ConversionParameters;
using orv::ConversionState;
using orv::ParameterFault;

Q_DECLARE_METATYPE(orv::ParameterFault)
Q_DECLARE_METATYPE(orv::ConversionState)
Q_DECLARE_METATYPE(orv::ConversionParameters)

namespace {

ConversionParameters parameters(const QString& ancho, const QString& alto, bool leeinicio = true,
                                bool repeat = true)
{
    ConversionParameters p;
    p.ancho = ancho;
    p.alto = alto;
    p.velocidad = u"100"_s;
    p.creador = u"Autor"_s;
    p.leeinicio = leeinicio;
    p.repeat = repeat;
    return p;
}

// The lines of `data`; with `blocks` of 0 or more, read in steps of that
// many blocks, resumed after every pause.
QList<QByteArray> lines(const QByteArray& data, qsizetype limit, int blocks = -1)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    orv::LineReader reader(buffer, limit);
    QList<QByteArray> out;
    QByteArrayView l;
    using Step = orv::LineReader::Step;
    for (Step p; (p = reader.stepForward(l, blocks)) != Step::End;)
        if (p == Step::Line)
            out.append(l.toByteArray());
    if (reader.consumed() != data.size())
        qWarning("consumed %lld of %lld", qlonglong(reader.consumed()), qlonglong(data.size()));
    return out;
}

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT
private slots:
    void checks_data()
    {
        QTest::addColumn<QString>("ancho");
        QTest::addColumn<QString>("alto");
        QTest::addColumn<QString>("pausa");
        QTest::addColumn<QString>("creador");
        QTest::addColumn<ParameterFault>("failure");

        const auto ok = ParameterFault::None;
        QTest::newRow("leading number 2x") << u"2x"_s << u"2"_s << u"100"_s << u"A"_s << ok;
        QTest::newRow("fraction passes") << u"2.5"_s << u"20 px"_s << u"100"_s << u"A"_s << ok;
        QTest::newRow("width 1") << u"1"_s << u"5"_s << u"100"_s << u"A"_s
                                 << ParameterFault::WidthOrHeight;
        QTest::newRow("width over 16 bits")
            << u"32768"_s << u"5"_s << u"100"_s << u"A"_s << ParameterFault::TooLarge;
        QTest::newRow("widest") << u"32767"_s << u"32766"_s << u"100"_s << u"A"_s << ok;
        QTest::newRow("height plus one over 16 bits")
            << u"5"_s << u"32767"_s << u"100"_s << u"A"_s << ParameterFault::TooLarge;
        QTest::newRow("pause zero")
            << u"5"_s << u"5"_s << u"0"_s << u"A"_s << ParameterFault::Pause;
        QTest::newRow("author comma")
            << u"5"_s << u"5"_s << u"100"_s << u"Ana, Luis"_s << ParameterFault::Author;
    }

    void checks()
    {
        QFETCH(QString, ancho);
        QFETCH(QString, alto);
        QFETCH(QString, pausa);
        QFETCH(QString, creador);
        QFETCH(ParameterFault, failure);
        ConversionParameters p = parameters(ancho, alto);
        p.velocidad = pausa;
        p.creador = creador;
        QCOMPARE(orv::checkParameters(p), failure);
        QCOMPARE(orv::parameterFaultMessage(failure).isEmpty(), failure == ParameterFault::None);
        if (failure == ParameterFault::Author) // the message names what is wrong
            QCOMPARE(orv::parameterFaultMessage(failure, creador),
                     u"El nombre del creador no puede contener "_s + *orv::authorProblem(creador) +
                         u", procure cambiarlo antes de convertir."_s);
    }

    void lineSplitting_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<qsizetype>("limit");
        QTest::addColumn<QList<QByteArray>>("expected");

        const qsizetype unlimited = 1 << 20;
        const qsizetype block = orv::LineReader::kBlock;
        QTest::newRow("CR LF") << "a\r\nbc\r\n"_ba << unlimited << QList<QByteArray>{"a", "bc"};
        QTest::newRow("lone CR") << "a\rbc\r"_ba << unlimited << QList<QByteArray>{"a", "bc"};
        QTest::newRow("LF CR is two ends")
            << "a\n\rb"_ba << unlimited << QList<QByteArray>{"a", "", "b"};
        QTest::newRow("mixed, last without end")
            << "a\r\n\nb\rc"_ba << unlimited << QList<QByteArray>{"a", "", "b", "c"};
        QTest::newRow("empty file") << QByteArray() << unlimited << QList<QByteArray>{};
        QTest::newRow("cut to the limit") << "abcdef\r\ngh\r\n"_ba << qsizetype(3)
                                          << QList<QByteArray>{"abc", "gh"};

        // Line ends that fall on a block boundary.
        const QByteArray length(block - 1, 'x');
        QTest::newRow("CR LF split by a block")
            << length + "\r\nz"_ba << unlimited << QList<QByteArray>{length, "z"};
        QTest::newRow("lone CR ending a block")
            << length + "\rz"_ba << unlimited << QList<QByteArray>{length, "z"};
        QTest::newRow("CR LF at the very end")
            << length + "\r\n"_ba << unlimited << QList<QByteArray>{length};
        const QByteArray huge(3 * block + 5, 'y');
        QTest::newRow("line longer than blocks, cut")
            << huge + "\r\nz"_ba << qsizetype(4) << QList<QByteArray>{"yyyy", "z"};
        QTest::newRow("cut line whose CR ends a block")
            << QByteArray(2 * block - 1, 'y') + "\r\nz"_ba << qsizetype(2)
            << QList<QByteArray>{"yy", "z"};
        QTest::newRow("line over blocks, whole")
            << huge + "\nz"_ba << unlimited << QList<QByteArray>{huge, "z"};
    }

    void lineSplitting()
    {
        QFETCH(QByteArray, data);
        QFETCH(qsizetype, limit);
        QFETCH(QList<QByteArray>, expected);
        QTest::failOnWarning(QRegularExpression(u"consumed"_s));
        // Whole, and in steps of one and two blocks (the analyser's way).
        for (int blocks : {-1, 1, 2}) {
            const QList<QByteArray> read = lines(data, limit, blocks);
            QCOMPARE(read.size(), expected.size());
            for (qsizetype i = 0; i < read.size(); ++i)
                QCOMPARE(read[i], expected[i]);
        }
    }

    void frames_data()
    {
        QTest::addColumn<ConversionParameters>("p");
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QList<QByteArray>>("cuadros");

        QTest::newRow("counts 2 and 0")
            << parameters("3", "3") << "2\r\na\r\nb\r\nc\r\n0\r\nd\r\ne\r\nf\r\n"_ba
            << QList<QByteArray>{"a  b  c  ", "a  b  c  ", "d  e  f  "};
        QTest::newRow("padding and cutting W 5 H 2")
            << parameters("5", "2") << "2\r\nab\r\nabcdefg\r\n"_ba
            << QList<QByteArray>{"ab   abcde", "ab   abcde"};
        QTest::newRow("halves to even")
            << parameters("2", "2") << "2.5\nab\ncd\n3.5\nef\ngh\n0.5\nij\nkl\n"_ba
            << QList<QByteArray>{"abcd", "abcd", "efgh", "efgh", "efgh", "efgh", "ijkl"};
        QTest::newRow("negative and text counts give one")
            << parameters("2", "2") << "-3\nab\ncd\nabc\nef\ngh\n"_ba
            << QList<QByteArray>{"abcd", "efgh"};
        QTest::newRow("leading number of the count")
            << parameters("2", "2") << " 2 copias\nab\ncd\n"_ba
            << QList<QByteArray>{"abcd", "abcd"};
        QTest::newRow("skipping control lines")
            << parameters("2", "2", true, false) << "5\nab\ncd\nxx\nef\ngh\n"_ba
            << QList<QByteArray>{"abcd", "efgh"};
        QTest::newRow("first line is a row without control lines")
            << parameters("2", "2", false, true) << "3\nabc\n\nef\ngh\nij\n"_ba
            << QList<QByteArray>{"3 ab  ", "efghij"};
        QTest::newRow("partial picture dropped")
            << parameters("2", "3") << "1\na\nb\nc\n4\nd\ne"_ba << QList<QByteArray>{"a b c "};
        QTest::newRow("lone CR and LF and no last end")
            << parameters("2", "2") << "1\rab\ncd\r\n1\ref\ngh"_ba
            << QList<QByteArray>{"abcd", "efgh"};
        QTest::newRow("tabs and Windows-1252 bytes pass unchanged")
            << parameters("3", "2") << "1\n\t\xe9\x80\n\xf7\xa4\n"_ba
            << QList<QByteArray>{"\t\xe9\x80\xf7\xa4 "_ba};
        QTest::newRow("width from a leading number with a fraction")
            << parameters("2.5", "2 filas") << "1\nabc\nd\n"_ba << QList<QByteArray>{"abd "};
    }

    void frames()
    {
        QFETCH(ConversionParameters, p);
        QFETCH(QByteArray, source);
        QFETCH(QList<QByteArray>, cuadros);
        QTemporaryDir dir;
        const QString path = fixtures::writeFile(dir, u"fuente.txt"_s, source);
        orv::ConvertedMovie movie(orv::widthUsed(p) *
                                  (p.leeinicio ? orv::heightUsed(p) : orv::heightUsed(p) + 1));
        QVERIFY(orv::readSource(orv::FileName::fromText(path), p, movie));
        QCOMPARE(movie.numCuadros(), cuadros.size());
        for (int i = 0; i < movie.numCuadros(); ++i)
            QCOMPARE(movie.frame(i).toByteArray(), cuadros[i]);
    }

    void headerFields_data()
    {
        QTest::addColumn<ConversionParameters>("p");
        QTest::addColumn<int>("ancho");
        QTest::addColumn<int>("alto");
        QTest::addColumn<QByteArray>("firstFrame");

        QTest::newRow("control lines: header says H + 1")
            << parameters("3", "2") << 3 << 3 << "ab cd "_ba;
        QTest::newRow("no control lines: header height is the rows")
            << parameters("3", "2", false) << 3 << 3 << "1  ab cd "_ba;
        QTest::newRow("2x written as the width used")
            << parameters("2x", "2") << 2 << 3 << "abcd"_ba;
        QTest::newRow("20 px and 2.5") << parameters("20 px", "2.5") << 20 << 3
                                       << "ab                  cd                  "_ba;
    }

    void headerFields()
    {
        QFETCH(ConversionParameters, p);
        QFETCH(int, ancho);
        QFETCH(int, alto);
        QFETCH(QByteArray, firstFrame);
        p.velocidad = u"250"_s;
        p.creador = u"Señora Núñez"_s;
        QTemporaryDir dir;
        const QString source = fixtures::writeFile(dir, u"f.txt"_s, "1\nab\ncd\n"_ba);
        const QString output = dir.filePath(u"peli.ovt"_s);
        const auto r = orv::convert(orv::fileNamesFromTexts(QStringList{source}), p, orv::FileName::fromText(output));
        QCOMPARE(r.state, ConversionState::Written);

        orv::Movie read;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), read));
        QCOMPARE(int(read.ancho), ancho);
        QCOMPARE(int(read.alto), alto);
        QCOMPARE(int(read.numCuadros), 1);
        QCOMPARE(read.pausa, 250.0);
        QCOMPARE(orv::fromCp1252(read.creador), p.creador);
        QCOMPARE(orv::fromCp1252(read.masInfo), u"Película creada con Orvane ASCII Converter"_s);
        QCOMPARE(read.frame(0).toByteArray(), firstFrame);
        QVERIFY(readFile(output).endsWith(firstFrame + "\r\n"));
    }

    // A count that does not fit 16 bits, infinity included, fails its file
    // from there on; the other files are converted.
    void badCountFailsOnlyItsFile_data()
    {
        QTest::addColumn<QByteArray>("count");
        QTest::newRow("past 16 bits") << "40000"_ba;
        QTest::newRow("past a double") << "1e999"_ba;
    }

    void badCountFailsOnlyItsFile()
    {
        QFETCH(QByteArray, count);
        QTemporaryDir dir;
        const QStringList sources{
            fixtures::writeFile(dir, u"a.txt"_s, "2\nab\ncd\n" + count + "\nef\ngh\n1\nij\nkl\n"),
            dir.filePath(u"no-existe.txt"_s),
            fixtures::writeFile(dir, u"b.txt"_s, "1\nmn\nop\n"_ba),
        };
        const QString output = dir.filePath(u"peli.ovt"_s);
        const auto r = orv::convert(orv::fileNamesFromTexts(sources), parameters(u"2"_s, u"2"_s), orv::FileName::fromText(output));
        QCOMPARE(r.state, ConversionState::Written);
        QCOMPARE(r.failedSources, 2);
        orv::Movie read;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), read));
        QCOMPARE(fixtures::frames(read), (QByteArrayList{"abcd", "abcd", "mnop"}));
    }

    // A FIFO or a device in the list is a source that cannot be read: it is
    // refused when added and fails its file when converted, at once.
    void specialFilesAreNoSources_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << u"fifo"_s;
        QTest::newRow("link to /dev/zero") << u"zero"_s;
    }

    void specialFilesAreNoSources()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString source = specialFile(dir, u"f.txt"_s, kind);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!orv::puedeabrir(orv::FileName::fromText(source)));
        const auto r = orv::convert(orv::fileNamesFromTexts(QStringList{source}), parameters(u"2"_s, u"2"_s), orv::FileName::fromText(dir.filePath(u"p.ovt"_s)));
        QCOMPARE(r.state, ConversionState::NoFrames);
        QCOMPARE(r.failedSources, 1);
        QVERIFY(clock.elapsed() < 1000);
    }

    // When the only picture fails its count, the message says so, not that
    // the height and width are wrong.
    void onlyPictureWithABadCount()
    {
        QTemporaryDir dir;
        const QString source = fixtures::writeFile(dir, u"a.txt"_s, "1e999\nab\ncd\n"_ba);
        const auto r = orv::convert(orv::fileNamesFromTexts(QStringList{source}), parameters(u"2"_s, u"2"_s), orv::FileName::fromText(dir.filePath(u"p.ovt"_s)));
        QCOMPARE(r.state, ConversionState::NoFrames);
        QVERIFY(
            orv::noFramesMessage(r.failedSources)
                .startsWith(
                    u"No se creó la película: 1 archivo(s) de origen no se pudieron leer por completo"_s));
    }

    void repeatedPictureHeldOnce()
    {
        QTemporaryDir dir;
        const QString path = fixtures::writeFile(dir, u"f.txt"_s, "1000\nab\ncd\n2\nef\ngh\n"_ba);
        const ConversionParameters p = parameters(u"2"_s, u"2"_s);
        orv::ConvertedMovie movie(4);
        QVERIFY(orv::readSource(orv::FileName::fromText(path), p, movie));
        QCOMPARE(movie.numCuadros(), 1002);
        QCOMPARE(movie.imageCount(), 2);
        QCOMPARE(movie.frame(999).toByteArray(), "abcd"_ba);
        QCOMPARE(movie.frame(1001).toByteArray(), "efgh"_ba);
    }

    void frameLimit_data()
    {
        QTest::addColumn<QByteArrayList>("sources");
        QTest::addColumn<bool>("reached");
        QTest::addColumn<QByteArray>("last");
        QTest::newRow("one source past the limit") << QByteArrayList{"32000\nab\ncd\n800\nef\ngh\n"} << true << "efgh"_ba;
        QTest::newRow("a second source finds it full")
            << QByteArrayList{"32000\nab\ncd\n800\nef\ngh\n", "1\nij\nkl\n"} << true << "efgh"_ba;
        QTest::newRow("exactly the limit is not past it") << QByteArrayList{"32000\nab\ncd\n766\nef\ngh\n"} << false << "efgh"_ba;
    }

    void frameLimit()
    {
        QFETCH(QByteArrayList, sources);
        QFETCH(bool, reached);
        QFETCH(QByteArray, last);
        QTemporaryDir dir;
        QStringList paths;
        for (const QByteArray& f : sources)
            paths << fixtures::writeFile(dir, QString::number(paths.size()) + u".txt"_s, f);
        const QString output = dir.filePath(u"peli.ovt"_s);
        const auto r = orv::convert(orv::fileNamesFromTexts(paths), parameters(u"2"_s, u"2"_s), orv::FileName::fromText(output));
        QCOMPARE(r.state, ConversionState::Written);
        QCOMPARE(r.limitReached, reached);
        orv::Movie read;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), read));
        QCOMPARE(int(read.numCuadros), orv::kMaxFrames);
        QCOMPARE(read.frame(orv::kMaxFrames - 1).toByteArray(), last);
    }

    void nothingWritten_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<ConversionState>("state");
        QTest::newRow("only a partial picture")
            << "1\nab\n"_ba << false << ConversionState::NoFrames;
        QTest::newRow("cancelled while reading")
            << ("1\n" + QByteArray(200, 'x') + "\n" + QByteArray(200, 'y') + "\n").repeated(10000)
            << true << ConversionState::Cancelled;
    }

    void nothingWritten()
    {
        QFETCH(QByteArray, source);
        QFETCH(bool, cancel);
        QFETCH(ConversionState, state);
        QTemporaryDir dir;
        const QString output = fixtures::writeFile(dir, u"peli.ovt"_s, "an older movie"_ba);
        const QString path = fixtures::writeFile(dir, u"f.txt"_s, source);
        int calls = 0;
        const auto r = orv::convert({orv::FileName::fromText(path)}, parameters(u"2"_s, u"2"_s),
                                    orv::FileName::fromText(output),
                                    [&](qint64, qint64) { return ++calls < 2 || !cancel; });
        QCOMPARE(r.state, state);
        QCOMPARE(readFile(output), "an older movie"_ba);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no scratch file left
    }

    // A 40 KB source repeating one picture 32,766 times would make a 1.3 GB
    // movie no program opens: refused with its size once the sources are
    // read, before a byte of the movie is written.
    void tooLargeNeverStartsWriting()
    {
        QTemporaryDir dir;
        QByteArray source = "32766\n";
        for (int r = 0; r < 100; ++r)
            source += QByteArray(400, char('a' + r % 26)) + "\n";
        const QString path = fixtures::writeFile(dir, u"f.txt"_s, source);
        bool writing = false;
        const auto r = orv::convert({orv::FileName::fromText(path)}, parameters(u"400"_s, u"100"_s),
                                    orv::FileName::fromText(dir.filePath(u"p.ovt"_s)),
                                    [&](qint64 done, qint64 total) {
                                        writing = writing || done > total / 2;
                                        return true;
                                    });
        QCOMPARE(r.state, ConversionState::TooLarge);
        QCOMPARE(r.bytes, orv::movieBytes(orv::conversionHeader(parameters(u"400"_s, u"100"_s), 32766).size(),
                                          32766, 400 * 100));
        QVERIFY(!writing);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"f.txt"_s});
    }

    // A picture too large for the memory there is fails the conversion as a
    // write does: nothing written, and no end of the program.
    void outOfMemoryFailsLikeAWrite()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer needs more address space than the limit leaves");
#endif
        QTemporaryDir dir;
        const QString source = fixtures::writeFile(dir, u"f.txt"_s, "1\nab\ncd\n"_ba);
        const QString output = dir.filePath(u"p.ovt"_s);
        const int status = childprocess::run([&] {
            const rlimit limit{rlim_t(900) << 20, rlim_t(900) << 20};
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                return childprocess::kSkipped;
            const auto r = orv::convert(orv::fileNamesFromTexts(QStringList{source}), parameters(u"32767"_s, u"32766"_s), orv::FileName::fromText(output));
            return r.state == ConversionState::WriteError && r.codeError == 7 ? 0 : 1;
        });
        if (status == childprocess::kSkipped)
            QSKIP("the address-space limit could not be set");
        QCOMPARE(status, 0);
        QVERIFY(!QFile::exists(output));
    }

    // The message gives the first failure's cause: on a full disk, not the
    // cancel that followed it.
    void writeFailureReportsTheFileError_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("missing folder") << false;
        QTest::newRow("full disk") << true;
    }

    void writeFailureReportsTheFileError()
    {
        QFETCH(bool, diskFull);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"lleno"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"lleno"_s));
        if (diskFull && QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s,
                                                       u"tmpfs"_s, target}) != 0)
            QSKIP("a small tmpfs could not be mounted (it needs root): the full disk is not tried");
        const auto unmount = qScopeGuard([&] {
            if (diskFull)
                QProcess::execute(u"umount"_s, {target});
        });
        QByteArray source;
        for (int i = 0; i < 400; ++i)
            source +=
                "1\n" + QByteArray(200, char('a' + i % 26)) + "\n" + QByteArray(200, 'z') + "\n";
        const QString path = fixtures::writeFile(dir, u"f.txt"_s, source);
        const auto r = orv::convert({orv::FileName::fromText(path)}, parameters(u"200"_s, u"2"_s),
                                    orv::FileName::fromText(diskFull ? target + u"/peli.ovt"_s
                                                                     : dir.filePath(u"no/such/folder/peli.ovt"_s)));
        QCOMPARE(r.state, ConversionState::WriteError);
        QVERIFY(r.codeError != 0);
        const QString m = orv::writeErrorMessage(r.codeError, r.errorDescription);
        QVERIFY(
            m.startsWith(u"Se produjo un error al crear la película, el código de error es el "_s +
                         QString::number(r.codeError) + u" y esto sucede por "_s));
        if (diskFull)
            QVERIFY2(m.endsWith(u"No space left on device"_s), qPrintable(m));
        QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestConversion)
#include "test_conversion.moc"
