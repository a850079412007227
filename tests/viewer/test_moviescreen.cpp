// The Player's display by its pixels: frames rendered offscreen and checked
// cell by cell against each glyph drawn on its own, at two font sizes and at
// whatever device pixel ratio the run has (ctest runs this at 1 and at 1.5);
// wide and tall frames scrolled; colours; the text a mouse drag selects; and
// the maximized window state kept between runs.
#include "form1.h"
#include "moviescreen.h"
#include "player/playertest.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <map>
#include <memory>

using orv::player::Form1;
using orv::viewer::MovieScreen;
using namespace playertest;

namespace {

QFont playerFont(qreal points)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(points);
    return font;
}

// A frame whose rows all differ, with ink in its first and last rows and
// columns, and the three non-ASCII characters of the movies' ramp.
QByteArray variedFrame(int ancho, int alto)
{
    static const QByteArray set = QByteArray("#@%&MW8Bo*+=-:.ab") + "\xf7\xa4\x80" + "XZ0";
    QByteArray text;
    for (int r = 0; r < alto; ++r) {
        if (r > 0)
            text += "\r\n";
        for (int c = 0; c < ancho; ++c)
            text += (r + c) % 7 == 3 ? ' ' : set.at((r * 5 + c * 3) % set.size());
        text[text.size() - 1] = 'W'; // every row ends in ink
    }
    return text;
}

QList<QByteArray> rowsOf(const QByteArray& frame)
{
    QList<QByteArray> rows = frame.split('\n');
    for (QByteArray& f : rows)
        if (f.endsWith('\r'))
            f.chop(1);
    return rows;
}

// Where the display's cells lie, worked out from the font alone: one cell
// per character, as wide as the font's advance and as tall as its line
// spacing, each rounded to whole device pixels, from the margin on.
struct Grid
{
    qreal dpr = 1;
    int ancho = 1, alto = 1, margin = 0;

    explicit Grid(const MovieScreen& p)
    {
        dpr = p.viewport()->devicePixelRatioF();
        const QFontMetricsF fm(p.font());
        ancho = static_cast<int>(std::lround(fm.horizontalAdvance(QLatin1Char('M')) * dpr));
        alto = static_cast<int>(std::lround(fm.lineSpacing() * dpr));
        margin = static_cast<int>(std::lround(MovieScreen::kMargin * dpr));
    }
    // Cell (row, column) in device pixels, with the view scrolled by
    // `offset` logical pixels.
    QRect cell(int row, int column, QPoint offset = {}) const
    {
        return {margin + column * ancho - static_cast<int>(std::lround(offset.x() * dpr)),
                margin + row * alto - static_cast<int>(std::lround(offset.y() * dpr)), ancho, alto};
    }
    // A logical point inside the cell, `fraction` of the way across.
    QPoint point(int row, int column, qreal fraction, QPoint offset = {}) const
    {
        const QRect c = cell(row, column, offset);
        return {static_cast<int>(std::floor((c.left() + fraction * ancho) / dpr)),
                static_cast<int>(std::floor((c.top() + 0.5 * alto) / dpr))};
    }
};

QImage capture(MovieScreen& p)
{
    QImage image = p.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    return image;
}

// A display on screen, `size` logical pixels inside.
std::unique_ptr<MovieScreen> pantalla(qreal points, QSize size, QColor background = Qt::white,
                                      QColor letters = Qt::black)
{
    auto p = std::make_unique<MovieScreen>();
    p->setFont(playerFont(points));
    p->setColours(background, letters);
    p->resize(size + QSize(2 * p->frameWidth(), 2 * p->frameWidth()));
    p->show();
    if (!QTest::qWaitForWindowExposed(p.get()))
        qWarning("display not exposed");
    return p;
}

// Each character (selected or not) drawn on its own: a one-character frame
// at the first cell of the same display.
class ExpectedGlyphs
{
public:
    ExpectedGlyphs(MovieScreen& p, const Grid& r) : m_p(p), m_r(r) {}
    const QImage& cellFor(char c, bool selected)
    {
        QImage& image = m_cache[{c, selected}];
        if (image.isNull()) {
            m_p.setText(QByteArray(1, c));
            if (selected)
                m_p.selectAll();
            m_p.horizontalScrollBar()->setValue(0);
            m_p.verticalScrollBar()->setValue(0);
            image = capture(m_p).copy(m_r.cell(0, 0));
            m_p.select({}, {});
        }
        return image;
    }

private:
    MovieScreen& m_p;
    const Grid& m_r;
    std::map<std::pair<char, bool>, QImage> m_cache;
};

// Compares every cell that lies wholly in view; returns the first that
// differs as "row,column", or "" when all match. Also counts the cells seen.
QString compareCells(const QImage& image, const QList<QByteArray>& rows, const Grid& r,
                     ExpectedGlyphs& glyphs, QPoint offset, int& vistas,
                     const std::function<bool(int, int)>& selected = {})
{
    vistas = 0;
    const QRect visible = image.rect();
    for (int f = 0; f < rows.size(); ++f) {
        for (int c = 0; c < rows[f].size(); ++c) {
            const QRect cell = r.cell(f, c, offset);
            if (!visible.contains(cell))
                continue;
            ++vistas;
            const bool selection = selected && selected(f, c);
            if (image.copy(cell) != glyphs.cellFor(rows[f].at(c), selection))
                return QStringLiteral("%1,%2").arg(f).arg(c);
        }
    }
    return {};
}

} // namespace

class TestMovieScreen : public QObject
{
    Q_OBJECT

public:
    static void initMain() { settingsInScratchFolder(); }

private slots:
    void init() { store()->clear(); }

    // Every row and column of frames of several shapes, at two sizes, with
    // room around them; and a frame wider and workshop than the view, scrolled,
    // whose cells in view are the right ones, shifted by the scroll.
    void everyCellShowsItsGlyph_data()
    {
        QTest::addColumn<qreal>("points");
        QTest::addColumn<int>("ancho");
        QTest::addColumn<int>("alto");
        QTest::addColumn<QPoint>("offset"); // in cells; none: the view holds it all
        for (qreal points : {8.0, 20.0}) {
            for (const auto& [ancho, alto] : {std::pair{1, 1}, {7, 5}, {23, 9}, {30, 1}, {1, 12}})
                QTest::addRow("size %g, %dx%d", points, ancho, alto)
                    << points << ancho << alto << QPoint();
        }
        QTest::newRow("size 8, sideways") << 8.0 << 300 << 60 << QPoint(57, 0);
        QTest::newRow("size 8, both ways") << 8.0 << 300 << 60 << QPoint(113, 31);
        QTest::newRow("size 20, to the far end") << 20.0 << 300 << 60 << QPoint(1000, 1000);
    }
    void everyCellShowsItsGlyph()
    {
        QFETCH(qreal, points);
        QFETCH(int, ancho);
        QFETCH(int, alto);
        QFETCH(QPoint, offset);
        const bool run = !offset.isNull();
        const QFontMetricsF fm(playerFont(points));
        const QSize size =
            run ? QSize(300, 200)
                : QSize(static_cast<int>(fm.horizontalAdvance('M') * (ancho + 3)) + 10,
                        static_cast<int>(fm.lineSpacing() * (alto + 2)) + 10);
        const auto p = pantalla(points, size);
        const Grid r(*p);
        // The run's pixel ratio is the one asked for, so that the 1.5 run
        // really tests fractional device pixels.
        const QByteArray requested = qgetenv("QT_SCALE_FACTOR");
        QCOMPARE(r.dpr, requested.isEmpty() ? 1.0 : requested.toDouble());
        ExpectedGlyphs glyphs(*p, r);
        const QByteArray frame = variedFrame(ancho, alto);
        p->setText(frame);
        QScrollBar* h = p->horizontalScrollBar();
        QScrollBar* v = p->verticalScrollBar();
        QCOMPARE(h->maximum() > 0 && v->maximum() > 0, run);
        h->setValue(static_cast<int>(offset.x() * r.ancho / r.dpr));
        v->setValue(static_cast<int>(offset.y() * r.alto / r.dpr));
        const QPoint logical(h->value(), v->value());
        const QImage image = capture(*p);
        int vistas = 0;
        QCOMPARE(compareCells(image, rowsOf(frame), r, glyphs, logical, vistas), QString());
        if (run) {
            QVERIFY2(vistas >= (300 * r.dpr / r.ancho - 2) * (200 * r.dpr / r.alto - 2),
                     qPrintable(QString::number(vistas)));
            // At the far end the last column and the last row are in view.
            QVERIFY(offset.x() < 1000 || image.rect().contains(r.cell(59, 299, logical)));
            return;
        }
        QCOMPARE(vistas, ancho * alto);
        // Right of the rows and below the last one: background only.
        const QRect text = r.cell(0, 0).united(r.cell(alto - 1, ancho - 1));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (x > text.right() + r.ancho || y > text.bottom())
                    QVERIFY2(QColor(image.pixel(x, y)) == QColor(Qt::white),
                             qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    // The chosen colours, and the selection's, are the ones painted: cell
    // by cell against glyphs drawn in those colours, and the background
    // around the text.
    void coloursAndSelectionArePainted()
    {
        const QColor background(0x12, 0x34, 0x56);
        const QColor letters(0xfe, 0xdc, 0xba);
        const auto p = pantalla(20, {400, 200}, background, letters);
        const Grid r(*p);
        ExpectedGlyphs glyphs(*p, r);
        const QByteArray frame = variedFrame(8, 4);
        p->setText(frame);
        p->select({1, 3}, {2, 5});
        const QImage image = capture(*p);
        auto selected = [](int f, int c) { return (f == 1 && c >= 3) || (f == 2 && c < 5); };
        int vistas = 0;
        QCOMPARE(compareCells(image, rowsOf(frame), r, glyphs, {}, vistas, selected), QString());
        QCOMPARE(vistas, 32);
        // The glyphs really use the chosen colours: '#' has fully inked
        // pixels, and the selection is drawn in the palette's highlight.
        const QImage hash = glyphs.cellFor('#', false);
        bool ink = false;
        for (int y = 0; y < hash.height(); ++y)
            for (int x = 0; x < hash.width(); ++x)
                ink = ink || QColor(hash.pixel(x, y)) == letters;
        QVERIFY(ink);
        QCOMPARE(QColor(glyphs.cellFor(' ', false).pixel(0, 0)), background);
        QCOMPARE(QColor(glyphs.cellFor(' ', true).pixel(0, 0)),
                 p->palette().color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(QColor(image.pixel(image.width() - 1, image.height() - 1)), background);
    }

    // A press in the left half of a character's cell stands before it, in
    // the right half after it; dragging selects what lies between, whichever
    // way the drag goes and wherever the view is scrolled.
    void mouseDragSelectsTheTextUnderIt_data()
    {
        QTest::addColumn<QPoint>("from"); // (column, row) of the cell pressed
        QTest::addColumn<qreal>("side1"); // how far across that cell
        QTest::addColumn<QPoint>("to");   // cell released
        QTest::addColumn<qreal>("side2");
        QTest::addColumn<int>("scroll"); // columns scrolled first
        QTest::addColumn<QString>("text");
        // Rows: "a".."z", "A".."P", "0".."9"; twelve columns in view.
        QTest::newRow("inside one row") << QPoint(2, 0) << 0.3 << QPoint(5, 0) << 0.3 << 0 << "cde";
        QTest::newRow("backwards") << QPoint(6, 1) << 0.2 << QPoint(1, 1) << 0.8 << 0 << "CDEF";
        QTest::newRow("across rows") << QPoint(8, 0) << 0.2 << QPoint(1, 2) << 0.2 << 0
                                     << "ijklmnopqrstuvwxyz\nABCDEFGHIJKLMNOP\n0";
        QTest::newRow("past the row's end")
            << QPoint(7, 2) << 0.4 << QPoint(11, 2) << 0.5 << 0 << "789";
        QTest::newRow("scrolled, far columns")
            << QPoint(15, 1) << 0.6 << QPoint(20, 0) << 0.4 << 10 << "uvwxyz\nABCDEFGHIJKLMNOP";
    }
    void mouseDragSelectsTheTextUnderIt()
    {
        QFETCH(QPoint, from);
        QFETCH(qreal, side1);
        QFETCH(QPoint, to);
        QFETCH(qreal, side2);
        QFETCH(int, scroll);
        QFETCH(QString, text);
        const int twelveColumns = // so that longer rows scroll
            static_cast<int>(QFontMetricsF(playerFont(12)).horizontalAdvance('M') * 12);
        const auto p = pantalla(12, {twelveColumns, 200});
        const Grid r(*p);
        p->setText("abcdefghijklmnopqrstuvwxyz\r\nABCDEFGHIJKLMNOP\r\n0123456789");
        p->horizontalScrollBar()->setValue(static_cast<int>(std::ceil(scroll * r.ancho / r.dpr)));
        const QPoint run(p->horizontalScrollBar()->value(), 0);
        QCOMPARE(run.x() > 0, scroll > 0);
        // Points are in the view; the scroll moves the text under them.
        auto point = [&](QPoint cell, qreal side) {
            return r.point(cell.y(), cell.x(), side, run);
        };
        QWidget* view = p->viewport();
        QTest::mousePress(view, Qt::LeftButton, {}, point(from, side1));
        QTest::mouseMove(view, point(to, side2));
        QTest::mouseRelease(view, Qt::LeftButton, {}, point(to, side2));
        QCOMPARE(p->selectedText(), text);
    }

    // Empty rows (a short frame line, CR LF after CR LF) hold no character:
    // copying the whole frame gives its rows and nothing of the line ends.
    void emptyRowsHoldNothing()
    {
        MovieScreen p;
        p.setText("ab\r\n\r\ncd\r\n");
        QCOMPARE(p.rows(), 4);
        p.selectAll();
        QCOMPARE(p.selectedText(), QStringLiteral("ab\n\ncd\n"));
    }

    // Maximized, the window remembers that it was, and keeps the normal size
    // it had for when it is restored.
    void maximizedStateIsRememberedAndRestored()
    {
        QSize normal;
        {
            Form1 form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.resize(form.twipsToPixels(7000), form.twipsToPixels(5000));
            normal = form.twipsSize();
            QCOMPARE(setting("VEstado"), QStringLiteral("0"));
            form.showMaximized();
            QTRY_VERIFY(form.isMaximized());
            QTRY_COMPARE(setting("VEstado"), QStringLiteral("2"));
            QCOMPARE(setting("VAncho"), QString::number(normal.width()));
            QCOMPARE(setting("VAlto"), QString::number(normal.height()));
        }
        Form1 next;
        QVERIFY(next.windowState() & Qt::WindowMaximized);
        next.show();
        QVERIFY(QTest::qWaitForWindowExposed(&next));
        next.showNormal();
        QTRY_VERIFY(!next.isMaximized());
        QTRY_COMPARE(setting("VEstado"), QStringLiteral("0"));
        QTRY_COMPARE(next.twipsSize(), normal);
    }
};

QTEST_MAIN(TestMovieScreen)
#include "test_moviescreen.moc"
