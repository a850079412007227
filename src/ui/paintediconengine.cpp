#include "paintediconengine.h"

#include <QPainter>
#include <QPixmap>

namespace orv::ui {

PaintedIconEngine::PaintedIconEngine(PaintFunction paint) : m_paint(std::move(paint)) {}

void PaintedIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (mode == QIcon::Disabled)
        painter->setOpacity(0.35);
    m_paint(*painter, QRectF(rect));
    painter->restore();
}

QPixmap PaintedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    // The base class paints onto an uninitialised pixmap; icons need a clear background.
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return pm;
}

QIconEngine* PaintedIconEngine::clone() const
{
    return new PaintedIconEngine(m_paint);
}

QList<QSize> PaintedIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    // Scalable; these are the sizes window systems ask for when they want a list.
    return {QSize(16, 16), QSize(24, 24),   QSize(32, 32),  QSize(48, 48),
            QSize(64, 64), QSize(128, 128), QSize(256, 256)};
}

} // namespace orv::ui
