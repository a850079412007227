#include "cp1252.h"
#include "childprocess.h"
#include "generation.h"
#include "movie.h"
#include "moviereader.h"
#include "moviewriter.h"
#include "readfile.h"
#include "tonetable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <vector>

using namespace orv;

Q_DECLARE_METATYPE(orv::Result)

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0;

std::uint32_t grey(int v)
{
    return std::uint32_t(v) * 0x010101u;
}

// A picture held as packed colours, made by the tests.
class TestImage : public Image
{
public:
    TestImage(int w, int h, const std::function<std::uint32_t(int, int)>& f) : m_w(w), m_h(h)
    {
        m_p.resize(std::size_t(w) * std::size_t(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                m_p[std::size_t(y) * std::size_t(w) + std::size_t(x)] = f(x, y);
    }
    int width() const override { return m_w; }
    int height() const override { return m_h; }
    std::uint32_t color(int x, int y) const override
    {
        return m_p[std::size_t(y) * std::size_t(m_w) + std::size_t(x)];
    }

private:
    int m_w, m_h;
    std::vector<std::uint32_t> m_p;
};

// Columns cycle through the colours; every row alike.
TestImage stripes(const QList<std::uint32_t>& colours, int w = 16, int h = 24)
{
    return TestImage(w, h, [&](int x, int) { return colours[x % colours.size()]; });
}

TestImage lisa(int w, int h, std::uint32_t c = kWhite)
{
    return TestImage(w, h, [c](int, int) { return c; });
}

// Hands out copies of the pictures; a missing picture reads as undecodable.
ImageLoad loadFrom(const std::vector<std::optional<TestImage>>& colourSets)
{
    return [colourSets](int i) -> std::unique_ptr<Image> {
        if (!colourSets.at(std::size_t(i)))
            return nullptr;
        return std::make_unique<TestImage>(*colourSets.at(std::size_t(i)));
    };
}

// n greys from white down in steps of 15, all lighter than black.
QList<std::uint32_t> greys(int n)
{
    QList<std::uint32_t> g;
    for (int i = 0; i < n; ++i)
        g.append(grey(255 - 15 * i));
    return g;
}

// Images as runs of column colours, and frames as runs of characters.
using ColourSets = QList<QList<std::uint32_t>>;
using Chars = QList<QByteArray>;

} // namespace

class TestGeneration : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    GenerationResult genera(const QString& target,
                            const std::vector<std::optional<TestImage>>& images,
                            const QString& pausa = QStringLiteral("100"),
                            const QString& creador = {})
    {
        return generaPelicula(orv::FileName::fromText(target), {int(images.size()), pausa, creador}, loadFrom(images));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // The three 40 × 30 images of the header example: the exact header line,
    // then 600-character frame lines, and the reader takes it back.
    void headerAndFrameLines()
    {
        const QString target = path(QStringLiteral("tres.ovt"));
        const auto r =
            genera(target, {lisa(40, 30), lisa(40, 30, kBlack), stripes({kWhite, kBlack}, 40, 30)});
        QCOMPARE(r.type, Result::Created);
        const QList<QByteArray> lines = readFile(target).split('\n');
        QCOMPARE(lines.size(), 5); // four lines ended by CR LF, then nothing
        QCOMPARE(lines[0], QByteArray("40,15,3,100,0,0,0,0,,Pel\xED"
                                      "cula creada con Orvane ASCII Creator\r"));
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(lines[i].size(), 601);
        QVERIFY(lines[4].isEmpty());

        Movie p;
        QVERIFY(cargaPelicula(orv::FileName::fromText(target), p));
        QCOMPARE(p.ancho, 40);
        QCOMPARE(p.alto, 15);
        QCOMPARE(p.numCuadros, 3);
        QCOMPARE(p.pausa, 100.0);
        QCOMPARE(p.creador, QByteArray());
        QCOMPARE(p.frame(2).first(4), QByteArrayView(" . ."));
    }

    // Every even pixel row is a frame row, odd rows are never looked at.
    void rowsAreEvenPixelRows_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("rows");
        QTest::newRow("odd height 25") << 25 << 13;
        QTest::newRow("smallest accepted, 23") << 23 << 12;
    }
    void rowsAreEvenPixelRows()
    {
        QFETCH(int, height);
        QFETCH(int, rows);
        const QString target = path(QStringLiteral("filas.ovt"));
        // Even rows white, odd rows in 20 colours that must neither count nor show.
        const TestImage image(20, height, [](int x, int y) {
            return y % 2 ? std::uint32_t(0x100 * (x + 1)) : kWhite;
        });
        QCOMPARE(genera(target, {image}).type, Result::Created);
        Movie p;
        QVERIFY(cargaPelicula(orv::FileName::fromText(target), p));
        QCOMPARE(int(p.alto), rows);
        QCOMPARE(p.frame(0), QByteArray(20 * rows, ' '));
    }

    // The accepted sizes, tested on image 0 only.
    void sizeBounds_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("11 wide") << 11 << 30 << false;
        QTest::newRow("12 wide") << 12 << 30 << true;
        QTest::newRow("400 wide") << 400 << 30 << true;
        QTest::newRow("401 wide") << 401 << 30 << false;
        QTest::newRow("22 high") << 20 << 22 << false;
        QTest::newRow("23 high") << 20 << 23 << true;
        QTest::newRow("800 high") << 20 << 800 << true;
        QTest::newRow("801 high") << 20 << 801 << false;
    }
    void sizeBounds()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, accepted);
        const QString target = path(QStringLiteral("tam.ovt"));
        QFile::remove(target);
        const auto r = genera(target, {lisa(width, height)});
        QCOMPARE(r.type, accepted ? Result::Created : Result::InvalidSize);
        QCOMPARE(QFile::exists(target), accepted);
        // The refusal holds nothing open: the next run works.
        QCOMPARE(genera(target, {lisa(12, 24)}).type, Result::Created);
    }

    // Tones of the whole movie: each image is a run of column colours, each
    // expected frame the characters of those colours.
    void toneMapping_data()
    {
        QTest::addColumn<ColourSets>("colourSets");
        QTest::addColumn<Chars>("characters");
        const std::uint32_t red = 0x0000FF, blue = 0xFF0000;
        QTest::newRow("black and white") << ColourSets{{kWhite, kBlack}} << Chars{" ."};
        QTest::newRow("three greys and black")
            << ColourSets{{grey(90), kBlack, grey(200), grey(150)}} << Chars{",: ."};
        QTest::newRow("black first, then white")
            << ColourSets{{kBlack}, {kWhite, kBlack}} << Chars{" ", " ."};
        QTest::newRow("a new tone moves black along")
            << ColourSets{{kWhite, kBlack}, {kWhite, grey(128), kBlack}} << Chars{" .", " .,"};
        QTest::newRow("a lighter tone later moves the others down")
            << ColourSets{{grey(100)}, {kWhite, grey(100)}} << Chars{" ", " ."};
        QTest::newRow("blue weighs more than red")
            << ColourSets{{red, blue, kBlack}} << Chars{". ,"};
        QTest::newRow("sixteen tones, no black") << ColourSets{greys(16)}
                                                 << Chars{" .,:\xF7\xA4lJFE9$\x80"
                                                          "8@#"};
        QList<std::uint32_t> fifteenAndBlack = greys(15);
        fifteenAndBlack.prepend(kBlack);
        QTest::newRow("fifteen tones and black") << ColourSets{fifteenAndBlack}
                                                 << Chars{"# .,:\xF7\xA4lJFE9$\x80"
                                                          "8@"};
        QTest::newRow("eight and eight across images")
            << ColourSets{greys(16).mid(8), greys(16).mid(0, 8)}
            << Chars{" .,:\xF7\xA4lJ", " .,:\xF7\xA4lJ"};
    }
    void toneMapping()
    {
        QFETCH(ColourSets, colourSets);
        QFETCH(Chars, characters);
        const QString target = path(QStringLiteral("tonos.ovt"));
        std::vector<std::optional<TestImage>> images;
        for (const auto& colours : colourSets)
            images.emplace_back(stripes(colours));
        QCOMPARE(genera(target, images).type, Result::Created);
        Movie p;
        QVERIFY(cargaPelicula(orv::FileName::fromText(target), p));
        QCOMPARE(int(p.numCuadros), colourSets.size());
        for (int i = 0; i < colourSets.size(); ++i) {
            QByteArray expected;
            for (int row = 0; row < 12; ++row)
                for (int x = 0; x < 16; ++x)
                    expected.append(characters[i][x % characters[i].size()]);
            QCOMPARE(p.frame(i).toByteArray(), expected);
        }
    }

    // A 17th tone refuses the movie and names the image that brought it; no
    // movie is left, and a movie already of that name stays as it was.
    void seventeenthTone_data()
    {
        QTest::addColumn<ColourSets>("colourSets");
        QTest::addColumn<int>("index");
        QList<std::uint32_t> seventeen = greys(16);
        seventeen.append(0x123456);
        QTest::newRow("seventeen in one image") << ColourSets{seventeen} << 0;
        QTest::newRow("ten, then seven others")
            << ColourSets{greys(10),
                          {0x0000F0, 0x0000E0, 0x0000D0, 0x0000C0, 0x0000B0, 0x0000A0, 0x000090}}
            << 1;
        QList<std::uint32_t> blackFirst = greys(16);
        blackFirst.prepend(kBlack);
        QTest::newRow("black before the 16th tone of the same image")
            << ColourSets{blackFirst} << 0;
        QTest::newRow("black after sixteen tones") << ColourSets{greys(16), {kWhite, kBlack}} << 1;
    }
    void seventeenthTone()
    {
        QFETCH(ColourSets, colourSets);
        QFETCH(int, index);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("existente.ovt"));
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("anterior\r\n") == 10);
        f.close();
        std::vector<std::optional<TestImage>> images;
        for (const auto& colours : colourSets)
            images.emplace_back(stripes(colours, 17));
        const auto r = genera(target, images);
        QCOMPARE(r.type, Result::TooManyTones);
        QCOMPARE(r.index, index);
        QCOMPARE(readFile(target), QByteArray("anterior\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("existente.ovt")});
    }

    // Black met once, while slots were free, still needs a slot of its own
    // once the same image fills all sixteen.
    void blackAtOnePixelOfTheImageFillingSixteen()
    {
        QTemporaryDir dir;
        const QList<std::uint32_t> g = greys(16);
        const TestImage image(16, 24,
                              [&](int x, int y) { return x == 0 && y == 0 ? kBlack : g[x]; });
        const auto r = genera(dir.filePath(QStringLiteral("p.ovt")), {image});
        QCOMPARE(r.type, Result::TooManyTones);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    // Failures, before or after the header, leave no file.
    void failureLeavesNoFile_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("secondWidth");
        QTest::addColumn<int>("secondHeight");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<Result>("result");
        QTest::newRow("first unreadable") << 0 << 20 << 24 << false << Result::InvalidImage;
        QTest::newRow("second one pixel taller") << 1 << 20 << 25 << true << Result::SizesDiffer;
        QTest::newRow("second unreadable") << 1 << 20 << 24 << false << Result::InvalidImage;
    }
    void failureLeavesNoFile()
    {
        QFETCH(int, index);
        QFETCH(int, secondWidth);
        QFETCH(int, secondHeight);
        QFETCH(bool, readable);
        QFETCH(Result, result);
        QTemporaryDir dir;
        std::vector<std::optional<TestImage>> images{lisa(20, 24), lisa(secondWidth, secondHeight),
                                                     lisa(20, 24)};
        if (!readable)
            images[std::size_t(index)].reset();
        const auto r = genera(dir.filePath(QStringLiteral("peli.ovt")), images);
        QCOMPARE(r.type, result);
        QCOMPARE(r.index, index);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void cancelLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("p.ovt"));
        int seen = 0;
        const auto r =
            generaPelicula(orv::FileName::fromText(target), {3, QStringLiteral("100"), {}},
                           loadFrom({lisa(20, 24), lisa(20, 24), lisa(20, 24)}), [&seen](int done) {
                               seen = done;
                               return done < 2;
                           });
        QCOMPARE(r.type, Result::Cancelled);
        QCOMPARE(seen, 2);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // A movie larger than the programs open is refused once image 0 gives
    // the size of every frame, before any other image is asked for and
    // before a byte is written.
    void tooLargeRefusedBeforeWriting()
    {
        QTemporaryDir dir;
        int asked = 0;
        const auto r = generaPelicula(orv::FileName::fromText(dir.filePath(QStringLiteral("p.ovt"))),
                                      {8100, QStringLiteral("100"), {}}, [&asked](int) {
                                          ++asked;
                                          return std::make_unique<TestImage>(lisa(400, 800));
                                      });
        QCOMPARE(r.type, Result::TooLarge);
        QCOMPARE(asked, 1);
        QVERIFY(r.bytes > orv::kMaxMovieBytes);
        QVERIFY(orv::generationMessage(r, {}).startsWith(QStringLiteral("La película ocuparía 1236 MB")));
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // A write the system refuses (here past a file-size limit) says the
    // system's reason after the usual message, and leaves nothing.
    void writeFailureSaysWhy()
    {
        QTemporaryDir dir;
        const int status = childprocess::run([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1 << 20, 1 << 20};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return childprocess::kSkipped;
            std::vector<std::optional<TestImage>> images(30, lisa(400, 200));
            const auto r = generaPelicula(orv::FileName::fromText(dir.filePath(QStringLiteral("p.ovt"))),
                                          {30, QStringLiteral("100"), {}}, loadFrom(images));
            const QString said = orv::generationMessage(r, {});
            return r.type == Result::WriteError && said.startsWith(orv::genericErrorMessage())
                           && said.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG)))
                       ? 0
                       : 1;
        });
        if (status == childprocess::kSkipped)
            QSKIP("the file-size limit could not be set");
        QCOMPARE(status, 0);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // Images are asked for in order and each once, so they may be decoded ahead.
    void imagesAskedInOrderOnce()
    {
        QList<int> requested;
        const auto r =
            generaPelicula(orv::FileName::fromText(path(QStringLiteral("orden.ovt"))),
                           {3, QStringLiteral("100"), QStringLiteral("Ana")}, [&requested](int i) {
                               requested.append(i);
                               return std::make_unique<TestImage>(lisa(12, 24));
                           });
        QCOMPARE(r.type, Result::Created);
        QCOMPARE(requested, (QList<int>{0, 1, 2}));
    }

    // Pauses and authors that would not read back as written are refused.
    void validation_data()
    {
        QTest::addColumn<QString>("pausa");
        QTest::addColumn<QString>("creador");
        QTest::addColumn<bool>("valid");
        // Which texts pass is the writers' shared rule; here, that a pause
        // and an author it accepts are written as typed, and that a refusal
        // stops the movie.
        QTest::newRow("fraction and author") << " 2.5 "
                                             << "Begoña" << true;
        QTest::newRow("zero") << "0"
                              << "" << false;
        QTest::newRow("author with a comma") << "100"
                                             << "Ana, Luis" << false;
    }
    void validation()
    {
        QFETCH(QString, pausa);
        QFETCH(QString, creador);
        QFETCH(bool, valid);
        const auto message = validateData(pausa, creador);
        QCOMPARE(!message.has_value(), valid);
        if (const auto problem = authorProblem(creador); problem && readablePause(pausa))
            QVERIFY(
                message->startsWith("El nombre del creador no puede contener " + *problem + ": "));
        if (valid) {
            const QString target = path(QStringLiteral("valida.ovt"));
            QCOMPARE(genera(target, {lisa(12, 24)}, pausa, creador).type, Result::Created);
            Movie p;
            QVERIFY(cargaPelicula(orv::FileName::fromText(target), p));
            QCOMPARE(p.pausa, pausa.trimmed().toDouble());
            QCOMPARE(p.creador, toCp1252(creador));
            QCOMPARE(p.masInfo, toCp1252(creatorInfo()));
        }
    }

    void messages_data()
    {
        QTest::addColumn<Result>("type");
        QTest::addColumn<QString>("text");
        const QString end = QStringLiteral("\r\n\r\nEl proceso no puede continuar.");
        QTest::newRow("invalid")
            << Result::InvalidImage
            << QStringLiteral("La siguiente imágen no es una imágen válida: \r\n/img/b.gif") + end;
        QTest::newRow("tones")
            << Result::TooManyTones
            << QStringLiteral(
                   "La siguiente imágen contiene más de 16 tonalidades: \r\n/img/b.gif\r\n\r\n"
                   "Para hacer el video debe colocar imágenes de 16 (8 bits) o menos "
                   "tonalidades,\r\n"
                   "disminuya el número de tonalidades de la imágen o elimínela para continuar") +
                   end;
        QTest::newRow("writing") << Result::WriteError
                                 << QStringLiteral(
                                        "Se produjo un problema al generar la película ASCII.");
        QTest::newRow("cancelled says nothing") << Result::Cancelled << QString();
    }
    void messages()
    {
        QFETCH(Result, type);
        QFETCH(QString, text);
        const QStringList paths{QStringLiteral("/img/a.gif"), QStringLiteral("/img/b.gif")};
        QCOMPARE(generationMessage({type, 1}, orv::fileNamesFromTexts(paths)), text);
    }

    void unwritableFolder()
    {
        const auto r = genera(path(QStringLiteral("no/existe/p.ovt")), {lisa(12, 24)});
        QCOMPARE(r.type, Result::WriteError);
    }
};

QTEST_GUILESS_MAIN(TestGeneration)
#include "test_generation.moc"
