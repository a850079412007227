#include "picturebox.h"

#include "pictures.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace orv::ui {

PictureBox::PictureBox(Product product, QWidget* parent) : QWidget(parent), m_product(product) {}

void PictureBox::setCaption(const QString& caption)
{
    m_caption = caption;
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_caption.isEmpty())
        paintProductPicture(painter, QRectF(rect()), m_product);
    else
        paintBanner(painter);
}

void PictureBox::paintBanner(QPainter& painter)
{
    const QColor main = productColor(m_product);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, QColor(0x23, 0x28, 0x33));
    background.setColorAt(1, QColor(0x10, 0x13, 0x19));
    painter.fillRect(rect(), background);
    painter.fillRect(QRectF(0, height() - 6, width(), 6), main);

    const qreal margin = height() * 0.08;
    const qreal side = height() - 2 * margin - 6;
    const QRectF picture(margin, margin, side, side);
    paintProductPicture(painter, picture, m_product);

    const QRectF textArea(picture.right() + margin, margin, width() - picture.right() - 2 * margin,
                          side);
    QFont font = this->font();
    font.setPixelSize(qMax(12, int(height() * 0.11)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, m_caption);
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QWidget::mousePressEvent(event);
}

// A click is a press and release on the picture, as with a button.
void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

} // namespace orv::ui
