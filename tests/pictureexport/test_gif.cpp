// The animated GIF export, read back with giflib: images, size, delays,
// colours and where the letters' pixels fall.
#include "cellrenderer.h"
#include "exportfixtures.h"
#include "gifexport.h"
#include "gifread.h"

#include <QDir>
#include <QtTest>
#include <memory>
#include <set>

using exportfixtures::movie;

namespace {

QList<int> imageDelays(GifFileType* gif)
{
    QList<int> out;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock gcb{};
        if (DGifSavedExtensionToGCB(gif, i, &gcb) != GIF_OK)
            return {};
        out.push_back(gcb.DelayTime);
    }
    return out;
}

// The cell size the Player's renderer gives the export's font.
QSize cellSize(double points)
{
    orv::render::CellRenderer renderer;
    QFont font = orv::render::gifFont(points);
    font.setStyleStrategy(QFont::NoAntialias);
    renderer.configure({font, 1, Qt::white, Qt::black, Qt::white, Qt::black});
    return {renderer.cellWidth(), renderer.cellHeight()};
}

// The cells (column, row) of image `index` holding any letter pixel.
using Cells = std::set<std::pair<int, int>>;

Cells inkedCells(GifFileType* gif, int index, QSize cell)
{
    Cells cells;
    const SavedImage& image = gif->SavedImages[index];
    const int width = image.ImageDesc.Width;
    for (int y = 0; y < image.ImageDesc.Height; ++y)
        for (int x = 0; x < width; ++x)
            if (image.RasterBits[y * width + x] == 1)
                cells.insert({x / cell.width(), y / cell.height()});
    return cells;
}

} // namespace

class TestGif : public QObject
{
    Q_OBJECT
private slots:
    void delays_data();
    void delays();
    void identicalFramesMerge_data();
    void identicalFramesMerge();
    void sizeFollowsTheFont_data();
    void sizeFollowsTheFont();
    void compositeShowsEveryFrame();
    void longMovieKeepsItsOrder();
    void twoColoursAndLoops();
    void lettersFallInTheirCells_data();
    void lettersFallInTheirCells();
    void failureLeavesNoFile();
    void tooWideForAGif();
};

void TestGif::delays_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("ms");
    QTest::addColumn<int>("hundredths");
    QTest::newRow("whole hundredths") << 1 << 100 << 10;
    QTest::newRow("a tie rounds to even") << 1 << 125 << 12;
    QTest::newRow("below the minimum") << 1 << 10 << 2;
    QTest::newRow("a run of frames adds up before rounding") << 3 << 15 << 4;
    QTest::newRow("the 16-bit field caps") << 1 << 1000000 << 65535;
}

void TestGif::delays()
{
    QFETCH(int, frames);
    QFETCH(int, ms);
    QFETCH(int, hundredths);
    QCOMPARE(orv::render::gifDelay(frames, ms), hundredths);
}

void TestGif::identicalFramesMerge_data()
{
    QTest::addColumn<double>("pausa");
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<QList<int>>("expected"); // delay per image
    QTest::newRow("all different")
        << 100.0 << QList<QByteArray>{"a", "b", "c"} << QList<int>{10, 10, 10};
    QTest::newRow("a run in the middle")
        << 100.0 << QList<QByteArray>{"a", "b", "b", "b", "c"} << QList<int>{10, 30, 10};
    QTest::newRow("equal frames apart stay apart")
        << 100.0 << QList<QByteArray>{"a", "b", "a"} << QList<int>{10, 10, 10};
    QTest::newRow("equal as shown: the text past the frame differs")
        << 100.0 << QList<QByteArray>{"ab", "abZZZ"} << QList<int>{20};
    QTest::newRow("equal as shown: a no-break space is a blank too")
        << 100.0 << QList<QByteArray>{"a ", "a\xa0", "ab"} << QList<int>{20, 10};
    QTest::newRow("runs longer than the delay field split")
        << 300000.0 << QList<QByteArray>{"a", "a", "a"} << QList<int>{60000, 30000};
}

void TestGif::identicalFramesMerge()
{
    QFETCH(double, pausa);
    QFETCH(QList<QByteArray>, frames);
    QFETCH(QList<int>, expected);
    const orv::Movie m = movie(2, 1, pausa, {frames.begin(), frames.end()});
    QTemporaryDir dir;
    QCOMPARE(orv::render::exportGif(m, orv::FileName::fromText(dir.filePath("m.gif")), orv::render::gifFont(8), {}),
             orv::ExportResult::Done);
    const Gif gif = readGif(dir.filePath("m.gif"));
    QVERIFY(gif);
    QCOMPARE(gif->ImageCount, expected.size());
    QCOMPARE(imageDelays(gif.get()), expected);
}

void TestGif::sizeFollowsTheFont_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("points");
    QTest::newRow("the Player's default size") << 10 << 4 << 8.0;
    QTest::newRow("large") << 5 << 3 << 25.0;
}

void TestGif::sizeFollowsTheFont()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, points);
    const orv::Movie m = movie(width, height, 100, {"x", "y"});
    QTemporaryDir dir;
    QCOMPARE(orv::render::exportGif(m, orv::FileName::fromText(dir.filePath("m.gif")), orv::render::gifFont(points), {}),
             orv::ExportResult::Done);
    const Gif gif = readGif(dir.filePath("m.gif"));
    QVERIFY(gif);
    const QSize cell = cellSize(points);
    QVERIFY(cell.width() > 1 && cell.height() > 1);
    QCOMPARE(gif->SWidth, width * cell.width());
    QCOMPARE(gif->SHeight, height * cell.height());
    QCOMPARE(gif->SavedImages[0].ImageDesc.Width, gif->SWidth);
    QCOMPARE(gif->SavedImages[0].ImageDesc.Height, gif->SHeight);
    for (int i = 1; i < gif->ImageCount; ++i) {
        const GifImageDesc& d = gif->SavedImages[i].ImageDesc;
        QVERIFY(QRect(0, 0, gif->SWidth, gif->SHeight)
                    .contains(QRect(d.Left, d.Top, d.Width, d.Height)));
    }
}

// Paints the images one over the other and checks that after each image the
// screen holds exactly what a one-frame export of frame shown[i] holds.
void checkComposite(const std::vector<QByteArray>& frames, const std::vector<int>& shown)
{
    const orv::Movie m = movie(3, 2, 100, frames);
    QTemporaryDir dir;
    QCOMPARE(orv::render::exportGif(m, orv::FileName::fromText(dir.filePath("m.gif")), orv::render::gifFont(8), {}),
             orv::ExportResult::Done);
    const Gif gif = readGif(dir.filePath("m.gif"));
    QVERIFY(gif);
    QCOMPARE(gif->ImageCount, int(shown.size()));
    std::vector<GifByteType> screen(static_cast<size_t>(gif->SWidth * gif->SHeight), 0);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const GifImageDesc& d = image.ImageDesc;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x)
                screen[static_cast<size_t>((d.Top + y) * gif->SWidth + d.Left + x)] =
                    image.RasterBits[y * d.Width + x];
        const orv::Movie single =
            movie(3, 2, 100, {frames[static_cast<size_t>(shown[static_cast<size_t>(i)])]});
        const QString path = dir.filePath(QString("single%1.gif").arg(i));
        QCOMPARE(orv::render::exportGif(single, orv::FileName::fromText(path), orv::render::gifFont(8), {}),
                 orv::ExportResult::Done);
        const Gif expected = readGif(path);
        QVERIFY(expected);
        QVERIFY2(std::equal(screen.begin(), screen.end(), expected->SavedImages[0].RasterBits),
                 qPrintable(QString::number(i)));
    }
}

void TestGif::compositeShowsEveryFrame()
{
    // Frames 0 and 1 look the same (the 'x' is past the frame), so do 3 and 4.
    checkComposite({"#.#.#.", "#.#.#.x", "      ",
                    "ab\xf7"
                    "cd",
                    "ab\xf7"
                    "cd",
                    "zzzzzz"},
                   {0, 2, 3, 5});
}

void TestGif::longMovieKeepsItsOrder()
{
    // Far more images than are encoded at a time: each must land in its
    // place, drawn over the right one before it.
    std::vector<QByteArray> frames;
    std::vector<int> shown;
    for (int k = 0; k < 60; ++k) {
        QByteArray frame("......");
        frame[k % 6] = static_cast<char>('A' + k % 26);
        if (k % 7 == 3)
            frames.push_back(frames.back()); // a repeat merges with the frame before
        if (frames.empty() || frames.back() != frame)
            shown.push_back(static_cast<int>(frames.size()));
        frames.push_back(frame);
    }
    checkComposite(frames, shown);
}

void TestGif::twoColoursAndLoops()
{
    const orv::Movie m = movie(4, 2, 100, {"#..#", "...."});
    QTemporaryDir dir;
    orv::ExportOptions options;
    options.letters = 0xff8000;
    options.background = 0x102030;
    QCOMPARE(orv::render::exportGif(m, orv::FileName::fromText(dir.filePath("m.gif")), orv::render::gifFont(8), options),
             orv::ExportResult::Done);
    const Gif gif = readGif(dir.filePath("m.gif"));
    QVERIFY(gif);
    QVERIFY(gif->SColorMap);
    QCOMPARE(gif->SColorMap->ColorCount, 2);
    const GifColorType& bg = gif->SColorMap->Colors[0];
    const GifColorType& fg = gif->SColorMap->Colors[1];
    QCOMPARE(QList<int>({bg.Red, bg.Green, bg.Blue}), QList<int>({0x10, 0x20, 0x30}));
    QCOMPARE(QList<int>({fg.Red, fg.Green, fg.Blue}), QList<int>({0xff, 0x80, 0x00}));
    // Repeats forever: the application extension before the first image.
    bool loops = false;
    const SavedImage& first = gif->SavedImages[0];
    for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
        const ExtensionBlock& b = first.ExtensionBlocks[i];
        if (b.Function == APPLICATION_EXT_FUNC_CODE &&
            QByteArray((const char*)b.Bytes, b.ByteCount) == "NETSCAPE2.0")
            loops = first.ExtensionBlocks[i + 1].ByteCount == 3 &&
                    first.ExtensionBlocks[i + 1].Bytes[1] == 0 &&
                    first.ExtensionBlocks[i + 1].Bytes[2] == 0;
    }
    QVERIFY(loops);
}

void TestGif::lettersFallInTheirCells_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QList<QPoint>>("cells");
    QTest::newRow("blank frame has no letter pixels") << QByteArray("         ") << QList<QPoint>{};
    QTest::newRow("marks across the rows")
        << QByteArray("#   #   #") << QList<QPoint>{{0, 0}, {1, 1}, {2, 2}};
    QTest::newRow("control bytes draw nothing")
        << QByteArray("\x1b\x07\t#") << QList<QPoint>{{0, 1}};
    QTest::newRow("Windows-1252 ramp letters")
        << QByteArray("\xf7\xa4\x80") << QList<QPoint>{{0, 0}, {1, 0}, {2, 0}};
}

void TestGif::lettersFallInTheirCells()
{
    QFETCH(QByteArray, frame);
    QFETCH(QList<QPoint>, cells);
    const orv::Movie m = movie(3, 3, 100, {frame});
    QTemporaryDir dir;
    QCOMPARE(orv::render::exportGif(m, orv::FileName::fromText(dir.filePath("m.gif")), orv::render::gifFont(12), {}),
             orv::ExportResult::Done);
    const Gif gif = readGif(dir.filePath("m.gif"));
    QVERIFY(gif);
    Cells expected;
    for (const QPoint& p : cells)
        expected.insert({p.x(), p.y()});
    QVERIFY(inkedCells(gif.get(), 0, cellSize(12)) == expected);
}

void TestGif::failureLeavesNoFile()
{
    const orv::Movie m = movie(2, 1, 100, {"a", "b", "c"});
    QTemporaryDir dir;
    QFile old(dir.filePath("m.gif"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();
    orv::ExportOptions options;
    options.progress = [](int done, int) { return done < 2; };
    QCOMPARE(orv::render::exportGif(m, orv::FileName::fromText(dir.filePath("m.gif")), orv::render::gifFont(8), options),
             orv::ExportResult::Cancelled);
    QVERIFY(QDir(dir.path()).mkdir("folder.gif"));
    QString error;
    QCOMPARE(
        orv::render::exportGif(m, orv::FileName::fromText(dir.filePath("folder.gif")), orv::render::gifFont(8), {}, &error),
        orv::ExportResult::Fault);
    QVERIFY(!error.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"m.gif"});
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("earlier"));
}

void TestGif::tooWideForAGif()
{
    // The GIF's screen is at most 65535 pixels a side: a wider movie is
    // refused with the reason, before any file is made.
    const QSize cell = cellSize(72);
    const int columns = 65535 / cell.width() + 1;
    const orv::Movie m = movie(columns, 1, 100, {"x"});
    QTemporaryDir dir;
    QString error;
    QCOMPARE(orv::render::exportGif(m, orv::FileName::fromText(dir.filePath("m.gif")), orv::render::gifFont(72), {}, &error),
             orv::ExportResult::Fault);
    QCOMPARE(error, QString("La película no cabe en un GIF: %1 × %2 píxeles, y un GIF admite "
                            "hasta 65535 × 65535. Elija una letra más pequeña.")
                        .arg(columns * cell.width())
                        .arg(cell.height()));
    QVERIFY(QDir(dir.path()).isEmpty());
}

QTEST_MAIN(TestGif)
#include "test_gif.moc"
