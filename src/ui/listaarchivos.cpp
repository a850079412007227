#include "listaarchivos.h"

#include "nativename.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace orv::ui {

QStringList rutasSoltadas(const QMimeData* datos)
{
    QStringList rutas;
    if (!datos || !datos->hasUrls())
        return rutas;
    const QList<QUrl> urls = datos->urls();
    for (const QUrl& url : urls) {
        // A name that is not UTF-8 keeps its bytes (see nativename.h).
        if (url.isLocalFile())
            rutas.append(QDir::toNativeSeparators(localFileFromUrl(url)));
    }
    return rutas;
}

ListaArchivos::ListaArchivos(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void ListaArchivos::dragEnterEvent(QDragEnterEvent* event)
{
    if (rutasSoltadas(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void ListaArchivos::dragMoveEvent(QDragMoveEvent* event)
{
    if (rutasSoltadas(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void ListaArchivos::dropEvent(QDropEvent* event)
{
    const QStringList rutas = rutasSoltadas(event->mimeData());
    if (rutas.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit soltados(rutas);
}

void moveritem(QListWidget* lista, int desplazamiento)
{
    const int i = lista->currentRow();
    if (lista->count() == 0 || i < 0 || !lista->currentItem()->isSelected())
        return;
    const int j = i + desplazamiento;
    if (j < 0 || j >= lista->count())
        return;
    const QString texto = lista->item(i)->text();
    lista->item(i)->setText(lista->item(j)->text());
    lista->item(j)->setText(texto);
    lista->setCurrentRow(j);
}

QStringList ListaArchivos::rutas() const
{
    QStringList r;
    for (int i = 0; i < count(); ++i)
        r << item(i)->text();
    return r;
}

void habilitaConEntradas(QAction* accion, QListWidget* lista)
{
    // The model answers, not the list: a list being destroyed empties its
    // model and signals it when it is no longer a list.
    QAbstractItemModel* modelo = lista->model();
    const auto refleja = [accion, modelo] { accion->setEnabled(modelo->rowCount() > 0); };
    QObject::connect(modelo, &QAbstractItemModel::rowsInserted, accion, refleja);
    QObject::connect(modelo, &QAbstractItemModel::rowsRemoved, accion, refleja);
    QObject::connect(modelo, &QAbstractItemModel::modelReset, accion, refleja);
    refleja();
}

} // namespace orv::ui
