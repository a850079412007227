#pragma once

#include "product.h"

#include <QWidget>

namespace orv::ui {

// The product picture as a control: painted at the widget's own resolution
// and clickable. With a caption it becomes a banner, the picture on the left
// and the caption beside it on a background in the product's colours.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    explicit PictureBox(Product product, QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    QString caption() const { return m_caption; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void paintBanner(QPainter& painter);

    Product m_product;
    QString m_caption;
    bool m_pressed = false;
};

} // namespace orv::ui
