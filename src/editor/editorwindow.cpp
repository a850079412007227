#include "editorwindow.h"

#include "charactertable.h"
#include "conversion.h"
#include "cp1252.h"
#include "fixedfont.h"
#include "framestrip.h"
#include "frmabout.h"
#include "moviedialog.h"
#include "movieexport.h"
#include "moviereader.h"
#include "pictures.h"
#include "product.h"
#include "prompt.h"
#include "promptpasswords.h"
#include "settings.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDataStream>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace orv::editor {
namespace {

const QString kFilter = QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*");
// Frames on the clipboard, between two editors: width, height, count, then
// the frames whole.
const QString kFramesMime = QStringLiteral("application/x-orvane-frames");
constexpr int kMostRecent = 8;

QString setting(const QString& name)
{
    return leeValor(QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvane\\OrvEditor\\") + name);
}

void saveSetting(const QString& name, const QString& value)
{
    guardaValor(QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvane\\OrvEditor\\") + name, value);
}

QString withoutAccelerator(QString caption)
{
    caption.remove(QLatin1Char('&'));
    if (caption.endsWith(QStringLiteral("...")))
        caption.chop(3);
    return caption;
}

} // namespace

EditorWindow::EditorWindow(QWidget* parent)
    : QMainWindow(parent), m_canvas(new Canvas), m_strip(new FrameStrip), m_play(new QTimer(this))
{
    setAcceptDrops(true);
    auto* centre = new QWidget;
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_canvas, 1);
    column->addWidget(m_strip);
    setCentralWidget(centre);

    m_frameLabel = new QLabel;
    m_cellLabel = new QLabel;
    m_charLabel = new QLabel;
    for (QLabel* l : {m_frameLabel, m_cellLabel, m_charLabel})
        statusBar()->addPermanentWidget(l);

    if (const double points = setting(QStringLiteral("Tamaño")).toDouble(); points >= 4 && points <= 72)
        m_canvas->setPoints(points);
    makeMenus();
    makeToolBar();

    connect(m_canvas, &Canvas::changed, this, [this] { changed(false); });
    connect(m_canvas, &Canvas::refused, this, &EditorWindow::refuse);
    connect(m_canvas, &Canvas::cursorMoved, this, &EditorWindow::updateStatus);
    connect(m_canvas, &Canvas::characterChanged, this, [this](QChar c) {
        m_characterButton->setText(QStringLiteral("Carácter: ") + c);
    });
    connect(m_strip, &FrameStrip::currentFrameChanged, this, [this](int frame) {
        if (frame != m_canvas->frame()) {
            m_canvas->setFrame(frame);
            updateStatus();
        }
    });
    connect(m_strip, &FrameStrip::moveRequested, this, [this](int first, int count, int to) {
        frameEdit(m_movie.moveFrames(first, count, to));
        m_strip->selectRun(to, count);
    });
    connect(m_play, &QTimer::timeout, this, [this] {
        showFrame((m_canvas->frame() + 1) % m_movie.frameCount());
    });
    newMovie({80, 25}, QStringLiteral("100"), {}, {});
    resize(1000, 720);
}

EditorWindow::~EditorWindow() = default;

QAction* EditorWindow::addEntry(QMenu* menu, const QString& caption, const QKeySequence& key,
                                const std::function<void()>& run)
{
    QAction* a = menu->addAction(caption);
    if (!key.isEmpty())
        a->setShortcut(key);
    if (run)
        connect(a, &QAction::triggered, this, run);
    m_entries[withoutAccelerator(caption)] = a;
    return a;
}

QAction* EditorWindow::addEntry(QMenu* menu, const QString& caption, const QKeySequence& key,
                                void (EditorWindow::*slot)())
{
    return addEntry(menu, caption, key, [this, slot] { (this->*slot)(); });
}

QAction* EditorWindow::action(const QString& caption) const
{
    const auto it = m_entries.find(caption);
    return it == m_entries.end() ? nullptr : it->second;
}

QAction* EditorWindow::toolAction(Tool tool) const
{
    return m_tools.at(tool);
}

void EditorWindow::makeMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Archivo"));
    addEntry(file, QStringLiteral("&Nuevo..."), QKeySequence::New, &EditorWindow::fileNew);
    addEntry(file, QStringLiteral("&Abrir..."), QKeySequence::Open, &EditorWindow::fileOpen);
    m_recentMenu = file->addMenu(QStringLiteral("Películas &recientes"));
    file->addSeparator();
    addEntry(file, QStringLiteral("&Guardar"), QKeySequence::Save, [this] { fileSave(); });
    addEntry(file, QStringLiteral("Guardar &como..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
             [this] { fileSaveAs(); });
    addEntry(file, QStringLiteral("&Exportar..."), QKeySequence(Qt::CTRL | Qt::Key_E), &EditorWindow::fileExport);
    file->addSeparator();
    addEntry(file, QStringLiteral("&Salir"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edición"));
    addEntry(edit, QStringLiteral("&Deshacer"), QKeySequence::Undo, &EditorWindow::editUndo);
    addEntry(edit, QStringLiteral("&Rehacer"), QKeySequence(Qt::CTRL | Qt::Key_Y), &EditorWindow::editRedo);
    edit->addSeparator();
    addEntry(edit, QStringLiteral("Cor&tar"), QKeySequence::Cut, &EditorWindow::editCut);
    addEntry(edit, QStringLiteral("&Copiar"), QKeySequence::Copy, &EditorWindow::editCopy);
    addEntry(edit, QStringLiteral("&Pegar"), QKeySequence::Paste, &EditorWindow::editPaste);
    addEntry(edit, QStringLiteral("&Borrar"), QKeySequence::Delete, &EditorWindow::editDelete);
    edit->addSeparator();
    addEntry(edit, QStringLiteral("Seleccionar &todo"), QKeySequence::SelectAll, &EditorWindow::editSelectAll);
    addEntry(edit, QStringLiteral("Ca&rácter..."), QKeySequence(Qt::CTRL | Qt::Key_T), &EditorWindow::chooseCharacter);

    QMenu* frames = menuBar()->addMenu(QStringLiteral("&Cuadro"));
    const QList<QAction*> frameEntries{
        addEntry(frames, QStringLiteral("&Insertar cuadro"), QKeySequence(Qt::CTRL | Qt::Key_M), &EditorWindow::frameInsert),
        addEntry(frames, QStringLiteral("&Duplicar cuadro"), QKeySequence(Qt::CTRL | Qt::Key_D), &EditorWindow::frameDuplicate),
        addEntry(frames, QStringLiteral("&Eliminar cuadro"), QKeySequence(Qt::CTRL | Qt::Key_Delete), &EditorWindow::frameDelete),
        addEntry(frames, QStringLiteral("Mover &antes"), QKeySequence(Qt::CTRL | Qt::Key_PageUp), &EditorWindow::frameMoveBefore),
        addEntry(frames, QStringLiteral("Mover &después"), QKeySequence(Qt::CTRL | Qt::Key_PageDown), &EditorWindow::frameMoveAfter),
        addEntry(frames, QStringLiteral("In&vertir orden"), {}, &EditorWindow::frameReverse),
    };
    m_strip->addActions(frameEntries);
    frames->addSeparator();
    addEntry(frames, QStringLiteral("Cuadro an&terior"), {}, [this] { showFrame(m_canvas->frame() - 1); })
        ->setShortcuts({QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::Key_F3)});
    addEntry(frames, QStringLiteral("Cuadro &siguiente"), {}, [this] { showFrame(m_canvas->frame() + 1); })
        ->setShortcuts({QKeySequence(Qt::Key_PageDown), QKeySequence(Qt::Key_F4)});

    QMenu* movie = menuBar()->addMenu(QStringLiteral("&Película"));
    addEntry(movie, QStringLiteral("&Reproducir"), QKeySequence(Qt::Key_F2), &EditorWindow::moviePlay);
    addEntry(movie, QStringLiteral("&Propiedades..."), QKeySequence(Qt::ALT | Qt::Key_Return), &EditorWindow::movieProperties);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Ver"));
    QAction* onion = addEntry(view, QStringLiteral("&Papel cebolla"), QKeySequence(Qt::CTRL | Qt::Key_K));
    onion->setCheckable(true);
    QAction* onionNext = addEntry(view, QStringLiteral("Papel cebolla: también el cuadro &siguiente"), {});
    onionNext->setCheckable(true);
    const auto onionChanged = [this, onion, onionNext] {
        m_canvas->setOnionSkin(onion->isChecked(), onion->isChecked() && onionNext->isChecked());
    };
    connect(onion, &QAction::toggled, this, onionChanged);
    connect(onionNext, &QAction::toggled, this, onionChanged);
    QAction* grid = addEntry(view, QStringLiteral("&Cuadrícula"), QKeySequence(Qt::CTRL | Qt::Key_G));
    grid->setCheckable(true);
    connect(grid, &QAction::toggled, m_canvas, &Canvas::setGrid);
    QMenu* sizes = view->addMenu(QStringLiteral("&Tamaño de letra"));
    auto* sizeGroup = new QActionGroup(this);
    for (int points : {6, 8, 10, 12, 14, 18, 24}) {
        QAction* a = sizes->addAction(QString::number(points));
        a->setCheckable(true);
        a->setChecked(points == m_canvas->points());
        sizeGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, points] {
            m_canvas->setPoints(points);
            saveSetting(QStringLiteral("Tamaño"), QString::number(points));
        });
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("Ay&uda"));
    QAction* about = help->addAction(QStringLiteral("&Acerca de Orvane ASCII Editor..."));
    connect(about, &QAction::triggered, this, [this] {
        ui::FrmAbout box(ui::Product::Editor, this);
        ui::prompt().dialog(box);
    });
}

void EditorWindow::makeToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("Herramientas"));
    bar->setObjectName(QStringLiteral("herramientas"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->setMovable(false);
    auto* group = new QActionGroup(this);
    const std::pair<Tool, const char*> tools[] = {
        {Tool::Text, "Texto"},         {Tool::Pencil, "Lápiz"},          {Tool::Line, "Línea"},
        {Tool::Rectangle, "Rectángulo"}, {Tool::Fill, "Relleno"},        {Tool::Selection, "Selección"},
        {Tool::Eyedropper, "Cuentagotas"},
    };
    int key = Qt::Key_1;
    for (const auto& [tool, caption] : tools) {
        QAction* a = bar->addAction(QString::fromUtf8(caption));
        a->setCheckable(true);
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(key++)));
        a->setToolTip(QString::fromUtf8(caption) + QStringLiteral(" (") + a->shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')'));
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, t = tool] {
            m_canvas->setTool(t);
            m_canvas->setFocus();
        });
        m_tools[tool] = a;
    }
    m_tools[Tool::Text]->setChecked(true);
    bar->addSeparator();
    m_characterButton = bar->addAction(QStringLiteral("Carácter: #"));
    m_characterButton->setToolTip(QStringLiteral("El carácter que dibujan las herramientas (Ctrl+T)"));
    connect(m_characterButton, &QAction::triggered, this, &EditorWindow::chooseCharacter);
    bar->addSeparator();
    bar->addAction(action(QStringLiteral("Reproducir")));
}

QString EditorWindow::displayName() const
{
    return m_movie.file().isEmpty() ? QStringLiteral("Sin título") : m_movie.file().leaf().display();
}

void EditorWindow::startMovie()
{
    stopPlaying();
    m_canvas->setMovie(&m_movie);
    m_strip->setMovie(&m_movie);
    m_canvas->setTool(Tool::Text);
    m_tools[Tool::Text]->setChecked(true);
    m_canvas->setFocus();
    changed(true);
}

void EditorWindow::newMovie(QSize size, const QString& pause, const QString& author, const QString& info)
{
    m_movie = EditedMovie::blank(size.width(), size.height(), 1, pause, author, info);
    startMovie();
}

bool EditorWindow::openMovie(const FileName& name)
{
    ui::PromptPasswords passwords(this, QStringLiteral("Orvane ASCII Editor"));
    LoadOptions options;
    options.passwords = &passwords;
    EditedMovie opened;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool read = opened.open(name, options);
    QApplication::restoreOverrideCursor();
    if (!read) {
        ui::prompt().message(this, movieErrorMessage(), movieErrorTitle(), ui::Icon::Critical, ui::Buttons::Ok);
        return false;
    }
    m_movie = std::move(opened);
    addRecent(m_movie.file());
    startMovie();
    return true;
}

void EditorWindow::changed(bool frames)
{
    // The canvas shows its own edits; anything else may change any frame.
    if (frames) {
        m_strip->frames()->reset();
        m_strip->setCurrent(std::min(m_canvas->frame(), m_movie.frameCount() - 1));
        m_canvas->refresh();
    } else {
        m_strip->frames()->frameChanged(m_canvas->frame());
    }
    updateTitle();
    QAction* undo = action(QStringLiteral("Deshacer"));
    QAction* redo = action(QStringLiteral("Rehacer"));
    undo->setEnabled(m_movie.canUndo());
    redo->setEnabled(m_movie.canRedo());
    undo->setText(m_movie.canUndo() ? QStringLiteral("&Deshacer ") + actionName(m_movie.undoAction())
                                    : QStringLiteral("&Deshacer"));
    redo->setText(m_movie.canRedo() ? QStringLiteral("&Rehacer ") + actionName(m_movie.redoAction())
                                    : QStringLiteral("&Rehacer"));
    updateStatus();
}

void EditorWindow::updateTitle()
{
    setWindowTitle(QStringLiteral("Orvane ASCII Editor - ") + displayName() + QStringLiteral("[*]"));
    setWindowModified(m_movie.modified());
}

void EditorWindow::frameEdit(const std::optional<QString>& refusal)
{
    if (refusal) {
        refuse(*refusal);
        return;
    }
    changed(true);
}

void EditorWindow::refuse(const QString& why)
{
    statusBar()->showMessage(why, 8000);
}

void EditorWindow::updateStatus()
{
    const QPoint c = m_canvas->cursorCell();
    m_frameLabel->setText(QStringLiteral("Cuadro %1 de %2").arg(m_canvas->frame() + 1).arg(m_movie.frameCount()));
    m_cellLabel->setText(QStringLiteral("Columna %1, fila %2").arg(c.x() + 1).arg(c.y() + 1));
    const char byte = m_movie.cell(m_canvas->frame(), c);
    m_charLabel->setText(QStringLiteral("Carácter «%1», código %2").arg(fromCp1252(QByteArray(1, byte))).arg(int(uchar(byte))));
}

QString EditorWindow::statusText() const
{
    return m_frameLabel->text() + QStringLiteral(" | ") + m_cellLabel->text() + QStringLiteral(" | ")
           + m_charLabel->text();
}

void EditorWindow::showFrame(int frame)
{
    if (frame < 0 || frame >= m_movie.frameCount())
        return;
    m_canvas->setFrame(frame);
    m_strip->setCurrent(frame);
    updateStatus();
}

bool EditorWindow::maySwitch()
{
    if (!m_movie.modified())
        return true;
    const ui::Answer a = ui::prompt().message(
        this, QStringLiteral("¿Desea guardar los cambios en ") + displayName() + QStringLiteral("?"),
        QStringLiteral("Orvane ASCII Editor"), ui::Icon::Question, ui::Buttons::YesNoCancel);
    if (a == ui::Answer::Cancel)
        return false;
    return a == ui::Answer::No || fileSave();
}

void EditorWindow::closeEvent(QCloseEvent* event)
{
    stopPlaying();
    if (maySwitch())
        event->accept();
    else
        event->ignore();
}

void EditorWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void EditorWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    const FileName name = nameFromDecodedText(urls.first().toLocalFile());
    QTimer::singleShot(0, this, [this, name] {
        if (maySwitch())
            openMovie(name);
    });
}

void EditorWindow::fileNew()
{
    if (!maySwitch())
        return;
    MovieDialog dialog(MovieDialog::Kind::New, this, [](const MovieDialog& d) {
        return EditedMovie::headerProblem(d.movieSize().width(), d.movieSize().height(), d.pause(),
                                          d.author(), d.info());
    });
    dialog.setValues({80, 25}, QStringLiteral("100"), {}, {});
    if (!ui::prompt().dialog(dialog))
        return;
    newMovie(dialog.movieSize(), dialog.pause(), dialog.author(), dialog.info());
}

void EditorWindow::fileOpen()
{
    if (!maySwitch())
        return;
    const FileName name = ui::prompt().openFile(this, QStringLiteral("Abrir película ASCII"), kFilter);
    if (!name.isEmpty())
        openMovie(name);
}

bool EditorWindow::saveTo(const FileName& name, SavedForm form)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<QString> why = m_movie.save(name, form);
    QApplication::restoreOverrideCursor();
    updateTitle();
    if (why) {
        ui::prompt().message(this, *why, writeErrorTitle(), ui::Icon::Critical, ui::Buttons::Ok);
        return false;
    }
    addRecent(m_movie.file());
    return true;
}

bool EditorWindow::fileSave()
{
    if (m_movie.file().isEmpty())
        return fileSaveAs();
    return saveTo(m_movie.file(), SavedForm::AsOpened);
}

bool EditorWindow::fileSaveAs()
{
    const FileName name = ui::prompt().saveFile(this, QStringLiteral("Guardar película como"), kFilter,
                                                m_movie.file().isEmpty() ? FileName() : m_movie.file().absolute());
    if (name.isEmpty())
        return false;
    const ui::Answer form = ui::prompt().message(
        this, QStringLiteral("¿Desea guardar la película comprimida?"), QStringLiteral("Guardar película como"),
        ui::Icon::Question, ui::Buttons::YesNoCancel);
    if (form == ui::Answer::Cancel)
        return false;
    return saveTo(name, form == ui::Answer::Yes ? SavedForm::Compressed : SavedForm::Plain);
}

void EditorWindow::fileExport()
{
    Movie shown;
    if (!loadMovieFromBytes(m_movie.bytes(), shown))
        return;
    viewer::exportMovie(this, shown, m_movie.file().isEmpty() ? FileName::fromText(QStringLiteral("pelicula.ovt"))
                                                              : m_movie.file().absolute(),
                        render::fixedFont(m_canvas->points()), Qt::black, Qt::white);
}

void EditorWindow::editUndo()
{
    if (m_movie.undo())
        changed(true);
}

void EditorWindow::editRedo()
{
    if (m_movie.redo())
        changed(true);
}

void EditorWindow::editCopy()
{
    auto* copied = new QMimeData;
    const QRect area = m_canvas->selection();
    if (!area.isEmpty()) {
        copied->setText(m_movie.text(m_canvas->frame(), area));
    } else {
        const auto [first, count] = m_strip->selectedRun();
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << qint32(m_movie.width()) << qint32(m_movie.height()) << qint32(count);
        QString text;
        for (int i = first; i < first + count; ++i) {
            out << m_movie.frame(i);
            text += m_movie.text(i, QRect(0, 0, m_movie.width(), m_movie.height())) + QLatin1Char('\n');
        }
        copied->setData(kFramesMime, bytes);
        copied->setText(text);
    }
    QApplication::clipboard()->setMimeData(copied);
}

void EditorWindow::editCut()
{
    editCopy();
    if (!m_canvas->selection().isEmpty()) {
        editDelete();
        return;
    }
    const auto [first, count] = m_strip->selectedRun();
    frameEdit(m_movie.remove(first, count));
}

void EditorWindow::editPaste()
{
    const QMimeData* pasted = QApplication::clipboard()->mimeData();
    if (!pasted)
        return;
    if (pasted->hasFormat(kFramesMime)) {
        QDataStream in(pasted->data(kFramesMime));
        qint32 w = 0, h = 0, count = 0;
        in >> w >> h >> count;
        std::vector<QByteArray> frames;
        for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
            QByteArray f;
            in >> f;
            if (f.size() != qint64(w) * h)
                break;
            frames.push_back(f);
        }
        if (in.status() != QDataStream::Ok || qsizetype(frames.size()) != count || count <= 0)
            return refuse(QStringLiteral("Los cuadros del portapapeles están dañados."));
        const int at = m_canvas->frame() + 1;
        frameEdit(m_movie.pasteFrames(at, frames, QSize(w, h), Anchor::NorthWest));
        showFrame(at);
        return;
    }
    if (pasted->hasText()) {
        if (const std::optional<QString> why = m_movie.putText(m_canvas->frame(), m_canvas->cursorCell(), pasted->text()))
            return refuse(*why);
        m_canvas->refresh();
        changed(false);
    }
}

void EditorWindow::editDelete()
{
    const QRect area = m_canvas->selection().isEmpty() ? QRect(m_canvas->cursorCell(), QSize(1, 1))
                                                       : m_canvas->selection();
    if (const std::optional<QString> why = m_movie.clear(m_canvas->frame(), area))
        return refuse(*why);
    m_canvas->refresh();
    changed(false);
}

void EditorWindow::editSelectAll()
{
    m_tools[Tool::Selection]->trigger();
    m_canvas->setSelection(QRect(0, 0, m_movie.width(), m_movie.height()));
}

void EditorWindow::frameInsert()
{
    const int at = m_canvas->frame() + 1;
    frameEdit(m_movie.insertBlank(at, 1));
    showFrame(at);
}

void EditorWindow::frameDuplicate()
{
    const auto [first, count] = m_strip->selectedRun();
    frameEdit(m_movie.duplicate(first, count));
    showFrame(first + count);
}

void EditorWindow::frameDelete()
{
    const auto [first, count] = m_strip->selectedRun();
    if (count >= m_movie.frameCount())
        return refuse(QStringLiteral("Una película tiene al menos un cuadro."));
    frameEdit(m_movie.remove(first, count));
    showFrame(std::min(first, m_movie.frameCount() - 1));
}

void EditorWindow::frameMoveBefore()
{
    const auto [first, count] = m_strip->selectedRun();
    if (first == 0)
        return;
    frameEdit(m_movie.moveFrames(first, count, first - 1));
    m_strip->selectRun(first - 1, count);
}

void EditorWindow::frameMoveAfter()
{
    const auto [first, count] = m_strip->selectedRun();
    if (first + count >= m_movie.frameCount())
        return;
    frameEdit(m_movie.moveFrames(first, count, first + 1));
    m_strip->selectRun(first + 1, count);
}

void EditorWindow::frameReverse()
{
    auto [first, count] = m_strip->selectedRun();
    if (count < 2) {
        first = 0;
        count = m_movie.frameCount();
    }
    frameEdit(m_movie.reverse(first, count));
}

bool EditorWindow::playing() const
{
    return m_play->isActive();
}

void EditorWindow::stopPlaying()
{
    m_play->stop();
    if (QAction* play = action(QStringLiteral("Reproducir")))
        play->setText(QStringLiteral("&Reproducir"));
}

void EditorWindow::moviePlay()
{
    if (playing()) {
        stopPlaying();
        return;
    }
    m_play->start(std::max(1, int(m_movie.pause())));
    action(QStringLiteral("Reproducir"))->setText(QStringLiteral("&Detener"));
}

void EditorWindow::movieProperties()
{
    MovieDialog dialog(MovieDialog::Kind::Properties, this, [](const MovieDialog& d) {
        return EditedMovie::headerProblem(d.movieSize().width(), d.movieSize().height(), d.pause(),
                                          d.author(), d.info());
    });
    dialog.setValues({m_movie.width(), m_movie.height()}, QString::fromLatin1(m_movie.pauseText()),
                     fromCp1252(m_movie.author()), fromCp1252(m_movie.info()));
    if (!ui::prompt().dialog(dialog))
        return;
    // Each change is its own step, undone on its own.
    for (const std::optional<QString>& why :
         {m_movie.resize(dialog.movieSize(), dialog.anchor()), m_movie.setPause(dialog.pause()),
          m_movie.setAuthor(dialog.author()), m_movie.setInfo(dialog.info())})
        if (why)
            ui::prompt().message(this, *why, dialog.windowTitle(), ui::Icon::Exclamation, ui::Buttons::Ok);
    if (playing())
        m_play->setInterval(std::max(1, int(m_movie.pause())));
    changed(true);
}

void EditorWindow::chooseCharacter()
{
    CharacterTable table(m_canvas->currentCharacter(), this);
    if (ui::prompt().dialog(table))
        m_canvas->setCurrentCharacter(table.chosen());
    m_canvas->setFocus();
}

void EditorWindow::addRecent(const FileName& name)
{
    if (name.isEmpty())
        return;
    const QString path = name.absolute().escapedText();
    QStringList paths = setting(QStringLiteral("Recientes")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    paths.removeAll(path);
    paths.prepend(path);
    while (paths.size() > kMostRecent)
        paths.removeLast();
    saveSetting(QStringLiteral("Recientes"), paths.join(QLatin1Char('\n')));
    updateRecent();
}

void EditorWindow::updateRecent()
{
    m_recentMenu->clear();
    const QStringList paths = setting(QStringLiteral("Recientes")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    int j = 1;
    for (const QString& path : paths) {
        QString shown = FileName::fromText(path).display();
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = m_recentMenu->addAction(QLatin1Char('&') + QString::number(j++) + QLatin1Char(' ') + shown);
        connect(a, &QAction::triggered, this, [this, path] {
            if (maySwitch())
                openMovie(FileName::fromText(path));
        });
    }
    m_recentMenu->setEnabled(!paths.isEmpty());
}

} // namespace orv::editor
