#include "listafuentes.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

namespace orv::converter {
namespace {

QStringList rutasLocales(const QMimeData* datos)
{
    QStringList rutas;
    if (!datos || !datos->hasUrls())
        return rutas;
    const QList<QUrl> urls = datos->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            rutas.append(url.toLocalFile());
    }
    return rutas;
}

} // namespace

ListaFuentes::ListaFuentes(QWidget* parent) : QListWidget(parent)
{
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void ListaFuentes::dragEnterEvent(QDragEnterEvent* event)
{
    if (rutasLocales(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void ListaFuentes::dragMoveEvent(QDragMoveEvent* event)
{
    if (rutasLocales(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void ListaFuentes::dropEvent(QDropEvent* event)
{
    const QStringList rutas = rutasLocales(event->mimeData());
    if (rutas.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit soltados(rutas);
}

} // namespace orv::converter
