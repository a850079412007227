// The Player's smaller pieces: the command line, the splash setting and the
// display's selection, copying and scrolling.
#include "commandline.h"
#include "form1.h"
#include "pantalla.h"
#include "playerfixtures.h"
#include "playersettings.h"
#include "runplayer.h"
#include "splash.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

using namespace playerfixtures;
using orv::player::Pantalla;

class TestPiezas : public QObject
{
    Q_OBJECT
public:
    static void initMain() { aislaAjustes(); }

private slots:
    void init() { limpiaAjustes(); }

    void commandLine_data();
    void commandLine();
    void splashSetting_data();
    void splashSetting();
    void startSkipsOrShowsSplash();
    void selectionAcrossRowsCopies();
    void mouseDragSelects();
    void newFrameKeepsScrollAndClampsSelection();
    void wideRowsScrollSideways();
    void emptyingClearsSelection();

private:
    QTemporaryDir m_dir;
};

void TestPiezas::commandLine_data()
{
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("ruta");
    const QString existente = escribe(m_dir, "con espacio.ovt", "x");
    const QString inexistente = m_dir.filePath("falta.ovt");
    QTest::newRow("nothing") << QStringList() << QString();
    QTest::newRow("quoted") << QStringList{'"' + existente + '"'} << existente;
    QTest::newRow("quoted, text around") << QStringList{"x\"/a/b.ovt\"", "y"} << "/a/b.ovt";
    QTest::newRow("one quote runs to the end") << QStringList{"\"/a/b.ovt"} << "/a/b.ovt";
    QTest::newRow("empty quotes") << QStringList{"\"\""} << QString();
    QTest::newRow("one character") << QStringList{"a"} << QString();
    QTest::newRow("plain path from a launcher") << QStringList{existente} << existente;
    QTest::newRow("unquoted path split by a shell")
        << existente.split(' ') << existente;
    QTest::newRow("unquoted missing file, first argument")
        << QStringList{inexistente, "otro"} << inexistente;
    QTest::newRow("file address")
        << QStringList{QUrl::fromLocalFile(existente).toString(QUrl::FullyEncoded)} << existente;
    QTest::newRow("relative") << QStringList{"peli.ovt"} << QDir::current().absoluteFilePath("peli.ovt");
}

void TestPiezas::commandLine()
{
    QFETCH(QStringList, argumentos);
    QFETCH(QString, ruta);
    QCOMPARE(orv::player::rutaDeLineaDeComandos(argumentos), ruta);
}

void TestPiezas::splashSetting_data()
{
    QTest::addColumn<QString>("valor");
    QTest::addColumn<bool>("oculta");
    QTest::newRow("missing") << QString() << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("2") << "2" << false;
    QTest::newRow("1.7 (whole part)") << "1.7" << true;
    QTest::newRow("letters") << "si" << false;
}

void TestPiezas::splashSetting()
{
    QFETCH(QString, valor);
    QFETCH(bool, oculta);
    if (!valor.isNull())
        ponAjuste("SplashScreen", valor);
    QCOMPARE(orv::player::ocultaSplash(), oculta);
}

void TestPiezas::startSkipsOrShowsSplash()
{
    const QString ruta = escribe(m_dir, "inicio.ovt", pelicula(2, 1, 3, 100));
    {
        ponAjuste("SplashScreen", "1");
        std::unique_ptr<orv::player::Form1> form1;
        QCOMPARE(orv::player::iniciaPlayer({}, form1), nullptr);
        QVERIFY(form1 && form1->isVisible());
        QCOMPARE(form1->windowTitle(), QStringLiteral("Orvane ASCII Player"));
    }
    ponAjuste("SplashScreen", "0");
    std::unique_ptr<orv::player::Form1> form1;
    QPointer<orv::ui::Splash> splash = orv::player::iniciaPlayer({'"' + ruta + '"'}, form1);
    QVERIFY(splash && splash->isVisible());
    QVERIFY(!form1);
    splash->entrega(); // the timer's tick or a click
    QVERIFY(form1 && form1->isVisible());
    QTRY_COMPARE(form1->windowTitle(), QStringLiteral("Orvane ASCII Player - inicio.ovt"));
    QTRY_VERIFY(!splash);
}

void TestPiezas::selectionAcrossRowsCopies()
{
    Pantalla pantalla;
    pantalla.setTexto("abcd\r\nefgh\r\nijkl");
    QCOMPARE(pantalla.filas(), 3);
    QVERIFY(!pantalla.haySeleccion());
    pantalla.selecciona({2, 2}, {0, 1}); // backwards works the same
    QCOMPARE(pantalla.textoSeleccionado(), QStringLiteral("bcd\nefgh\nij"));
    pantalla.copia();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("bcd\nefgh\nij"));
    pantalla.seleccionaTodo();
    QCOMPARE(pantalla.textoSeleccionado(), QStringLiteral("abcd\nefgh\nijkl"));
    // Windows-1252 bytes are decoded for copying.
    pantalla.setTexto("\xf1\x80");
    pantalla.seleccionaTodo();
    QCOMPARE(pantalla.textoSeleccionado(), QString::fromUtf8("ñ€"));
}

void TestPiezas::mouseDragSelects()
{
    Pantalla pantalla;
    pantalla.resize(300, 200);
    pantalla.setTexto("0123456789\r\n0123456789");
    pantalla.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pantalla));
    // The middle of a cell rounds to the boundary after it; aim at the
    // boundaries themselves.
    const QPoint desde = QPoint(3, 3) + QPoint(0, 2);
    const Pantalla::Posicion inicio = pantalla.posicionEn(desde);
    QCOMPARE(inicio.fila, 0);
    QCOMPARE(inicio.columna, 0);
    QWidget* vista = pantalla.viewport();
    QTest::mousePress(vista, Qt::LeftButton, Qt::NoModifier, desde);
    const QPoint hasta(290, 195); // past the end of the text
    QTest::mouseMove(vista, hasta);
    QTest::mouseRelease(vista, Qt::LeftButton, Qt::NoModifier, hasta);
    QCOMPARE(pantalla.textoSeleccionado(), QStringLiteral("0123456789\n0123456789"));
}

void TestPiezas::newFrameKeepsScrollAndClampsSelection()
{
    Pantalla pantalla;
    pantalla.resize(120, 80);
    QByteArray ancho;
    for (int fila = 0; fila < 40; ++fila)
        ancho += QByteArray(200, 'a' + fila % 26) + (fila < 39 ? "\r\n" : "");
    pantalla.setTexto(ancho);
    pantalla.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pantalla));
    pantalla.horizontalScrollBar()->setValue(50);
    pantalla.verticalScrollBar()->setValue(60);
    pantalla.selecciona({0, 2}, {30, 100});
    QByteArray otro = ancho;
    otro.replace('a', 'z');
    pantalla.setTexto(otro);
    QCOMPARE(pantalla.horizontalScrollBar()->value(), 50);
    QCOMPARE(pantalla.verticalScrollBar()->value(), 60);
    QVERIFY(pantalla.haySeleccion());
    pantalla.setTexto("corto\r\nx");
    QCOMPARE(pantalla.textoSeleccionado(), QStringLiteral("rto\nx"));
}

void TestPiezas::wideRowsScrollSideways()
{
    Pantalla pantalla;
    pantalla.resize(100, 100);
    pantalla.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pantalla));
    pantalla.setTexto(QByteArray(400, 'w') + "\r\n" + QByteArray(400, 'w'));
    QVERIFY(pantalla.horizontalScrollBar()->maximum() > 0);
    QCOMPARE(pantalla.filas(), 2); // not wrapped
    pantalla.setTexto("ok");
    QCOMPARE(pantalla.horizontalScrollBar()->maximum(), 0);
}

void TestPiezas::emptyingClearsSelection()
{
    Pantalla pantalla;
    pantalla.setTexto("abc");
    pantalla.seleccionaTodo();
    pantalla.setTexto({});
    QVERIFY(!pantalla.haySeleccion());
    QVERIFY(pantalla.texto().isEmpty());
    QCOMPARE(pantalla.filas(), 0);
    pantalla.copia(); // nothing to copy, nothing happens
}

QTEST_MAIN(TestPiezas)
#include "test_piezas.moc"
