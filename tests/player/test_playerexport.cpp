// The Player's "Exportar..." entry: when it can be used, and
// that it writes the kind the chosen name asks for in the display's own font
// and colours, with every failure told through the prompt.
#include "core/moviefixtures.h"
#include "form1.h"
#include "pantalla.h"
#include "playertest.h"
#include "readfile.h"
#include "render/gifleido.h"

#include <QDir>
#include <QTest>
#include <optional>

using orv::player::Form1;
using orv::ui::ScriptedPrompt;
using namespace playertest;


class TestPlayerExport : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<Guion> m_guion;
    QString m_pelicula;

public:
    static void initMain() { ajustesEnCarpetaTemporal(); }

private slots:
    void initTestCase()
    {
        m_pelicula = fixtures::writeFile(
            m_dir, "peli.ovt",
            fixtures::plainMovie("4,2,3,100,0,0,0,0,Autor,Info", {"#  #", "####", "#"}));
    }
    void init() { m_guion.emplace(); }
    void cleanup() { m_guion.reset(); }

    void entryOnlyWhileAMovieIsLoaded()
    {
        Form1 form;
        QVERIFY(!hijo(form, "menu_exportar")->isEnabled());
        form.abrePelicula(m_pelicula, false);
        QVERIFY(hijo(form, "menu_exportar")->isEnabled());
        hijo(form, "menu_cerrar_pelicula")->trigger();
        QVERIFY(!hijo(form, "menu_exportar")->isEnabled());
        form.abrePelicula(m_dir.filePath("missing.ovt"), false);
        QVERIFY(!hijo(form, "menu_exportar")->isEnabled());
    }

    // The kind follows the chosen name; a cancelled dialog writes nothing,
    // and a failure leaves no file behind.
    void writesTheKindAsked_data()
    {
        QTest::addColumn<QString>("nombre"); // "" cancels the dialog
        QTest::addColumn<QByteArray>("inicio");
        QTest::addColumn<int>("icono"); // of the message, -1 for none
        QTest::addColumn<QString>("texto");
        const QByteArray html("<!DOCTYPE html>");
        QTest::newRow("gif") << "a.gif" << QByteArray("GIF89a") << -1 << "";
        QTest::newRow("web page") << "a.html" << html << -1 << "";
        QTest::newRow("terminal recording") << "a.cast" << QByteArray("{\"height\":2,") << -1 << "";
        QTest::newRow("MP4 video") << "a.mp4" << QByteArray("\0\0\0", 3) << -1 << "";
        QTest::newRow("cancelled") << "" << QByteArray() << -1 << "";
        QTest::newRow("unknown kind")
            << "a.txt" << QByteArray() << int(orv::ui::Icono::Exclamacion)
            << "El nombre del archivo debe terminar en .gif, .html, .cast, .mp4 o .webm.\r\n";
        QTest::newRow("cannot be written")
            << "carpeta.gif" << QByteArray() << int(orv::ui::Icono::Critico)
            << "No se pudo exportar la película a\r\n";
    }
    void writesTheKindAsked()
    {
        QFETCH(QString, nombre);
        QFETCH(QByteArray, inicio);
        QFETCH(int, icono);
        QFETCH(QString, texto);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("carpeta.gif"));
        Form1 form;
        form.abrePelicula(m_pelicula, false);
        const QString ruta = nombre.isEmpty() ? QString() : dir.filePath(nombre);
        m_guion->archivos.append(ruta);
        hijo(form, "menu_exportar")->trigger();
        const auto dialogos = m_guion->of(ScriptedPrompt::Kind::GuardarArchivo);
        QCOMPARE(dialogos.size(), 1);
        QCOMPARE(dialogos.first().titulo, QString::fromUtf8("Exportar película"));
        // The movie's own name in its folder; the kind chosen adds the extension.
        QCOMPARE(dialogos.first().inicial, m_dir.filePath("peli"));
        const auto mensajes = m_guion->of(ScriptedPrompt::Kind::Mensaje);
        QCOMPARE(mensajes.size(), icono < 0 ? 0 : 1);
        if (icono >= 0) {
            QCOMPARE(int(mensajes.first().icono), icono);
            QCOMPARE(mensajes.first().titulo, QString::fromUtf8("Exportar película"));
            QVERIFY2(mensajes.first().texto.startsWith(texto + ruta),
                     qPrintable(mensajes.first().texto));
        }
        const QStringList escritos = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(escritos, inicio.isEmpty() ? QStringList() : QStringList{nombre});
        if (!inicio.isEmpty())
            QCOMPARE(readFile(ruta).left(inicio.size()), inicio);
    }

    void gifTakesTheDisplaysFontAndColours()
    {
        Form1 form;
        form.abrePelicula(m_pelicula, false);
        form.pantalla()->setColores(QColor(0x10, 0x20, 0x30), QColor(0xff, 0xee, 0x00));
        m_guion->archivos = {m_dir.filePath("ocho.gif"), m_dir.filePath("veinte.gif")};
        hijo(form, "menu_exportar")->trigger();
        hijo(form, "menu_fuente_tamano8")->trigger(); // 20 points
        hijo(form, "menu_exportar")->trigger();
        const Gif ocho = readGif(m_dir.filePath("ocho.gif"));
        const Gif veinte = readGif(m_dir.filePath("veinte.gif"));
        QVERIFY(ocho && veinte && ocho->SColorMap && ocho->SColorMap->ColorCount == 2);
        const GifColorType* c = ocho->SColorMap->Colors;
        QCOMPARE(QColor(c[0].Red, c[0].Green, c[0].Blue), QColor(0x10, 0x20, 0x30));
        QCOMPARE(QColor(c[1].Red, c[1].Green, c[1].Blue), QColor(0xff, 0xee, 0x00));
        QCOMPARE(ocho->ImageCount, 3);
        // 20 points against 8: cells well over twice as large either way.
        QVERIFY(veinte->SWidth > 2 * ocho->SWidth);
        QVERIFY(veinte->SHeight > 2 * ocho->SHeight);
    }
};

QTEST_MAIN(TestPlayerExport)
#include "test_playerexport.moc"
