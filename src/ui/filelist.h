#pragma once

#include <QListWidget>
#include <QStringList>

class QAction;
class QMimeData;

namespace orv::ui {

// The local paths a drop carries, in the drop's order, with the platform's
// separators; nothing for data that holds no files.
QStringList droppedPaths(const QMimeData* data);

// The file list `List1` of the Creator and the Converter: one full path per
// entry, single selection, filled only by files dropped from the desktop or a
// file window. It hands the paths on in the drop's order and decides nothing
// about them itself; entries are never dragged around inside it.
class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    // Every entry's path, in the list's order.
    QStringList paths() const;

signals:
    void dropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// Swaps the selected entry with the one `offset` places away and keeps
// it selected. Nothing happens with no selection or past either end.
void moveritem(QListWidget* list, int offset);

// Keeps `action` enabled exactly while `list` holds an entry.
void enableWithEntries(QAction* action, QListWidget* list);

} // namespace orv::ui
