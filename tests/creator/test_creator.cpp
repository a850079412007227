// The Creator's window and preview: layout, drops, list editing, the
// generation as the window runs it, and the preview's size rule. Headless;
// dialogs are answered through the scripted prompt and settings live in a
// temporary folder.
#include "compactorlauncher.h"
#include "compactorstart.h"
#include "dialogovideo.h"
#include "form1.h"
#include "moviereader.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"
#include "settings.h"
#include "tempsettings.h"
#include "qtdialogs.h"
#include "ver.h"
#include "videofixtures.h"
#include "readfile.h"
#include "widgettest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <optional>

using namespace orv::creator;
using namespace Qt::StringLiterals;
using orv::ui::Icono;
using orv::ui::Respuesta;
using orv::ui::ScopedPrompt;
using orv::ui::ScriptedPrompt;
using widgettest::suelta;
using widgettest::textos;

namespace {

QString guardaImagen(const QTemporaryDir& dir, const QString& nombre, int w, int h,
                     QRgb color = qRgb(255, 255, 255))
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    for (int x = 0; x < w / 2; ++x)
        img.setPixel(x, 0, qRgb(0, 0, 0));
    const QString ruta = dir.filePath(nombre);
    if (!img.save(ruta, "bmp"))
        qFatal("cannot write a test picture");
    return ruta;
}

} // namespace

class TestCreator : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_dir;
    // Every test's dialogs go to a script, so none can wait for a person.
    std::optional<ScriptedPrompt> m_guion;
    std::optional<ScopedPrompt> m_instalado;

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QVERIFY(m_dir.isValid());
    }
    void init()
    {
        m_guion.emplace();
        m_instalado.emplace(*m_guion);
    }
    void cleanup()
    {
        m_instalado.reset();
        m_guion.reset();
    }

    // "Importar video...": the clip from the open dialog, the choices from
    // the import dialog (its preview following the width), then the save
    // dialog; the movie is the one orv create --video makes of the same
    // choices, byte for byte.
    void importVideo()
    {
        QList<QImage> cuadros;
        for (int k = 0; k < 4; ++k) {
            QImage img(48, 36, QImage::Format_Grayscale8);
            img.fill(k * 60);
            cuadros << img;
        }
        const QString clip = m_dir.filePath(u"c.mkv"_s);
        QVERIFY(videofixtures::escribeClip(clip, cuadros, videofixtures::Clase::GrisSinPerdida));
        const QString salida = m_dir.filePath(u"v"_s);
        ScriptedPrompt& guion = *m_guion;
        guion.archivos = {clip, salida};
        Form1 f;
        f.findChild<QLineEdit*>(u"creador"_s)->setText(u"Ana"_s);
        f.findChild<QCheckBox*>(u"Check1"_s)->setChecked(false);
        QString vistaInicial, vistaA32;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<DialogoVideo*>(QApplication::activeModalWidget());
            if (!d)
                return QApplication::closeAllWindows(); // never leave the test waiting
            auto* vista = d->findChild<QPlainTextEdit*>(u"vista"_s);
            vistaInicial = vista->toPlainText();
            d->findChild<QSpinBox*>(u"ancho"_s)->setValue(32);
            d->actualizaVista();
            vistaA32 = vista->toPlainText();
            d->findChild<QCheckBox*>(u"invertir"_s)->setChecked(true);
            QTest::mouseClick(d->findChild<QPushButton*>(u"aceptar"_s), Qt::LeftButton);
        });
        f.findChild<QAction*>(u"menu_importar_video"_s)->trigger();
        const auto mensajes = guion.of(ScriptedPrompt::Kind::Mensaje);
        QCOMPARE(mensajes.size(), 1);
        QCOMPARE(mensajes.first().texto, u"El archivo fué creado satisfactoriamente."_s);
        QCOMPARE(vistaInicial.split(u'\n').size(), 60); // 160 columns at first
        QCOMPARE(vistaInicial.split(u'\n').first().size(), 160);
        QCOMPARE(vistaA32.split(u'\n').size(), 12);
        orv::video::OpcionesVideo o;
        o.columnas = 32;
        o.invertir = true;
        o.creador = u"Ana"_s;
        const QString esperada = m_dir.filePath(u"esperada.ovt"_s);
        QCOMPARE(orv::video::importaVideo(clip, esperada, o).estado, orv::video::EstadoVideo::Creada);
        QCOMPARE(readFile(salida + u".ovt"_s), readFile(esperada));
    }

    // A drop of three files, the second of an unlisted extension: its
    // question comes between the other two, and its answer decides it.
    void drop_data()
    {
        QTest::addColumn<QStringList>("nombres");
        QTest::addColumn<QList<Respuesta>>("respuestas");
        QTest::addColumn<QStringList>("agregados");
        QTest::addColumn<QStringList>("preguntados");
        const QStringList tres{"a.bmp", "notas.txt", "c.gif"};
        QTest::newRow("Yes adds all three")
            << tres << QList<Respuesta>{Respuesta::Si} << tres << QStringList{"notas.txt"};
        QTest::newRow("upper case asks")
            << QStringList{"FOTO.JPG", "x.Bmp"} << QList<Respuesta>{Respuesta::Si, Respuesta::No}
            << QStringList{"FOTO.JPG"} << QStringList{"FOTO.JPG", "x.Bmp"};
    }
    void drop()
    {
        QFETCH(QStringList, nombres);
        QFETCH(QList<Respuesta>, respuestas);
        QFETCH(QStringList, agregados);
        QFETCH(QStringList, preguntados);
        ScriptedPrompt& guion = *m_guion;
        guion.respuestas = respuestas;
        Form1 f;
        QStringList rutas;
        for (const QString& n : nombres)
            rutas.append(u"/fotos/"_s + n);
        QVERIFY(suelta(f.lista()->viewport(), rutas));
        QStringList esperado;
        for (const QString& n : agregados)
            esperado.append(u"/fotos/"_s + n);
        QCOMPARE(textos(f.lista()), esperado);
        QCOMPARE(guion.calls.size(), preguntados.size());
        for (int i = 0; i < preguntados.size(); ++i) {
            const auto& c = guion.calls[i];
            QCOMPARE(c.titulo, u"Posible imágen inválida"_s);
            QCOMPARE(c.icono, Icono::Ninguno);
            QCOMPARE(c.botones, orv::ui::Botones::SiNo);
            QCOMPARE(c.texto, u"La siguiente imágen, al parecer, tiene una extensión "
                              "no compatible con el programa: \r\n/fotos/"_s +
                                  preguntados[i] +
                                  u"\r\n\r\n¿Realmente desea agregar la imágen a la "
                                  "lista de imagenes de la película ASCII?"_s);
        }
    }

    // "Generar película..." from the window: every dialog it shows, in order,
    // the last message and what is left on disk.
    void generate_data()
    {
        QTest::addColumn<QStringList>("imagenes"); // names of a.bmp, which exists
        QTest::addColumn<bool>("comprimir");
        QTest::addColumn<QString>("ruta");         // the Compactor's `Ruta`; null: none stored
        QTest::addColumn<QString>("elegido");      // the save dialog's answer; "" cancels
        QTest::addColumn<QStringList>("dialogos"); // kinds and titles, in order
        QTest::addColumn<QString>("texto");        // of the last message
        QTest::addColumn<Icono>("icono");
        QTest::addColumn<QString>("escrita"); // the movie left on disk, or ""
        const QStringList dos{"a.bmp", "a.bmp"};
        const QString crear = "Error al crear la película";
        QTest::newRow("done, no compression")
            << dos << false << QString() << "peli"
            << QStringList{"guardar", "Proceso exitoso"}
            << "El archivo fué creado satisfactoriamente." << Icono::Informacion << "peli.ovt";
        QTest::newRow("Compactor started")
            << dos << true << "/opt/orv/OrvCompactor"
            << "peli" << QStringList{"guardar"} << "" << Icono::Ninguno << "peli.ovt";
        QTest::newRow("save cancelled")
            << dos << false << QString() << "" << QStringList{"guardar", crear}
            << "Se produjo un problema al generar la película ASCII." << Icono::Critico << "";
    }
    void generate()
    {
        QFETCH(QStringList, imagenes);
        QFETCH(bool, comprimir);
        QFETCH(QString, ruta);
        QFETCH(QString, elegido);
        QFETCH(QStringList, dialogos);
        QFETCH(QString, texto);
        QFETCH(Icono, icono);
        QFETCH(QString, escrita);
        const TempSettings ajustes;
        if (!ruta.isNull())
            orv::guardaValor(orv::rutaCompactorClave(), ruta);
        QStringList arrancado;
        orv::setArrancaProceso([&](const QString& p, const QStringList& a) {
            arrancado = QStringList{p} + a;
            return true;
        });
        QTemporaryDir dir;
        ScriptedPrompt& guion = *m_guion;
        guion.archivos.append(elegido.isEmpty() ? QString() : dir.filePath(elegido));

        Form1 f;
        guardaImagen(dir, "a.bmp", 20, 24);
        for (const QString& n : imagenes)
            f.lista()->addItem(dir.filePath(n));
        f.findChild<QCheckBox*>("Check1")->setChecked(comprimir);
        f.findChild<QPushButton*>("Command4")->click();
        orv::setArrancaProceso({});

        QStringList vistos;
        for (const auto& c : guion.calls)
            vistos.append(c.kind == ScriptedPrompt::Kind::GuardarArchivo ? "guardar" : c.titulo);
        QCOMPARE(vistos, dialogos);
        if (!texto.isEmpty()) {
            QCOMPARE(guion.calls.last().texto, texto);
            QCOMPARE(guion.calls.last().icono, icono);
        }
        QStringList esperadoArranque;
        if (!ruta.isNull())
            esperadoArranque << ruta << dir.filePath(escrita);
        QCOMPARE(arrancado, esperadoArranque);
        QStringList archivos = QDir(dir.path()).entryList({"*.ovt*"}, QDir::Files);
        QCOMPARE(archivos, escrita.isEmpty() ? QStringList() : QStringList(escrita));
        if (!escrita.isEmpty()) {
            orv::Pelicula p;
            QVERIFY(orv::cargaPelicula(dir.filePath(escrita), p));
            QCOMPARE(p.numCuadros, 2);
            QCOMPARE(p.cuadro(0).toByteArray(),
                     QByteArray(10, '.') + QByteArray(10 + 20 * 11, ' '));
        }
        QVERIFY(f.findChild<QLabel*>("Picture1")->isHidden());
    }

    // A double click shows the preview modally; with no selection, nothing;
    // an image that cannot be read gets a message instead and stays listed.
    void doubleClickShowsPreview()
    {
        ScriptedPrompt& guion = *m_guion;
        Form1 f;
        const QString rota = m_dir.filePath(u"rota.gif"_s);
        f.lista()->addItems({guardaImagen(m_dir, u"dc.bmp"_s, 40, 30), rota});
        // The title of the modal window a double click opens, closing it.
        const auto modal = [&f] {
            QString titulo;
            QTimer::singleShot(0, [&titulo] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    titulo = modal->windowTitle();
                    modal->close();
                }
            });
            f.List1_DblClick();
            QCoreApplication::processEvents();
            return titulo;
        };
        QCOMPARE(modal(), QString()); // nothing selected
        f.lista()->setCurrentRow(0);
        QCOMPARE(modal(), u"Vista previa"_s);
        QVERIFY(guion.calls.isEmpty());
        f.lista()->setCurrentRow(1);
        QCOMPARE(modal(), QString());
        QCOMPARE(guion.calls.size(), 1);
        QCOMPARE(guion.calls[0].titulo, u"Error al previsualizar la imágen"_s);
        QCOMPARE(guion.calls[0].icono, Icono::Critico);
        QCOMPARE(guion.calls[0].texto, u"La siguiente imágen no es una imágen válida: \r\n"_s +
                                           rota +
                                           u"\r\n\r\nEs posible que se produzca un error al "
                                           "tratar de crear la película ASCII."_s);
        QCOMPARE(f.lista()->count(), 2);
    }
};

QTEST_MAIN(TestCreator)
#include "test_creator.moc"
