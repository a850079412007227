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
#include "moviescreen.h"
#include "filename.h"
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
QByteArray movie(int ancho, int alto, int cuadros, double pausa)
{
    std::vector<QByteArray> lines;
    for (int i = 0; i < cuadros; ++i)
        lines.push_back(QByteArray(qsizetype(ancho) * alto, char('A' + i % 26)));
    const QString header = u"%1,%2,%3,%4,0,0,0,0,Autor,Más datos"_s;
    return fixtures::plainMovie(orv::toCp1252(header.arg(ancho).arg(alto).arg(cuadros).arg(pausa)),
                                lines);
}

bool reproduce(const Form1& form)
{
    return child<QTimer>(form, "Timer1")->isActive();
}

// The frame on screen (frame i shows 'A' + i), -1 when there is none.
int frameOnScreen(const Form1& form)
{
    const QString text = form.pantalla()->text();
    return text.isEmpty() ? -1 : text.at(0).unicode() - 'A';
}

QStringList visibleRecent(const Form1& form)
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
bool dropOn(Form1& form, bool onScreen, const QMimeData& data)
{
    QObject* target = onScreen ? static_cast<QObject*>(form.pantalla()) : &form;
    auto deliver = [&](QEvent* e) {
        onScreen ? target->eventFilter(form.pantalla()->viewport(), e) : target->event(e);
    };
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    deliver(&enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    deliver(&drop);
    QCoreApplication::processEvents(); // the opening waits for the drop to return
    return enter.isAccepted();
}

void active(Form1& form)
{
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

constexpr int kStaysOpen = -1;

// Opens the preferences, types `text` as the speed, picks `option` and
// presses Ok. Answers the dialog's result, or kStaysOpen.
int acceptPreferences(Form1& form, const char* option, const QString& text)
{
    Form2 d(&form);
    d.show();
    child<QRadioButton>(d, "Option2")->click();
    child<QComboBox>(d, "velocidad")->setEditText(text);
    child<QRadioButton>(d, option)->click();
    child<QPushButton>(d, "Command1")->click();
    return d.isVisible() ? kStaysOpen : d.result();
}

QString field(const Form3& d, int i)
{
    const QString name = u"t%1"_s.arg(i);
    if (auto* line = d.findChild<QLineEdit*>(name))
        return line->text();
    return d.findChild<QPlainTextEdit*>(name)->toPlainText();
}

} // namespace

class TestPlayer : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<Script> m_script; // no test can leave a real dialog waiting

public:
    static void initMain() { settingsInScratchFolder(); }

private slots:
    void init()
    {
        store()->clear();
        m_script.emplace();
    }
    void cleanup()
    {
        m_script.reset();
        QLocale::setDefault(QLocale::c());
    }

    void nonsenseSettingsGiveUsableWindow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
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
        QFETCH(QString, name);
        QFETCH(QString, value);
        Form1{}; // stores the defaults, as a real first run does
        setSetting(name, value);
        Form1 form;
        QCOMPARE(form.pantalla()->font().pointSizeF(), 8.0);
        QCOMPARE(form.pantalla()->backgroundColour(), QColor(Qt::white));
        QCOMPARE(form.pantalla()->letterColour(), QColor(Qt::black));
        QCOMPARE(form.windowState(), Qt::WindowNoState);
        const int screenWidth = form.pixelsToTwips(form.screen()->availableGeometry().width());
        QCOMPARE(form.twipsSize(), QSize(value.startsWith("1000") ? screenWidth : 6150, 5880));
        QCOMPARE(setting("MRecientes"), u"10"_s);
        // A count beyond the ten entries shows the ten (all stored empty here).
        QCOMPARE(child(form, "a_recientes10")->isVisible(), name == "NRecientes");
    }

    // Dragged too small, the window snaps back to 3150 x 1450 twips. The
    // size it is left at (outer, in twips), the font size, the colours
    // (stored as 0x00BBGGRR) and repeat come back at the next start.
    void windowAndFormatChoicesAreRemembered()
    {
        m_script->colours = {QColor(0x12, 0x34, 0x56)};
        QSize left;
        {
            Form1 form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.resize(20, 20);
            QCOMPARE(form.frameGeometry().size(),
                     QSize(form.twipsToPixels(3150), form.twipsToPixels(1450)));
            form.resize(form.twipsToPixels(7500), form.twipsToPixels(4500));
            child(form, "menu_fuente_tamano9")->trigger();
            child(form, "menu_color_fondo")->trigger();
            child(form, "menu_repetir")->trigger();
            left = form.twipsSize();
        }
        QCOMPARE(setting("ColorFondo"), QString::number(0x563412));
        Form1 next;
        QCOMPARE(next.twipsSize(), left);
        QCOMPARE(next.pantalla()->font().pointSizeF(), 25.0);
        QVERIFY(child(next, "menu_fuente_tamano9")->isChecked());
        QCOMPARE(next.pantalla()->backgroundColour(), QColor(0x12, 0x34, 0x56));
        QVERIFY(next.engine().repeat() && child(next, "menu_repetir")->isChecked());
    }

    void splashSkipping_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("skips");
        QTest::newRow("missing") << QString() << false;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("1.7 (whole part)") << "1.7" << true;
    }
    // The main window shows at once or when the splash hands over, and the
    // movie on the command line opens in it.
    void splashSkipping()
    {
        QFETCH(QString, value);
        QFETCH(bool, skips);
        if (!value.isNull())
            setSetting("SplashScreen", value);
        const QString path = writeFile(m_dir, "inicio.ovt", movie(2, 1, 3, 100));
        std::unique_ptr<Form1> form1;
        QPointer<orv::ui::Splash> splash = orv::player::startPlayer({'"' + path + '"'}, form1);
        QCOMPARE(splash.isNull(), skips);
        QCOMPARE(form1 != nullptr, skips);
        if (splash)
            splash->deliver(); // the timer's tick or a click
        QVERIFY(form1 && form1->isVisible());
        QTRY_COMPARE(form1->windowTitle(), u"Orvane ASCII Player - inicio.ovt"_s);
        QTRY_VERIFY(!splash);
    }

    // A movie on the command line that cannot be read: its message comes once
    // the window is on screen, over it, and leaves the window without a movie.
    void commandLineFailureShowsOverTheWindow()
    {
        struct ExposureWitness : Script
        {
            QWidget* shownOver = nullptr;
            bool exposed = false;
            orv::ui::Answer message(QWidget* parent, const QString& text, const QString& title,
                                    orv::ui::Icon icon, orv::ui::Buttons buttons) override
            {
                shownOver = parent;
                const QWindow* window = parent ? parent->window()->windowHandle() : nullptr;
                exposed = window && window->isExposed() && parent->window()->isVisible();
                return Script::message(parent, text, title, icon, buttons);
            }
        } witness;
        setSetting("SplashScreen", "1");
        const QString bad = writeFile(m_dir, "mala.ovt", "3,3,5,100,0,0,0,0,a,b\r\nAAA\r\n");
        std::unique_ptr<Form1> form1;
        orv::player::startPlayer({'"' + bad + '"'}, form1);
        QVERIFY(form1);
        QTRY_COMPARE(witness.calls.size(), 1);
        QCOMPARE(witness.calls[0].text, orv::movieErrorMessage());
        QCOMPARE(witness.shownOver, form1.get());
        QVERIFY(witness.exposed);
        QCOMPARE(form1->windowTitle(), u"Orvane ASCII Player"_s);
        QCOMPARE(setting("NRecientes"), u"0"_s);
    }

    void invalidSpeedKeepsPreferencesOpen_data()
    {
        QTest::addColumn<QString>("velocidad");
        QTest::addColumn<QString>("message");
        const QString notANumber = u"La velocidad de reproducción debe ser un número, utilice una "
                                   "coma ',' como separador decimal en caso de requerirlo."_s;
        const QString notPositive = u"La velocidad de reproducción debe ser mayor a cero."_s;
        QTest::newRow("zero") << "0" << notPositive;
        // The point that could group thousands is refused, not guessed
        // (the parser has its own tests; this row tells the dialog uses it).
        QTest::newRow("point and three digits") << "1.000" << notANumber;
    }
    // Nothing is taken, not even the other choices.
    void invalidSpeedKeepsPreferencesOpen()
    {
        QFETCH(QString, velocidad);
        QFETCH(QString, message);
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(writeFile(m_dir, "cien.ovt", movie(1, 1, 5, 100))), false);
        QCOMPARE(acceptPreferences(form, "Option2", velocidad), kStaysOpen);
        QCOMPARE(m_script->calls.size(), 1);
        QCOMPARE(m_script->calls[0].text, message);
        QCOMPARE(m_script->calls[0].title, u"Velocidad de reproducción inválida"_s);
        QCOMPARE(m_script->calls[0].icon, orv::ui::Icon::Exclamation);
        QCOMPARE(form.velocidad(), 100.0);
        QCOMPARE(setting("SplashScreen"), QString());
    }

    // The Spanish way whatever the system's locale: a decimal comma (a
    // point also taken), shown back with a comma. The properties keep the
    // movie's own pause, and so does the first option whatever the speed box
    // holds.
    void replacementPauseLastsUntilTheNextMovie_data()
    {
        QTest::addColumn<QLocale>("system");
        QTest::addColumn<QString>("written");
        QTest::newRow("English, comma") << QLocale(QLocale::English, QLocale::UnitedStates) << "12,5";
        QTest::newRow("Spanish, comma") << QLocale(QLocale::Spanish, QLocale::Spain) << " 12,5 ";
    }
    void replacementPauseLastsUntilTheNextMovie()
    {
        QFETCH(QLocale, system);
        QFETCH(QString, written);
        QLocale::setDefault(system);
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(writeFile(m_dir, "cien.ovt", movie(1, 1, 5, 100))), false);
        form.reproducir_Click();
        QCOMPARE(acceptPreferences(form, "Option2", written), int(QDialog::Accepted));
        QCOMPARE(form.velocidad(), 12.5);
        QCOMPARE(child<QTimer>(form, "Timer1")->interval(), 12);
        QVERIFY(reproduce(form));
        Form2 other(&form);
        QVERIFY(child<QRadioButton>(other, "Option2")->isChecked());
        QCOMPARE(child<QComboBox>(other, "velocidad")->currentText(), u"12,5"_s);
        QCOMPARE(field(Form3(form.movie()), 2), u"100"_s);
        QCOMPARE(acceptPreferences(form, "Option1", "abc"), int(QDialog::Accepted));
        QCOMPARE(form.velocidad(), 100.0);
        QCOMPARE(acceptPreferences(form, "Option2", "1,000"), int(QDialog::Accepted));
        QCOMPARE(child<QTimer>(form, "Timer1")->interval(), 1); // a comma is never a thousands mark
        acceptPreferences(form, "Option2", "250");
        form.abrePelicula(orv::FileName::fromText(writeFile(m_dir, "otra.ovt", movie(1, 1, 5, 70))), false);
        QCOMPARE(child<QTimer>(form, "Timer1")->interval(), 70);
    }

    // The size and path are the compressed file's; numbers with a decimal
    // comma on an English system too.
    void propertiesOfCompressedMovie()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString path =
            fixtures::writeZip(m_dir, "comprimida.ovt", {{"interior.ovt", movie(3, 2, 4, 62.5)}});
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(path), false);
        const QString kb = QString::number(orv::sizeInKB(QFileInfo(path).size())).replace('.', ',');
        const QStringList expected{"3, 2", "62,5", "4", "Autor", "Más datos", kb, path};
        Form3 d(form.movie(), &form);
        for (int i = 1; i <= 7; ++i)
            QCOMPARE(field(d, i), expected[i - 1]);
        QCOMPARE(child<QRadioButton>(Form2(&form), "Option1")->text(),
                 u"Pausar cada cuadro por 62,5 milisegundos."_s);
    }

    // An encrypted movie asks for its password through an input box; left
    // empty, the movie is unreadable like any other.
    void encryptedMovieAsksForPassword()
    {
        const QString path = fixtures::writeZip(
            m_dir, "secreta.ovt",
            {{"secreta.ovt", movie(3, 2, 4, 100), fixtures::ZipEntry::Kind::File, false, "clave"}});
        Form1 form;
        m_script->inputs = {u"clave"_s, std::nullopt};
        form.abrePelicula(orv::FileName::fromText(path), false);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - secreta.ovt"_s);
        QCOMPARE(m_script->calls.first().text, u"Please Enter The Password!"_s);
        form.abrePelicula(orv::FileName::fromText(path), false);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player"_s);
        QCOMPARE(m_script->calls.last().title, u"Error en la película"_s);
    }

    // With autoplay on, a movie opens at its first frame and starts playing,
    // unless it has a single frame: then it can only be looked at.
    void openingWithAutoplay_data()
    {
        QTest::addColumn<int>("cuadros");
        QTest::addColumn<int>("space"); // between the slider's tick marks
        QTest::newRow("one frame") << 1 << 0;
        for (const auto& [cuadros, space] : {std::pair{99, 1}, {100, 2}, {200, 3}})
            QTest::addRow("%d frames", cuadros) << cuadros << space;
    }
    void openingWithAutoplay()
    {
        QFETCH(int, cuadros);
        QFETCH(int, space);
        setSetting("Ejecuciones", "1");
        setSetting("ReproIni", "1");
        const QString path = writeFile(m_dir, "marcas.ovt", movie(3, 2, cuadros, 100));
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(path), false);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - marcas.ovt"_s);
        QCOMPARE(form.pantalla()->text(), u"AAA\r\nAAA"_s);
        QCOMPARE(setting("Recientes1"), path);
        QVERIFY(child(form, "menu_propiedades")->isEnabled());
        const bool several = cuadros > 1;
        QCOMPARE(reproduce(form), several);
        for (const char* name : {"posicion", "rebobinar", "reproducir", "menu_avanza",
                                 "menu_retrocede", "menu_rebobinar", "menu_reproducir"})
            QCOMPARE(child<QObject>(form, name)->property("enabled").toBool(), several);
        auto* posicion = child<QSlider>(form, "posicion");
        if (several) {
            QCOMPARE(posicion->maximum(), cuadros - 1);
            QCOMPARE(posicion->tickInterval(), space);
        }
        form.reproducir_Click(); // what F2 does: stops, or with one frame starts nothing
        QVERIFY(!reproduce(form));
    }

    // The keys and the slider move through the frames, and the tick at the
    // last frame goes back to the first one, stopping unless repeat is on.
    void playingThroughTheWindow_data()
    {
        QTest::addColumn<bool>("repeat");
        QTest::newRow("without repeat") << false;
        QTest::newRow("with repeat") << true;
    }
    void playingThroughTheWindow()
    {
        QFETCH(bool, repeat);
        Form1 form;
        active(form);
        if (repeat)
            child(form, "menu_repetir")->trigger();
        form.abrePelicula(orv::FileName::fromText(writeFile(m_dir, "tres.ovt", movie(2, 1, 3, 100))), false);
        auto* posicion = child<QSlider>(form, "posicion");
        QTest::keyClick(&form, Qt::Key_F4);
        QCOMPARE(frameOnScreen(form), 1);
        posicion->setValue(2); // the user drags the slider
        QCOMPARE(frameOnScreen(form), 2);
        QTest::keyClick(&form, Qt::Key_F3);
        QCOMPARE(posicion->value(), 1);
        QTest::keyClick(&form, Qt::Key_F2);
        form.Timer1_Timer();
        QCOMPARE(posicion->value(), 2);
        form.Timer1_Timer();
        QCOMPARE(frameOnScreen(form), 0);
        QCOMPARE(posicion->value(), 0);
        QCOMPARE(reproduce(form), repeat);
    }

    // A playing movie is closed, the loader's one message shows, and the
    // failed path never enters the recent list.
    void unreadableMovieFromEverySource_data()
    {
        QTest::addColumn<QString>("source");
        for (const char* source : {"open dialog", "recent entry whose file has gone",
                                 "drop on the window", "drop on the display"})
            QTest::newRow(source) << QString::fromLatin1(source);
    }
    void unreadableMovieFromEverySource()
    {
        QFETCH(QString, source);
        const QString bad = writeFile(m_dir, "mala.ovt", "3,3,5,100,0,0,0,0,a,b\r\nAAAAAAAAA\r\n");
        const QString good = writeFile(m_dir, "buena.ovt", movie(1, 1, 3, 100));
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(good), false);
        form.reproducir_Click();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(bad)});
        if (source == "open dialog") {
            m_script->files << bad;
            child(form, "menu_abrir")->trigger();
        } else if (source.startsWith("recent")) {
            QVERIFY(QFile::remove(good));
            child(form, "a_recientes1")->trigger();
        } else {
            QVERIFY(dropOn(form, source.endsWith("display"), data));
        }
        const QList<Script::Call> messages = m_script->of(Script::Kind::Message);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, orv::movieErrorMessage());
        QCOMPARE(messages[0].title, orv::movieErrorTitle());
        QCOMPARE(messages[0].icon, orv::ui::Icon::Critical);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player"_s);
        QCOMPARE(frameOnScreen(form), -1);
        QVERIFY(!reproduce(form) && !child(form, "menu_propiedades")->isEnabled());
        QCOMPARE(setting("NRecientes"), u"1"_s);
        QCOMPARE(setting("Recientes1"), good);
    }

    // Reopened from the list, a movie keeps its place; through the Open
    // dialog it is added again, as the list records openings, not files.
    void reopeningFromTheListOrTheDialog()
    {
        const QString compressed =
            fixtures::writeZip(m_dir, "zip.ovt", {{"dentro.ovt", movie(3, 2, 4, 100)}});
        const QString plain = writeFile(m_dir, "plana.ovt", movie(3, 2, 2, 100));
        m_script->files << plain;
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(compressed), false);
        form.abrePelicula(orv::FileName::fromText(plain), false);
        child(form, "a_recientes2")->trigger();
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - zip.ovt"_s);
        QCOMPARE(child<QSlider>(form, "posicion")->maximum(), 3);
        QCOMPARE(setting("Recientes1"), plain);
        QCOMPARE(setting("Recientes2"), compressed);
        child(form, "menu_abrir")->trigger();
        child(form, "menu_abrir")->trigger(); // cancelled
        QCOMPARE(m_script->calls.size(), 2);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - plana.ovt"_s);
        QCOMPARE(setting("NRecientes"), u"3"_s);
        QCOMPARE(setting("Recientes2"), plain);
    }

    // Eight entries, the maximum lowered to three in the preferences: three
    // show at once, and the entries past them stay stored. Captions of 41
    // characters or more are cut, ampersands doubled.
    void loweredMaximumAndCaptions()
    {
        const QString forty = "/" + QString(35, 'c') + ".ovt";
        const QString fortyOne = "/x" + QString(35, 'c') + ".ovt";
        setSetting("Ejecuciones", "1");
        setSetting("NRecientes", "8");
        const QStringList paths{forty, fortyOne, "/a&b.ovt", "/4", "/5", "/6", "/7", "/8"};
        for (int j = 1; j <= 8; ++j)
            setSetting(u"Recientes%1"_s.arg(j), paths[j - 1]);
        Form1 form;
        QCOMPARE(visibleRecent(form).size(), 8);
        Form2 preferences(&form);
        child<QComboBox>(preferences, "Combo1")->setCurrentText("3");
        child<QPushButton>(preferences, "Command1")->click();
        QCOMPARE(visibleRecent(form),
                 QStringList({"&1 " + forty, "&2 ..." + fortyOne.right(36), "&3 /a&&b.ovt"}));
        form.abrePelicula(orv::FileName::fromText(writeFile(m_dir, "nueva.ovt", movie(1, 1, 2, 100))), false);
        QCOMPARE(visibleRecent(form).size(), 3);
        QCOMPARE(setting("NRecientes"), u"3"_s);
        QCOMPARE(setting("Recientes9"), u"/8"_s);
    }

    // Only the first file of a drop opens; a drop without files does
    // nothing, even one that arrives unannounced.
    void drop_data()
    {
        QTest::addColumn<bool>("onScreen");
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("open");
        const QList<QUrl> two{QUrl::fromLocalFile(m_dir.filePath("primera.ovt")),
                              QUrl::fromLocalFile(m_dir.filePath("segunda.ovt"))};
        QTest::newRow("two files on the window") << false << two << "primera.ovt";
        const QList<QUrl> remote{QUrl(u"https://a.org/a.ovt"_s)};
        QTest::newRow("text only") << true << QList<QUrl>() << "sigue.ovt";
    }
    void drop()
    {
        QFETCH(bool, onScreen);
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, open);
        for (const char* name : {"primera.ovt", "segunda.ovt", "sigue.ovt"})
            writeFile(m_dir, name, movie(1, 1, 2, 100));
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(m_dir.filePath("sigue.ovt")), false);
        QMimeData data;
        data.setText(m_dir.filePath("segunda.ovt"));
        data.setUrls(urls);
        QCOMPARE(dropOn(form, onScreen, data), open == "primera.ovt");
        QCOMPARE(form.windowTitle(), "Orvane ASCII Player - " + open);
        QCOMPARE(visibleRecent(form).size(), open == "primera.ovt" ? 2 : 1);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("path");
        const QString exists = writeFile(m_dir, "con espacio.ovt", "x");
        const QString missing = m_dir.filePath("falta.ovt");
        QTest::newRow("nothing") << QStringList() << QString();
        QTest::newRow("quoted") << QStringList{'"' + exists + '"'} << exists;
        QTest::newRow("one character") << QStringList{"a"} << QString();
        QTest::newRow("unquoted path split by a shell") << exists.split(' ') << exists;
        QTest::newRow("unquoted missing file: first argument")
            << QStringList{missing, "b"} << missing;
        const QString url = QUrl::fromLocalFile(exists).toString(QUrl::FullyEncoded);
        QTest::newRow("file address") << QStringList{url} << exists;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, path);
        QCOMPARE(orv::player::commandLinePath(arguments).escapedText(), path);
    }

    // A name made on a Windows-1252 system (0xED alone is not UTF-8) opens
    // from the command line, as a file address and by a drop; it reads as
    // "mi película.ovt", and stays out of the recent files, whose settings
    // file could not hold it as it is.
    void nameThatIsNotUtf8Opens()
    {
        QTemporaryDir dir;
        const QByteArray bytes = fixtures::writeByName(dir,
                                                       "mi pel\xed"
                                                       "cula.ovt",
                                                       movie(2, 1, 3, 100));
        const auto erase = qScopeGuard([&] { std::remove(bytes.constData()); });
        const QString name = orv::FileName::fromBytes(bytes).escapedText();
        QCOMPARE(orv::player::commandLinePath(name.split(' ')).bytes(), bytes);
        const QByteArray address = "file://" + bytes.toPercentEncoding("/");
        QCOMPARE(orv::player::commandLinePath({QString::fromLatin1(address)}).bytes(), bytes);

        Form1 form;
        form.abrePelicula(orv::FileName::fromText(name), false);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - mi película.ovt"_s);
        QCOMPARE(frameOnScreen(form), 0);
        QCOMPARE(field(Form3(form.movie(), &form), 7),
                 QString::fromUtf8(QFile::encodeName(dir.path()) + "/mi película.ovt"));
        QVERIFY(visibleRecent(form).isEmpty());
        QCOMPARE(setting("Recientes1"), QString());

        child(form, "menu_cerrar_pelicula")->trigger();
        QMimeData data;
        data.setUrls({QUrl::fromEncoded(address)});
        QVERIFY(dropOn(form, false, data));
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player - mi película.ovt"_s);
        QVERIFY(m_script->calls.isEmpty()); // no error on the way
    }

    // Ctrl+C is both "copy" in the display and the menu's "close movie".
    void ctrlCCopiesSelectionElseCloses()
    {
        // Windows-1252 "ñ€ABCD": two rows of three.
        const QByteArray frame = QByteArray("\xf1\x80") + "ABCD";
        const QByteArray bytes = fixtures::plainMovie("3,2,2,100,0,0,0,0,a,b", {frame, frame});
        Form1 form;
        active(form);
        form.abrePelicula(orv::FileName::fromText(writeFile(m_dir, "copia.ovt", bytes)), false);
        form.reproducir_Click();
        form.pantalla()->setFocus();
        form.pantalla()->select({0, 1}, {1, 2});
        QTest::keyClick(form.pantalla(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), u"€A\nBC"_s);
        QVERIFY(reproduce(form));
        form.pantalla()->select({0, 0}, {0, 0});
        QTest::keyClick(form.pantalla(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(form.windowTitle(), u"Orvane ASCII Player"_s);
        QVERIFY(!reproduce(form) && !child<QWidget>(form, "reproducir")->isEnabled());
        form.Timer1_Timer(); // a tick already queued brings no frame back
        QCOMPARE(frameOnScreen(form), -1);
    }
};

QTEST_MAIN(TestPlayer)
#include "test_player.moc"
