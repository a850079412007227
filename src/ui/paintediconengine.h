#pragma once

#include <QIconEngine>
#include <functional>

namespace orv::ui {

// An icon drawn on demand by a painting function, so it is sharp at every
// size and device pixel ratio instead of being scaled from a few bitmaps.
// Disabled icons are drawn faded.
class PaintedIconEngine : public QIconEngine
{
public:
    using PaintFunction = std::function<void(QPainter&, const QRectF&)>;

    explicit PaintedIconEngine(PaintFunction paint);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;

private:
    PaintFunction m_paint;
};

} // namespace orv::ui
