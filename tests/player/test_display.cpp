// The Player's display by its pixels: frames rendered offscreen and checked
// cell by cell against each glyph drawn on its own, at two font sizes and at
// whatever device pixel ratio the run has (ctest runs this at 1 and at 1.5);
// wide and tall frames scrolled; colours; the text a mouse drag selects; and
// the maximized window state kept between runs.
#include "form1.h"
#include "pantalla.h"
#include "playertest.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <map>
#include <memory>

using orv::player::Form1;
using orv::visor::Pantalla;
using namespace playertest;

namespace {

QFont fuenteDelPlayer(qreal puntos)
{
    QFont fuente(QStringLiteral("Courier New"));
    fuente.setStyleHint(QFont::TypeWriter);
    fuente.setFixedPitch(true);
    fuente.setPointSizeF(puntos);
    return fuente;
}

// A frame whose rows all differ, with ink in its first and last rows and
// columns, and the three non-ASCII characters of the movies' ramp.
QByteArray cuadroVariado(int ancho, int alto)
{
    static const QByteArray juego = QByteArray("#@%&MW8Bo*+=-:.ab") + "\xf7\xa4\x80" + "XZ0";
    QByteArray texto;
    for (int r = 0; r < alto; ++r) {
        if (r > 0)
            texto += "\r\n";
        for (int c = 0; c < ancho; ++c)
            texto += (r + c) % 7 == 3 ? ' ' : juego.at((r * 5 + c * 3) % juego.size());
        texto[texto.size() - 1] = 'W'; // every row ends in ink
    }
    return texto;
}

QList<QByteArray> filasDe(const QByteArray& cuadro)
{
    QList<QByteArray> filas = cuadro.split('\n');
    for (QByteArray& f : filas)
        if (f.endsWith('\r'))
            f.chop(1);
    return filas;
}

// Where the display's cells lie, worked out from the font alone: one cell
// per character, as wide as the font's advance and as tall as its line
// spacing, each rounded to whole device pixels, from the margin on.
struct Rejilla
{
    qreal dpr = 1;
    int ancho = 1, alto = 1, margen = 0;

    explicit Rejilla(const Pantalla& p)
    {
        dpr = p.viewport()->devicePixelRatioF();
        const QFontMetricsF fm(p.font());
        ancho = static_cast<int>(std::lround(fm.horizontalAdvance(QLatin1Char('M')) * dpr));
        alto = static_cast<int>(std::lround(fm.lineSpacing() * dpr));
        margen = static_cast<int>(std::lround(Pantalla::kMargen * dpr));
    }
    // Cell (fila, columna) in device pixels, with the view scrolled by
    // `desplazamiento` logical pixels.
    QRect celda(int fila, int columna, QPoint desplazamiento = {}) const
    {
        return {margen + columna * ancho - static_cast<int>(std::lround(desplazamiento.x() * dpr)),
                margen + fila * alto - static_cast<int>(std::lround(desplazamiento.y() * dpr)),
                ancho, alto};
    }
    // A logical point inside the cell, `fraccion` of the way across.
    QPoint punto(int fila, int columna, qreal fraccion, QPoint desplazamiento = {}) const
    {
        const QRect c = celda(fila, columna, desplazamiento);
        return {static_cast<int>(std::floor((c.left() + fraccion * ancho) / dpr)),
                static_cast<int>(std::floor((c.top() + 0.5 * alto) / dpr))};
    }
};

QImage captura(Pantalla& p)
{
    QImage imagen = p.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    imagen.setDevicePixelRatio(1);
    return imagen;
}

// A display on screen, `tamano` logical pixels inside.
std::unique_ptr<Pantalla> pantalla(qreal puntos, QSize tamano, QColor fondo = Qt::white,
                                   QColor letras = Qt::black)
{
    auto p = std::make_unique<Pantalla>();
    p->setFont(fuenteDelPlayer(puntos));
    p->setColores(fondo, letras);
    p->resize(tamano + QSize(2 * p->frameWidth(), 2 * p->frameWidth()));
    p->show();
    if (!QTest::qWaitForWindowExposed(p.get()))
        qWarning("display not exposed");
    return p;
}

// Each character (selected or not) drawn on its own: a one-character frame
// at the first cell of the same display.
class Glifos
{
public:
    Glifos(Pantalla& p, const Rejilla& r) : m_p(p), m_r(r) {}
    const QImage& de(char c, bool seleccionado)
    {
        QImage& imagen = m_cache[{c, seleccionado}];
        if (imagen.isNull()) {
            m_p.setTexto(QByteArray(1, c));
            if (seleccionado)
                m_p.seleccionaTodo();
            m_p.horizontalScrollBar()->setValue(0);
            m_p.verticalScrollBar()->setValue(0);
            imagen = captura(m_p).copy(m_r.celda(0, 0));
            m_p.selecciona({}, {});
        }
        return imagen;
    }

private:
    Pantalla& m_p;
    const Rejilla& m_r;
    std::map<std::pair<char, bool>, QImage> m_cache;
};

// Compares every cell that lies wholly in view; returns the first that
// differs as "row,column", or "" when all match. Also counts the cells seen.
QString comparaCeldas(const QImage& imagen, const QList<QByteArray>& filas, const Rejilla& r,
                      Glifos& glifos, QPoint desplazamiento, int& vistas,
                      const std::function<bool(int, int)>& seleccionada = {})
{
    vistas = 0;
    const QRect visible = imagen.rect();
    for (int f = 0; f < filas.size(); ++f) {
        for (int c = 0; c < filas[f].size(); ++c) {
            const QRect celda = r.celda(f, c, desplazamiento);
            if (!visible.contains(celda))
                continue;
            ++vistas;
            const bool sel = seleccionada && seleccionada(f, c);
            if (imagen.copy(celda) != glifos.de(filas[f].at(c), sel))
                return QStringLiteral("%1,%2").arg(f).arg(c);
        }
    }
    return {};
}

} // namespace

class TestDisplay : public QObject
{
    Q_OBJECT

public:
    static void initMain() { ajustesEnCarpetaTemporal(); }

private slots:
    void init() { almacen()->clear(); }

    // Every row and column of frames of several shapes, at two sizes, with
    // room around them; and a frame wider and taller than the view, scrolled,
    // whose cells in view are the right ones, shifted by the scroll.
    void everyCellShowsItsGlyph_data()
    {
        QTest::addColumn<qreal>("puntos");
        QTest::addColumn<int>("ancho");
        QTest::addColumn<int>("alto");
        QTest::addColumn<QPoint>("desplazamiento"); // in cells; none: the view holds it all
        for (qreal puntos : {8.0, 20.0}) {
            for (const auto& [ancho, alto] : {std::pair{1, 1}, {7, 5}, {23, 9}, {30, 1}, {1, 12}})
                QTest::addRow("size %g, %dx%d", puntos, ancho, alto)
                    << puntos << ancho << alto << QPoint();
        }
        QTest::newRow("size 8, sideways") << 8.0 << 300 << 60 << QPoint(57, 0);
        QTest::newRow("size 8, both ways") << 8.0 << 300 << 60 << QPoint(113, 31);
        QTest::newRow("size 20, to the far end") << 20.0 << 300 << 60 << QPoint(1000, 1000);
    }
    void everyCellShowsItsGlyph()
    {
        QFETCH(qreal, puntos);
        QFETCH(int, ancho);
        QFETCH(int, alto);
        QFETCH(QPoint, desplazamiento);
        const bool corre = !desplazamiento.isNull();
        const QFontMetricsF fm(fuenteDelPlayer(puntos));
        const QSize tamano =
            corre ? QSize(300, 200)
                  : QSize(static_cast<int>(fm.horizontalAdvance('M') * (ancho + 3)) + 10,
                          static_cast<int>(fm.lineSpacing() * (alto + 2)) + 10);
        const auto p = pantalla(puntos, tamano);
        const Rejilla r(*p);
        // The run's pixel ratio is the one asked for, so that the 1.5 run
        // really tests fractional device pixels.
        const QByteArray pedido = qgetenv("QT_SCALE_FACTOR");
        QCOMPARE(r.dpr, pedido.isEmpty() ? 1.0 : pedido.toDouble());
        Glifos glifos(*p, r);
        const QByteArray cuadro = cuadroVariado(ancho, alto);
        p->setTexto(cuadro);
        QScrollBar* h = p->horizontalScrollBar();
        QScrollBar* v = p->verticalScrollBar();
        QCOMPARE(h->maximum() > 0 && v->maximum() > 0, corre);
        h->setValue(static_cast<int>(desplazamiento.x() * r.ancho / r.dpr));
        v->setValue(static_cast<int>(desplazamiento.y() * r.alto / r.dpr));
        const QPoint logico(h->value(), v->value());
        const QImage imagen = captura(*p);
        int vistas = 0;
        QCOMPARE(comparaCeldas(imagen, filasDe(cuadro), r, glifos, logico, vistas), QString());
        if (corre) {
            QVERIFY2(vistas >= (300 * r.dpr / r.ancho - 2) * (200 * r.dpr / r.alto - 2),
                     qPrintable(QString::number(vistas)));
            // At the far end the last column and the last row are in view.
            QVERIFY(desplazamiento.x() < 1000 || imagen.rect().contains(r.celda(59, 299, logico)));
            return;
        }
        QCOMPARE(vistas, ancho * alto);
        // Right of the rows and below the last one: background only.
        const QRect texto = r.celda(0, 0).united(r.celda(alto - 1, ancho - 1));
        for (int y = 0; y < imagen.height(); ++y)
            for (int x = 0; x < imagen.width(); ++x)
                if (x > texto.right() + r.ancho || y > texto.bottom())
                    QVERIFY2(QColor(imagen.pixel(x, y)) == QColor(Qt::white),
                             qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    // The chosen colours, and the selection's, are the ones painted: cell
    // by cell against glyphs drawn in those colours, and the background
    // around the text.
    void coloursAndSelectionArePainted()
    {
        const QColor fondo(0x12, 0x34, 0x56);
        const QColor letras(0xfe, 0xdc, 0xba);
        const auto p = pantalla(20, {400, 200}, fondo, letras);
        const Rejilla r(*p);
        Glifos glifos(*p, r);
        const QByteArray cuadro = cuadroVariado(8, 4);
        p->setTexto(cuadro);
        p->selecciona({1, 3}, {2, 5});
        const QImage imagen = captura(*p);
        auto seleccionada = [](int f, int c) { return (f == 1 && c >= 3) || (f == 2 && c < 5); };
        int vistas = 0;
        QCOMPARE(comparaCeldas(imagen, filasDe(cuadro), r, glifos, {}, vistas, seleccionada),
                 QString());
        QCOMPARE(vistas, 32);
        // The glyphs really use the chosen colours: '#' has fully inked
        // pixels, and the selection is drawn in the palette's highlight.
        const QImage almohadilla = glifos.de('#', false);
        bool tinta = false;
        for (int y = 0; y < almohadilla.height(); ++y)
            for (int x = 0; x < almohadilla.width(); ++x)
                tinta = tinta || QColor(almohadilla.pixel(x, y)) == letras;
        QVERIFY(tinta);
        QCOMPARE(QColor(glifos.de(' ', false).pixel(0, 0)), fondo);
        QCOMPARE(QColor(glifos.de(' ', true).pixel(0, 0)),
                 p->palette().color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(QColor(imagen.pixel(imagen.width() - 1, imagen.height() - 1)), fondo);
    }

    // A press in the left half of a character's cell stands before it, in
    // the right half after it; dragging selects what lies between, whichever
    // way the drag goes and wherever the view is scrolled.
    void mouseDragSelectsTheTextUnderIt_data()
    {
        QTest::addColumn<QPoint>("desde"); // (column, row) of the cell pressed
        QTest::addColumn<qreal>("lado1");  // how far across that cell
        QTest::addColumn<QPoint>("hasta"); // cell released
        QTest::addColumn<qreal>("lado2");
        QTest::addColumn<int>("scroll"); // columns scrolled first
        QTest::addColumn<QString>("texto");
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
        QFETCH(QPoint, desde);
        QFETCH(qreal, lado1);
        QFETCH(QPoint, hasta);
        QFETCH(qreal, lado2);
        QFETCH(int, scroll);
        QFETCH(QString, texto);
        const int doceColumnas = // so that longer rows scroll
            static_cast<int>(QFontMetricsF(fuenteDelPlayer(12)).horizontalAdvance('M') * 12);
        const auto p = pantalla(12, {doceColumnas, 200});
        const Rejilla r(*p);
        p->setTexto("abcdefghijklmnopqrstuvwxyz\r\nABCDEFGHIJKLMNOP\r\n0123456789");
        p->horizontalScrollBar()->setValue(static_cast<int>(std::ceil(scroll * r.ancho / r.dpr)));
        const QPoint corrido(p->horizontalScrollBar()->value(), 0);
        QCOMPARE(corrido.x() > 0, scroll > 0);
        // Points are in the view; the scroll moves the text under them.
        auto punto = [&](QPoint celda, qreal lado) {
            return r.punto(celda.y(), celda.x(), lado, corrido);
        };
        QWidget* vista = p->viewport();
        QTest::mousePress(vista, Qt::LeftButton, {}, punto(desde, lado1));
        QTest::mouseMove(vista, punto(hasta, lado2));
        QTest::mouseRelease(vista, Qt::LeftButton, {}, punto(hasta, lado2));
        QCOMPARE(p->textoSeleccionado(), texto);
    }

    // Empty rows (a short frame line, CR LF after CR LF) hold no character:
    // copying the whole frame gives its rows and nothing of the line ends.
    void emptyRowsHoldNothing()
    {
        Pantalla p;
        p.setTexto("ab\r\n\r\ncd\r\n");
        QCOMPARE(p.filas(), 4);
        p.seleccionaTodo();
        QCOMPARE(p.textoSeleccionado(), QStringLiteral("ab\n\ncd\n"));
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
            form.resize(form.twipsAPixeles(7000), form.twipsAPixeles(5000));
            normal = form.tamanoTwips();
            QCOMPARE(ajuste("VEstado"), QStringLiteral("0"));
            form.showMaximized();
            QTRY_VERIFY(form.isMaximized());
            QTRY_COMPARE(ajuste("VEstado"), QStringLiteral("2"));
            QCOMPARE(ajuste("VAncho"), QString::number(normal.width()));
            QCOMPARE(ajuste("VAlto"), QString::number(normal.height()));
        }
        Form1 siguiente;
        QVERIFY(siguiente.windowState() & Qt::WindowMaximized);
        siguiente.show();
        QVERIFY(QTest::qWaitForWindowExposed(&siguiente));
        siguiente.showNormal();
        QTRY_VERIFY(!siguiente.isMaximized());
        QTRY_COMPARE(ajuste("VEstado"), QStringLiteral("0"));
        QTRY_COMPARE(siguiente.tamanoTwips(), normal);
    }
};

QTEST_MAIN(TestDisplay)
#include "test_display.moc"
