#include "ver.h"

#include "decodifica.h"
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
    m_aceptar = new QPushButton(QStringLiteral("&Aceptar"), this);
    m_aceptar->setObjectName(QStringLiteral("Command1"));
    m_aceptar->resize(ui::twips(this, 855), ui::twips(this, 375));
    m_aceptar->setDefault(true);
    connect(m_aceptar, &QPushButton::clicked, this, &QDialog::accept);
}

bool Ver::muestraVista(const QString& ruta)
{
    const std::optional<QImage> imagen = imaging::decodificaImagen(ruta);
    if (!imagen) {
        const QString crlf = QStringLiteral("\r\n");
        ui::prompt().mensaje(parentWidget(),
                             QStringLiteral("La siguiente imágen no es una imágen válida: ") +
                                 crlf + ruta + crlf + crlf +
                                 QStringLiteral("Es posible que se produzca un error al tratar de "
                                                "crear la película ASCII."),
                             QStringLiteral("Error al previsualizar la imágen"), ui::Icono::Critico,
                             ui::Botones::Aceptar);
        return false;
    }
    QPixmap pixmap = QPixmap::fromImage(*imagen);
    // One image pixel per screen pixel, whatever the screen's scale.
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    m_picture->setPixmap(pixmap);
    const int borde = 2 * m_picture->frameWidth();
    m_picture->resize(qRound(imagen->width() / devicePixelRatioF()) + borde,
                      qRound(imagen->height() / devicePixelRatioF()) + borde);
    // A small picture still leaves room for the button, with the picture's
    // margin before it, and for the title.
    const QSize exterior(std::max({m_picture->width() + ui::twips(this, 210), ui::twips(this, 1005 + 60),
                                   ui::anchoMinimoParaTitulo(*this) + ui::twips(this, kMarcoAncho)}),
                         m_picture->height() + ui::twips(this, 900));
    setFixedSize(exterior.width() - ui::twips(this, kMarcoAncho),
                 exterior.height() - ui::twips(this, kMarcoAlto));
    colocaBoton();
    return true;
}

QSize Ver::tamanoExterior() const
{
    return {width() + ui::twips(this, kMarcoAncho), height() + ui::twips(this, kMarcoAlto)};
}

void Ver::colocaBoton()
{
    // Client coordinates from the outer size, as the classic window places it.
    const QSize exterior = tamanoExterior();
    m_aceptar->move(exterior.width() - ui::twips(this, 1005), exterior.height() - ui::twips(this, 750));
}

void Ver::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    colocaBoton();
}

} // namespace orv::creator
