#pragma once

#include <QListWidget>

namespace orv::converter {

// The source list `List1`: a plain single-selection list that takes files
// dropped from the desktop and hands their paths, in the drop's order, to
// whoever listens. Folders come through too; the window refuses them.
class ListaFuentes : public QListWidget
{
    Q_OBJECT
public:
    explicit ListaFuentes(QWidget* parent = nullptr);

signals:
    void soltados(const QStringList& rutas);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace orv::converter
