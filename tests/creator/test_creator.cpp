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

int tw(int twips)
{
    return int(std::lround(twips * 96 / 1440.0));
}

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

    // The check box is widened as far as its caption needs, and no further
    // than the button beside it.
    void compressCaptionFitsBesideGenerate()
    {
        Form1 f;
        QCOMPARE(f.logicalDpiX(), 96);
        auto* check = f.findChild<QWidget*>("Check1");
        QVERIFY(check);
        QCOMPARE(check->pos(), QPoint(tw(120), tw(4560)));
        QVERIFY(check->width() >= tw(3795));
        QVERIFY(check->geometry().right() < f.findChild<QWidget*>("Command4")->x());
        QCOMPARE(f.findChild<QWidget*>("Command4")->x(), tw(6420));
    }

    // A drop of three files, the second of an unlisted extension: its
    // question comes between the other two, and its answer decides it.
    // "Importar video...": the clip from the open dialog, the choices from
    // the import dialog (its preview following the width), then the save
    // dialog; the movie is the one orv create --video makes of the same
    // choices, byte for byte. A clip that cannot be read says so and
    // writes nothing.
    void importVideo_data()
    {
        QTest::addColumn<bool>("bueno");
        QTest::newRow("a clip") << true;
        QTest::newRow("not a clip") << false;
    }
    void importVideo()
    {
        QFETCH(bool, bueno);
        QList<QImage> cuadros;
        for (int k = 0; k < 4; ++k) {
            QImage img(48, 36, QImage::Format_Grayscale8);
            img.fill(k * 60);
            cuadros << img;
        }
        const QString clip = m_dir.filePath(bueno ? u"c.mkv"_s : u"c.txt"_s);
        if (bueno)
            QVERIFY(videofixtures::escribeClip(clip, cuadros, videofixtures::Clase::GrisSinPerdida));
        else
        {
            QFile f(clip);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("no es un video") > 0);
        }
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
                return; // not a clip: no dialog opens
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
        if (!bueno) {
            QCOMPARE(mensajes.first().texto, u"El archivo no es un video que se pueda leer: "_s + clip);
            QVERIFY(vistaInicial.isNull());
            QCOMPARE(guion.of(ScriptedPrompt::Kind::GuardarArchivo).size(), 0);
            return;
        }
        QCOMPARE(vistaInicial.split(u'\n').size(), 60); // 160 columns at first
        QCOMPARE(vistaInicial.split(u'\n').first().size(), 160);
        QCOMPARE(vistaA32.split(u'\n').size(), 12);
        QCOMPARE(mensajes.first().texto, u"El archivo fué creado satisfactoriamente."_s);
        orv::video::OpcionesVideo o;
        o.columnas = 32;
        o.invertir = true;
        o.creador = u"Ana"_s;
        const QString esperada = m_dir.filePath(u"esperada.ovt"_s);
        QCOMPARE(orv::video::importaVideo(clip, esperada, o).estado, orv::video::EstadoVideo::Creada);
        QCOMPARE(readFile(salida + u".ovt"_s), readFile(esperada));
    }

    void drop_data()
    {
        QTest::addColumn<QStringList>("nombres");
        QTest::addColumn<QList<Respuesta>>("respuestas");
        QTest::addColumn<QStringList>("agregados");
        QTest::addColumn<QStringList>("preguntados");
        const QStringList tres{"a.bmp", "notas.txt", "c.gif"};
        const QStringList listadas{"a.bmp", "b.gif", "c.jpeg", "d.jpg", "e.dib",
                                   "f.wmf", "g.emf", "h.ico",  "i.cur"};
        QTest::newRow("Yes adds all three")
            << tres << QList<Respuesta>{Respuesta::Si} << tres << QStringList{"notas.txt"};
        QTest::newRow("every listed extension")
            << listadas << QList<Respuesta>{} << listadas << QStringList{};
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

    void dropWithoutFiles()
    {
        Form1 f;
        QMimeData datos;
        datos.setText(u"/fotos/a.bmp"_s);
        QDragEnterEvent entra(QPoint(10, 10), Qt::CopyAction, &datos, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(f.lista()->viewport(), &entra);
        QVERIFY(!entra.isAccepted());
        QDropEvent evento(QPointF(10, 10), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.lista()->viewport(), &evento);
        QCOMPARE(f.lista()->count(), 0);
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
        QTest::newRow("no Ruta") << dos << true << QString() << "peli.ovt"
                                 << QStringList{"guardar", "Error al comprimir la película"}
                                 << orv::ui::mensajeCompactorNoEncontrado() << Icono::Exclamacion
                                 << "peli.ovt";
        QTest::newRow("Compactor started")
            << dos << true << "/opt/orv/OrvCompactor"
            << "peli" << QStringList{"guardar"} << "" << Icono::Ninguno << "peli.ovt";
        QTest::newRow("save cancelled")
            << dos << false << QString() << "" << QStringList{"guardar", crear}
            << "Se produjo un problema al generar la película ASCII." << Icono::Critico << "";
        QTest::newRow("empty list does nothing")
            << QStringList{} << false << QString() << "peli" << QStringList{} << ""
            << Icono::Ninguno << "";
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

    // The dialog offers the name it last gave; a name that exists, as
    // written after the ".ovt" rule, is replaced only when the person says so.
    void replacingAskedAndNameRemembered()
    {
        QTemporaryDir dir;
        QFile previa(dir.filePath(u"peli.ovt"_s));
        QVERIFY(previa.open(QIODevice::WriteOnly) && previa.write("antes") == 5);
        previa.close();
        ScriptedPrompt& guion = *m_guion;
        guion.archivos << dir.filePath(u"peli"_s) << dir.filePath(u"peli"_s);
        guion.respuestas << Respuesta::No << Respuesta::Si;
        Form1 f;
        f.lista()->addItem(guardaImagen(dir, u"a.bmp"_s, 20, 24));
        f.findChild<QCheckBox*>(u"Check1"_s)->setChecked(false);
        for (int vez = 0; vez < 2; ++vez)
            f.findChild<QPushButton*>(u"Command4"_s)->click();
        const auto dialogos = guion.of(ScriptedPrompt::Kind::GuardarArchivo);
        QCOMPARE(dialogos.size(), 2);
        QCOMPARE(dialogos[1].inicial, dir.filePath(u"peli"_s));
        const auto mensajes = guion.of(ScriptedPrompt::Kind::Mensaje);
        QCOMPARE(mensajes.size(), 3);
        QCOMPARE(mensajes[0].texto, u"El archivo peli.ovt ya existe. ¿Desea reemplazarlo?"_s);
        QCOMPARE(mensajes[2].titulo, u"Proceso exitoso"_s);
        orv::Pelicula p;
        QVERIFY(orv::cargaPelicula(dir.filePath(u"peli.ovt"_s), p));
    }

    // Cancelling the progress leaves no file and says nothing.
    void cancelLeavesNoFile()
    {
        QTemporaryDir dir;
        ScriptedPrompt& guion = *m_guion;
        guion.archivos.append(dir.filePath(u"larga.ovt"_s));
        Form1 f;
        f.setEsperaProgreso(0);
        const QString a = guardaImagen(dir, u"a.bmp"_s, 20, 24);
        for (int i = 0; i < 200; ++i)
            f.lista()->addItem(a);
        f.findChild<QCheckBox*>(u"Check1"_s)->setChecked(false);
        bool visto = false;
        bool imagenVisible = false;
        auto* picture1 = f.findChild<QLabel*>(u"Picture1"_s);
        QTimer cancela;
        connect(&cancela, &QTimer::timeout, [&] {
            // The working picture shows the image being processed.
            imagenVisible =
                imagenVisible || (!picture1->isHidden() && picture1->size() == QSize(20, 24));
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) {
                    visto = true;
                    p->cancel();
                }
            }
        });
        cancela.start(0);
        f.findChild<QPushButton*>(u"Command4"_s)->click();
        QVERIFY(visto);
        QVERIFY(imagenVisible);
        QVERIFY(picture1->isHidden());
        QCOMPARE(guion.calls.size(), 1); // the save dialog only
        QVERIFY(QDir(dir.path()).entryList({u"*.ovt"_s}, QDir::Files).isEmpty());
    }

    // The preview: the picture at its own size plus its border, the window
    // 210 twips wider and 900 twips taller, "&Aceptar" at the bottom right.
    void previewSize_data()
    {
        QTest::addColumn<QSize>("imagen");
        QTest::newRow("40 x 30: narrower than its button and title") << QSize(40, 30);
        QTest::newRow("100 x 50") << QSize(100, 50);
        QTest::newRow("300 x 200") << QSize(300, 200);
    }
    void previewSize()
    {
        QFETCH(QSize, imagen);
        const QString ruta = guardaImagen(m_dir, u"vista.bmp"_s, imagen.width(), imagen.height());
        Ver ver;
        QVERIFY(ver.muestraVista(ruta));
        QCOMPARE(ver.windowTitle(), u"Vista previa"_s);
        auto* picture = ver.findChild<QLabel*>(u"Picture1"_s);
        QCOMPARE(picture->contentsRect().size(), imagen);
        const QSize justo = picture->size() + QSize(tw(210), tw(900));
        QCOMPARE(ver.tamanoExterior().height(), justo.height());
        QVERIFY(ver.tamanoExterior().width() >= justo.width());
        QCOMPARE(ver.tamanoExterior().width() == justo.width(), imagen.width() >= 300);
        auto* aceptar = ver.findChild<QPushButton*>(u"Command1"_s);
        QVERIFY(aceptar->x() >= picture->x());
        QVERIFY(ver.rect().contains(aceptar->geometry()));
        QVERIFY(ver.width() >= orv::ui::anchoMinimoParaTitulo(ver));
        QVERIFY(aceptar->geometry().top() > picture->geometry().bottom());
        QVERIFY(ver.windowFlags() & Qt::Tool);
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
