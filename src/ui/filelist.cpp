#include "filelist.h"

#include "filename.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace orv::ui {

FileNames droppedPaths(const QMimeData* data)
{
    FileNames paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.append(FileName::fromUrl(url));
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
    const FileNames paths = droppedPaths(event->mimeData());
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
    QListWidgetItem* moved = list->takeItem(i);
    list->insertItem(j, moved);
    list->setCurrentRow(j);
}

void FileList::addPath(const FileName& name)
{
    auto* entry = new QListWidgetItem(QDir::toNativeSeparators(name.display()), this);
    entry->setData(Qt::UserRole, QVariant::fromValue(name));
}

FileNames FileList::paths() const
{
    FileNames r;
    for (int i = 0; i < count(); ++i)
        r << pathOf(*item(i));
    return r;
}

FileName FileList::pathOf(const QListWidgetItem& item)
{
    return item.data(Qt::UserRole).value<FileName>();
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
