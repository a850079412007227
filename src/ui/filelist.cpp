#include "filelist.h"

#include "nativename.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace orv::ui {

QStringList droppedPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        // A name that is not UTF-8 keeps its bytes (see nativename.h).
        if (url.isLocalFile())
            paths.append(QDir::toNativeSeparators(localFileFromUrl(url)));
    }
    return paths;
}

FileList::FileList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void FileList::dragEnterEvent(QDragEnterEvent* event)
{
    if (droppedPaths(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void FileList::dragMoveEvent(QDragMoveEvent* event)
{
    if (droppedPaths(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void FileList::dropEvent(QDropEvent* event)
{
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit dropped(paths);
}

void moveritem(QListWidget* list, int offset)
{
    const int i = list->currentRow();
    if (list->count() == 0 || i < 0 || !list->currentItem()->isSelected())
        return;
    const int j = i + offset;
    if (j < 0 || j >= list->count())
        return;
    const QString text = list->item(i)->text();
    list->item(i)->setText(list->item(j)->text());
    list->item(j)->setText(text);
    list->setCurrentRow(j);
}

QStringList FileList::paths() const
{
    QStringList r;
    for (int i = 0; i < count(); ++i)
        r << item(i)->text();
    return r;
}

void enableWithEntries(QAction* action, QListWidget* list)
{
    // The model answers, not the list: a list being destroyed empties its
    // model and signals it when it is no longer a list.
    QAbstractItemModel* model = list->model();
    const auto reflect = [action, model] { action->setEnabled(model->rowCount() > 0); };
    QObject::connect(model, &QAbstractItemModel::rowsInserted, action, reflect);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, action, reflect);
    QObject::connect(model, &QAbstractItemModel::modelReset, action, reflect);
    reflect();
}

} // namespace orv::ui
