// OrvEditor's window driven as a person would: keys and the mouse on the
// canvas, the menus' entries, the strip, the clipboard between two windows,
// and every question and dialog answered by a script.
#include "canvas.h"
#include "compactorlauncher.h"
#include "editorwindow.h"
#include "framestrip.h"
#include "moviedialog.h"
#include "moviefixtures.h"
#include "readfile.h"
#include "tempsettings.h"
#include "widgettest.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

using namespace Qt::StringLiterals;
using orv::editor::Canvas;
using orv::editor::EditorWindow;
using orv::editor::Tool;
using orv::ui::Answer;
using Kind = orv::ui::ScriptedPrompt::Kind;

namespace {

// 5 x 3, three frames.
const QByteArray kMovie =
    fixtures::plainMovie("5,3,3,100,0,0,0,0,Ana,notas", {"abcdefghijklmno", "...............", "#####     #####"});

QByteArray frameOf(EditorWindow& w, int i)
{
    return w.movie().frame(i);
}

// Characters typed on a keyboard that has them (QTest's own typing knows
// only ASCII).
void type(QWidget* target, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
}

QPoint centre(Canvas* c, QPoint cell)
{
    return c->cellRect(cell).center();
}

void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, at, target->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

// A drag on the canvas from one cell to another through the cells between.
void drag(Canvas* c, const QList<QPoint>& cells)
{
    QWidget* v = c->viewport();
    mouse(v, QEvent::MouseButtonPress, centre(c, cells.first()), Qt::LeftButton);
    for (const QPoint& cell : cells.mid(1))
        mouse(v, QEvent::MouseMove, centre(c, cell), Qt::LeftButton);
    mouse(v, QEvent::MouseButtonRelease, centre(c, cells.last()), Qt::NoButton);
}

struct Opened
{
    QTemporaryDir dir;
    TempSettings settings;
    widgettest::Script script;
    EditorWindow window;
    QString path;

    explicit Opened(const QByteArray& bytes = kMovie, const QString& name = u"m.ovt"_s)
    {
        path = fixtures::writeFile(dir, name, bytes);
        if (!window.openMovie(orv::FileName::fromText(path)))
            qFatal("the test movie does not open");
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the window is not shown");
    }
    Canvas* canvas() { return window.canvas(); }
};

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT
private slots:
    // A movie opens on frame 0, cursor top-left, "Texto" chosen; typing writes
    // and moves right, Enter goes to the next row's start, Backspace clears
    // the cell before; a character no movie holds is refused in the status
    // bar and nothing changes.
    void typing()
    {
        Opened o;
        QCOMPARE(o.canvas()->frame(), 0);
        QCOMPARE(o.canvas()->cursorCell(), QPoint(0, 0));
        QVERIFY(o.window.toolAction(Tool::Text)->isChecked());
        QCOMPARE(o.window.statusText(), u"Cuadro 1 de 3 | Columna 1, fila 1 | Carácter «a», código 97"_s);
        QCOMPARE(o.window.windowTitle(), u"Orvane ASCII Editor - m.ovt[*]"_s);
        QVERIFY(!o.window.isWindowModified());

        type(o.canvas(), u"Ñu€"_s);
        QTest::keyClick(o.canvas(), Qt::Key_Return);
        type(o.canvas(), u"xy"_s);
        QTest::keyClick(o.canvas(), Qt::Key_Backspace);
        QCOMPARE(frameOf(o.window, 0), QByteArray("\xD1u\x80" "de" "x hij" "klmno"));
        QCOMPARE(o.canvas()->cursorCell(), QPoint(1, 1));
        QVERIFY(o.window.isWindowModified());
        QCOMPARE(o.window.action(u"Deshacer"_s)->text(), u"&Deshacer borrado"_s);

        const QByteArray before = frameOf(o.window, 0);
        type(o.canvas(), u"✓"_s);
        QCOMPARE(frameOf(o.window, 0), before);
        QVERIFY(o.window.statusBar()->currentMessage().contains(u"U+2713"_s));
        QCOMPARE(o.window.action(u"Deshacer"_s)->text(), u"&Deshacer borrado"_s);

        // Arrows and page keys move the cursor and the frame.
        QTest::keyClick(o.canvas(), Qt::Key_Down);
        QTest::keyClick(o.canvas(), Qt::Key_Right);
        QTest::keyClick(o.canvas(), Qt::Key_PageDown);
        QCOMPARE(o.canvas()->cursorCell(), QPoint(2, 2));
        QCOMPARE(o.window.statusText(), u"Cuadro 2 de 3 | Columna 3, fila 3 | Carácter «.», código 46"_s);
    }

    // Each tool, with the mouse, as one step of the history; undoing them
    // all gives back the opened file's bytes.
    void toolsAndUndoToTheStart()
    {
        Opened o;
        Canvas* c = o.canvas();
        QTest::keyClick(c, Qt::Key_PageDown); // the blank frame ("." everywhere)
        o.window.toolAction(Tool::Pencil)->trigger();
        type(c, u"*"_s);          // a key chooses the character
        QCOMPARE(c->currentCharacter(), QChar(u'*'));
        drag(c, {{0, 0}, {2, 0}, {2, 2}});
        QCOMPARE(frameOf(o.window, 1), QByteArray("***.." "..*.." "..*.."));
        QCOMPARE(o.window.action(u"Deshacer"_s)->text(), u"&Deshacer lápiz"_s);

        o.window.toolAction(Tool::Line)->trigger();
        type(c, u"-"_s);
        drag(c, {{0, 2}, {1, 1}, {4, 2}});
        QCOMPARE(frameOf(o.window, 1), QByteArray("***.." "..*.." "-----"));

        o.window.toolAction(Tool::Rectangle)->trigger();
        type(c, u"+"_s);
        drag(c, {{3, 0}, {4, 1}});
        QCOMPARE(frameOf(o.window, 1), QByteArray("***++" "..*++" "-----"));

        o.window.toolAction(Tool::Fill)->trigger();
        type(c, u"~"_s);
        drag(c, {{0, 1}});
        QCOMPARE(frameOf(o.window, 1), QByteArray("***++" "~~*++" "-----"));

        o.window.toolAction(Tool::Eyedropper)->trigger();
        drag(c, {{2, 0}});
        QCOMPARE(c->currentCharacter(), QChar(u'*'));

        // Select a rectangle, drag it one cell down, clear it.
        o.window.toolAction(Tool::Selection)->trigger();
        drag(c, {{0, 0}, {1, 0}});
        QCOMPARE(c->selection(), QRect(0, 0, 2, 1));
        drag(c, {{0, 0}, {0, 1}});
        QCOMPARE(frameOf(o.window, 1), QByteArray("  *++" "***++" "-----"));
        QCOMPARE(c->selection(), QRect(0, 1, 2, 1));
        o.window.action(u"Borrar"_s)->trigger();
        QCOMPARE(frameOf(o.window, 1), QByteArray("  *++" "  *++" "-----"));

        while (o.window.movie().canUndo())
            o.window.action(u"Deshacer"_s)->trigger();
        QCOMPARE(o.window.movie().bytes(), kMovie);
        QVERIFY(!o.window.isWindowModified());
        o.window.action(u"Rehacer"_s)->trigger();
        QCOMPARE(o.window.action(u"Rehacer"_s)->text(), u"&Rehacer línea"_s);
    }

    // The Cuadro entries over the frames selected in the strip, and a drag in
    // the strip, each giving the order expected.
    void frameOperations()
    {
        Opened o;
        const auto order = [&] {
            QByteArray firsts;
            for (int i = 0; i < o.window.movie().frameCount(); ++i)
                firsts += frameOf(o.window, i).at(0);
            return firsts;
        };
        QCOMPARE(order(), QByteArray("a.#"));
        o.window.action(u"Insertar cuadro"_s)->trigger();
        QCOMPARE(order(), QByteArray("a .#"));
        QCOMPARE(o.canvas()->frame(), 1);
        o.window.strip()->selectRun(2, 2);
        o.window.action(u"Duplicar cuadro"_s)->trigger();
        QCOMPARE(order(), QByteArray("a .#.#"));
        o.window.strip()->selectRun(0, 1);
        o.window.action(u"Mover después"_s)->trigger();
        QCOMPARE(order(), QByteArray(" a.#.#"));
        o.window.action(u"Mover antes"_s)->trigger();
        QCOMPARE(order(), QByteArray("a .#.#"));
        o.window.strip()->selectRun(2, 2);
        o.window.action(u"Invertir orden"_s)->trigger();
        QCOMPARE(order(), QByteArray("a #..#"));
        o.window.strip()->selectRun(4, 2);
        o.window.action(u"Eliminar cuadro"_s)->trigger();
        QCOMPARE(order(), QByteArray("a #."));

        // Frames 0-1 dragged onto the last frame.
        orv::editor::FrameStrip* s = o.window.strip();
        s->selectRun(0, 2);
        QWidget* v = s->viewport();
        const QPoint from = s->visualRect(s->model()->index(0, 0)).center();
        const QPoint to = s->visualRect(s->model()->index(3, 0)).center();
        mouse(v, QEvent::MouseButtonPress, from, Qt::LeftButton);
        mouse(v, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        mouse(v, QEvent::MouseMove, to, Qt::LeftButton);
        mouse(v, QEvent::MouseButtonRelease, to, Qt::NoButton);
        QCOMPARE(order(), QByteArray("#.a "));
        QCOMPARE(s->selectedRun(), std::make_pair(2, 2));

        // The last frame cannot go.
        s->selectRun(0, 4);
        o.window.action(u"Eliminar cuadro"_s)->trigger();
        QCOMPARE(o.window.movie().frameCount(), 4);
        QCOMPARE(o.window.statusBar()->currentMessage(), u"Una película tiene al menos un cuadro."_s);
    }

    // A rectangle travels as plain text; frames travel as frames between two
    // windows; pasted text is cut to the frame.
    void clipboard()
    {
        Opened o;
        o.window.toolAction(Tool::Selection)->trigger();
        drag(o.canvas(), {{1, 0}, {2, 1}});
        o.window.action(u"Copiar"_s)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), u"bc\ngh\n"_s);
        o.canvas()->setSelection({});
        o.canvas()->setCursorCell({4, 2});
        o.window.action(u"Pegar"_s)->trigger();
        QCOMPARE(frameOf(o.window, 0), QByteArray("abcdefghijklmnb"));

        o.window.strip()->selectRun(1, 2);
        o.window.action(u"Copiar"_s)->trigger();
        EditorWindow other;
        QVERIFY(other.openMovie(orv::FileName::fromText(
            fixtures::writeFile(o.dir, u"o.ovt"_s, fixtures::plainMovie("2,2,1,50,0,0,0,0,Eva,", {"wxyz"})))));
        other.action(u"Pegar"_s)->trigger();
        QCOMPARE(other.movie().frameCount(), 3);
        QCOMPARE(frameOf(other, 1), QByteArray("...."));
        QCOMPARE(frameOf(other, 2), QByteArray("##  "));
        QCOMPARE(other.canvas()->frame(), 1);
    }

    // Saving keeps the form; the file reopens with the edit; a compressed
    // movie stays compressed; "Guardar como..." asks which form. The first
    // two go through the menu's entries.
    void saveAndReopen()
    {
        Opened o;
        type(o.canvas(), u"Z"_s);
        o.window.action(u"Guardar"_s)->trigger();
        QVERIFY(!o.window.isWindowModified());
        QCOMPARE(readFile(o.path).left(29), kMovie.left(29)); // the header as it was
        QVERIFY(readFile(o.path).contains("Zbcdefghijklmno"));

        o.script.files << o.dir.filePath(u"c.ovt"_s);
        o.script.answers << Answer::Yes; // compressed
        o.window.action(u"Guardar como"_s)->trigger();
        QCOMPARE(o.script.calls.last().text, u"¿Desea guardar la película comprimida?"_s);
        QVERIFY(readFile(o.dir.filePath(u"c.ovt"_s)).startsWith("PK"));
        QCOMPARE(o.window.windowTitle(), u"Orvane ASCII Editor - c.ovt[*]"_s);
        type(o.canvas(), u"Y"_s);
        QVERIFY(o.window.fileSave());
        QVERIFY(readFile(o.dir.filePath(u"c.ovt"_s)).startsWith("PK"));

        EditorWindow again;
        QVERIFY(again.openMovie(orv::FileName::fromText(o.dir.filePath(u"c.ovt"_s))));
        QCOMPARE(frameOf(again, 0), QByteArray("ZYcdefghijklmno"));
    }

    // Closing with changes asks; each answer does what it says; a failed
    // save keeps the window and its changes and says why.
    void unsavedChanges_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Sí") << int(Answer::Yes) << true << true;
        QTest::newRow("No") << int(Answer::No) << true << false;
        QTest::newRow("Cancelar") << int(Answer::Cancel) << false << false;
    }
    void unsavedChanges()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        Opened o;
        type(o.canvas(), u"Q"_s);
        o.script.answers << Answer(answer);
        QCOMPARE(o.window.close(), closed);
        const auto questions = o.script.of(Kind::Message);
        QCOMPARE(questions.size(), 1);
        QCOMPARE(questions.first().text, u"¿Desea guardar los cambios en m.ovt?"_s);
        QCOMPARE(questions.first().buttons, orv::ui::Buttons::YesNoCancel);
        QCOMPARE(readFile(o.path).contains("Qbcde"), saved);
        QCOMPARE(o.window.isWindowModified(), !saved);
    }
    // A movie dropped on the window replaces the one shown, after the
    // question about the changes.
    void dropOpens()
    {
        Opened o;
        type(o.canvas(), u"Q"_s);
        const QString other = fixtures::writeFile(o.dir, u"otra.ovt"_s, fixtures::plainMovie("2,2,1,50,0,0,0,0,Eva,", {"wxyz"}));
        o.script.answers << Answer::No;
        QVERIFY(widgettest::dropFiles(&o.window, {other}));
        QTRY_COMPARE(o.window.windowTitle(), u"Orvane ASCII Editor - otra.ovt[*]"_s);
        QCOMPARE(o.script.of(Kind::Message).first().text, u"¿Desea guardar los cambios en m.ovt?"_s);
        QCOMPARE(frameOf(o.window, 0), QByteArray("wxyz"));
        QCOMPARE(readFile(o.path), kMovie);
    }

    void failedSave()
    {
        Opened o;
        type(o.canvas(), u"Q"_s);
        o.script.files << o.dir.filePath(u"no/such/folder/x.ovt"_s);
        o.script.answers << Answer::No << Answer::Ok; // plain; the error
        QVERIFY(!o.window.fileSaveAs());
        const auto error = o.script.of(Kind::Message).at(1);
        QCOMPARE(error.icon, orv::ui::Icon::Critical);
        QCOMPARE(error.title, u"Error en la aplicación"_s);
        QCOMPARE(error.text, u"Se produjo un error al crear la película, el código de error es el 5 y esto "
                             "sucede por No such file or directory"_s);
        QVERIFY(o.window.isWindowModified());
        QCOMPARE(o.window.windowTitle(), u"Orvane ASCII Editor - m.ovt[*]"_s);
        QVERIFY(readFile(o.path) == kMovie);
    }

    // "Nuevo..." and "Propiedades...": a value the engine refuses is said
    // and the dialog stays; accepted values make the movie.
    void newAndProperties()
    {
        Opened o;
        o.script.dialogs << [](QDialog& d) {
            auto& m = static_cast<orv::editor::MovieDialog&>(d);
            m.widthBox()->setValue(6);
            m.heightBox()->setValue(2);
            m.pauseBox()->setText(u"0"_s);
            m.authorBox()->setText(u"Luz"_s);
            auto* ok = m.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            ok->click(); // refused: the pause
            m.pauseBox()->setText(u"40"_s);
            ok->click();
            return m.result() == QDialog::Accepted;
        };
        o.window.fileNew();
        QCOMPARE(o.script.of(Kind::Dialog).first().title, u"Nueva película"_s);
        QCOMPARE(o.script.of(Kind::Message).first().text,
                 u"La pausa establecida no es válida, procure colocar un número mayor que cero (por ejemplo 100)."_s);
        QCOMPARE(o.window.movie().width(), 6);
        QCOMPARE(o.window.movie().author(), QByteArray("Luz"));
        QCOMPARE(o.window.windowTitle(), u"Orvane ASCII Editor - Sin título[*]"_s);

        o.script.dialogs << [](QDialog& d) {
            auto& m = static_cast<orv::editor::MovieDialog&>(d);
            m.widthBox()->setValue(2);
            m.setAnchor(orv::Anchor::East);
            m.infoBox()->setText(u"hola"_s);
            return true;
        };
        type(o.canvas(), u"abcdef"_s);
        o.window.movieProperties();
        QCOMPARE(frameOf(o.window, 0), QByteArray("ef  "));
        QCOMPARE(o.window.movie().info(), QByteArray("hola"));
        QCOMPARE(o.window.action(u"Deshacer"_s)->text(), u"&Deshacer información"_s);
    }

    // The onion skin draws the previous frame's characters faintly where
    // the frame shown has spaces, and nothing when it is off.
    void onionSkin()
    {
        Opened o;
        o.window.showFrame(2); // "#####     #####": row 1 is spaces; frame 1 is dots
        Canvas* c = o.canvas();
        const auto inked = [c] {
            const QImage shot = c->viewport()->grab().toImage();
            const QRect cells = c->cellRect({1, 1}).united(c->cellRect({3, 1}));
            int n = 0;
            for (int y = cells.top(); y <= cells.bottom(); ++y)
                for (int x = cells.left(); x <= cells.right(); ++x)
                    n += qGray(shot.pixel(x, y)) < 240;
            return n;
        };
        QCOMPARE(inked(), 0);
        o.window.action(u"Papel cebolla"_s)->setChecked(true);
        QVERIFY(inked() > 0);
        o.window.action(u"Papel cebolla"_s)->setChecked(false);
        QCOMPARE(inked(), 0);
    }

    // The font size chosen is the next window's.
    void fontSizeIsKept()
    {
        TempSettings settings;
        {
            EditorWindow w;
            const QList<QAction*> sizes = w.findChildren<QAction*>();
            for (QAction* a : sizes)
                if (a->text() == u"12"_s)
                    a->trigger();
            QCOMPARE(w.canvas()->points(), 12.0);
        }
        EditorWindow again;
        QCOMPARE(again.canvas()->points(), 12.0);
    }

    // Playing steps through the frames at the movie's pause and stops.
    void playing()
    {
        Opened o;
        o.window.action(u"Reproducir"_s)->trigger();
        QVERIFY(o.window.playing());
        QCOMPARE(o.window.action(u"Reproducir"_s)->text(), u"&Detener"_s);
        QTRY_COMPARE(o.canvas()->frame(), 2);
        QTRY_COMPARE(o.canvas()->frame(), 0);
        o.window.action(u"Reproducir"_s)->trigger();
        QVERIFY(!o.window.playing());
    }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
