#include "unsmoothed.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

namespace orv::imaging {

// Hands every drawing call and every state change but the render hints to a
// plain painter on the image.
class UnsmoothedEngine : public QPaintEngine
{
public:
    explicit UnsmoothedEngine(QImage* target) : QPaintEngine(AllFeatures), m_target(target) {}

    bool begin(QPaintDevice*) override
    {
        if (!m_painter.begin(m_target))
            return false;
        m_painter.setRenderHints(QPainter::RenderHints(), true);
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.setRenderHint(QPainter::TextAntialiasing, false);
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        return true;
    }
    bool end() override { return m_painter.end(); }

    void updateState(const QPaintEngineState& s) override
    {
        const DirtyFlags f = s.state();
        if (f & DirtyPen)
            m_painter.setPen(s.pen());
        if (f & DirtyBrush)
            m_painter.setBrush(s.brush());
        if (f & DirtyBrushOrigin)
            m_painter.setBrushOrigin(s.brushOrigin());
        if (f & DirtyFont)
            m_painter.setFont(s.font());
        if (f & DirtyBackground)
            m_painter.setBackground(s.backgroundBrush());
        if (f & DirtyBackgroundMode)
            m_painter.setBackgroundMode(s.backgroundMode());
        if (f & DirtyTransform)
            m_painter.setTransform(s.transform());
        if (f & DirtyClipRegion)
            m_painter.setClipRegion(s.clipRegion(), s.clipOperation());
        if (f & DirtyClipPath)
            m_painter.setClipPath(s.clipPath(), s.clipOperation());
        if (f & DirtyClipEnabled)
            m_painter.setClipping(s.isClipEnabled());
        if (f & DirtyCompositionMode)
            m_painter.setCompositionMode(s.compositionMode());
        if (f & DirtyOpacity)
            m_painter.setOpacity(s.opacity());
        // DirtyHints is left out on purpose.
    }

    void drawPath(const QPainterPath& path) override { m_painter.drawPath(path); }

    void drawPolygon(const QPointF* points, int n, PolygonDrawMode mode) override
    {
        switch (mode) {
        case PolylineMode:
            m_painter.drawPolyline(points, n);
            break;
        case OddEvenMode:
            m_painter.drawPolygon(points, n, Qt::OddEvenFill);
            break;
        case WindingMode:
        case ConvexMode:
            m_painter.drawPolygon(points, n, Qt::WindingFill);
            break;
        }
    }

    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override
    {
        m_painter.drawPixmap(r, pm, sr);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                   Qt::ImageConversionFlags flags) override
    {
        m_painter.drawImage(r, image, sr, flags);
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        m_painter.drawTextItem(p, item);
    }

    Type type() const override { return User; }

private:
    QImage* m_target;
    QPainter m_painter;
};

UnsmoothedCanvas::UnsmoothedCanvas(QImage* target)
    : m_target(target), m_engine(std::make_unique<UnsmoothedEngine>(target))
{
}

UnsmoothedCanvas::~UnsmoothedCanvas() = default;

QPaintEngine* UnsmoothedCanvas::paintEngine() const
{
    return m_engine.get();
}

int UnsmoothedCanvas::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_target->width();
    case PdmHeight:
        return m_target->height();
    case PdmWidthMM:
        return m_target->widthMM();
    case PdmHeightMM:
        return m_target->heightMM();
    case PdmNumColors:
        return m_target->colorCount();
    case PdmDepth:
        return m_target->depth();
    case PdmDpiX:
    case PdmPhysicalDpiX:
        return m_target->logicalDpiX();
    case PdmDpiY:
    case PdmPhysicalDpiY:
        return m_target->logicalDpiY();
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

} // namespace orv::imaging
