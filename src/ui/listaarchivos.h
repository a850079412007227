#pragma once

#include <QListWidget>
#include <QStringList>

class QAction;
class QMimeData;

namespace orv::ui {

// The local paths a drop carries, in the drop's order, with the platform's
// separators; nothing for data that holds no files.
QStringList rutasSoltadas(const QMimeData* datos);

// The file list `List1` of the Creator and the Converter: one full path per
// entry, single selection, filled only by files dropped from the desktop or a
// file window. It hands the paths on in the drop's order and decides nothing
// about them itself; entries are never dragged around inside it.
class ListaArchivos : public QListWidget
{
    Q_OBJECT
public:
    explicit ListaArchivos(QWidget* parent = nullptr);

    // Every entry's path, in the list's order.
    QStringList rutas() const;

signals:
    void soltados(const QStringList& rutas);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// Swaps the selected entry with the one `desplazamiento` places away and keeps
// it selected. Nothing happens with no selection or past either end.
void moveritem(QListWidget* lista, int desplazamiento);

// Keeps `accion` enabled exactly while `lista` holds an entry.
void habilitaConEntradas(QAction* accion, QListWidget* lista);

} // namespace orv::ui
