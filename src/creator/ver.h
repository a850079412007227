#pragma once

#include "filename.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace orv::creator {

// The preview `ver`: one picture shown at its own size, one image pixel per
// screen pixel, with "&Aceptar" at the bottom right. Its outer size is the
// picture's (border included) plus 210 twips across and 900 down, as with
// the classic small-caption tool window.
class Ver : public QDialog
{
    Q_OBJECT
public:
    explicit Ver(QWidget* parent = nullptr);

    // Loads the picture and sizes the window to it; when the picture cannot
    // be read, says so and answers false (the window is then not shown).
    bool muestraVista(const FileName& path);

    // The outer size the classic window would have, in pixels.
    QSize outerSize() const;

    // The borders of a classic fixed tool window, in twips: 45 on each side
    // and a 255-twip caption.
    static constexpr int kFrameWidth = 90;
    static constexpr int kFrameHeight = 345;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButton();

    QLabel* m_picture;
    QPushButton* m_accept;
};

} // namespace orv::creator
