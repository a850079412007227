#include "ver.h"

#include "decode.h"
#include "prompt.h"
#include "qtdialogs.h"
#include "twips.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

namespace orv::creator {

Ver::Ver(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("ver"));
    setWindowTitle(QStringLiteral("Vista previa"));
    setModal(true);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_picture->setLineWidth(2);
    m_picture->move(ui::twips(this, 60), ui::twips(this, 60));
    m_accept = new QPushButton(QStringLiteral("&Aceptar"), this);
    m_accept->setObjectName(QStringLiteral("Command1"));
    m_accept->resize(ui::twips(this, 855), ui::twips(this, 375));
    m_accept->setDefault(true);
    connect(m_accept, &QPushButton::clicked, this, &QDialog::accept);
}

bool Ver::muestraVista(const FileName& path)
{
    const std::optional<QImage> image = imaging::decodeImage(path);
    if (!image) {
        const QString crlf = QStringLiteral("\r\n");
        ui::prompt().message(parentWidget(),
                             QStringLiteral("La siguiente imágen no es una imágen válida: ") +
                                 crlf + path.display() + crlf + crlf +
                                 QStringLiteral("Es posible que se produzca un error al tratar de "
                                                "crear la película ASCII."),
                             QStringLiteral("Error al previsualizar la imágen"), ui::Icon::Critical,
                             ui::Buttons::Ok);
        return false;
    }
    QPixmap pixmap = QPixmap::fromImage(*image);
    // One image pixel per screen pixel, whatever the screen's scale.
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    m_picture->setPixmap(pixmap);
    const int edge = 2 * m_picture->frameWidth();
    m_picture->resize(qRound(image->width() / devicePixelRatioF()) + edge,
                      qRound(image->height() / devicePixelRatioF()) + edge);
    // A small picture still leaves room for the button, with the picture's
    // margin before it, and for the title.
    const QSize exterior(
        std::max({m_picture->width() + ui::twips(this, 210), ui::twips(this, 1005 + 60),
                  ui::minimumWidthForTitle(*this) + ui::twips(this, kFrameWidth)}),
        m_picture->height() + ui::twips(this, 900));
    setFixedSize(exterior.width() - ui::twips(this, kFrameWidth),
                 exterior.height() - ui::twips(this, kFrameHeight));
    placeButton();
    return true;
}

QSize Ver::outerSize() const
{
    return {width() + ui::twips(this, kFrameWidth), height() + ui::twips(this, kFrameHeight)};
}

void Ver::placeButton()
{
    // Client coordinates from the outer size, as the classic window places it.
    const QSize exterior = outerSize();
    m_accept->move(exterior.width() - ui::twips(this, 1005),
                   exterior.height() - ui::twips(this, 750));
}

void Ver::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeButton();
}

} // namespace orv::creator
