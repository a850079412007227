// The Converter's windows: the main window's controls, source list rules,
// drops and conversion messages, and the analyser's loading, measuring and
// sending. Headless; every dialog is answered through the scripted prompt,
// settings live in a temporary folder and no process is started.
#include "compactorlauncher.h"
#include "conversion.h"
#include "form1.h"
#include "form2.h"
#include "moviefixtures.h"
#include "moviereader.h"
#include "readfile.h"
#include "runconverter.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"
#include "settings.h"
#include "splash.h"
#include "widgettest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMainWindow>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;
using orv::converter::Form1;
using orv::converter::Form2;
using orv::ui::Answer;
using orv::ui::Icon;
using Kind = orv::ui::ScriptedPrompt::Kind;
using namespace widgettest;
using fixtures::writeFile;

namespace {

QListWidget* list(const QObject& w)
{
    return child<QListWidget>(w, u"List1"_s);
}

// Drops the paths on the source list; nothing is added inside the drop
// itself, only once it has returned.
void drop(Form1& form, const QStringList& paths)
{
    QVERIFY(widgettest::dropFiles(list(form)->viewport(), paths));
    QVERIFY(list(form)->count() <= 1);
    QCoreApplication::processEvents();
}

QListView* analysis(const Form2& f)
{
    return child<QListView>(f, u"List1"_s);
}

QStringList rows(const QListView* v)
{
    QStringList t;
    for (int i = 0; i < v->model()->rowCount(); ++i)
        t << v->model()->index(i, 0).data().toString();
    return t;
}

void loadWhole(Form2& f)
{
    QTRY_VERIFY_WITH_TIMEOUT(!f.loading(), 10000);
}

} // namespace

class TestConverter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void drops_data();
    void drops();
    void listButtons_data();
    void listButtons();
    void clear_data();
    void clear();
    void convert_data();
    void convert();
    void doubleClickSendsBothValues();
    void replacingAskedAndNameRemembered();

    void analyserLoads();
    void analyserCancelMidLoad();
    void analyserMeasures_data();
    void analyserMeasures();
    void analyserLongLineKeepsTicksShort();

private:
    QTemporaryDir m_config;
    QTemporaryDir m_dir;
    QList<QStringList> m_started;
};

void TestConverter::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    QCoreApplication::setOrganizationName(u"Orvane"_s);
    orv::ui::setProcessStarter([this](const QString& program, const QStringList& arguments) {
        m_started << (QStringList{program} + arguments);
        return program != u"/no/responde"_s;
    });
}

void TestConverter::cleanup()
{
    m_started.clear();
    orv::guardaValor(orv::ui::compactorPathKey(), QString());
}

void TestConverter::drops_data()
{
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("messages"); // titles, in order

    const QString warning = u"Posible archivo incorrecto"_s;
    const QString error = u"Error al añadir"_s;
    QTest::newRow("movie warns, then is added")
        << QStringList{u"x.ovt"_s} << QStringList{u"x.ovt"_s} << QStringList{warning};
    QTest::newRow("missing file refused, others added")
        << QStringList{u"a.txt"_s, u"falta.txt"_s, u"c.txt"_s} << QStringList{u"a.txt"_s, u"c.txt"_s}
        << QStringList{error};
    QTest::newRow("folder refused") << QStringList{u"carpeta"_s} << QStringList{} << QStringList{error};
    QTest::newRow("missing movie: warning and refusal")
        << QStringList{u"falta.ovt"_s} << QStringList{} << QStringList{warning, error};
}

void TestConverter::drops()
{
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, added);
    QFETCH(QStringList, messages);
    QTemporaryDir dir;
    for (const QString& n : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"x.ovt"_s, u"x.OVT"_s})
        writeFile(dir, n, "1\nab\n");
    QDir(dir.path()).mkdir(u"carpeta"_s);
    auto complete = [&](const QStringList& names) {
        QStringList paths;
        for (const QString& n : names)
            paths << dir.filePath(n);
        return paths;
    };

    Script g;
    Form1 form;
    widgettest::addFiles(list(form), {u"/ya/estaba.txt"_s});
    drop(form, complete(dropped));
    QCOMPARE(texts(list(form)), QStringList{u"/ya/estaba.txt"_s} + complete(added));
    QCOMPARE(g.calls.size(), messages.size());
    for (int i = 0; i < messages.size(); ++i) {
        const auto& c = g.calls[i];
        QCOMPARE(c.title, messages[i]);
        QCOMPARE(c.icon, Icon::Exclamation);
        if (c.title == u"Error al añadir"_s) {
            QVERIFY(c.text.startsWith(
                u"No se puede agregar a la lista, por problemas de lectura o apertura, "
                "el siguiente archivo:\r\n\r\n"_s));
        } else {
            QVERIFY(c.text.startsWith(
                u"El siguiente archivo, al parecer, tiene una extensión no "
                "correspondiente con los archivos requeridos como origen: \r\n\r\n"_s));
            QVERIFY(c.text.endsWith(
                u"no sirve para unir ni manipular archivos *.ovt\r\n\r\nPuede que desee "
                "eliminar el archivo que acaba de agregar para no provocar errores en su "
                "película ASCII."_s));
        }
    }
}

void TestConverter::listButtons_data()
{
    QTest::addColumn<int>("selection");
    QTest::addColumn<QString>("buttons"); // a = arriba, b = abajo, e = eliminar
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("finalSelection");

    QTest::newRow("down twice from the first") << 0 << u"bb"_s << QStringList{u"2"_s, u"3"_s, u"1"_s} << 2;
    QTest::newRow("up from the last") << 2 << u"a"_s << QStringList{u"1"_s, u"3"_s, u"2"_s} << 1;
    QTest::newRow("no selection") << -1 << u"abe"_s << QStringList{u"1"_s, u"2"_s, u"3"_s} << -1;
    // The selection goes with the line: a second click has nothing to remove.
    QTest::newRow("remove twice") << 1 << u"ee"_s << QStringList{u"1"_s, u"3"_s} << -1;
}

void TestConverter::listButtons()
{
    QFETCH(int, selection);
    QFETCH(QString, buttons);
    QFETCH(QStringList, order);
    QFETCH(int, finalSelection);
    Form1 form;
    widgettest::addFiles(list(form), {u"1"_s, u"2"_s, u"3"_s});
    list(form)->setCurrentRow(selection);
    for (QChar b : buttons)
        QTest::mouseClick(child<QPushButton>(form, b == u'a'   ? u"arriba"_s
                                                   : b == u'b' ? u"abajo"_s
                                                               : u"eliminar"_s),
                          Qt::LeftButton);
    QCOMPARE(texts(list(form)), order);
    const QList<QListWidgetItem*> chosen = list(form)->selectedItems();
    QCOMPARE(chosen.isEmpty() ? -1 : list(form)->row(chosen.first()), finalSelection);
}

void TestConverter::clear_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("left");
    QTest::newRow("No keeps the list") << QStringList{u"1"_s, u"2"_s} << Answer::No << 1 << 2;
    QTest::newRow("Yes empties it") << QStringList{u"1"_s, u"2"_s} << Answer::Yes << 1 << 0;
}

void TestConverter::clear()
{
    QFETCH(QStringList, items);
    QFETCH(Answer, answer);
    QFETCH(int, questions);
    QFETCH(int, left);
    Script g;
    g.answers << answer;
    Form1 form;
    widgettest::addFiles(list(form), items);
    child<QAction>(form, u"menu_limpiar"_s)->trigger();
    QCOMPARE(g.calls.size(), questions);
    if (questions) {
        QCOMPARE(g.calls[0].text, u"¿Realmente desea eliminar todos los archivos de la lista?"_s);
        QCOMPARE(g.calls[0].title, u"Limpiar lista"_s);
        QCOMPARE(g.calls[0].icon, Icon::None);
        QCOMPARE(g.calls[0].buttons, orv::ui::Buttons::YesNo);
    }
    QCOMPARE(list(form)->count(), left);
}

void TestConverter::convert_data()
{
    QTest::addColumn<bool>("withSource");
    QTest::addColumn<QString>("ancho");
    QTest::addColumn<QString>("pausa");
    QTest::addColumn<QString>("creador");
    QTest::addColumn<bool>("compress");
    QTest::addColumn<QString>("path");    // the Compactor's program path
    QTest::addColumn<QString>("chosen");  // answer of the save dialog
    QTest::addColumn<QString>("written"); // the movie expected, "" for none
    QTest::addColumn<QString>("title");   // the last message's title, "" for none
    QTest::addColumn<QString>("message"); // the last message's text
    QTest::addColumn<bool>("start");      // a Compactor start was asked

    const QString success = u"El archivo fué creado satisfactoriamente."_s;
    // The other refusals and Compactor messages come from the same calls,
    // tested with the engine and the shared Compactor start.
    const QString param = u"Error en los parámetros"_s;
    const QString m1 = orv::parameterFaultMessage(orv::ParameterFault::WidthOrHeight);
    QTest::newRow("initial width gives message 1")
        << true << "0" << "100" << "" << false << "" << "peli" << "" << param << m1 << false;
    QTest::newRow("2x, no compression: message 4, .ovt added")
        << true << "2x"
        << "100"
        << "" << false << ""
        << "peli"
        << "peli.ovt"
        << "Proceso exitoso" << success << false;
    QTest::newRow("cancelled save dialog")
        << true << "2" << "100" << "" << false << "" << "" << "" << "" << "" << false;
    QTest::newRow("Compactor started: no message")
        << true << "2" << "100" << "" << true << "/opt/OrvCompactor" << "peli.ovt" << "peli.ovt" << "" << "" << true;
}

void TestConverter::convert()
{
    QFETCH(bool, withSource);
    QFETCH(QString, ancho);
    QFETCH(QString, pausa);
    QFETCH(QString, creador);
    QFETCH(bool, compress);
    QFETCH(QString, path);
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(bool, start);

    QTemporaryDir dir;
    orv::guardaValor(orv::ui::compactorPathKey(), path);
    Script g;
    if (!chosen.isEmpty())
        chosen = dir.filePath(chosen);
    g.files << chosen;
    Form1 form;
    if (withSource)
        widgettest::addFiles(list(form), {writeFile(dir, u"f.txt"_s, "2\nab\ncd\n"_ba)});
    child<QLineEdit>(form, u"ancho"_s)->setText(ancho);
    child<QLineEdit>(form, u"alto"_s)->setText(u"2"_s);
    child<QComboBox>(form, u"velocidad"_s)->setEditText(pausa);
    child<QLineEdit>(form, u"creador"_s)->setText(creador);
    child<QCheckBox>(form, u"Check1"_s)->setChecked(compress);
    QTest::mouseClick(child<QPushButton>(form, u"Command1"_s), Qt::LeftButton);

    const QList<orv::ui::ScriptedPrompt::Call> messages = g.of(Kind::Message);
    QCOMPARE(messages.isEmpty() ? QString() : messages.last().title, title);
    if (!message.isEmpty())
        QVERIFY2(messages.last().text.startsWith(message), qPrintable(messages.last().text));
    const QList<orv::ui::ScriptedPrompt::Call> dialogs = g.of(Kind::SaveFile);
    const bool expectedDialog =
        withSource && (title.isEmpty() || title != u"Error en los parámetros"_s);
    QCOMPARE(dialogs.size(), expectedDialog ? 1 : 0);

    const QStringList movies = QDir(dir.path()).entryList(QDir::Files).filter(u"peli"_s);
    QCOMPARE(movies, written.isEmpty() ? QStringList{} : QStringList{written});
    if (!written.isEmpty()) {
        orv::Movie read;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(dir.filePath(written)), read));
        QCOMPARE(int(read.numCuadros), 2);
        QCOMPARE(int(read.ancho), 2);
        QCOMPARE(read.frame(1).toByteArray(), "abcd"_ba);
    }
    QCOMPARE(m_started.size(), start ? 1 : 0);
    if (start)
        QCOMPARE(m_started[0], (QStringList{path, dir.filePath(written)}));
}

// The dialog offers the name it last gave; a name that exists, as written
// after the ".ovt" rule, is replaced only when the person says so. The
// window is itself again before any message shows.
void TestConverter::replacingAskedAndNameRemembered()
{
    struct EnabledWitness : Script
    {
        QList<bool> enabled;
        Answer message(QWidget* parent, const QString& text, const QString& title, Icon icon,
                       orv::ui::Buttons buttons) override
        {
            enabled << (parent && parent->window()->isEnabled() &&
                        static_cast<QMainWindow*>(parent->window())->centralWidget()->isEnabled());
            return Script::message(parent, text, title, icon, buttons);
        }
    } g;
    QTemporaryDir dir;
    const QString existing = writeFile(dir, u"peli.ovt"_s, "antes");
    Form1 form;
    widgettest::addFiles(list(form), {writeFile(dir, u"f.txt"_s, "1\nab\ncd\n"_ba)});
    child<QLineEdit>(form, u"ancho"_s)->setText(u"2"_s);
    child<QLineEdit>(form, u"alto"_s)->setText(u"2"_s);
    child<QCheckBox>(form, u"Check1"_s)->setChecked(false);
    g.files << dir.filePath(u"peli"_s) << dir.filePath(u"peli"_s);
    g.answers << Answer::No << Answer::Yes;
    for (int time = 0; time < 2; ++time)
        QTest::mouseClick(child<QPushButton>(form, u"Command1"_s), Qt::LeftButton);
    const auto dialogs = g.of(Kind::SaveFile);
    QCOMPARE(dialogs.size(), 2);
    QCOMPARE(dialogs[0].initial, QString());
    QCOMPARE(dialogs[1].initial, dir.filePath(u"peli"_s));
    const auto messages = g.of(Kind::Message);
    QCOMPARE(messages.size(), 3); // asked twice, then the success
    QCOMPARE(messages[0].text, u"El archivo peli.ovt ya existe. ¿Desea reemplazarlo?"_s);
    QCOMPARE(messages[0].buttons, orv::ui::Buttons::YesNo);
    QCOMPARE(messages[2].title, u"Proceso exitoso"_s);
    QCOMPARE(g.enabled.last(), true);
    QVERIFY(readFile(existing).startsWith("2,3,1,"));
}

void TestConverter::doubleClickSendsBothValues()
{
    QTemporaryDir dir;
    Form1 form;
    widgettest::addFiles(list(form), {writeFile(dir, u"f.txt"_s, "abc\nabcdef\n"_ba)});
    list(form)->setCurrentRow(0);
    QTimer::singleShot(0, [] {
        auto* analyser = qobject_cast<Form2*>(QApplication::activeModalWidget());
        QVERIFY(analyser);
        QTRY_VERIFY(!analyser->loading());
        analysis(*analyser)->selectAll();
        analyser->medirseleccion();
        QTest::mouseClick(child<QPushButton>(*analyser, u"Command5"_s), Qt::LeftButton);
    });
    form.List1_DblClick();
    QCOMPARE(child<QLineEdit>(form, u"ancho"_s)->text(), u"6"_s);
    QCOMPARE(child<QLineEdit>(form, u"alto"_s)->text(), u"2"_s);
}

// Line ends, blanks and Windows-1252 letters, as the source holds them.
void TestConverter::analyserLoads()
{
    QTemporaryDir dir;
    Form2 f(writeFile(dir, u"f.txt"_s, "a \r\n\r\n\tb\rc\xe9\x80\nd"_ba));
    f.show();
    QVERIFY(analysis(f)->isHidden());
    loadWhole(f);
    QVERIFY(analysis(f)->isVisible());
    QCOMPARE(rows(analysis(f)),
             (QStringList{u"a "_s, u""_s, u"\tb"_s, u"c\u00e9\u20ac"_s, u"d"_s}));
    QCOMPARE(child<QLabel>(f, u"Label5"_s)->text(),
             u"Se han cargado 5 líneas del archivo hasta el momento..."_s);
    QCOMPARE(child<QPushButton>(f, u"Command4"_s)->focusPolicy(), Qt::NoFocus);
}

void TestConverter::analyserCancelMidLoad()
{
    QTemporaryDir dir;
    QByteArray data;
    for (int i = 0; i < 100000; ++i)
        data += "linea " + QByteArray::number(i) + "\r\n";
    const QString path = writeFile(dir, u"grande.txt"_s, data);
    Form2 f(path);
    f.setLimitPerStep(1000, qint64(60) * 1'000'000'000); // steps counted in lines, not time
    auto* timer = child<QTimer>(f, u"Timer1"_s);
    timer->stop();
    timer->start(); // the test's own ticks come first
    QVERIFY(f.loading());
    f.Timer1_Timer();
    f.Timer1_Timer();
    QCOMPARE(rows(analysis(f)).size(), 2000);
    QCOMPARE(child<QLabel>(f, u"Label5"_s)->text(),
             u"Se han cargado 2000 líneas del archivo hasta el momento..."_s);
    QTest::mouseClick(child<QPushButton>(f, u"Command4"_s), Qt::LeftButton);
    QVERIFY(!child<QPushButton>(f, u"Command4"_s)->isEnabled());
    f.Timer1_Timer();
    QVERIFY(!f.loading());
    QCOMPARE(rows(analysis(f)).size(), 2000);
    QCOMPARE(rows(analysis(f)).last(), u"linea 1999"_s);
    // The file is closed: it can be removed and the list stays as it is.
    QVERIFY(QFile::remove(path));
    f.Timer1_Timer();
    QCOMPARE(rows(analysis(f)).size(), 2000);
}

void TestConverter::analyserMeasures_data()
{
    QTest::addColumn<QList<int>>("selection");
    QTest::addColumn<QString>("ancho");
    QTest::addColumn<QString>("alto");
    // Line i (from 0) is i + 1 characters long, except line 8 (12) and
    // line 10 (empty).
    QTest::newRow("lines 3 to 7") << QList<int>{2, 3, 4, 5, 6} << u"7"_s << u"5"_s;
    QTest::newRow("block, then a gap") << QList<int>{2, 3, 4, 8} << u"5"_s << u"3"_s;
}

void TestConverter::analyserMeasures()
{
    QFETCH(QList<int>, selection);
    QFETCH(QString, ancho);
    QFETCH(QString, alto);
    QTemporaryDir dir;
    QByteArray data;
    for (int i = 0; i < 20; ++i) {
        const int length = i == 8 ? 12 : (i == 10 ? 0 : i + 1);
        data += QByteArray(length, i == 8 ? '\xe9' : 'x') + "\r\n";
    }
    Form2 f(writeFile(dir, u"f.txt"_s, data));
    f.show();
    loadWhole(f);
    QListView* l = analysis(f);
    for (int i : selection)
        l->selectionModel()->select(l->model()->index(i, 0), QItemSelectionModel::Select);
    // A mouse release over the list measures.
    QTest::mouseRelease(l->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    QCoreApplication::processEvents();
    QCOMPARE(child<QLineEdit>(f, u"ancho"_s)->text(), ancho);
    QCOMPARE(child<QLineEdit>(f, u"alto"_s)->text(), alto);
}

// A huge line does not hold a tick: the clock is looked at inside it too.
// It is measured up to 1 MiB and shown up to the widest frame.
void TestConverter::analyserLongLineKeepsTicksShort()
{
    QTemporaryDir dir;
    const QByteArray length(8 << 20, 'x');
    Form2 f(writeFile(dir, u"f.txt"_s, length + "\r\nfin\r\n"_ba));
    f.setLimitPerStep(1 << 30, 1); // any look at the clock ends the tick
    auto* timer = child<QTimer>(f, u"Timer1"_s);
    timer->stop();
    timer->start(); // the test's own ticks come first
    f.Timer1_Timer();
    QVERIFY(f.loading());
    QCOMPARE(analysis(f)->model()->rowCount(), 0);
    while (f.loading())
        f.Timer1_Timer();
    const QStringList t = rows(analysis(f));
    QCOMPARE(t.size(), 2);
    QCOMPARE(t.first().size(), 32767);
    QListView* l = analysis(f);
    l->selectionModel()->select(l->model()->index(0, 0), QItemSelectionModel::Select);
    f.medirseleccion();
    QCOMPARE(child<QLineEdit>(f, u"ancho"_s)->text(), u"1048576"_s);
}

QTEST_MAIN(TestConverter)
#include "test_converter.moc"
