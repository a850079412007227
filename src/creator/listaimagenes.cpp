#include "listaimagenes.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace orv::creator {

QStringList rutasSoltadas(const QMimeData* datos)
{
    QStringList rutas;
    if (!datos || !datos->hasUrls())
        return rutas;
    for (const QUrl& url : datos->urls()) {
        if (url.isLocalFile())
            rutas.append(QDir::toNativeSeparators(url.toLocalFile()));
    }
    return rutas;
}

ListaImagenes::ListaImagenes(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // Entries are never dragged around inside the list: arriba and abajo move them.
    setDragDropMode(QAbstractItemView::DropOnly);
}

void ListaImagenes::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void ListaImagenes::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void ListaImagenes::dropEvent(QDropEvent* event)
{
    const QStringList rutas = rutasSoltadas(event->mimeData());
    event->acceptProposedAction();
    if (!rutas.isEmpty())
        emit soltado(rutas);
}

} // namespace orv::creator
