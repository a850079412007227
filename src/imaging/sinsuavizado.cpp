#include "sinsuavizado.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

namespace orv::imaging {

// Hands every drawing call and every state change but the render hints to a
// plain painter on the image.
class MotorSinSuavizado : public QPaintEngine
{
public:
    explicit MotorSinSuavizado(QImage* destino) : QPaintEngine(AllFeatures), m_destino(destino) {}

    bool begin(QPaintDevice*) override
    {
        if (!m_pintor.begin(m_destino))
            return false;
        m_pintor.setRenderHints(QPainter::RenderHints(), true);
        m_pintor.setRenderHint(QPainter::Antialiasing, false);
        m_pintor.setRenderHint(QPainter::TextAntialiasing, false);
        m_pintor.setRenderHint(QPainter::SmoothPixmapTransform, false);
        return true;
    }
    bool end() override { return m_pintor.end(); }

    void updateState(const QPaintEngineState& s) override
    {
        const DirtyFlags f = s.state();
        if (f & DirtyPen)
            m_pintor.setPen(s.pen());
        if (f & DirtyBrush)
            m_pintor.setBrush(s.brush());
        if (f & DirtyBrushOrigin)
            m_pintor.setBrushOrigin(s.brushOrigin());
        if (f & DirtyFont)
            m_pintor.setFont(s.font());
        if (f & DirtyBackground)
            m_pintor.setBackground(s.backgroundBrush());
        if (f & DirtyBackgroundMode)
            m_pintor.setBackgroundMode(s.backgroundMode());
        if (f & DirtyTransform)
            m_pintor.setTransform(s.transform());
        if (f & DirtyClipRegion)
            m_pintor.setClipRegion(s.clipRegion(), s.clipOperation());
        if (f & DirtyClipPath)
            m_pintor.setClipPath(s.clipPath(), s.clipOperation());
        if (f & DirtyClipEnabled)
            m_pintor.setClipping(s.isClipEnabled());
        if (f & DirtyCompositionMode)
            m_pintor.setCompositionMode(s.compositionMode());
        if (f & DirtyOpacity)
            m_pintor.setOpacity(s.opacity());
        // DirtyHints is left out on purpose.
    }

    void drawPath(const QPainterPath& path) override { m_pintor.drawPath(path); }

    void drawPolygon(const QPointF* puntos, int n, PolygonDrawMode modo) override
    {
        switch (modo) {
        case PolylineMode:
            m_pintor.drawPolyline(puntos, n);
            break;
        case OddEvenMode:
            m_pintor.drawPolygon(puntos, n, Qt::OddEvenFill);
            break;
        case WindingMode:
        case ConvexMode:
            m_pintor.drawPolygon(puntos, n, Qt::WindingFill);
            break;
        }
    }

    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override
    {
        m_pintor.drawPixmap(r, pm, sr);
    }

    void drawImage(const QRectF& r, const QImage& img, const QRectF& sr,
                   Qt::ImageConversionFlags flags) override
    {
        m_pintor.drawImage(r, img, sr, flags);
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        m_pintor.drawTextItem(p, item);
    }

    Type type() const override { return User; }

private:
    QImage* m_destino;
    QPainter m_pintor;
};

LienzoSinSuavizado::LienzoSinSuavizado(QImage* destino)
    : m_destino(destino), m_motor(std::make_unique<MotorSinSuavizado>(destino))
{
}

LienzoSinSuavizado::~LienzoSinSuavizado() = default;

QPaintEngine* LienzoSinSuavizado::paintEngine() const
{
    return m_motor.get();
}

int LienzoSinSuavizado::metric(PaintDeviceMetric metrica) const
{
    switch (metrica) {
    case PdmWidth:
        return m_destino->width();
    case PdmHeight:
        return m_destino->height();
    case PdmWidthMM:
        return m_destino->widthMM();
    case PdmHeightMM:
        return m_destino->heightMM();
    case PdmNumColors:
        return m_destino->colorCount();
    case PdmDepth:
        return m_destino->depth();
    case PdmDpiX:
    case PdmPhysicalDpiX:
        return m_destino->logicalDpiX();
    case PdmDpiY:
    case PdmPhysicalDpiY:
        return m_destino->logicalDpiY();
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

} // namespace orv::imaging
