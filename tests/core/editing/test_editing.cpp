// Editing a movie: every operation applied, undone and redone gives back the
// very bytes; a long random session against a plain model of the frames;
// opening and saving writes untouched frames exactly as they were read.
#include "compactor.h"
#include "editedmovie.h"
#include "moviefixtures.h"
#include "moviereader.h"
#include "readfile.h"

#include <QRandomGenerator>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;
using orv::EditedMovie;

namespace {

// 5 x 3, four frames: the second one short, the third one long.
const QByteArray kMovie = fixtures::plainMovie("5,3,4,100,0,0,0,0,Ana,notas",
                                               {"abcdefghijklmno", "pq", "rstuvwxyz0123456789XYZ", "..........#####"});

EditedMovie opened(const QTemporaryDir& dir, const QByteArray& bytes = kMovie)
{
    EditedMovie m;
    const QString path = fixtures::writeFile(dir, "m.ovt", bytes);
    if (!m.open(orv::FileName::fromText(path), orv::LoadOptions{}))
        qFatal("the test movie does not open");
    return m;
}

using Edit = std::function<std::optional<QString>(EditedMovie&)>;

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestEditing : public QObject
{
    Q_OBJECT
private slots:
    // Each operation changes the movie, undo gives back the bytes before,
    // redo the bytes after.
    void undoAndRedoGiveTheBytesBack_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QByteArray>("frame"); // frame 1 afterwards (the short one), or frame count
        const auto at = [](int x, int y) { return QPoint(x, y); };
        QTest::newRow("text cut at the edge") << Edit([&](EditedMovie& m) { return m.putText(1, at(3, 0), u"XYZ\nW"_s); })
                                              << QByteArray("pq XY   W      ");
        QTest::newRow("text, transparent spaces") << Edit([&](EditedMovie& m) { return m.putText(1, at(0, 1), u"a b"_s, true); })
                                                  << QByteArray("pq   a b       ");
        QTest::newRow("fill") << Edit([](EditedMovie& m) { return m.fill(1, QRect(1, 1, 9, 9), u'#'); })
                              << QByteArray("pq    #### ####");
        QTest::newRow("line") << Edit([](EditedMovie& m) { return m.line(1, {0, 0}, {4, 2}, u'\\'); })
                              << QByteArray("\\q    \\\\     \\\\");
        QTest::newRow("pencil stroke") << Edit([](EditedMovie& m) { return m.stroke(1, {{0, 2}, {2, 0}, {4, 2}}, u'^'); })
                                       << QByteArray("pq^   ^ ^ ^   ^");
        QTest::newRow("outline") << Edit([](EditedMovie& m) { return m.outline(1, QRect(0, 0, 3, 3), u'+'); })
                                 << QByteArray("+++  + +  +++  ");
        QTest::newRow("flood fill") << Edit([](EditedMovie& m) { return m.floodFill(1, {4, 2}, u'~'); })
                                    << QByteArray("pq~~~~~~~~~~~~~");
        QTest::newRow("move to another frame") << Edit([](EditedMovie& m) { return m.copyArea(0, QRect(0, 0, 2, 2), 1, {3, 1}, true); })
                                               << QByteArray("pq      ab   fg");
        QTest::newRow("insert") << Edit([](EditedMovie& m) { return m.insertBlank(1, 2); }) << QByteArray("6");
        QTest::newRow("duplicate") << Edit([](EditedMovie& m) { return m.duplicate(0, 3); }) << QByteArray("7");
        QTest::newRow("delete") << Edit([](EditedMovie& m) { return m.remove(0, 3); }) << QByteArray("1");
        QTest::newRow("move frames") << Edit([](EditedMovie& m) { return m.moveFrames(0, 2, 2); }) << QByteArray("4");
        QTest::newRow("reverse") << Edit([](EditedMovie& m) { return m.reverse(0, 4); }) << QByteArray("4");
        QTest::newRow("pick, repeating") << Edit([](EditedMovie& m) { return m.pick({3, 3, 0}); }) << QByteArray("3");
        QTest::newRow("paste, fitted at the centre")
            << Edit([](EditedMovie& m) { return m.pasteFrames(4, {QByteArray("123456789")}, QSize(3, 3), orv::Anchor::Center); })
            << QByteArray("5");
        QTest::newRow("resize") << Edit([](EditedMovie& m) { return m.resize(QSize(3, 4), orv::Anchor::SouthEast); })
                                << QByteArray("4");
        QTest::newRow("pause") << Edit([](EditedMovie& m) { return m.setPause(u"33.5"_s); }) << QByteArray("4");
        QTest::newRow("author") << Edit([](EditedMovie& m) { return m.setAuthor(u"José"_s); }) << QByteArray("4");
        QTest::newRow("info") << Edit([](EditedMovie& m) { return m.setInfo(u"otra"_s); }) << QByteArray("4");
    }
    void undoAndRedoGiveTheBytesBack()
    {
        QFETCH(Edit, edit);
        QFETCH(QByteArray, frame);
        QTemporaryDir dir;
        EditedMovie m = opened(dir);
        QCOMPARE(m.bytes(), kMovie);
        QCOMPARE(edit(m), std::nullopt);
        const QByteArray after = m.bytes();
        QVERIFY(after != kMovie);
        QVERIFY(m.modified());
        if (frame.size() == 1)
            QCOMPARE(m.frameCount(), frame.toInt());
        else
            QCOMPARE(m.frame(1).left(frame.size()), frame);
        QVERIFY(m.undo());
        QCOMPARE(m.bytes(), kMovie);
        QVERIFY(!m.modified());
        QVERIFY(m.redo());
        QCOMPARE(m.bytes(), after);
    }

    // Frames keep their own line, and the frames made whole by an edit
    // change only there: short rows padded, what lies past the last row gone.
    void untouchedFramesKeepTheirBytes()
    {
        QTemporaryDir dir;
        const QByteArray lf = "5,3,3,100,0,0,0,0,a,b\nabc\n0123456789abcdefXYZ\nxy\n";
        EditedMovie m = opened(dir, lf);
        QCOMPARE(m.bytes(), lf);
        QCOMPARE(m.putText(1, {0, 0}, u"Z"_s), std::nullopt);
        QCOMPARE(m.bytes(), QByteArray("5,3,3,100,0,0,0,0,a,b\nabc\nZ123456789abcde\r\nxy\n"));
        QCOMPARE(m.setPause(u"40"_s), std::nullopt);
        QCOMPARE(m.bytes(), QByteArray("5,3,3,40,0,0,0,0,a,b\r\nabc\nZ123456789abcde\r\nxy\n"));
        // A header value that needs quoting keeps it.
        const QByteArray quoted = "2,1,1,100,0,0,0,0,\"a,b\",c\r\nxy\r\n";
        EditedMovie q = opened(dir, quoted);
        QCOMPARE(q.author(), QByteArray("a,b"));
        QCOMPARE(q.setInfo(u"d"_s), std::nullopt);
        QCOMPARE(q.bytes(), QByteArray("2,1,1,100,0,0,0,0,\"a,b\",d\r\nxy\r\n"));
    }

    // Saving: nothing edited writes the same file in either form; the form
    // read is kept unless another is asked for; a compressed movie opens.
    void savingKeepsTheFileAndItsForm()
    {
        QTemporaryDir dir;
        EditedMovie m = opened(dir);
        const auto name = [&dir](const char* leaf) { return orv::FileName::fromText(dir.filePath(leaf)); };
        QCOMPARE(m.save(name("copia.ovt")), std::nullopt);
        QCOMPARE(readFile(dir.filePath("copia.ovt")), kMovie);
        QCOMPARE(m.save(name("z.ovt"), orv::SavedForm::Compressed), std::nullopt);
        QVERIFY(readFile(dir.filePath("z.ovt")).startsWith("PK"));
        EditedMovie z;
        QVERIFY(z.open(name("z.ovt"), orv::LoadOptions{}));
        QVERIFY(z.openedCompressed());
        QCOMPARE(z.bytes(), kMovie);
        const QByteArray archive = readFile(dir.filePath("z.ovt"));
        QCOMPARE(z.save(name("z2.ovt")), std::nullopt);
        QCOMPARE(readFile(dir.filePath("z2.ovt")), archive);
        QCOMPARE(z.remove(0, 1), std::nullopt);
        QCOMPARE(z.save(name("z.ovt")), std::nullopt);
        orv::Movie back;
        QVERIFY(orv::cargaPelicula(name("z.ovt"), back));
        QVERIFY(back.compressed);
        QCOMPARE(back.numCuadros, 3);
        QVERIFY(!z.modified());
    }

    // What cannot be kept is refused, says why, and changes nothing.
    void refusalsChangeNothing_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("why");
        QTest::newRow("a character outside Windows-1252")
            << Edit([](EditedMovie& m) { return m.putText(0, {0, 0}, u"ok ✓"_s); }) << u"«✓» (U+2713)"_s;
        QTest::newRow("an author that would not read back")
            << Edit([](EditedMovie& m) { return m.setAuthor(u"a,b"_s); }) << u"no puede contener comas"_s;
        QTest::newRow("a pause of zero") << Edit([](EditedMovie& m) { return m.setPause(u"0"_s); })
                                         << u"La pausa establecida no es válida"_s;
        QTest::newRow("too small") << Edit([](EditedMovie& m) { return m.resize(QSize(1, 5), orv::Anchor::North); })
                                   << u"valores mayores o iguales a 2"_s;
        QTest::newRow("every frame deleted") << Edit([](EditedMovie& m) { return m.remove(0, 4); })
                                             << u"al menos un cuadro"_s;
        QTest::newRow("past the last frame") << Edit([](EditedMovie& m) { return m.pick({0, 4}); })
                                             << u"4 cuadros (0 a 3)"_s;
        QTest::newRow("more frames than a movie holds")
            << Edit([](EditedMovie& m) { return m.insertBlank(0, 32763); }) << u"como máximo 32766"_s;
    }
    void refusalsChangeNothing()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, why);
        QTemporaryDir dir;
        EditedMovie m = opened(dir);
        const std::optional<QString> refused = edit(m);
        QVERIFY(refused);
        QVERIFY2(refused->contains(why), qPrintable(*refused));
        QCOMPARE(m.bytes(), kMovie);
        QVERIFY(!m.canUndo());
    }

    // 10,000 random operations against a plain model of the frames, compared
    // after each; then all undone, giving the file byte for byte.
    void randomSessionMatchesAModel()
    {
        QTemporaryDir dir;
        EditedMovie m = opened(dir);
        std::vector<QByteArray> model;
        for (int i = 0; i < m.frameCount(); ++i)
            model.push_back(m.frame(i));
        int w = 5, h = 3;
        QRandomGenerator random(20261208);
        const auto any = [&random](int n) { return int(random.bounded(n)); };
        const auto set = [&](int f, int x, int y, char c) {
            if (x >= 0 && y >= 0 && x < w && y < h)
                model[size_t(f)][y * w + x] = c;
        };
        int steps = 0;
        for (int round = 0; round < 10000; ++round) {
            const int n = int(model.size());
            const int f = any(n);
            const char c = "ab #"[any(4)];
            const int x = any(w + 2) - 1, y = any(h + 2) - 1;
            switch (any(8)) {
            case 0:
                QCOMPARE(m.putText(f, {x, y}, QString(QLatin1Char(c))), std::nullopt);
                set(f, x, y, c);
                break;
            case 1: {
                const QRect r(x, y, any(4), any(3));
                QCOMPARE(m.fill(f, r, QLatin1Char(c)), std::nullopt);
                for (int yy = r.top(); yy <= r.bottom(); ++yy)
                    for (int xx = r.left(); xx <= r.right(); ++xx)
                        set(f, xx, yy, c);
                break;
            }
            case 2:
                if (n < 40) {
                    QCOMPARE(m.duplicate(f, 1), std::nullopt);
                    model.insert(model.begin() + f + 1, model[size_t(f)]);
                }
                break;
            case 3:
                if (n > 1) {
                    QCOMPARE(m.remove(f, 1), std::nullopt);
                    model.erase(model.begin() + f);
                }
                break;
            case 4: {
                const int to = any(n);
                QCOMPARE(m.moveFrames(f, 1, to), std::nullopt);
                const QByteArray moved = model[size_t(f)];
                model.erase(model.begin() + f);
                model.insert(model.begin() + to, moved);
                break;
            }
            case 5:
                if (any(20) == 0) {
                    const int nw = 2 + any(6), nh = 2 + any(4);
                    QCOMPARE(m.resize(QSize(nw, nh), orv::Anchor::NorthWest), std::nullopt);
                    for (QByteArray& frame : model) {
                        QByteArray fitted(nw * nh, ' ');
                        for (int yy = 0; yy < std::min(h, nh); ++yy)
                            for (int xx = 0; xx < std::min(w, nw); ++xx)
                                fitted[yy * nw + xx] = frame[yy * w + xx];
                        frame = fitted;
                    }
                    w = nw;
                    h = nh;
                }
                break;
            case 6:
                if (m.canUndo()) {
                    // Undo and redo at once: the model stays as it is.
                    QVERIFY(m.undo());
                    QVERIFY(m.redo());
                }
                break;
            default: {
                const int to = any(n), tx = any(w), ty = any(h);
                QCOMPARE(m.copyArea(f, QRect(x, y, 2, 2), to, {tx, ty}, false), std::nullopt);
                const QRect area = QRect(x, y, 2, 2) & QRect(0, 0, w, h);
                const QByteArray source = model[size_t(f)];
                for (int yy = area.top(); yy <= area.bottom(); ++yy)
                    for (int xx = area.left(); xx <= area.right(); ++xx)
                        set(to, tx + xx - area.left(), ty + yy - area.top(), source[yy * w + xx]);
                break;
            }
            }
            ++steps;
            QCOMPARE(m.frameCount(), int(model.size()));
            QCOMPARE(m.width(), w);
            for (int i = 0; i < int(model.size()); ++i)
                QCOMPARE(m.frame(i), model[size_t(i)]);
        }
        QVERIFY(steps == 10000);
        while (m.undo()) {
        }
        QCOMPARE(m.bytes(), kMovie);
        QVERIFY(!m.modified());
    }

    // The history keeps what edits changed, never whole frames for a cell,
    // and beyond its limit loses its oldest steps, never the movie.
    void historyHasALimit()
    {
        QTemporaryDir dir;
        EditedMovie m = opened(dir);
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(m.putText(i % 4, {i % 5, i % 3}, QString(QLatin1Char('a' + i % 26))), std::nullopt);
        QVERIFY2(m.historyBytes() < 1000 * 64, qPrintable(QString::number(m.historyBytes())));
        const QByteArray edited = m.bytes();
        m.setHistoryLimit(4096);
        QVERIFY(m.historyBytes() <= 4096);
        QCOMPARE(m.bytes(), edited);
        int undone = 0;
        while (m.undo())
            ++undone;
        QVERIFY(undone > 0 && undone < 1000);
        QVERIFY(m.modified());
    }
};

QTEST_GUILESS_MAIN(TestEditing)
#include "test_editing.moc"
