// The main window's start-up, settings memory, layout, font and colours.
#include "form1.h"
#include "pantalla.h"
#include "playerfixtures.h"
#include "playersettings.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"

#include <QAction>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>

using namespace playerfixtures;
using orv::player::Form1;
using orv::ui::ScopedPrompt;
using orv::ui::ScriptedPrompt;

namespace {

// Gives the window an outer size in twips, as the user's dragging does.
void fijaExterior(Form1& form, int anchoTwips, int altoTwips)
{
    const QSize marco = form.frameGeometry().size() - form.size();
    form.resize(form.twipsAPixeles(anchoTwips) - marco.width(),
                form.twipsAPixeles(altoTwips) - marco.height());
}

// One pixel is 15 twips at 96 dpi; sizes in twips that fall between two
// pixels come out at the next pixel.
bool unPixel(int twips, int esperado)
{
    return twips >= esperado && twips < esperado + 15;
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT
public:
    static void initMain() { aislaAjustes(); }

private slots:
    void init() { limpiaAjustes(); }

    void firstRunDefaults();
    void startsWithNoMovie();
    void nonsenseSettingsGiveUsableWindow_data();
    void nonsenseSettingsGiveUsableWindow();
    void oversizedStoredWindowFitsTheScreen();
    void windowSizeIsRememberedInTwips();
    void shrinkingSnapsToMinimum();
    void maximizedKeepsNormalSize();
    void layoutFollowsWindowSize();
    void fontSizeMovesCheckAndIsStored_data();
    void fontSizeMovesCheckAndIsStored();
    void coloursAreAppliedAndStoredAsBgr();
    void cancelledColourDialogChangesNothing();
    void repeatIsRememberedAcrossStarts();
};

void TestForm1::firstRunDefaults()
{
    Form1 form;
    QCOMPARE(form.tamanoTwips(), QSize(6150, 5880));
    QCOMPARE(form.pantalla()->colorFondo(), QColor(Qt::white));
    QCOMPARE(form.pantalla()->colorLetras(), QColor(Qt::black));
    QCOMPARE(form.pantalla()->font().pointSizeF(), 8.0);
    QVERIFY(form.pantalla()->font().fixedPitch());
    QVERIFY(form.findChild<QAction*>("menu_fuente_tamano4")->isChecked());
    QVERIFY(!form.findChild<QAction*>("menu_repetir")->isChecked());
    QCOMPARE(form.reproInicial(), 0);
    QVERIFY(!form.findChild<QAction*>("separador")->isVisible());
    for (int i = 1; i <= 10; ++i)
        QVERIFY(!form.findChild<QAction*>(QStringLiteral("a_recientes%1").arg(i))->isVisible());

    QCOMPARE(ajuste("Ejecuciones"), QStringLiteral("1"));
    QCOMPARE(ajuste("TamanoFuente"), QStringLiteral("4"));
    QCOMPARE(ajuste("ColorFondo"), QStringLiteral("16777215"));
    QCOMPARE(ajuste("ColorLetras"), QStringLiteral("0"));
    QCOMPARE(ajuste("Repetir"), QStringLiteral("0"));
    QCOMPARE(ajuste("ReproIni"), QStringLiteral("0"));
    QCOMPARE(ajuste("NRecientes"), QStringLiteral("0"));
    QCOMPARE(ajuste("MRecientes"), QStringLiteral("10"));
    QCOMPARE(ajuste("VAncho"), QStringLiteral("6150"));
    QCOMPARE(ajuste("VAlto"), QStringLiteral("5880"));
    QCOMPARE(ajuste("VEstado"), QStringLiteral("0"));
}

void TestForm1::startsWithNoMovie()
{
    Form1 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvane ASCII Player"));
    QVERIFY(form.pantalla()->texto().isEmpty());
    for (const char* nombre : {"posicion", "rebobinar", "reproducir"})
        QVERIFY2(!form.findChild<QWidget*>(nombre)->isEnabled(), nombre);
    for (const char* nombre : {"menu_avanza", "menu_retrocede", "menu_rebobinar", "menu_reproducir",
                               "menu_cerrar_pelicula", "menu_propiedades"})
        QVERIFY2(!form.findChild<QAction*>(nombre)->isEnabled(), nombre);
    QVERIFY(form.findChild<QAction*>("menu_abrir")->isEnabled());
    QVERIFY(!form.findChild<QTimer*>("Timer1")->isActive());
    QVERIFY(form.findChild<QTimer*>("Timer1")->timerType() == Qt::PreciseTimer);
}

void TestForm1::nonsenseSettingsGiveUsableWindow_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("valor");
    QTest::newRow("font index 99") << "TamanoFuente" << "99";
    QTest::newRow("font index -1") << "TamanoFuente" << "-1";
    QTest::newRow("width abc") << "VAncho" << "abc";
    QTest::newRow("height negative") << "VAlto" << "-400";
    QTest::newRow("background abc") << "ColorFondo" << "abc";
    QTest::newRow("background too big") << "ColorFondo" << "16777216";
    QTest::newRow("letters negative") << "ColorLetras" << "-1";
    QTest::newRow("recent maximum 0") << "MRecientes" << "0";
    QTest::newRow("recent maximum 50") << "MRecientes" << "50";
    QTest::newRow("recent count 99") << "NRecientes" << "99";
    QTest::newRow("window state 7") << "VEstado" << "7";
}

void TestForm1::nonsenseSettingsGiveUsableWindow()
{
    QFETCH(QString, nombre);
    QFETCH(QString, valor);
    { Form1 primeraVez; } // store the defaults, as a real first run does
    ponAjuste(nombre, valor);
    ponAjuste("NRecientes", nombre == "NRecientes" ? valor : "0");

    Form1 form;
    QCOMPARE(form.pantalla()->font().pointSizeF(), 8.0);
    QVERIFY(form.findChild<QAction*>("menu_fuente_tamano4")->isChecked());
    QCOMPARE(form.tamanoTwips(), QSize(6150, 5880));
    QCOMPARE(form.windowState(), Qt::WindowNoState);
    QCOMPARE(form.pantalla()->colorFondo(), QColor(Qt::white));
    QCOMPARE(form.pantalla()->colorLetras(), QColor(Qt::black));
    const int m = orv::player::maximoRecientes();
    QCOMPARE(m, 10);
    QCOMPARE(ajuste("MRecientes"), QStringLiteral("10"));
    // A count beyond the ten entries shows the ten (all stored empty here).
    const bool muchas = nombre == "NRecientes";
    QCOMPARE(form.findChild<QAction*>("a_recientes10")->isVisible(), muchas);
    QCOMPARE(form.findChild<QAction*>("separador")->isVisible(), muchas);
}

void TestForm1::oversizedStoredWindowFitsTheScreen()
{
    { Form1 primeraVez; }
    ponAjuste("VAncho", "1000000000");
    ponAjuste("VAlto", "99999");
    Form1 form;
    const QSize disponible = form.screen()->availableGeometry().size();
    QVERIFY(form.width() <= disponible.width());
    QVERIFY(form.height() <= disponible.height());
    QVERIFY(form.width() >= form.twipsAPixeles(3150));
}

void TestForm1::windowSizeIsRememberedInTwips()
{
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        fijaExterior(form, 7500, 4500);
        QCOMPARE(ajuste("VAncho"), QStringLiteral("7500"));
        QCOMPARE(ajuste("VAlto"), QStringLiteral("4500"));
        QCOMPARE(ajuste("VEstado"), QStringLiteral("0"));
    }
    Form1 siguiente;
    QCOMPARE(siguiente.tamanoTwips(), QSize(7500, 4500));
}

void TestForm1::shrinkingSnapsToMinimum()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(20, 20);
    QVERIFY(unPixel(form.tamanoTwips().width(), 3150));
    QVERIFY(unPixel(form.tamanoTwips().height(), 1450));
    fijaExterior(form, 5010, 300);
    QCOMPARE(form.tamanoTwips().width(), 5010);
    QVERIFY(unPixel(form.tamanoTwips().height(), 1450));
    QCOMPARE(ajuste("VAlto"), QString::number(form.tamanoTwips().height()));
}

void TestForm1::maximizedKeepsNormalSize()
{
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        fijaExterior(form, 6000, 3990);
        form.showMaximized();
        QTRY_COMPARE(ajuste("VEstado"), QStringLiteral("2"));
        QCOMPARE(ajuste("VAncho"), QStringLiteral("6000"));
        QCOMPARE(ajuste("VAlto"), QStringLiteral("3990"));
    }
    Form1 siguiente;
    QVERIFY(siguiente.windowState() & Qt::WindowMaximized);
    siguiente.show();
    QVERIFY(QTest::qWaitForWindowExposed(&siguiente));
    siguiente.showNormal();
    QTRY_COMPARE(siguiente.tamanoTwips(), QSize(6000, 3990));
}

void TestForm1::layoutFollowsWindowSize()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* pantalla = form.findChild<QWidget*>("pantalla");
    auto* rebobinar = form.findChild<QWidget*>("rebobinar");
    auto* reproducir = form.findChild<QWidget*>("reproducir");
    auto* posicion = form.findChild<QWidget*>("posicion");
    const QWidget* cliente = pantalla->parentWidget();
    for (const QSize twips : {QSize(6150, 5880), QSize(9000, 3000), QSize(3150, 1450)}) {
        fijaExterior(form, twips.width(), twips.height());
        const QRect area = cliente->rect();
        // The display fills the top, the buttons and slider share the row
        // below it, and nothing leaves the window.
        QCOMPARE(pantalla->x(), 0);
        QCOMPARE(pantalla->y(), 0);
        QVERIFY(qAbs(pantalla->width() - area.width()) <= 2);
        QCOMPARE(rebobinar->size(), QSize(form.twipsAPixeles(555), form.twipsAPixeles(435)));
        QCOMPARE(reproducir->size(), rebobinar->size());
        QCOMPARE(rebobinar->y(), reproducir->y());
        QCOMPARE(posicion->y(), reproducir->y());
        QVERIFY(rebobinar->x() < reproducir->x() && reproducir->x() < posicion->x());
        QVERIFY(rebobinar->y() > pantalla->geometry().bottom());
        QVERIFY(area.contains(rebobinar->geometry()));
        QVERIFY(area.contains(posicion->geometry()));
        QVERIFY(posicion->geometry().right() >= area.right() - 3);
    }
}

void TestForm1::fontSizeMovesCheckAndIsStored_data()
{
    QTest::addColumn<int>("indice");
    QTest::addColumn<double>("puntos");
    QTest::newRow("smallest") << 0 << 4.0;
    QTest::newRow("10") << 5 << 10.0;
    QTest::newRow("largest") << 9 << 25.0;
}

void TestForm1::fontSizeMovesCheckAndIsStored()
{
    QFETCH(int, indice);
    QFETCH(double, puntos);
    {
        Form1 form;
        form.findChild<QAction*>(QStringLiteral("menu_fuente_tamano%1").arg(indice))->trigger();
        QCOMPARE(form.pantalla()->font().pointSizeF(), puntos);
        int marcadas = 0;
        for (int k = 0; k < 10; ++k)
            marcadas += form.findChild<QAction*>(QStringLiteral("menu_fuente_tamano%1").arg(k))->isChecked();
        QCOMPARE(marcadas, 1);
        QVERIFY(form.findChild<QAction*>(QStringLiteral("menu_fuente_tamano%1").arg(indice))->isChecked());
        QCOMPARE(ajuste("TamanoFuente"), QString::number(indice));
    }
    Form1 siguiente;
    QCOMPARE(siguiente.pantalla()->font().pointSizeF(), puntos);
}

void TestForm1::coloursAreAppliedAndStoredAsBgr()
{
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    guion.colores = {QColor(0x12, 0x34, 0x56), QColor(0xfe, 0xdc, 0xba)};
    {
        Form1 form;
        form.findChild<QAction*>("menu_color_fondo")->trigger();
        form.findChild<QAction*>("menu_color_letras")->trigger();
        QCOMPARE(form.pantalla()->colorFondo(), QColor(0x12, 0x34, 0x56));
        QCOMPARE(form.pantalla()->colorLetras(), QColor(0xfe, 0xdc, 0xba));
    }
    QCOMPARE(guion.calls.size(), 2);
    QCOMPARE(guion.calls[0].colorInicial, QColor(Qt::white));
    QCOMPARE(guion.calls[1].colorInicial, QColor(Qt::black));
    QCOMPARE(ajuste("ColorFondo"), QString::number(0x563412));
    QCOMPARE(ajuste("ColorLetras"), QString::number(0xbadcfe));
    Form1 siguiente;
    QCOMPARE(siguiente.pantalla()->colorFondo(), QColor(0x12, 0x34, 0x56));
    QCOMPARE(siguiente.pantalla()->colorLetras(), QColor(0xfe, 0xdc, 0xba));
}

void TestForm1::cancelledColourDialogChangesNothing()
{
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    Form1 form;
    form.findChild<QAction*>("menu_color_fondo")->trigger();
    QCOMPARE(guion.calls.size(), 1);
    QCOMPARE(form.pantalla()->colorFondo(), QColor(Qt::white));
    QCOMPARE(ajuste("ColorFondo"), QStringLiteral("16777215"));
}

void TestForm1::repeatIsRememberedAcrossStarts()
{
    {
        Form1 form;
        form.findChild<QAction*>("menu_repetir")->trigger();
        QVERIFY(form.findChild<QAction*>("menu_repetir")->isChecked());
        QVERIFY(form.motor().repetir());
    }
    QCOMPARE(ajuste("Repetir"), QStringLiteral("1"));
    Form1 siguiente;
    QVERIFY(siguiente.findChild<QAction*>("menu_repetir")->isChecked());
    siguiente.findChild<QAction*>("menu_repetir")->trigger();
    QVERIFY(!siguiente.motor().repetir());
    QCOMPARE(ajuste("Repetir"), QStringLiteral("0"));
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
