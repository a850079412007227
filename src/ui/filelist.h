#pragma once

#include "filename.h"

#include <QListWidget>

class QAction;
class QMimeData;

namespace orv::ui {

// The local files a drop carries, in the drop's order, their names' bytes
// kept; nothing for data that holds no files.
FileNames droppedPaths(const QMimeData* data);

// The file list `List1` of the Creator and the Converter: one file per
// entry, shown by its full name, single selection, filled by files dropped
// from the desktop or a file window or chosen in "Agregar...". It hands the
// names on in the drop's order and decides nothing about them itself;
// entries are never dragged around inside it.
class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    // Adds an entry at the end, shown as its name reads.
    void addPath(const FileName& name);
    // Every entry's name, in the list's order.
    FileNames paths() const;
    // The name of one entry.
    static FileName pathOf(const QListWidgetItem& item);

signals:
    void dropped(const orv::FileNames& paths);

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
