#include "pictures.h"

#include "paintediconengine.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPolygonF>

namespace orv::ui {
namespace {

// Every picture is drawn on a 100 x 100 grid, mapped onto the target square.
constexpr qreal kGrid = 100.0;

// Below this many device pixels per grid unit the characters would be a few
// grey pixels; blocks of the same shade read better.
constexpr qreal kMinTextScale = 0.45;

// The frame's little picture: a ball, in characters of growing density.
const char* const kArt[] = {" .oOo. ", ".O@#@O.", "'O@#@O'", " 'oOo' "};

void mapToSquare(QPainter& p, const QRectF& rect)
{
    const qreal side = qMin(rect.width(), rect.height());
    p.translate(rect.center() - QPointF(side / 2, side / 2));
    p.scale(side / kGrid, side / kGrid);
}

qreal deviceScale(const QPainter& p)
{
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    return p.transform().m11() * dpr;
}

qreal density(char c)
{
    switch (c) {
    case '.':
    case '\'':
        return 0.25;
    case 'o':
        return 0.45;
    case 'O':
        return 0.65;
    case '@':
    case '#':
        return 1.0;
    default:
        return 0.0;
    }
}

void drawArt(QPainter& p, const QRectF& screen, const QColor& ink)
{
    const int cols = int(qstrlen(kArt[0]));
    const int rows = int(std::size(kArt));
    const qreal cellW = screen.width() / (cols + 1);
    const qreal cellH = screen.height() / (rows + 0.6);
    const QPointF origin(screen.left() + (screen.width() - cols * cellW) / 2,
                         screen.top() + (screen.height() - rows * cellH) / 2);

    if (deviceScale(p) < kMinTextScale) {
        p.setPen(Qt::NoPen);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                QColor shade = ink;
                shade.setAlphaF(float(density(kArt[r][c])));
                p.setBrush(shade);
                p.drawRect(QRectF(origin.x() + c * cellW, origin.y() + r * cellH, cellW, cellH));
            }
        }
        return;
    }

    // Glyphs are built at a large size and scaled down, so hinting made for a
    // tiny size never distorts them.
    constexpr int kGlyphPx = 100;
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPixelSize(kGlyphPx);
    QPainterPath text;
    for (int r = 0; r < rows; ++r)
        text.addText(0, r * kGlyphPx, font, QString::fromLatin1(kArt[r]));
    const QRectF box = text.boundingRect();
    const qreal sx = cols * cellW / box.width();
    const qreal sy = rows * cellH / (box.height() + kGlyphPx * 0.1);
    QTransform toScreen;
    toScreen.translate(origin.x(), origin.y());
    toScreen.scale(sx, sy);
    toScreen.translate(-box.left(), -box.top());
    p.fillPath(toScreen.map(text), ink);
}

QPolygonF polygon(std::initializer_list<QPointF> points)
{
    return QPolygonF(QList<QPointF>(points));
}

void drawBadgeSymbol(QPainter& p, Product product)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    switch (product) {
    case Product::Player:
        p.drawPolygon(polygon({{74, 68}, {74, 86}, {89, 77}}));
        break;
    case Product::Compactor:
        // Two arrow heads squeezing towards the middle.
        p.drawPolygon(polygon({{68, 70}, {68, 84}, {77, 77}}));
        p.drawPolygon(polygon({{90, 70}, {90, 84}, {81, 77}}));
        break;
    case Product::Converter:
        p.drawRect(QRectF(68, 74.5, 11, 5));
        p.drawPolygon(polygon({{78, 69}, {78, 85}, {90, 77}}));
        break;
    case Product::Creator: {
        // A four-pointed spark.
        QPainterPath star;
        const QPointF c(79, 77);
        star.moveTo(c + QPointF(0, -11));
        star.quadTo(c, c + QPointF(11, 0));
        star.quadTo(c, c + QPointF(0, 11));
        star.quadTo(c, c + QPointF(-11, 0));
        star.quadTo(c, c + QPointF(0, -11));
        p.drawPath(star);
        break;
    }
    case Product::Editor:
        // A pencil, point down to the left.
        p.drawPolygon(polygon({{86, 64}, {92, 70}, {75, 87}, {69, 81}}));
        p.drawPolygon(polygon({{69, 81}, {75, 87}, {66, 90}}));
        break;
    }
}

void paintPlay(QPainter& p, const QRectF& rect)
{
    mapToSquare(p, rect);
    p.setPen(Qt::NoPen);
    p.setBrush(QGuiApplication::palette().color(QPalette::ButtonText));
    p.drawPolygon(polygon({{26, 16}, {26, 84}, {86, 50}}));
}

void paintStop(QPainter& p, const QRectF& rect)
{
    mapToSquare(p, rect);
    p.setPen(Qt::NoPen);
    p.setBrush(QGuiApplication::palette().color(QPalette::ButtonText));
    p.drawRoundedRect(QRectF(20, 20, 60, 60), 5, 5);
}

void paintRewind(QPainter& p, const QRectF& rect)
{
    mapToSquare(p, rect);
    p.setPen(Qt::NoPen);
    p.setBrush(QGuiApplication::palette().color(QPalette::ButtonText));
    p.drawRect(QRectF(10, 20, 10, 60));
    p.drawPolygon(polygon({{54, 20}, {54, 80}, {21, 50}}));
    p.drawPolygon(polygon({{90, 20}, {90, 80}, {57, 50}}));
}

QIcon paintedIcon(PaintedIconEngine::PaintFunction f)
{
    return QIcon(new PaintedIconEngine(std::move(f)));
}

} // namespace

QColor productColor(Product p)
{
    switch (p) {
    case Product::Player:
        return QColor(0x2f, 0x80, 0xed);
    case Product::Compactor:
        return QColor(0xf2, 0x8c, 0x28);
    case Product::Converter:
        return QColor(0x27, 0xae, 0x60);
    case Product::Creator:
        return QColor(0x9b, 0x51, 0xe0);
    case Product::Editor:
        return QColor(0xd6, 0x3a, 0x5a);
    }
    return Qt::gray;
}

void paintProductPicture(QPainter& p, const QRectF& rect, Product product)
{
    const QColor main = productColor(product);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    mapToSquare(p, rect);

    // The film strip, with its sprocket holes above and below the frame.
    p.setPen(QPen(main, 3));
    p.setBrush(QColor(0x1b, 0x1f, 0x27));
    p.drawRoundedRect(QRectF(6, 15, 88, 70), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd8, 0xdd, 0xe6));
    for (int i = 0; i < 7; ++i) {
        const qreal x = 12.5 + i * 12.0;
        p.drawRoundedRect(QRectF(x, 19, 6, 5), 1.2, 1.2);
        p.drawRoundedRect(QRectF(x, 76, 6, 5), 1.2, 1.2);
    }

    const QRectF screen(12, 28, 76, 44);
    QLinearGradient glow(screen.topLeft(), screen.bottomLeft());
    glow.setColorAt(0, main.darker(260));
    glow.setColorAt(1, QColor(0x06, 0x08, 0x0c));
    p.setBrush(glow);
    p.drawRoundedRect(screen, 3, 3);
    drawArt(p, screen.adjusted(2, 1, -2, -1), main.lighter(165));

    p.setPen(QPen(Qt::white, 3));
    p.setBrush(main);
    p.drawEllipse(QPointF(79, 77), 16, 16);
    drawBadgeSymbol(p, product);
    p.restore();
}

QPixmap productPicture(Product p, QSize size, qreal dpr)
{
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    paintProductPicture(painter, QRectF(QPointF(0, 0), QSizeF(size)), p);
    return pm;
}

QIcon productIcon(Product p)
{
    return paintedIcon(
        [p](QPainter& painter, const QRectF& rect) { paintProductPicture(painter, rect, p); });
}

QIcon playIcon()
{
    return paintedIcon(paintPlay);
}

QIcon stopIcon()
{
    return paintedIcon(paintStop);
}

QIcon rewindIcon()
{
    return paintedIcon(paintRewind);
}

} // namespace orv::ui
