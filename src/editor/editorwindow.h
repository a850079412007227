#pragma once

#include "canvas.h"
#include "editedmovie.h"

#include <QMainWindow>
#include <functional>
#include <map>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QTimer;

namespace orv::editor {

class FrameStrip;

// OrvEditor's window: the canvas, the tools, the frame strip and the status
// bar over one movie being edited. Every question, message and dialog goes
// through the prompt seam.
class EditorWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    // Opens a movie in place of the one shown (after the unsaved-changes
    // question). False when it was not opened; the loader's message is said.
    bool openMovie(const FileName& name);
    // A new movie of one blank frame.
    void newMovie(QSize size, const QString& pause, const QString& author, const QString& info);

    // The menu entries, by their Spanish captions without accelerators
    // ("Guardar", "Insertar cuadro", ...), and the tools.
    QAction* action(const QString& caption) const;
    QAction* toolAction(Tool tool) const;

    EditedMovie& movie() { return m_movie; }
    Canvas* canvas() const { return m_canvas; }
    FrameStrip* strip() const { return m_strip; }
    bool playing() const;
    QString statusText() const; // the three parts of the status bar, joined by " | "

    // The entries, callable as the menus call them.
    void fileNew();
    void fileOpen();
    bool fileSave();
    bool fileSaveAs();
    void fileExport();
    void editUndo();
    void editRedo();
    void editCut();
    void editCopy();
    void editPaste();
    void editDelete();
    void editSelectAll();
    void frameInsert();
    void frameDuplicate();
    void frameDelete();
    void frameMoveBefore();
    void frameMoveAfter();
    void frameReverse();
    void moviePlay();
    void movieProperties();
    void chooseCharacter();
    void showFrame(int frame);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void makeMenus();
    void makeToolBar();
    // A menu entry, found again by its caption without '&' and "..."; `run`
    // is what choosing it does (none for an entry that is toggled).
    QAction* addEntry(QMenu* menu, const QString& caption, const QKeySequence& key,
                      const std::function<void()>& run = {});
    QAction* addEntry(QMenu* menu, const QString& caption, const QKeySequence& key,
                      void (EditorWindow::*slot)());
    // Asks "¿Desea guardar los cambios...?" when there are changes; false
    // when the user cancels or a save fails.
    bool maySwitch();
    bool saveTo(const FileName& name, SavedForm form);
    QString displayName() const;
    void startMovie(); // a movie replaced the one shown
    // After an edit: the canvas, the strip (one frame or all), the title,
    // the undo entries and the status bar.
    void changed(bool frames);
    void frameEdit(const std::optional<QString>& refusal);
    void updateTitle(); // the name and the `*` of unsaved changes
    void refuse(const QString& why);
    void updateStatus();
    void updateRecent();
    void addRecent(const FileName& name);
    void stopPlaying();

    EditedMovie m_movie;
    Canvas* m_canvas;
    FrameStrip* m_strip;
    QLabel* m_frameLabel;
    QLabel* m_cellLabel;
    QLabel* m_charLabel;
    QAction* m_characterButton = nullptr;
    QMenu* m_recentMenu = nullptr;
    QTimer* m_play;
    std::map<QString, QAction*> m_entries;
    std::map<Tool, QAction*> m_tools;
};

} // namespace orv::editor
