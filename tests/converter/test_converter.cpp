// The Converter's windows: the main window's controls, source list rules,
// drops and conversion messages, and the analyser's loading, measuring and
// sending. Headless; every dialog is answered through the scripted prompt,
// settings live in a temporary folder and no process is started.
#include "compactorlauncher.h"
#include "compactorstart.h"
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
using orv::ui::Icono;
using orv::ui::Respuesta;
using Kind = orv::ui::ScriptedPrompt::Kind;
using namespace widgettest;
using fixtures::writeFile;

namespace {

QListWidget* lista(const QObject& w) { return hijo<QListWidget>(w, u"List1"_s); }

// Drops the paths on the source list; nothing is added inside the drop
// itself, only once it has returned.
void suelta(Form1& form, const QStringList& rutas)
{
    QVERIFY(widgettest::suelta(lista(form)->viewport(), rutas));
    QVERIFY(lista(form)->count() <= 1);
    QCoreApplication::processEvents();
}

QListView* analisis(const Form2& f) { return hijo<QListView>(f, u"List1"_s); }

QStringList filas(const QListView* v)
{
    QStringList t;
    for (int i = 0; i < v->model()->rowCount(); ++i)
        t << v->model()->index(i, 0).data().toString();
    return t;
}

void cargaCompleta(Form2& f)
{
    QTRY_VERIFY_WITH_TIMEOUT(!f.cargando(), 10000);
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
    void limpiar_data();
    void limpiar();
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
    QList<QStringList> m_arrancados;
};

void TestConverter::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    QCoreApplication::setOrganizationName(u"Orvane"_s);
    orv::setArrancaProceso([this](const QString& programa, const QStringList& argumentos) {
        m_arrancados << (QStringList{programa} + argumentos);
        return programa != u"/no/responde"_s;
    });
}

void TestConverter::cleanup()
{
    m_arrancados.clear();
    orv::guardaValor(orv::rutaCompactorClave(), QString());
}

void TestConverter::drops_data()
{
    QTest::addColumn<QStringList>("soltados");
    QTest::addColumn<QStringList>("anadidos");
    QTest::addColumn<QStringList>("mensajes"); // titles, in order

    const QString aviso = u"Posible archivo incorrecto"_s;
    const QString error = u"Error al añadir"_s;
    QTest::newRow("movie warns, then is added") << QStringList{u"x.ovt"_s} << QStringList{u"x.ovt"_s}
                                                << QStringList{aviso};
    QTest::newRow("missing file refused, others added")
        << QStringList{u"a.txt"_s, u"falta.txt"_s, u"c.txt"_s} << QStringList{u"a.txt"_s, u"c.txt"_s}
        << QStringList{error};
    QTest::newRow("folder refused") << QStringList{u"carpeta"_s} << QStringList{} << QStringList{error};
    QTest::newRow("missing movie: warning and refusal") << QStringList{u"falta.ovt"_s} << QStringList{}
                                                        << QStringList{aviso, error};
}

void TestConverter::drops()
{
    QFETCH(QStringList, soltados);
    QFETCH(QStringList, anadidos);
    QFETCH(QStringList, mensajes);
    QTemporaryDir dir;
    for (const QString& n : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"x.ovt"_s, u"x.OVT"_s})
        writeFile(dir, n, "1\nab\n");
    QDir(dir.path()).mkdir(u"carpeta"_s);
    auto completa = [&](const QStringList& nombres) {
        QStringList rutas;
        for (const QString& n : nombres)
            rutas << dir.filePath(n);
        return rutas;
    };

    Guion g;
    Form1 form;
    lista(form)->addItems({u"/ya/estaba.txt"_s});
    suelta(form, completa(soltados));
    QCOMPARE(textos(lista(form)), QStringList{u"/ya/estaba.txt"_s} + completa(anadidos));
    QCOMPARE(g.calls.size(), mensajes.size());
    for (int i = 0; i < mensajes.size(); ++i) {
        const auto& c = g.calls[i];
        QCOMPARE(c.titulo, mensajes[i]);
        QCOMPARE(c.icono, Icono::Exclamacion);
        if (c.titulo == u"Error al añadir"_s) {
            QVERIFY(c.texto.startsWith(u"No se puede agregar a la lista, por problemas de lectura o apertura, "
                                       "el siguiente archivo:\r\n\r\n"_s));
        } else {
            QVERIFY(c.texto.startsWith(u"El siguiente archivo, al parecer, tiene una extensión no "
                                       "correspondiente con los archivos requeridos como origen: \r\n\r\n"_s));
            QVERIFY(c.texto.endsWith(u"no sirve para unir ni manipular archivos *.ovt\r\n\r\nPuede que desee "
                                     "eliminar el archivo que acaba de agregar para no provocar errores en su "
                                     "película ASCII."_s));
        }
    }
}

void TestConverter::listButtons_data()
{
    QTest::addColumn<int>("seleccion");
    QTest::addColumn<QString>("botones"); // a = arriba, b = abajo, e = eliminar
    QTest::addColumn<QStringList>("orden");
    QTest::addColumn<int>("seleccionFinal");

    QTest::newRow("down twice from the first") << 0 << u"bb"_s << QStringList{u"2"_s, u"3"_s, u"1"_s} << 2;
    QTest::newRow("up from the last") << 2 << u"a"_s << QStringList{u"1"_s, u"3"_s, u"2"_s} << 1;
    QTest::newRow("no selection") << -1 << u"abe"_s << QStringList{u"1"_s, u"2"_s, u"3"_s} << -1;
    // The selection goes with the line: a second click has nothing to remove.
    QTest::newRow("remove twice") << 1 << u"ee"_s << QStringList{u"1"_s, u"3"_s} << -1;
}

void TestConverter::listButtons()
{
    QFETCH(int, seleccion);
    QFETCH(QString, botones);
    QFETCH(QStringList, orden);
    QFETCH(int, seleccionFinal);
    Form1 form;
    lista(form)->addItems({u"1"_s, u"2"_s, u"3"_s});
    lista(form)->setCurrentRow(seleccion);
    for (QChar b : botones)
        QTest::mouseClick(hijo<QPushButton>(form, b == u'a' ? u"arriba"_s : b == u'b' ? u"abajo"_s : u"eliminar"_s),
                          Qt::LeftButton);
    QCOMPARE(textos(lista(form)), orden);
    const QList<QListWidgetItem*> sel = lista(form)->selectedItems();
    QCOMPARE(sel.isEmpty() ? -1 : lista(form)->row(sel.first()), seleccionFinal);
}

void TestConverter::limpiar_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<Respuesta>("respuesta");
    QTest::addColumn<int>("preguntas");
    QTest::addColumn<int>("quedan");
    QTest::newRow("No keeps the list") << QStringList{u"1"_s, u"2"_s} << Respuesta::No << 1 << 2;
    QTest::newRow("Yes empties it") << QStringList{u"1"_s, u"2"_s} << Respuesta::Si << 1 << 0;
}

void TestConverter::limpiar()
{
    QFETCH(QStringList, items);
    QFETCH(Respuesta, respuesta);
    QFETCH(int, preguntas);
    QFETCH(int, quedan);
    Guion g;
    g.respuestas << respuesta;
    Form1 form;
    lista(form)->addItems(items);
    hijo<QAction>(form, u"menu_limpiar"_s)->trigger();
    QCOMPARE(g.calls.size(), preguntas);
    if (preguntas) {
        QCOMPARE(g.calls[0].texto, u"¿Realmente desea eliminar todos los archivos de la lista?"_s);
        QCOMPARE(g.calls[0].titulo, u"Limpiar lista"_s);
        QCOMPARE(g.calls[0].icono, Icono::Ninguno);
        QCOMPARE(g.calls[0].botones, orv::ui::Botones::SiNo);
    }
    QCOMPARE(lista(form)->count(), quedan);
}

void TestConverter::convert_data()
{
    QTest::addColumn<bool>("conFuente");
    QTest::addColumn<QString>("ancho");
    QTest::addColumn<QString>("pausa");
    QTest::addColumn<QString>("creador");
    QTest::addColumn<bool>("comprimir");
    QTest::addColumn<QString>("ruta");      // the Compactor's program path
    QTest::addColumn<QString>("elegido");   // answer of the save dialog
    QTest::addColumn<QString>("escrito");   // the movie expected, "" for none
    QTest::addColumn<QString>("titulo");    // the last message's title, "" for none
    QTest::addColumn<QString>("mensaje");   // the last message's text
    QTest::addColumn<bool>("arranca");      // a Compactor start was asked

    const QString exito = u"El archivo fué creado satisfactoriamente."_s;
    // The other refusals and Compactor messages come from the same calls,
    // tested with the engine and the shared Compactor start.
    const QString param = u"Error en los parámetros"_s;
    const QString m1 = orv::mensajeFalloParametros(orv::FalloParametros::AnchoAlto);
    QTest::newRow("initial width gives message 1")
        << true << "0" << "100" << "" << false << "" << "peli" << "" << param << m1 << false;
    QTest::newRow("2x, no compression: message 4, .ovt added")
        << true << "2x" << "100" << "" << false << "" << "peli" << "peli.ovt" << "Proceso exitoso" << exito << false;
    QTest::newRow("cancelled save dialog")
        << true << "2" << "100" << "" << false << "" << "" << "" << "" << "" << false;
    QTest::newRow("Compactor started: no message")
        << true << "2" << "100" << "" << true << "/opt/OrvCompactor" << "peli.ovt" << "peli.ovt" << "" << "" << true;
}

void TestConverter::convert()
{
    QFETCH(bool, conFuente);
    QFETCH(QString, ancho);
    QFETCH(QString, pausa);
    QFETCH(QString, creador);
    QFETCH(bool, comprimir);
    QFETCH(QString, ruta);
    QFETCH(QString, elegido);
    QFETCH(QString, escrito);
    QFETCH(QString, titulo);
    QFETCH(QString, mensaje);
    QFETCH(bool, arranca);

    QTemporaryDir dir;
    orv::guardaValor(orv::rutaCompactorClave(), ruta);
    Guion g;
    if (!elegido.isEmpty())
        elegido = dir.filePath(elegido);
    g.archivos << elegido;
    Form1 form;
    if (conFuente)
        lista(form)->addItems({writeFile(dir, u"f.txt"_s, "2\nab\ncd\n"_ba)});
    hijo<QLineEdit>(form, u"ancho"_s)->setText(ancho);
    hijo<QLineEdit>(form, u"alto"_s)->setText(u"2"_s);
    hijo<QComboBox>(form, u"velocidad"_s)->setEditText(pausa);
    hijo<QLineEdit>(form, u"creador"_s)->setText(creador);
    hijo<QCheckBox>(form, u"Check1"_s)->setChecked(comprimir);
    QTest::mouseClick(hijo<QPushButton>(form, u"Command1"_s), Qt::LeftButton);

    const QList<orv::ui::ScriptedPrompt::Call> mensajes = g.of(Kind::Mensaje);
    QCOMPARE(mensajes.isEmpty() ? QString() : mensajes.last().titulo, titulo);
    if (!mensaje.isEmpty())
        QVERIFY2(mensajes.last().texto.startsWith(mensaje), qPrintable(mensajes.last().texto));
    const QList<orv::ui::ScriptedPrompt::Call> dialogos = g.of(Kind::GuardarArchivo);
    const bool dialogoEsperado = conFuente && (titulo.isEmpty() || titulo != u"Error en los parámetros"_s);
    QCOMPARE(dialogos.size(), dialogoEsperado ? 1 : 0);

    const QStringList movies = QDir(dir.path()).entryList(QDir::Files).filter(u"peli"_s);
    QCOMPARE(movies, escrito.isEmpty() ? QStringList{} : QStringList{escrito});
    if (!escrito.isEmpty()) {
        orv::Pelicula leida;
        QVERIFY(orv::cargaPelicula(dir.filePath(escrito), leida));
        QCOMPARE(int(leida.numCuadros), 2);
        QCOMPARE(int(leida.ancho), 2);
        QCOMPARE(leida.cuadro(1).toByteArray(), "abcd"_ba);
    }
    QCOMPARE(m_arrancados.size(), arranca ? 1 : 0);
    if (arranca)
        QCOMPARE(m_arrancados[0], (QStringList{ruta, dir.filePath(escrito)}));
}

// The dialog offers the name it last gave; a name that exists, as written
// after the ".ovt" rule, is replaced only when the person says so. The
// window is itself again before any message shows.
void TestConverter::replacingAskedAndNameRemembered()
{
    struct Testigo : Guion
    {
        QList<bool> habilitada;
        Respuesta mensaje(QWidget* parent, const QString& texto, const QString& titulo, Icono icono,
                          orv::ui::Botones botones) override
        {
            habilitada << (parent && parent->window()->isEnabled()
                           && static_cast<QMainWindow*>(parent->window())->centralWidget()->isEnabled());
            return Guion::mensaje(parent, texto, titulo, icono, botones);
        }
    } g;
    QTemporaryDir dir;
    const QString existente = writeFile(dir, u"peli.ovt"_s, "antes");
    Form1 form;
    lista(form)->addItems({writeFile(dir, u"f.txt"_s, "1\nab\ncd\n"_ba)});
    hijo<QLineEdit>(form, u"ancho"_s)->setText(u"2"_s);
    hijo<QLineEdit>(form, u"alto"_s)->setText(u"2"_s);
    hijo<QCheckBox>(form, u"Check1"_s)->setChecked(false);
    g.archivos << dir.filePath(u"peli"_s) << dir.filePath(u"peli"_s);
    g.respuestas << Respuesta::No << Respuesta::Si;
    for (int vez = 0; vez < 2; ++vez)
        QTest::mouseClick(hijo<QPushButton>(form, u"Command1"_s), Qt::LeftButton);
    const auto dialogos = g.of(Kind::GuardarArchivo);
    QCOMPARE(dialogos.size(), 2);
    QCOMPARE(dialogos[0].inicial, QString());
    QCOMPARE(dialogos[1].inicial, dir.filePath(u"peli"_s));
    const auto mensajes = g.of(Kind::Mensaje);
    QCOMPARE(mensajes.size(), 3); // asked twice, then the success
    QCOMPARE(mensajes[0].texto, u"El archivo peli.ovt ya existe. ¿Desea reemplazarlo?"_s);
    QCOMPARE(mensajes[0].botones, orv::ui::Botones::SiNo);
    QCOMPARE(mensajes[2].titulo, u"Proceso exitoso"_s);
    QCOMPARE(g.habilitada.last(), true);
    QVERIFY(readFile(existente).startsWith("2,3,1,"));
}

void TestConverter::doubleClickSendsBothValues()
{
    QTemporaryDir dir;
    Form1 form;
    lista(form)->addItems({writeFile(dir, u"f.txt"_s, "abc\nabcdef\n"_ba)});
    lista(form)->setCurrentRow(0);
    QTimer::singleShot(0, [] {
        auto* analizador = qobject_cast<Form2*>(QApplication::activeModalWidget());
        QVERIFY(analizador);
        QTRY_VERIFY(!analizador->cargando());
        analisis(*analizador)->selectAll();
        analizador->medirseleccion();
        QTest::mouseClick(hijo<QPushButton>(*analizador, u"Command5"_s), Qt::LeftButton);
    });
    form.List1_DblClick();
    QCOMPARE(hijo<QLineEdit>(form, u"ancho"_s)->text(), u"6"_s);
    QCOMPARE(hijo<QLineEdit>(form, u"alto"_s)->text(), u"2"_s);
}

// Line ends, blanks and Windows-1252 letters, as the source holds them.
void TestConverter::analyserLoads()
{
    QTemporaryDir dir;
    Form2 f(writeFile(dir, u"f.txt"_s, "a \r\n\r\n\tb\rc\xe9\x80\nd"_ba));
    f.show();
    QVERIFY(analisis(f)->isHidden());
    cargaCompleta(f);
    QVERIFY(analisis(f)->isVisible());
    QCOMPARE(filas(analisis(f)), (QStringList{u"a "_s, u""_s, u"\tb"_s, u"c\u00e9\u20ac"_s, u"d"_s}));
    QCOMPARE(hijo<QLabel>(f, u"Label5"_s)->text(), u"Se han cargado 5 líneas del archivo hasta el momento..."_s);
    QCOMPARE(hijo<QPushButton>(f, u"Command4"_s)->focusPolicy(), Qt::NoFocus);
}

void TestConverter::analyserCancelMidLoad()
{
    QTemporaryDir dir;
    QByteArray datos;
    for (int i = 0; i < 100000; ++i)
        datos += "linea " + QByteArray::number(i) + "\r\n";
    const QString ruta = writeFile(dir, u"grande.txt"_s, datos);
    Form2 f(ruta);
    f.setLimitePorPaso(1000, qint64(60) * 1'000'000'000); // steps counted in lines, not time
    auto* timer = hijo<QTimer>(f, u"Timer1"_s);
    timer->stop();
    timer->start(); // the test's own ticks come first
    QVERIFY(f.cargando());
    f.Timer1_Timer();
    f.Timer1_Timer();
    QCOMPARE(filas(analisis(f)).size(), 2000);
    QCOMPARE(hijo<QLabel>(f, u"Label5"_s)->text(), u"Se han cargado 2000 líneas del archivo hasta el momento..."_s);
    QTest::mouseClick(hijo<QPushButton>(f, u"Command4"_s), Qt::LeftButton);
    QVERIFY(!hijo<QPushButton>(f, u"Command4"_s)->isEnabled());
    f.Timer1_Timer();
    QVERIFY(!f.cargando());
    QCOMPARE(filas(analisis(f)).size(), 2000);
    QCOMPARE(filas(analisis(f)).last(), u"linea 1999"_s);
    // The file is closed: it can be removed and the list stays as it is.
    QVERIFY(QFile::remove(ruta));
    f.Timer1_Timer();
    QCOMPARE(filas(analisis(f)).size(), 2000);
}

void TestConverter::analyserMeasures_data()
{
    QTest::addColumn<QList<int>>("seleccion");
    QTest::addColumn<QString>("ancho");
    QTest::addColumn<QString>("alto");
    // Line i (from 0) is i + 1 characters long, except line 8 (12) and
    // line 10 (empty).
    QTest::newRow("lines 3 to 7") << QList<int>{2, 3, 4, 5, 6} << u"7"_s << u"5"_s;
    QTest::newRow("block, then a gap") << QList<int>{2, 3, 4, 8} << u"5"_s << u"3"_s;
}

void TestConverter::analyserMeasures()
{
    QFETCH(QList<int>, seleccion);
    QFETCH(QString, ancho);
    QFETCH(QString, alto);
    QTemporaryDir dir;
    QByteArray datos;
    for (int i = 0; i < 20; ++i) {
        const int largo = i == 8 ? 12 : (i == 10 ? 0 : i + 1);
        datos += QByteArray(largo, i == 8 ? '\xe9' : 'x') + "\r\n";
    }
    Form2 f(writeFile(dir, u"f.txt"_s, datos));
    f.show();
    cargaCompleta(f);
    QListView* l = analisis(f);
    for (int i : seleccion)
        l->selectionModel()->select(l->model()->index(i, 0), QItemSelectionModel::Select);
    // A mouse release over the list measures.
    QTest::mouseRelease(l->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    QCoreApplication::processEvents();
    QCOMPARE(hijo<QLineEdit>(f, u"ancho"_s)->text(), ancho);
    QCOMPARE(hijo<QLineEdit>(f, u"alto"_s)->text(), alto);
}

// A huge line does not hold a tick: the clock is looked at inside it too.
// It is measured up to 1 MiB and shown up to the widest frame.
void TestConverter::analyserLongLineKeepsTicksShort()
{
    QTemporaryDir dir;
    const QByteArray largo(8 << 20, 'x');
    Form2 f(writeFile(dir, u"f.txt"_s, largo + "\r\nfin\r\n"_ba));
    f.setLimitePorPaso(1 << 30, 1); // any look at the clock ends the tick
    auto* timer = hijo<QTimer>(f, u"Timer1"_s);
    timer->stop();
    timer->start(); // the test's own ticks come first
    f.Timer1_Timer();
    QVERIFY(f.cargando());
    QCOMPARE(analisis(f)->model()->rowCount(), 0);
    while (f.cargando())
        f.Timer1_Timer();
    const QStringList t = filas(analisis(f));
    QCOMPARE(t.size(), 2);
    QCOMPARE(t.first().size(), 32767);
    QListView* l = analisis(f);
    l->selectionModel()->select(l->model()->index(0, 0), QItemSelectionModel::Select);
    f.medirseleccion();
    QCOMPARE(hijo<QLineEdit>(f, u"ancho"_s)->text(), u"1048576"_s);
}

QTEST_MAIN(TestConverter)
#include "test_converter.moc"
