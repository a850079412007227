// The Player's widget tests: start-up and settings, opening and playing
// movies from every source, the recent-files list, and the preferences and
// properties dialogs. Headless; settings live in a temporary folder and
// dialogs are answered through the scripted prompt.
#include "commandline.h"
#include "core/moviefixtures.h"
#include "cp1252.h"
#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "moviereader.h"
#include "nativename.h"
#include "pantalla.h"
#include "playertest.h"
#include "runplayer.h"
#include "splash.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using fixtures::writeFile;
using orv::player::Form1;
using orv::player::Form2;
using orv::player::Form3;
using namespace playertest;

namespace {

// A plain movie by "Autor" whose frame i is `ancho * alto` copies of the
// letter 'A' + i, so that the display tells the frames apart.
QByteArray pelicula(int ancho, int alto, int cuadros, double pausa)
{
    std::vector<QByteArray> lineas;
    for (int i = 0; i < cuadros; ++i)
        lineas.push_back(QByteArray(qsizetype(ancho) * alto, char('A' + i % 26)));
    const QString cabecera = u"%1,%2,%3,%4,0,0,0,0,Autor,Más datos"_s;
    return fixtures::plainMovie(
        orv::toCp1252(cabecera.arg(ancho).arg(alto).arg(cuadros).arg(pausa)), lineas);
}

bool reproduce(const Form1& form)
{
    return hijo<QTimer>(form, "Timer1")->isActive();
}

// The frame on screen (frame i shows 'A' + i), -1 when there is none.
int cuadroEnPantalla(const Form1& form)
{
    const QString texto = form.pantalla()->texto();
    return texto.isEmpty() ? -1 : texto.at(0).unicode() - 'A';
}

QStringList recientesVisibles(const Form1& form)
{
    QStringList captions;
    for (const QAction* a : form.findChildren<QAction*>(QRegularExpression(u"^a_recientes"_s)))
        if (a->isVisible())
            captions << a->text();
    return captions;
}

// A drag over the window or the display, then its drop even when the drag
// was refused, handed over the way the event loop does once a drag has
// entered (offscreen there is no drag manager to route them). Answers
// whether the drag was accepted.
bool suelta(Form1& form, bool enPantalla, const QMimeData& datos)
{
    QObject* destino = enPantalla ? static_cast<QObject*>(form.pantalla()) : &form;
    auto entrega = [&](QEvent* e) {
        enPantalla ? destino->eventFilter(form.pantalla()->viewport(), e) : destino->event(e);
    };
    QDragEnterEvent entra(QPoint(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    entrega(&entra);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    entrega(&drop);
    QCoreApplication::processEvents(); // the opening waits for the drop to return
    return entra.isAccepted();
}

void activa(Form1& form)
{
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

constexpr int kSigueAbierto = -1;

// Opens the preferences, types `texto` as the speed, picks `opcion` and
// presses Aceptar. Answers the dialog's result, or kSigueAbierto.
int aceptaPreferencias(Form1& form, const char* opcion, const QString& texto)
{
    Form2 d(&form);
    d.show();
    hijo<QRadioButton>(d, "Option2")->click();
    hijo<QComboBox>(d, "velocidad")->setEditText(texto);
    hijo<QRadioButton>(d, opcion)->click();
    hijo<QPushButton>(d, "Command1")->click();
    return d.isVisible() ? kSigueAbierto : d.result();
}

QString campo(const Form3& d, int i)
{
    const QString nombre = u"t%1"_s.arg(i);
    if (auto* linea = d.findChild<QLineEdit*>(nombre))
        return linea->text();
    return d.findChild<QPlainTextEdit*>(nombre)->toPlainText();
}

} // namespace

class TestPlayer : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<Guion> m_guion; // no test can leave a real dialog waiting

public:
    static void initMain() { ajustesEnCarpetaTemporal(); }

private slots:
    void init()
    {
        almacen()->clear();
        m_guion.emplace();
    }
    void cleanup()
    {
        m_guion.reset();
        QLocale::setDefault(QLocale::c());
    }

    void nonsenseSettingsGiveUsableWindow_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("valor");
        // clang-format off
        QTest::newRow("font index 10") << "TamanoFuente" << "10";
        QTest::newRow("width beyond the screen") << "VAncho" << "1000000000";
        QTest::newRow("window state 7") << "VEstado" << "7";
        QTest::newRow("background too big") << "ColorFondo" << "16777216";
        QTest::newRow("recent count 99") << "NRecientes" << "99";
        // clang-format on
    }
    void nonsenseSettingsGiveUsableWindow()
    {
        QFETCH(QString, nombre);
        QFETCH(QString, valor);
        Form1{}; // stores the defaults, as a real first run does
        ponAjuste(nombre, valor);
        Form1 form;
        QCOMPARE(form.pantalla()->font().pointSizeF(), 8.0);
        QCOMPARE(form.pantalla()->colorFondo(), QColor(Qt::white));
        QCOMPARE(form.pantalla()->colorLetras(), QColor(Qt::black));
        QCOMPARE(form.windowState(), Qt::WindowNoState);
        const int anchoPantalla = form.pixelesATwips(form.screen()->availableGeometry().width());
        QCOMPARE(form.tamanoTwips(), QSize(valor.startsWith("1000") ? anchoPantalla : 6150, 5880));
        QCOMPARE(ajuste("MRecientes"), u"10"_s);
        // A count beyond the ten entries shows the ten (all stored empty here).
        QCOMPARE(hijo(form, "a_recientes10")->isVisible(), nombre == "NRecientes");
    }

    // Dragged too small, the window snaps back to 3150 x 1450 twips. The
    // size it is left at (outer, in twips), the font size, the colours
    // (stored as 0x00BBGGRR) and repeat come back at the next start.
    void windowAndFormatChoicesAreRemembered()
    {
        m_guion->colores = {QColor(0x12, 0x34, 0x56)};
        QSize dejado;
        {
            Form1 form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.resize(20, 20);
            QCOMPARE(form.frameGeometry().size(),
                     QSize(form.twipsAPixeles(3150), form.twipsAPixeles(1450)));
            form.resize(form.twipsAPixeles(7500), form.twipsAPixeles(4500));
            hijo(form, "menu_fuente_tamano9")->trigger();
            hijo(form, "menu_color_fondo")->trigger();
            hijo(form, "menu_repetir")->trigger();
            dejado = form.tamanoTwips();
        }
        QCOMPARE(ajuste("ColorFondo"), QString::number(0x563412));
        Form1 siguiente;
        QCOMPARE(siguiente.tamanoTwips(), dejado);
        QCOMPARE(siguiente.pantalla()->font().pointSizeF(), 25.0);
        QVERIFY(hijo(siguiente, "menu_fuente_tamano9")->isChecked());
        QCOMPARE(siguiente.pantalla()->colorFondo(), QColor(0x12, 0x34, 0x56));
        QVERIFY(siguiente.motor().repetir() && hijo(siguiente, "menu_repetir")->isChecked());
    }

    void splashSkipping_data()
    {
        QTest::addColumn<QString>("valor");
        QTest::addColumn<bool>("salta");
        QTest::newRow("missing") << QString() << false;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("1.7 (whole part)") << "1.7" << true;
    }
    // The main window shows at once or when the splash hands over, and the
    // movie on the command line opens in it.
    void splashSkipping()
    {
        QFETCH(QString, valor);
        QFETCH(bool, salta);
        if (!valor.isNull())
            ponAjuste("SplashScreen", valor);
        const QString ruta = writeFile(m_dir, "inicio.ovt", pelicula(2, 1, 3, 100));
        std::unique_ptr<Form1> form1;
        QPointer<orv::ui::Splash> splash = orv::player::iniciaPlayer({'"' + ruta + '"'}, form1);
        QCOMPARE(splash.isNull(), salta);
        QCOMPARE(form1 != nullptr, salta);
        if (splash)
            splash->entrega(); // the timer's tick or a click
        QVERIFY(form1 && form1->isVisible());
        QTRY_COMPARE(form1->windowTitle(), u"Orvane ASCII Player - inicio.ovt"_s);
        QTRY_VERIFY(!splash);
    }

    // A movie on the command line that cannot be read: its message comes once
    // the window is on screen, over it, and leaves the window without a movie.
    void commandLineFailureShowsOverTheWindow()
    {
        struct Testigo : Guion
        {
            QWidget* padre = nullptr;
            bool expuesta = false;
            orv::ui::Respuesta mensaje(QWidget* parent, const QString& texto, const QString& titulo,
                                       orv::ui::Icono icono, orv::ui::Botones botones) override
            {
                padre = parent;
                const QWindow* ventana = parent ? parent->window()->windowHandle() : nullptr;
                expuesta = ventana && ventana->isExposed() && parent->window()->isVisible();
                return Guion::mensaje(parent, texto, titulo, icono, botones);
            }
        } testigo;
        ponAjuste("SplashScreen", "1");
        const QString mala = writeFile(m_dir, "mala.ovt", "3,3,5,100,0,0,0,0,a,b\r\nAAA\r\n");
        std::unique_ptr<Form1> form1;
        orv::player::iniciaPlayer({'"' + mala + '"'}, form1);
        QVERIFY(form1);
        QTRY_COMPARE(testigo.calls.size(), 1);
        QCOMPARE(testigo.calls[0].texto, orv::mensajeErrorPelicula());
        QCOMPARE(testigo.padre, form1.get());
        QVERIFY(testigo.expuesta);
        QCOMPARE(form1->windowTitle(), u"Orvane ASCII Player"_s);
        QCOMPARE(ajuste("NRecientes"), u"0"_s);
    }

    void invalidSpeedKeepsPreferencesOpen_data()
    {
        QTest::addColumn<QString>("velocidad");
        QTest::addColumn<QString>("mensaje");
        const QString noNumero = u"La velocidad de reproducción debe ser un número, utilice una "
                                 "coma ',' como separador decimal en caso de requerirlo."_s;
        const QString noPositivo = u"La velocidad de reproducción debe ser mayor a cero."_s;
        QTest::newRow("zero") << "0" << noPositivo;
        // The point that could group thousands is refused, not guessed
        // (the parser has its own tests; this row tells the dialog uses it).
        QTest::newRow("point and three digits") << "1.000" << noNumero;
    }
    // Nothing is taken, not even the other choices.
    void invalidSpeedKeepsPreferencesOpen()
    {
        QFETCH(QString, velocidad);
        QFETCH(QString, mensaje);
        Form1 form;
        form.abrePelicula(writeFile(m_dir, "cien.ovt", pelicula(1, 1, 5, 100)), false);
        QCOMPARE(aceptaPreferencias(form, "Option2", velocidad), kSigueAbierto);
        QCOMPARE(m_guion->calls.size(), 1);
        QCOMPARE(m_guion->calls[0].texto, mensaje);
        QCOMPARE(m_guion->calls[0].titulo, u"Velocidad de reproducción inválida"_s);
        QCOMPARE(m_guion->calls[0].icono, orv::ui::Icono::Exclamacion);
        QCOMPARE(form.velocidad(), 100.0);
        QCOMPARE(ajuste("SplashScreen"), QString());
    }

    // The Spanish way whatever the system's locale: a decimal comma (a
    // point also taken), shown back with a comma. The properties keep the
    // movie's own pause, and so does the first option whatever the speed box
    // holds.
    void replacementPauseLastsUntilTheNextMovie_data()
    {
        QTest::addColumn<QLocale>("sistema");
        QTest::addColumn<QString>("escrito");
        QTest::newRow("English, comma") << QLocale(QLocale::English, QLocale::UnitedStates) << "12,5";
        QTest::newRow("Spanish, comma") << QLocale(QLocale::Spanish, QLocale::Spain) << " 12,5 ";
    }
    void replacementPauseLastsUntilTheNextMovie()
    {
        QFETCH(QLocale, sistema);
        QFETCH(QString, escrito);
        QLocale::setDefault(sistema);
        Form1 form;
        form.abrePelicula(writeFile(m_dir, "cien.ovt", pelicula(1, 1, 5, 100)), false);
        form.reproducir_Click();
        QCOMPARE(aceptaPreferencias(form, "Option2", escrito), int(QDialog::Accepted));
        QCOMPARE(form.velocidad(), 12.5);
        QCOMPARE(hijo<QTimer>(form, "Timer1")->interval(), 12);
        QVERIFY(reproduce(form));
        Form2 otra(&form);
        QVERIFY(hijo<QRadioButton>(otra, "Option2")->isChecked());
        QCOMPARE(hijo<QComboBox>(otra, "velocidad")->currentText(), u"12,5"_s);
        QCOMPARE(campo(Form3(form.pelicula()), 2), u"100"_s);
        QCOMPARE(aceptaPreferencias(form, "Option1", "abc"), int(QDialog::Accepted));
        QCOMPARE(form.velocidad(), 100.0);
        QCOMPARE(aceptaPreferencias(form, "Option2", "1,000"), int(QDialog::Accepted));
        QCOMPARE(hijo<QTimer>(form, "Timer1")->interval(), 1); // a comma is never a thousands mark
        aceptaPreferencias(form, "Option2", "250");
        form.abrePelicula(writeFile(m_dir, "otra.ovt", pelicula(1, 1, 5, 70)), false);
        QCOMPARE(hijo<QTimer>(form, "Timer1")->interval(), 70);
    }

    // The size and path are the compressed file's; numbers with a decimal
    // comma on an English system too.
    void propertiesOfCompressedMovie()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString ruta = fixtures::writeZip(m_dir, "comprimida.ovt",
                                                {{"interior.ovt", pelicula(3, 2, 4, 62.5)}});
        Form1 form;
        form.abrePelicula(ruta, false);
        const QString kb =
            QString::number(orv::tamanoEnKB(QFileInfo(ruta).size())).replace('.', ',');
        const QStringList esperados{"3, 2", "62,5", "4", "Autor", "Más datos", kb, ruta};
        Form3 d(form.pelicula(), &form);
        for (int i = 1; i <= 7; ++i)
            QCOMPARE(campo(d, i), esperados[i - 1]);
        QCOMPARE(hijo<QRadioButton>(Form2(&form), "Option1")->text(),
                 u"Pausar cada cuadro por 62,5 milisegundos."_s);
    }

    // An encrypted movie asks for its password through an input box; left
    // empty, the movie is unreadable like any other.
    void encryptedMovieAsksForPassword()
    {
        const QString ruta = fixtures::writeZip(
            m_dir, "secreta.ovt",
            {{"secreta.ovt", pelicula(3, 2, 4, 100), fixtures::ZipEntry::Kind::File, false, "clave"}});
        Form1 form;
        m_guion->entradas = {u"clave"_s, std::nullopt};
        form.abrePelicula(ruta, false);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - secreta.ovt"_s);
        QCOMPARE(m_guion->calls.first().texto, u"Please Enter The Password!"_s);
        form.abrePelicula(ruta, false);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player"_s);
        QCOMPARE(m_guion->calls.last().titulo, u"Error en la película"_s);
    }

    // With autoplay on, a movie opens at its first frame and starts playing,
    // unless it has a single frame: then it can only be looked at.
    void openingWithAutoplay_data()
    {
        QTest::addColumn<int>("cuadros");
        QTest::addColumn<int>("espacio"); // between the slider's tick marks
        QTest::newRow("one frame") << 1 << 0;
        for (const auto& [cuadros, espacio] : {std::pair{99, 1}, {100, 2}, {200, 3}})
            QTest::addRow("%d frames", cuadros) << cuadros << espacio;
    }
    void openingWithAutoplay()
    {
        QFETCH(int, cuadros);
        QFETCH(int, espacio);
        ponAjuste("Ejecuciones", "1");
        ponAjuste("ReproIni", "1");
        const QString ruta = writeFile(m_dir, "marcas.ovt", pelicula(3, 2, cuadros, 100));
        Form1 form;
        form.abrePelicula(ruta, false);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - marcas.ovt"_s);
        QCOMPARE(form.pantalla()->texto(), u"AAA\r\nAAA"_s);
        QCOMPARE(ajuste("Recientes1"), ruta);
        QVERIFY(hijo(form, "menu_propiedades")->isEnabled());
        const bool varios = cuadros > 1;
        QCOMPARE(reproduce(form), varios);
        for (const char* nombre : {"posicion", "rebobinar", "reproducir", "menu_avanza",
                                   "menu_retrocede", "menu_rebobinar", "menu_reproducir"})
            QCOMPARE(hijo<QObject>(form, nombre)->property("enabled").toBool(), varios);
        auto* posicion = hijo<QSlider>(form, "posicion");
        if (varios) {
            QCOMPARE(posicion->maximum(), cuadros - 1);
            QCOMPARE(posicion->tickInterval(), espacio);
        }
        form.reproducir_Click(); // what F2 does: stops, or with one frame starts nothing
        QVERIFY(!reproduce(form));
    }

    // The keys and the slider move through the frames, and the tick at the
    // last frame goes back to the first one, stopping unless repeat is on.
    void playingThroughTheWindow_data()
    {
        QTest::addColumn<bool>("repetir");
        QTest::newRow("without repeat") << false;
        QTest::newRow("with repeat") << true;
    }
    void playingThroughTheWindow()
    {
        QFETCH(bool, repetir);
        Form1 form;
        activa(form);
        if (repetir)
            hijo(form, "menu_repetir")->trigger();
        form.abrePelicula(writeFile(m_dir, "tres.ovt", pelicula(2, 1, 3, 100)), false);
        auto* posicion = hijo<QSlider>(form, "posicion");
        QTest::keyClick(&form, Qt::Key_F4);
        QCOMPARE(cuadroEnPantalla(form), 1);
        posicion->setValue(2); // the user drags the slider
        QCOMPARE(cuadroEnPantalla(form), 2);
        QTest::keyClick(&form, Qt::Key_F3);
        QCOMPARE(posicion->value(), 1);
        QTest::keyClick(&form, Qt::Key_F2);
        form.Timer1_Timer();
        QCOMPARE(posicion->value(), 2);
        form.Timer1_Timer();
        QCOMPARE(cuadroEnPantalla(form), 0);
        QCOMPARE(posicion->value(), 0);
        QCOMPARE(reproduce(form), repetir);
    }

    // A playing movie is closed, the loader's one message shows, and the
    // failed path never enters the recent list.
    void unreadableMovieFromEverySource_data()
    {
        QTest::addColumn<QString>("fuente");
        for (const char* fuente : {"open dialog", "recent entry whose file has gone",
                                   "drop on the window", "drop on the display"})
            QTest::newRow(fuente) << QString::fromLatin1(fuente);
    }
    void unreadableMovieFromEverySource()
    {
        QFETCH(QString, fuente);
        const QString mala = writeFile(m_dir, "mala.ovt", "3,3,5,100,0,0,0,0,a,b\r\nAAAAAAAAA\r\n");
        const QString buena = writeFile(m_dir, "buena.ovt", pelicula(1, 1, 3, 100));
        Form1 form;
        form.abrePelicula(buena, false);
        form.reproducir_Click();
        QMimeData datos;
        datos.setUrls({QUrl::fromLocalFile(mala)});
        if (fuente == "open dialog") {
            m_guion->archivos << mala;
            hijo(form, "menu_abrir")->trigger();
        } else if (fuente.startsWith("recent")) {
            QVERIFY(QFile::remove(buena));
            hijo(form, "a_recientes1")->trigger();
        } else {
            QVERIFY(suelta(form, fuente.endsWith("display"), datos));
        }
        const QList<Guion::Call> mensajes = m_guion->of(Guion::Kind::Mensaje);
        QCOMPARE(mensajes.size(), 1);
        QCOMPARE(mensajes[0].texto, orv::mensajeErrorPelicula());
        QCOMPARE(mensajes[0].titulo, orv::tituloErrorPelicula());
        QCOMPARE(mensajes[0].icono, orv::ui::Icono::Critico);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player"_s);
        QCOMPARE(cuadroEnPantalla(form), -1);
        QVERIFY(!reproduce(form) && !hijo(form, "menu_propiedades")->isEnabled());
        QCOMPARE(ajuste("NRecientes"), u"1"_s);
        QCOMPARE(ajuste("Recientes1"), buena);
    }

    // Reopened from the list, a movie keeps its place; through the Open
    // dialog it is added again, as the list records openings, not files.
    void reopeningFromTheListOrTheDialog()
    {
        const QString comprimida =
            fixtures::writeZip(m_dir, "zip.ovt", {{"dentro.ovt", pelicula(3, 2, 4, 100)}});
        const QString plana = writeFile(m_dir, "plana.ovt", pelicula(3, 2, 2, 100));
        m_guion->archivos << plana;
        Form1 form;
        form.abrePelicula(comprimida, false);
        form.abrePelicula(plana, false);
        hijo(form, "a_recientes2")->trigger();
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - zip.ovt"_s);
        QCOMPARE(hijo<QSlider>(form, "posicion")->maximum(), 3);
        QCOMPARE(ajuste("Recientes1"), plana);
        QCOMPARE(ajuste("Recientes2"), comprimida);
        hijo(form, "menu_abrir")->trigger();
        hijo(form, "menu_abrir")->trigger(); // cancelled
        QCOMPARE(m_guion->calls.size(), 2);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - plana.ovt"_s);
        QCOMPARE(ajuste("NRecientes"), u"3"_s);
        QCOMPARE(ajuste("Recientes2"), plana);
    }

    // Eight entries, the maximum lowered to three in the preferences: three
    // show at once, and the entries past them stay stored. Captions of 41
    // characters or more are cut, ampersands doubled.
    void loweredMaximumAndCaptions()
    {
        const QString cuarenta = "/" + QString(35, 'c') + ".ovt";
        const QString cuarentaYUno = "/x" + QString(35, 'c') + ".ovt";
        ponAjuste("Ejecuciones", "1");
        ponAjuste("NRecientes", "8");
        const QStringList rutas{cuarenta, cuarentaYUno, "/a&b.ovt", "/4", "/5", "/6", "/7", "/8"};
        for (int j = 1; j <= 8; ++j)
            ponAjuste(u"Recientes%1"_s.arg(j), rutas[j - 1]);
        Form1 form;
        QCOMPARE(recientesVisibles(form).size(), 8);
        Form2 preferencias(&form);
        hijo<QComboBox>(preferencias, "Combo1")->setCurrentText("3");
        hijo<QPushButton>(preferencias, "Command1")->click();
        QCOMPARE(
            recientesVisibles(form),
            QStringList({"&1 " + cuarenta, "&2 ..." + cuarentaYUno.right(36), "&3 /a&&b.ovt"}));
        form.abrePelicula(writeFile(m_dir, "nueva.ovt", pelicula(1, 1, 2, 100)), false);
        QCOMPARE(recientesVisibles(form).size(), 3);
        QCOMPARE(ajuste("NRecientes"), u"3"_s);
        QCOMPARE(ajuste("Recientes9"), u"/8"_s);
    }

    // Only the first file of a drop opens; a drop without files does
    // nothing, even one that arrives unannounced.
    void drop_data()
    {
        QTest::addColumn<bool>("enPantalla");
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("abierta");
        const QList<QUrl> dos{QUrl::fromLocalFile(m_dir.filePath("primera.ovt")),
                              QUrl::fromLocalFile(m_dir.filePath("segunda.ovt"))};
        QTest::newRow("two files on the window") << false << dos << "primera.ovt";
        const QList<QUrl> remota{QUrl(u"https://a.org/a.ovt"_s)};
        QTest::newRow("text only") << true << QList<QUrl>() << "sigue.ovt";
    }
    void drop()
    {
        QFETCH(bool, enPantalla);
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, abierta);
        for (const char* nombre : {"primera.ovt", "segunda.ovt", "sigue.ovt"})
            writeFile(m_dir, nombre, pelicula(1, 1, 2, 100));
        Form1 form;
        form.abrePelicula(m_dir.filePath("sigue.ovt"), false);
        QMimeData datos;
        datos.setText(m_dir.filePath("segunda.ovt"));
        datos.setUrls(urls);
        QCOMPARE(suelta(form, enPantalla, datos), abierta == "primera.ovt");
        QCOMPARE(form.windowTitle(), "Orvane ASCII Player - " + abierta);
        QCOMPARE(recientesVisibles(form).size(), abierta == "primera.ovt" ? 2 : 1);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("ruta");
        const QString existe = writeFile(m_dir, "con espacio.ovt", "x");
        const QString falta = m_dir.filePath("falta.ovt");
        QTest::newRow("nothing") << QStringList() << QString();
        QTest::newRow("quoted") << QStringList{'"' + existe + '"'} << existe;
        QTest::newRow("one character") << QStringList{"a"} << QString();
        QTest::newRow("unquoted path split by a shell") << existe.split(' ') << existe;
        QTest::newRow("unquoted missing file: first argument") << QStringList{falta, "b"} << falta;
        const QString url = QUrl::fromLocalFile(existe).toString(QUrl::FullyEncoded);
        QTest::newRow("file address") << QStringList{url} << existe;
    }
    void commandLine()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(QString, ruta);
        QCOMPARE(orv::player::rutaDeLineaDeComandos(argumentos), ruta);
    }

    // A name made on a Windows-1252 system (0xED alone is not UTF-8) opens
    // from the command line, as a file address and by a drop; it reads as
    // "mi película.ovt", and stays out of the recent files, whose settings
    // file could not hold it as it is.
    void nameThatIsNotUtf8Opens()
    {
        QTemporaryDir dir;
        const QByteArray bytes =
            fixtures::writeByName(dir, "mi pel\xed" "cula.ovt", pelicula(2, 1, 3, 100));
        const auto borra = qScopeGuard([&] { std::remove(bytes.constData()); });
        const QString nombre = orv::textFromNameBytes(bytes);
        QCOMPARE(orv::player::rutaDeLineaDeComandos(nombre.split(' ')), nombre);
        const QByteArray direccion = "file://" + bytes.toPercentEncoding("/");
        QCOMPARE(orv::player::rutaDeLineaDeComandos({QString::fromLatin1(direccion)}), nombre);

        Form1 form;
        form.abrePelicula(nombre, false);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - mi película.ovt"_s);
        QCOMPARE(cuadroEnPantalla(form), 0);
        QCOMPARE(campo(Form3(form.pelicula(), &form), 7),
                 QString::fromUtf8(QFile::encodeName(dir.path()) + "/mi película.ovt"));
        QVERIFY(recientesVisibles(form).isEmpty());
        QCOMPARE(ajuste("Recientes1"), QString());

        hijo(form, "menu_cerrar_pelicula")->trigger();
        QMimeData datos;
        datos.setUrls({QUrl::fromEncoded(direccion)});
        QVERIFY(suelta(form, false, datos));
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - mi película.ovt"_s);
        QVERIFY(m_guion->calls.isEmpty()); // no error on the way
    }

    // Ctrl+C is both "copy" in the display and the menu's "close movie".
    void ctrlCCopiesSelectionElseCloses()
    {
        // Windows-1252 "ñ€ABCD": two rows of three.
        const QByteArray cuadro = QByteArray("\xf1\x80") + "ABCD";
        const QByteArray bytes = fixtures::plainMovie("3,2,2,100,0,0,0,0,a,b", {cuadro, cuadro});
        Form1 form;
        activa(form);
        form.abrePelicula(writeFile(m_dir, "copia.ovt", bytes), false);
        form.reproducir_Click();
        form.pantalla()->setFocus();
        form.pantalla()->selecciona({0, 1}, {1, 2});
        QTest::keyClick(form.pantalla(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), u"€A\nBC"_s);
        QVERIFY(reproduce(form));
        form.pantalla()->selecciona({0, 0}, {0, 0});
        QTest::keyClick(form.pantalla(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player"_s);
        QVERIFY(!reproduce(form) && !hijo<QWidget>(form, "reproducir")->isEnabled());
        form.Timer1_Timer(); // a tick already queued brings no frame back
        QCOMPARE(cuadroEnPantalla(form), -1);
    }
};

QTEST_MAIN(TestPlayer)
#include "test_player.moc"
