#pragma once

#include <QListWidget>

namespace orv::creator {

// `List1`: the movie's images, one full path per entry, in frame order.
// Takes files dropped from the desktop or a file window and hands their paths
// on, in the order given; it decides nothing about them itself.
class ListaImagenes : public QListWidget
{
    Q_OBJECT
public:
    explicit ListaImagenes(QWidget* parent = nullptr);

signals:
    void soltado(const QStringList& rutas);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// The local paths a drop carries, in order; nothing for data holding no files.
QStringList rutasSoltadas(const class QMimeData* datos);

} // namespace orv::creator
