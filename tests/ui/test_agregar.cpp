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

using orv::ui::Respuesta;
using orv::ui::ScopedPrompt;
using orv::ui::ScriptedPrompt;
using namespace Qt::StringLiterals;

namespace creator = orv::creator;
namespace converter = orv::converter;
namespace compactor = orv::compactor;

namespace {

// What a window shows after files came in: its list (or history, without
// its time lines) and every dialog it showed but the Open dialog.
struct Visto
{
    QStringList lista;
    QStringList dialogos;
    bool operator==(const Visto&) const = default;
};

QStringList dialogos(const ScriptedPrompt& guion)
{
    QStringList d;
    for (const auto& c : guion.calls)
        if (c.kind != ScriptedPrompt::Kind::AbrirArchivos)
            d << c.titulo + u'|' + c.texto;
    return d;
}

// Runs one way of adding (a drop, or the menu answering `rutas`) in a fresh
// window of the kind named, the message boxes answered by `respuestas`.
Visto agrega(const QString& ventana, bool porMenu, const QStringList& rutas, const QList<Respuesta>& respuestas,
             QString* tituloDialogo = nullptr)
{
    ScriptedPrompt guion;
    const ScopedPrompt instalado(guion);
    guion.respuestas = respuestas;
    guion.listas = {rutas};
    const auto porAccion = [&](QWidget& w) {
        w.findChild<QAction*>(u"menu_agregar"_s)->trigger();
        QCoreApplication::processEvents();
    };
    Visto v;
    if (ventana == u"creator") {
        creator::Form1 f;
        porMenu ? porAccion(f) : void(widgettest::suelta(f.lista()->viewport(), rutas));
        QCoreApplication::processEvents();
        v.lista = widgettest::textos(f.lista());
    } else if (ventana == u"converter") {
        converter::Form1 f;
        auto* lista = f.findChild<QListWidget*>(u"List1"_s);
        porMenu ? porAccion(f) : void(widgettest::suelta(lista->viewport(), rutas));
        QCoreApplication::processEvents(); // a drop is taken once it has returned
        v.lista = widgettest::textos(lista);
    } else {
        compactor::Form1 f;
        porMenu ? porAccion(f) : void(widgettest::suelta(f.findChild<QWidget*>(u"Frame1"_s), rutas));
        QCoreApplication::processEvents();
        (void)QTest::qWaitFor([&f] { return !f.ocupado(); }, 10000);
        v.lista = widgettest::sinHoras(widgettest::textos(f.findChild<QListWidget*>(u"List1"_s)));
    }
    v.dialogos = dialogos(guion);
    const auto abiertos = guion.of(ScriptedPrompt::Kind::AbrirArchivos);
    if (tituloDialogo && !abiertos.isEmpty())
        *tituloDialogo = abiertos.first().titulo + u'|' + abiertos.first().filtro;
    return v;
}

} // namespace

class TestAgregar : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<TempSettings> m_ajustes;

private slots:
    void init() { m_ajustes.emplace(); }
    void cleanup() { m_ajustes.reset(); }

    void sameAsADrop_data()
    {
        QTest::addColumn<QString>("ventana");
        QTest::addColumn<QStringList>("nombres");
        QTest::addColumn<QList<Respuesta>>("respuestas");
        QTest::addColumn<QString>("dialogo"); // the Open dialog's title and filter
        QTest::newRow("Creator: an image and an unexpected kind")
            << "creator" << QStringList{"a.bmp", "notas.txt", "b.gif"} << QList<Respuesta>{Respuesta::No}
            << "Agregar imágenes|Imágenes (*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.ico;*.cur)|"
               "*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.wmf;*.emf;*.ico;*.cur|Todos los archivos (*.*)|*.*";
        QTest::newRow("Converter: a source and a movie")
            << "converter" << QStringList{"f.txt", "p.ovt"} << QList<Respuesta>{}
            << "Agregar archivos|Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*";
        QTest::newRow("Compactor: a movie and something else")
            << "compactor" << QStringList{"m.ovt", "notas.txt"} << QList<Respuesta>{}
            << "Agregar películas|Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*";
    }
    void sameAsADrop()
    {
        QFETCH(QString, ventana);
        QFETCH(QStringList, nombres);
        QFETCH(QList<Respuesta>, respuestas);
        QFETCH(QString, dialogo);
        QStringList rutas;
        for (const QString& n : nombres)
            rutas << fixtures::writeFile(m_dir, n, fixtures::textMovie(3));
        const Visto soltado = agrega(ventana, false, rutas, respuestas);
        // The Compactor changed the movie: put it back for the second way.
        for (const QString& n : nombres)
            fixtures::writeFile(m_dir, n, fixtures::textMovie(3));
        QString titulo;
        const Visto elegido = agrega(ventana, true, rutas, respuestas, &titulo);
        QCOMPARE(titulo, dialogo);
        QVERIFY(!soltado.lista.isEmpty());
        QCOMPARE(elegido.lista, soltado.lista);
        QCOMPARE(elegido.dialogos, soltado.dialogos);
        // A cancelled dialog adds nothing.
        const Visto nada = agrega(ventana, true, {}, {});
        QVERIFY(nada.lista.isEmpty() && nada.dialogos.isEmpty());
    }

    void deleteKeyRemoves_data()
    {
        QTest::addColumn<QString>("ventana");
        QTest::newRow("creator") << "creator";
        QTest::newRow("converter") << "converter";
    }
    void deleteKeyRemoves()
    {
        QFETCH(QString, ventana);
        std::unique_ptr<QWidget> f = ventana == u"creator" ? std::unique_ptr<QWidget>(new creator::Form1)
                                                            : std::unique_ptr<QWidget>(new converter::Form1);
        auto* lista = f->findChild<QListWidget*>(u"List1"_s);
        lista->addItems({u"a"_s, u"b"_s, u"c"_s});
        lista->setCurrentRow(1);
        f->show();
        QApplication::setActiveWindow(f.get());
        lista->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        QTest::keyClick(lista, Qt::Key_Delete);
        QCOMPARE(widgettest::textos(lista), (QStringList{u"a"_s, u"c"_s}));
    }
};

QTEST_MAIN(TestAgregar)
#include "test_agregar.moc"
