// "Agregar..." in the Creator, the Converter and the Compactor: the files
// chosen in the Open dialog go through exactly what a drop of the same
// files goes through (the same questions and warnings, the same list or
// history); a cancelled dialog adds nothing; the Delete key in a list does
// what "Eliminar" does.
#include "compactor/form1.h"
#include "converter/form1.h"
#include "core/moviefixtures.h"
#include "creator/form1.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"
#include "tempsettings.h"
#include "widgettest.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using orv::ui::Answer;
using orv::ui::ScopedPrompt;
using orv::ui::ScriptedPrompt;
using namespace Qt::StringLiterals;

namespace creator = orv::creator;
namespace converter = orv::converter;
namespace compactor = orv::compactor;

namespace {

// What a window shows after files came in: its list (or history, without
// its time lines) and every dialog it showed but the Open dialog.
struct Seen
{
    QStringList list;
    QStringList dialogs;
    bool operator==(const Seen&) const = default;
};

QStringList dialogs(const ScriptedPrompt& script)
{
    QStringList d;
    for (const auto& c : script.calls)
        if (c.kind != ScriptedPrompt::Kind::OpenFiles)
            d << c.title + u'|' + c.text;
    return d;
}

// Runs one way of adding (a drop, or the menu answering `paths`) in a fresh
// window of the kind named, the message boxes answered by `answers`.
Seen add(const QString& window, bool byMenu, const QStringList& paths, const QList<Answer>& answers,
         QString* dialogTitle = nullptr)
{
    ScriptedPrompt script;
    const ScopedPrompt installed(script);
    script.answers = answers;
    script.lists = {paths};
    const auto perAction = [&](QWidget& w) {
        w.findChild<QAction*>(u"menu_agregar"_s)->trigger();
        QCoreApplication::processEvents();
    };
    Seen v;
    if (window == u"creator") {
        creator::Form1 f;
        byMenu ? perAction(f) : void(widgettest::dropFiles(f.list()->viewport(), paths));
        QCoreApplication::processEvents();
        v.list = widgettest::texts(f.list());
    } else if (window == u"converter") {
        converter::Form1 f;
        auto* list = f.findChild<QListWidget*>(u"List1"_s);
        byMenu ? perAction(f) : void(widgettest::dropFiles(list->viewport(), paths));
        QCoreApplication::processEvents(); // a drop is taken once it has returned
        v.list = widgettest::texts(list);
    } else {
        compactor::Form1 f;
        byMenu ? perAction(f)
               : void(widgettest::dropFiles(f.findChild<QWidget*>(u"Frame1"_s), paths));
        QCoreApplication::processEvents();
        (void)QTest::qWaitFor([&f] { return !f.busy(); }, 10000);
        v.list = widgettest::withoutTimes(widgettest::texts(f.findChild<QListWidget*>(u"List1"_s)));
    }
    v.dialogs = dialogs(script);
    const auto opened = script.of(ScriptedPrompt::Kind::OpenFiles);
    if (dialogTitle && !opened.isEmpty())
        *dialogTitle = opened.first().title + u'|' + opened.first().filter;
    return v;
}

} // namespace

class TestAddFiles : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<TempSettings> m_settings;

private slots:
    void init() { m_settings.emplace(); }
    void cleanup() { m_settings.reset(); }

    void sameAsADrop_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QString>("dialog"); // the Open dialog's title and filter
        QTest::newRow("Creator: an image and an unexpected kind")
            << "creator" << QStringList{"a.bmp", "notas.txt", "b.gif"} << QList<Answer>{Answer::No}
            << "Agregar imágenes|Imágenes (*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.ico;*.cur)|"
               "*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.ico;*.cur|Todos los archivos "
               "(*.*)|*.*";
        QTest::newRow("Converter: a source and a movie")
            << "converter" << QStringList{"f.txt", "p.ovt"} << QList<Answer>{}
            << "Agregar archivos|Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*";
        QTest::newRow("Compactor: a movie and something else")
            << "compactor" << QStringList{"m.ovt", "notas.txt"} << QList<Answer>{}
            << "Agregar películas|Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*";
    }
    void sameAsADrop()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, names);
        QFETCH(QList<Answer>, answers);
        QFETCH(QString, dialog);
        QStringList paths;
        for (const QString& n : names)
            paths << fixtures::writeFile(m_dir, n, fixtures::textMovie(3));
        const Seen dropped = add(window, false, paths, answers);
        // The Compactor changed the movie: put it back for the second way.
        for (const QString& n : names)
            fixtures::writeFile(m_dir, n, fixtures::textMovie(3));
        QString title;
        const Seen chosen = add(window, true, paths, answers, &title);
        QCOMPARE(title, dialog);
        QVERIFY(!dropped.list.isEmpty());
        QCOMPARE(chosen.list, dropped.list);
        QCOMPARE(chosen.dialogs, dropped.dialogs);
        // A cancelled dialog adds nothing.
        const Seen nothing = add(window, true, {}, {});
        QVERIFY(nothing.list.isEmpty() && nothing.dialogs.isEmpty());
    }

    void deleteKeyRemoves_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("creator") << "creator";
        QTest::newRow("converter") << "converter";
    }
    void deleteKeyRemoves()
    {
        QFETCH(QString, window);
        std::unique_ptr<QWidget> f = window == u"creator"
                                         ? std::unique_ptr<QWidget>(new creator::Form1)
                                         : std::unique_ptr<QWidget>(new converter::Form1);
        auto* list = f->findChild<QListWidget*>(u"List1"_s);
        list->addItems({u"a"_s, u"b"_s, u"c"_s});
        list->setCurrentRow(1);
        f->show();
        QApplication::setActiveWindow(f.get());
        list->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(widgettest::texts(list), (QStringList{u"a"_s, u"c"_s}));
    }
};

QTEST_MAIN(TestAddFiles)
#include "test_addfiles.moc"
