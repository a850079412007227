// "Vista previa de la película..." in the Creator and the Converter: the
// movie in the viewer is, byte for byte, the movie saving writes from the
// same list; a failing build shows saving's message and writes nothing; the
// viewer steps, plays and tells which frame of how many is on screen.
#include "converter/form1.h"
#include "creator/form1.h"
#include "frame.h"
#include "pantalla.h"
#include "core/moviefixtures.h"
#include "moviereader.h"
#include "vistaprevia.h"
#include "widgettest.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

using orv::ui::ScriptedPrompt;
using orv::visor::VistaPrevia;
using namespace Qt::StringLiterals;

namespace {

// A picture of `ancho` × 24 pixels with a black bar at column `x`.
QString imagen(const QTemporaryDir& dir, const QString& nombre, int ancho, int x)
{
    QImage img(ancho, 24, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int y = 0; y < 24; ++y)
        img.setPixel(x, y, qRgb(0, 0, 0));
    const QString ruta = dir.filePath(nombre);
    img.save(ruta, "BMP");
    return ruta;
}

QByteArray lineaCabecera(const orv::Pelicula& p)
{
    return QByteArray::number(p.ancho) + ',' + QByteArray::number(p.alto) + ',' + QByteArray::number(p.pausa) + ',' +
           p.creador + ',' + p.masInfo;
}

struct Ventana
{
    std::unique_ptr<QMainWindow> w;
    std::function<void()> guarda;
};

// A fresh window of the kind named holding `rutas`, compression off.
Ventana ventana(const QString& tipo, const QStringList& rutas)
{
    if (tipo == u"creator") {
        auto* f = new orv::creator::Form1;
        f->List1_OLEDragDrop(rutas);
        f->findChild<QCheckBox*>(u"Check1"_s)->setChecked(false);
        return {std::unique_ptr<QMainWindow>(f), [f] { f->findChild<QPushButton*>(u"Command4"_s)->click(); }};
    }
    auto* f = new orv::converter::Form1;
    f->List1_OLEDragDrop(rutas);
    f->findChild<QLineEdit*>(u"ancho"_s)->setText(u"12"_s);
    f->findChild<QLineEdit*>(u"alto"_s)->setText(u"2"_s);
    f->findChild<QCheckBox*>(u"Check1"_s)->setChecked(false);
    return {std::unique_ptr<QMainWindow>(f), [f] { f->Command1_Click(); }};
}

QStringList mensajes(const ScriptedPrompt& g)
{
    QStringList m;
    for (const auto& c : g.calls)
        if (c.kind == ScriptedPrompt::Kind::Mensaje)
            m << c.titulo + u'|' + c.texto;
    return m;
}

} // namespace

class TestVistaPrevia : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QStringList m_bien, m_mal;

private slots:
    void initTestCase()
    {
        for (int i = 0; i < 3; ++i)
            m_bien << imagen(m_dir, u"bien%1.bmp"_s.arg(i), 24, 3 + i);
        m_mal << m_bien[0] << imagen(m_dir, u"ancha.bmp"_s, 30, 1);
    }

    void previewIsTheSavedMovie_data()
    {
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<bool>("falla");
        QTest::newRow("creator") << u"creator"_s << false;
        QTest::newRow("creator, sizes differ") << u"creator"_s << true;
        QTest::newRow("converter") << u"converter"_s << false;
        QTest::newRow("converter, no picture") << u"converter"_s << true;
    }
    void previewIsTheSavedMovie()
    {
        QFETCH(QString, tipo);
        QFETCH(bool, falla);
        QStringList rutas = falla ? m_mal : m_bien;
        if (tipo == u"converter") {
            rutas = {fixtures::writeFile(m_dir, u"fuente.txt"_s,
                           falla ? "1\r\nabc\r\n" : "2\r\n..#.........\r\n.#..........\r\n1\r\n#...........\r\n....#.......\r\n")};
        }
        const QString salida = m_dir.filePath(tipo + (falla ? u"-mal.ovt"_s : u"-bien.ovt"_s));
        Ventana v = ventana(tipo, rutas);

        widgettest::Guion guardando;
        guardando.archivos = {salida};
        v.guarda();
        const QStringList alGuardar = mensajes(guardando);
        const QStringList antes = QDir(m_dir.path()).entryList(QDir::Files);

        widgettest::Guion viendo;
        widgettest::hijo(*v.w, "menu_vista_previa")->trigger();
        auto* vista = v.w->findChild<VistaPrevia*>();
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), antes); // nothing written
        if (falla) {
            QVERIFY(!vista);
            QVERIFY(!QFile::exists(salida));
            QCOMPARE(mensajes(viendo).size(), 1);
            QCOMPARE(mensajes(viendo), alGuardar);
            return;
        }
        QVERIFY(vista);
        QVERIFY(mensajes(viendo).isEmpty());
        orv::Pelicula guardada;
        QVERIFY(orv::cargaPelicula(salida, guardada));
        const orv::Pelicula& vista1 = vista->pelicula();
        QCOMPARE(vista1.numCuadros, guardada.numCuadros);
        QCOMPARE(lineaCabecera(vista1), lineaCabecera(guardada));
        QCOMPARE(fixtures::frames(vista1), fixtures::frames(guardada));
    }

    // The viewer's controls over a three-frame movie: steps stop at the
    // ends, the slider and the label follow, play runs the clock.
    void viewerSteps()
    {
        Ventana v = ventana(u"creator"_s, m_bien);
        widgettest::Guion g;
        widgettest::hijo(*v.w, "menu_vista_previa")->trigger();
        auto* vista = v.w->findChild<VistaPrevia*>();
        QVERIFY(vista);
        auto* cuadro = vista->findChild<QLabel*>(u"cuadro"_s);
        auto* posicion = vista->findChild<QSlider*>(u"posicion"_s);
        QCOMPARE(vista->findChild<QLabel*>(u"tamano"_s)->text(), u"24 × 12 caracteres, 3 cuadros"_s);
        QCOMPARE(cuadro->text(), u"Cuadro 1 de 3"_s);
        vista->anterior_Click();
        QCOMPARE(vista->motor().cuadroActual(), 0);
        for (int i = 0; i < 3; ++i)
            vista->siguiente_Click();
        QCOMPARE(vista->motor().cuadroActual(), 2);
        QCOMPARE(cuadro->text(), u"Cuadro 3 de 3"_s);
        QCOMPARE(posicion->value(), 2);
        QCOMPARE(vista->pantalla()->texto().toLatin1(), orv::armaCuadro(vista->pelicula(), 2));
        posicion->setValue(1);
        QCOMPARE(cuadro->text(), u"Cuadro 2 de 3"_s);
        vista->reproducir_Click();
        QVERIFY(vista->motor().reproduciendo());
        QTRY_COMPARE(vista->motor().cuadroActual(), 0); // played to the end and stopped
        QVERIFY(!vista->motor().reproduciendo());
    }
};

QTEST_MAIN(TestVistaPrevia)
#include "test_vistaprevia.moc"
