// Opening movies in the main window from every source, and playing them.
#include "commandline.h"
#include "form1.h"
#include "moviereader.h"
#include "pantalla.h"
#include "playerfixtures.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

using namespace playerfixtures;
using orv::player::Form1;
using orv::ui::ScopedPrompt;
using orv::ui::ScriptedPrompt;

namespace {

// The letter of the frame on screen (frame i shows 'A' + i), -1 when empty.
int cuadroEnPantalla(const Form1& form)
{
    const QString texto = form.pantalla()->texto();
    return texto.isEmpty() ? -1 : texto.at(0).unicode() - 'A';
}

QStringList recientesVisibles(const Form1& form)
{
    QStringList captions;
    for (int i = 1; i <= 10; ++i) {
        auto* a = form.findChild<QAction*>(QStringLiteral("a_recientes%1").arg(i));
        if (a->isVisible())
            captions << a->text();
    }
    return captions;
}

// Hands a drag event to the window or to the text area the way the event
// loop does once a drag has entered it (sendEvent would route it to the
// drag manager's current target, and offscreen there is none).
bool entrega(Form1& form, bool enPantalla, QEvent* evento)
{
    if (enPantalla)
        return static_cast<QObject*>(form.pantalla())->eventFilter(form.pantalla()->viewport(), evento);
    return static_cast<QObject&>(form).event(evento);
}

bool suelta(Form1& form, bool enPantalla, const QMimeData& datos)
{
    QDragEnterEvent entra(QPoint(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    entrega(form, enPantalla, &entra);
    if (!entra.isAccepted())
        return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    entrega(form, enPantalla, &drop);
    QCoreApplication::processEvents(); // the opening waits for the drop to return
    return true;
}

} // namespace

class TestAbrir : public QObject
{
    Q_OBJECT
public:
    static void initMain() { aislaAjustes(); }

private slots:
    void init();

    void openShowsFirstFrameAndEnables();
    void sliderTickSpacing_data();
    void sliderTickSpacing();
    void oneFrameMovieCanOnlyBeLookedAt();
    void autoplayStartsTheClock();
    void tickAtLastFrame_data();
    void tickAtLastFrame();
    void sliderAndStepsShowTheirFrame();
    void closeWhilePlayingStopsEverything();
    void unreadableMovieFromEverySource_data();
    void unreadableMovieFromEverySource();
    void failedOpenAfterAMovieLeavesNoMovie();
    void cancelledOpenDialogDoesNothing();
    void compressedMovieFromRecentsKeepsItsPlace();
    void sameMovieTwiceGivesTwoEntries();
    void loweredMaximumHidesAndCaps();
    void recentCaptionsCutLongPaths();
    void dropOpensOnlyTheFirstFile();
    void dropWithoutFilesDoesNothing();
    void keyboardPlaysAndSteps();
    void ctrlCCopiesSelectionElseCloses();

private:
    QTemporaryDir m_dir;
};

void TestAbrir::init()
{
    limpiaAjustes();
    QApplication::clipboard()->clear();
}

void TestAbrir::openShowsFirstFrameAndEnables()
{
    const QString ruta = escribe(m_dir, "cinco.ovt", pelicula(4, 3, 5, 150.5));
    Form1 form;
    form.abrePelicula(ruta, false);
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player - cinco.ovt"));
    QCOMPARE(form.pantalla()->texto(), QStringLiteral("AAAA\r\nAAAA\r\nAAAA"));
    auto* posicion = form.findChild<QSlider*>("posicion");
    QCOMPARE(posicion->maximum(), 4);
    QCOMPARE(posicion->value(), 0);
    QCOMPARE(form.findChild<QTimer*>("Timer1")->interval(), 150);
    QCOMPARE(form.velocidad(), 150.5);
    for (const char* nombre : {"posicion", "rebobinar", "reproducir"})
        QVERIFY2(form.findChild<QWidget*>(nombre)->isEnabled(), nombre);
    for (const char* nombre : {"menu_avanza", "menu_retrocede", "menu_rebobinar", "menu_reproducir",
                               "menu_cerrar_pelicula", "menu_propiedades"})
        QVERIFY2(form.findChild<QAction*>(nombre)->isEnabled(), nombre);
    QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
    QCOMPARE(ajuste("Recientes1"), ruta);
    QCOMPARE(recientesVisibles(form).size(), 1);
}

void TestAbrir::sliderTickSpacing_data()
{
    QTest::addColumn<int>("cuadros");
    QTest::addColumn<int>("espacio");
    QTest::newRow("2") << 2 << 1;
    QTest::newRow("99") << 99 << 1;
    QTest::newRow("100") << 100 << 2;
    QTest::newRow("199") << 199 << 2;
    QTest::newRow("200") << 200 << 3;
    QTest::newRow("32767") << 32767 << 328;
}

void TestAbrir::sliderTickSpacing()
{
    QFETCH(int, cuadros);
    QFETCH(int, espacio);
    const QString ruta = escribe(m_dir, "marcas.ovt", pelicula(1, 1, cuadros, 100));
    Form1 form;
    form.abrePelicula(ruta, false);
    auto* posicion = form.findChild<QSlider*>("posicion");
    QCOMPARE(posicion->tickInterval(), espacio);
    QCOMPARE(posicion->maximum(), cuadros - 1);
}

void TestAbrir::oneFrameMovieCanOnlyBeLookedAt()
{
    ponAjuste("Ejecuciones", "1");
    ponAjuste("ReproIni", "1");
    const QString ruta = escribe(m_dir, "uno.ovt", pelicula(2, 2, 1, 100));
    Form1 form;
    form.abrePelicula(ruta, false);
    QCOMPARE(cuadroEnPantalla(form), 0);
    QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
    for (const char* nombre : {"posicion", "rebobinar", "reproducir"})
        QVERIFY2(!form.findChild<QWidget*>(nombre)->isEnabled(), nombre);
    for (const char* nombre : {"menu_avanza", "menu_retrocede", "menu_rebobinar", "menu_reproducir"})
        QVERIFY2(!form.findChild<QAction*>(nombre)->isEnabled(), nombre);
    QVERIFY(form.findChild<QAction*>("menu_cerrar_pelicula")->isEnabled());
    QVERIFY(form.findChild<QAction*>("menu_propiedades")->isEnabled());
    // The shortcut still reaches the handler; it must not start anything.
    form.reproducir_Click();
    QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
}

void TestAbrir::autoplayStartsTheClock()
{
    ponAjuste("Ejecuciones", "1");
    ponAjuste("ReproIni", "1");
    const QString ruta = escribe(m_dir, "auto.ovt", pelicula(2, 2, 3, 40));
    Form1 form;
    QCOMPARE(form.reproInicial(), 1);
    form.abrePelicula(ruta, false);
    QVERIFY(form.findChild<QTimer*>("Timer1")->isActive());
    QCOMPARE(form.findChild<QTimer*>("Timer1")->interval(), 40);
    QCOMPARE(cuadroEnPantalla(form), 0);
}

void TestAbrir::tickAtLastFrame_data()
{
    QTest::addColumn<bool>("repetir");
    QTest::newRow("without repeat") << false;
    QTest::newRow("with repeat") << true;
}

void TestAbrir::tickAtLastFrame()
{
    QFETCH(bool, repetir);
    const QString ruta = escribe(m_dir, "tres.ovt", pelicula(2, 2, 3, 100));
    Form1 form;
    if (repetir)
        form.menu_repetir_Click();
    form.abrePelicula(ruta, false);
    form.findChild<QPushButton*>("reproducir")->click();
    auto* timer = form.findChild<QTimer*>("Timer1");
    QVERIFY(timer->isActive());
    form.Timer1_Timer();
    form.Timer1_Timer();
    QCOMPARE(cuadroEnPantalla(form), 2);
    QCOMPARE(form.findChild<QSlider*>("posicion")->value(), 2);
    form.Timer1_Timer();
    QCOMPARE(cuadroEnPantalla(form), 0);
    QCOMPARE(form.findChild<QSlider*>("posicion")->value(), 0);
    QCOMPARE(timer->isActive(), repetir);
}

void TestAbrir::sliderAndStepsShowTheirFrame()
{
    const QString ruta = escribe(m_dir, "cuatro.ovt", pelicula(3, 1, 4, 100));
    Form1 form;
    form.abrePelicula(ruta, false);
    auto* posicion = form.findChild<QSlider*>("posicion");
    form.findChild<QAction*>("menu_avanza")->trigger();
    QCOMPARE(cuadroEnPantalla(form), 1);
    QCOMPARE(posicion->value(), 1);
    posicion->setValue(3); // the user drags the slider
    QCOMPARE(cuadroEnPantalla(form), 3);
    form.findChild<QAction*>("menu_retrocede")->trigger();
    QCOMPARE(cuadroEnPantalla(form), 2);
    QCOMPARE(posicion->value(), 2);
    // Rewind while playing keeps playing from frame 0.
    form.findChild<QPushButton*>("reproducir")->click();
    form.findChild<QPushButton*>("rebobinar")->click();
    QCOMPARE(cuadroEnPantalla(form), 0);
    QCOMPARE(posicion->value(), 0);
    QVERIFY(form.findChild<QTimer*>("Timer1")->isActive());
}

void TestAbrir::closeWhilePlayingStopsEverything()
{
    const QString ruta = escribe(m_dir, "cierre.ovt", pelicula(3, 1, 4, 100));
    Form1 form;
    form.abrePelicula(ruta, false);
    form.reproducir_Click();
    form.Timer1_Timer();
    form.findChild<QAction*>("menu_cerrar_pelicula")->trigger();
    QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
    QVERIFY(form.pantalla()->texto().isEmpty());
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player"));
    auto* posicion = form.findChild<QSlider*>("posicion");
    QCOMPARE(posicion->maximum(), 1);
    QCOMPARE(posicion->value(), 0);
    QVERIFY(!posicion->isEnabled());
    form.Timer1_Timer(); // a tick already queued must not bring a frame back
    QVERIFY(form.pantalla()->texto().isEmpty());
    QCOMPARE(form.velocidad(), 100.0);
}

void TestAbrir::unreadableMovieFromEverySource_data()
{
    QTest::addColumn<QString>("fuente");
    QTest::newRow("open dialog") << "dialogo";
    QTest::newRow("recent entry whose file has gone") << "recientes";
    QTest::newRow("drop on the window") << "ventana";
    QTest::newRow("drop on the display") << "pantalla";
    QTest::newRow("command line") << "linea";
}

void TestAbrir::unreadableMovieFromEverySource()
{
    QFETCH(QString, fuente);
    const QString mala = escribe(m_dir, "mala.ovt", "3,3,5,100,0,0,0,0,a,b\r\nAAAAAAAAA\r\n");
    const QString ida = m_dir.filePath("ida.ovt");
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    Form1 form;
    if (fuente == "dialogo") {
        guion.archivos << mala;
        form.menu_abrir_Click();
    } else if (fuente == "recientes") {
        const QString temporal = escribe(m_dir, "ida.ovt", pelicula(1, 1, 2, 100));
        form.abrePelicula(temporal, false);
        QVERIFY(QFile::remove(temporal));
        form.findChild<QAction*>("a_recientes1")->trigger();
    } else if (fuente == "linea") {
        form.abrePelicula(orv::player::rutaDeLineaDeComandos({'"' + mala + '"'}), false);
    } else {
        QMimeData datos;
        datos.setUrls({QUrl::fromLocalFile(mala)});
        QVERIFY(suelta(form, fuente == "pantalla", datos));
    }
    const QList<ScriptedPrompt::Call> mensajes = guion.of(ScriptedPrompt::Kind::Mensaje);
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].texto, orv::mensajeErrorPelicula());
    QCOMPARE(mensajes[0].titulo, orv::tituloErrorPelicula());
    QCOMPARE(mensajes[0].icono, orv::ui::Icono::Critico);
    QCOMPARE(mensajes[0].botones, orv::ui::Botones::Aceptar);
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player"));
    QVERIFY(form.pantalla()->texto().isEmpty());
    QVERIFY(!form.findChild<QAction*>("menu_propiedades")->isEnabled());
    // A failed open never enters the recent list.
    QCOMPARE(recientesVisibles(form).size(), fuente == "recientes" ? 1 : 0);
    QCOMPARE(ajuste("Recientes1"), fuente == "recientes" ? ida : QString());
}

void TestAbrir::failedOpenAfterAMovieLeavesNoMovie()
{
    const QString buena = escribe(m_dir, "buena.ovt", pelicula(2, 1, 5, 100));
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    Form1 form;
    form.abrePelicula(buena, false);
    form.reproducir_Click();
    form.abrePelicula(m_dir.filePath("no-existe.ovt"), false);
    QCOMPARE(guion.calls.size(), 1);
    QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
    QVERIFY(form.pantalla()->texto().isEmpty());
    QVERIFY(!form.findChild<QWidget*>("reproducir")->isEnabled());
    // The loader leaves the last good movie's data alone.
    QCOMPARE(form.pelicula().numCuadros, 5);
}

void TestAbrir::cancelledOpenDialogDoesNothing()
{
    const QString ruta = escribe(m_dir, "abierta.ovt", pelicula(2, 1, 3, 100));
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    Form1 form;
    form.abrePelicula(ruta, false);
    form.findChild<QAction*>("menu_abrir")->trigger();
    QCOMPARE(guion.calls.size(), 1);
    QCOMPARE(guion.calls[0].kind, ScriptedPrompt::Kind::AbrirArchivo);
    QCOMPARE(guion.calls[0].titulo, QStringLiteral("Abrir película ASCII"));
    QCOMPARE(guion.calls[0].filtro,
             QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player - abierta.ovt"));
    QCOMPARE(cuadroEnPantalla(form), 0);
}

void TestAbrir::compressedMovieFromRecentsKeepsItsPlace()
{
    const QString comprimida =
        escribeComprimida(m_dir, "zip.ovt", "dentro.ovt", pelicula(3, 2, 4, 100));
    const QString plana = escribe(m_dir, "plana.ovt", pelicula(3, 2, 2, 100));
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    Form1 form;
    form.abrePelicula(comprimida, false);
    form.abrePelicula(plana, false);
    QCOMPARE(ajuste("Recientes1"), plana);
    form.findChild<QAction*>("a_recientes2")->trigger();
    QCOMPARE(guion.calls.size(), 0);
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player - zip.ovt"));
    QCOMPARE(form.pelicula().numCuadros, 4);
    QCOMPARE(ajuste("Recientes1"), plana);
    QCOMPARE(ajuste("Recientes2"), comprimida);
    // The Open dialog moves it to the top.
    guion.archivos << comprimida;
    form.menu_abrir_Click();
    QCOMPARE(ajuste("Recientes1"), comprimida);
    QCOMPARE(ajuste("NRecientes"), QStringLiteral("3"));
}

void TestAbrir::sameMovieTwiceGivesTwoEntries()
{
    const QString ruta = escribe(m_dir, "dos.ovt", pelicula(1, 1, 2, 100));
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    guion.archivos << ruta << ruta;
    Form1 form;
    form.menu_abrir_Click();
    form.menu_abrir_Click();
    const QString caption = QStringLiteral("&1 ") + ruta;
    QCOMPARE(recientesVisibles(form), QStringList({caption, QStringLiteral("&2 ") + ruta}));
    QVERIFY(form.findChild<QAction*>("separador")->isVisible());
}

void TestAbrir::loweredMaximumHidesAndCaps()
{
    ponAjuste("Ejecuciones", "1");
    ponAjuste("NRecientes", "8");
    ponAjuste("MRecientes", "3");
    for (int j = 1; j <= 8; ++j)
        ponAjuste(QStringLiteral("Recientes%1").arg(j), QStringLiteral("/r/%1.ovt").arg(j));
    const QString ruta = escribe(m_dir, "nueva.ovt", pelicula(1, 1, 2, 100));
    Form1 form;
    QCOMPARE(recientesVisibles(form),
             QStringList({"&1 /r/1.ovt", "&2 /r/2.ovt", "&3 /r/3.ovt"}));
    form.abrePelicula(ruta, false);
    QCOMPARE(ajuste("NRecientes"), QStringLiteral("3"));
    QCOMPARE(recientesVisibles(form).size(), 3);
    QCOMPARE(ajuste("Recientes1"), ruta);
    QCOMPARE(ajuste("Recientes2"), QStringLiteral("/r/1.ovt"));
    // Entries pushed past the maximum stay stored.
    QCOMPARE(ajuste("Recientes9"), QStringLiteral("/r/8.ovt"));
}

void TestAbrir::recentCaptionsCutLongPaths()
{
    const QString cuarenta = QStringLiteral("/") + QString(35, 'c') + QStringLiteral(".ovt");
    const QString cuarentaYUno = QStringLiteral("/x") + QString(35, 'c') + QStringLiteral(".ovt");
    QCOMPARE(cuarenta.size(), 40);
    QCOMPARE(cuarentaYUno.size(), 41);
    ponAjuste("Ejecuciones", "1");
    ponAjuste("MRecientes", "10");
    ponAjuste("NRecientes", "3");
    ponAjuste("Recientes1", cuarenta);
    ponAjuste("Recientes2", cuarentaYUno);
    ponAjuste("Recientes3", "/a&b.ovt");
    Form1 form;
    QCOMPARE(recientesVisibles(form),
             QStringList({"&1 " + cuarenta, "&2 ..." + cuarentaYUno.right(36), "&3 /a&&b.ovt"}));
}

void TestAbrir::dropOpensOnlyTheFirstFile()
{
    const QString primera = escribe(m_dir, "primera.ovt", pelicula(1, 1, 2, 100));
    const QString segunda = escribe(m_dir, "segunda.ovt", pelicula(1, 1, 3, 100));
    QMimeData datos;
    datos.setUrls({QUrl::fromLocalFile(primera), QUrl::fromLocalFile(segunda)});
    for (bool enPantalla : {true, false}) {
        Form1 form;
        QVERIFY(suelta(form, enPantalla, datos));
        QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player - primera.ovt"));
    }
    QCOMPARE(ajuste("NRecientes"), QStringLiteral("2"));
    QCOMPARE(ajuste("Recientes1"), primera);
    QCOMPARE(ajuste("Recientes2"), primera);
}

void TestAbrir::dropWithoutFilesDoesNothing()
{
    const QString ruta = escribe(m_dir, "sigue.ovt", pelicula(1, 1, 2, 100));
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    Form1 form;
    form.abrePelicula(ruta, false);
    QMimeData texto;
    texto.setText(QStringLiteral("/tmp/texto.ovt"));
    QMimeData remota;
    remota.setUrls({QUrl(QStringLiteral("https://example.org/a.ovt"))});
    for (bool enPantalla : {true, false}) {
        for (const QMimeData* datos : {&texto, &remota}) {
            QVERIFY(!suelta(form, enPantalla, *datos));
            // Even a drop that arrives unannounced is ignored.
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, datos, Qt::LeftButton, Qt::NoModifier);
            entrega(form, enPantalla, &drop);
            QCoreApplication::processEvents();
        }
    }
    QCOMPARE(guion.calls.size(), 0);
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player - sigue.ovt"));
    QCOMPARE(ajuste("NRecientes"), QStringLiteral("1"));
}

void TestAbrir::keyboardPlaysAndSteps()
{
    const QString ruta = escribe(m_dir, "teclas.ovt", pelicula(2, 1, 4, 100));
    Form1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.abrePelicula(ruta, false);
    QTest::keyClick(&form, Qt::Key_F4);
    QTest::keyClick(&form, Qt::Key_F4);
    QCOMPARE(cuadroEnPantalla(form), 2);
    QTest::keyClick(&form, Qt::Key_F3);
    QCOMPARE(cuadroEnPantalla(form), 1);
    QTest::keyClick(&form, Qt::Key_F2);
    QVERIFY(form.findChild<QTimer*>("Timer1")->isActive());
    QTest::keyClick(&form, Qt::Key_F2);
    QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
}

void TestAbrir::ctrlCCopiesSelectionElseCloses()
{
    const QString ruta = escribe(m_dir, "copia.ovt", pelicula(3, 2, 2, 100));
    Form1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.abrePelicula(ruta, false);
    form.pantalla()->setFocus();
    form.pantalla()->selecciona({0, 1}, {1, 2});
    QTest::keyClick(form.pantalla(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("AA\nAA"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player - copia.ovt"));

    form.pantalla()->selecciona({0, 0}, {0, 0});
    QTest::keyClick(form.pantalla(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player"));
}

QTEST_MAIN(TestAbrir)
#include "test_abrir.moc"
