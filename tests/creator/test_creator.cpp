// The Creator's window and preview: layout, drops, list editing, the
// generation as the window runs it, and the preview's size rule. Headless;
// dialogs are answered through the scripted prompt and settings live in a
// temporary folder.
#include "compactorlauncher.h"
#include "form1.h"
#include "moviereader.h"
#include "qtdialogs.h"
#include "readfile.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"
#include "settings.h"
#include "tempsettings.h"
#include "ver.h"
#include "videodialog.h"
#include "videofixtures.h"
#include "widgettest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QScrollBar>
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
using orv::ui::Answer;
using orv::ui::Icon;
using orv::ui::ScopedPrompt;
using orv::ui::ScriptedPrompt;
using widgettest::dropFiles;
using widgettest::texts;

namespace {

QString saveImage(const QTemporaryDir& dir, const QString& name, int w, int h,
                  QRgb color = qRgb(255, 255, 255))
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    for (int x = 0; x < w / 2; ++x)
        image.setPixel(x, 0, qRgb(0, 0, 0));
    const QString path = dir.filePath(name);
    if (!image.save(path, "bmp"))
        qFatal("cannot write a test picture");
    return path;
}

} // namespace

class TestCreator : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_dir;
    // Every test's dialogs go to a script, so none can wait for a person.
    std::optional<ScriptedPrompt> m_script;
    std::optional<ScopedPrompt> m_installed;

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QVERIFY(m_dir.isValid());
    }
    void init()
    {
        m_script.emplace();
        m_installed.emplace(*m_script);
    }
    void cleanup()
    {
        m_installed.reset();
        m_script.reset();
    }

    // "Importar video...": the clip from the open dialog, the choices from
    // the import dialog (its preview following the width), then the save
    // dialog; the movie is the one orv create --video makes of the same
    // choices, byte for byte.
    void importVideo()
    {
        QList<QImage> cuadros;
        for (int k = 0; k < 4; ++k) {
            QImage image(48, 36, QImage::Format_Grayscale8);
            image.fill(k * 60);
            cuadros << image;
        }
        const QString clip = m_dir.filePath(u"c.mkv"_s);
        QVERIFY(videofixtures::writeClip(clip, cuadros, videofixtures::Kind::LosslessGrey));
        const QString output = m_dir.filePath(u"v"_s);
        ScriptedPrompt& script = *m_script;
        script.files = {clip, output};
        Form1 f;
        f.findChild<QLineEdit*>(u"creador"_s)->setText(u"Ana"_s);
        f.findChild<QCheckBox*>(u"Check1"_s)->setChecked(false);
        QString initialView, viewAt32;
        bool wholeInView = false, refusedWhileWrong = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<VideoDialog*>(QApplication::activeModalWidget());
            if (!d)
                return QApplication::closeAllWindows(); // never leave the test waiting
            auto* view = d->findChild<QPlainTextEdit*>(u"vista"_s);
            // The preview is decoded off the window's thread.
            if (!QTest::qWaitFor([&] { return !view->toPlainText().isEmpty(); }))
                return d->reject();
            initialView = view->toPlainText();
            // The whole frame in the box, nothing to scroll to.
            QApplication::processEvents();
            wholeInView = view->horizontalScrollBar()->maximum() == 0 && view->verticalScrollBar()->maximum() == 0;
            // "Aceptar" waits for choices that make a movie.
            auto* from = d->findChild<QLineEdit*>(u"desde"_s);
            from->setText(u"uno"_s);
            d->updateView();
            refusedWhileWrong = !d->findChild<QPushButton*>(u"aceptar"_s)->isEnabled();
            from->setText(u"0"_s);
            d->findChild<QSpinBox*>(u"ancho"_s)->setValue(32);
            d->updateView();
            if (!QTest::qWaitFor([&] { return view->toPlainText().split(u'\n').size() == 12; }))
                return d->reject();
            viewAt32 = view->toPlainText();
            d->findChild<QCheckBox*>(u"invertir"_s)->setChecked(true);
            QTest::mouseClick(d->findChild<QPushButton*>(u"aceptar"_s), Qt::LeftButton);
        });
        f.findChild<QAction*>(u"menu_importar_video"_s)->trigger();
        const auto messages = script.of(ScriptedPrompt::Kind::Message);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().text, u"El archivo fué creado satisfactoriamente."_s);
        QVERIFY(wholeInView);
        QVERIFY(refusedWhileWrong);
        // The Save dialog offers the clip's name as a movie.
        QCOMPARE(script.of(ScriptedPrompt::Kind::SaveFile).first().initial, m_dir.filePath(u"c.ovt"_s));
        QCOMPARE(initialView.split(u'\n').size(), 60); // 160 columns at first
        QCOMPARE(initialView.split(u'\n').first().size(), 160);
        QCOMPARE(viewAt32.split(u'\n').size(), 12);
        orv::video::VideoOptions o;
        o.columns = 32;
        o.reverse = true;
        o.creador = u"Ana"_s;
        const QString expected = m_dir.filePath(u"esperada.ovt"_s);
        QCOMPARE(orv::video::importVideo(orv::FileName::fromText(clip), orv::FileName::fromText(expected), o).state, orv::video::VideoState::Created);
        QCOMPARE(readFile(output + u".ovt"_s), readFile(expected));
    }

    // A drop of three files, the second of an unlisted extension: its
    // question comes between the other two, and its answer decides it.
    void drop_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("asked");
        const QStringList three{"a.bmp", "notas.txt", "c.gif"};
        QTest::newRow("Yes adds all three")
            << three << QList<Answer>{Answer::Yes} << three << QStringList{"notas.txt"};
        QTest::newRow("upper case asks")
            << QStringList{"FOTO.JPG", "x.Bmp"} << QList<Answer>{Answer::Yes, Answer::No}
            << QStringList{"FOTO.JPG"} << QStringList{"FOTO.JPG", "x.Bmp"};
    }
    void drop()
    {
        QFETCH(QStringList, names);
        QFETCH(QList<Answer>, answers);
        QFETCH(QStringList, added);
        QFETCH(QStringList, asked);
        ScriptedPrompt& script = *m_script;
        script.answers = answers;
        Form1 f;
        QStringList paths;
        for (const QString& n : names)
            paths.append(u"/fotos/"_s + n);
        QVERIFY(dropFiles(f.list()->viewport(), paths));
        QStringList expected;
        for (const QString& n : added)
            expected.append(u"/fotos/"_s + n);
        QCOMPARE(texts(f.list()), expected);
        QCOMPARE(script.calls.size(), asked.size());
        for (int i = 0; i < asked.size(); ++i) {
            const auto& c = script.calls[i];
            QCOMPARE(c.title, u"Posible imágen inválida"_s);
            QCOMPARE(c.icon, Icon::None);
            QCOMPARE(c.buttons, orv::ui::Buttons::YesNo);
            QCOMPARE(c.text, u"La siguiente imágen, al parecer, tiene una extensión "
                             "no compatible con el programa: \r\n/fotos/"_s +
                                 asked[i] +
                                 u"\r\n\r\n¿Realmente desea agregar la imágen a la "
                                 "lista de imagenes de la película ASCII?"_s);
        }
    }

    // "Generar película..." from the window: every dialog it shows, in order,
    // the last message and what is left on disk.
    void generate_data()
    {
        QTest::addColumn<QStringList>("images"); // names of a.bmp, which exists
        QTest::addColumn<bool>("compress");
        QTest::addColumn<QString>("path");        // the Compactor's `Ruta`; null: none stored
        QTest::addColumn<QString>("chosen");      // the save dialog's answer; "" cancels
        QTest::addColumn<QStringList>("dialogs"); // kinds and titles, in order
        QTest::addColumn<QString>("text");        // of the last message
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<QString>("written"); // the movie left on disk, or ""
        const QStringList two{"a.bmp", "a.bmp"};
        const QString create = "Error al crear la película";
        QTest::newRow("done, no compression")
            << two << false << QString() << "peli" << QStringList{"guardar", "Proceso exitoso"}
            << "El archivo fué creado satisfactoriamente." << Icon::Information << "peli.ovt";
        QTest::newRow("Compactor started")
            << two << true << "/opt/orv/OrvCompactor"
            << "peli" << QStringList{"guardar"} << "" << Icon::None << "peli.ovt";
        QTest::newRow("save cancelled")
            << two << false << QString() << "" << QStringList{"guardar", create}
            << "Se produjo un problema al generar la película ASCII." << Icon::Critical << "";
    }
    void generate()
    {
        QFETCH(QStringList, images);
        QFETCH(bool, compress);
        QFETCH(QString, path);
        QFETCH(QString, chosen);
        QFETCH(QStringList, dialogs);
        QFETCH(QString, text);
        QFETCH(Icon, icon);
        QFETCH(QString, written);
        const TempSettings settings;
        if (!path.isNull())
            orv::guardaValor(orv::ui::compactorPathKey(), path);
        QStringList started;
        orv::ui::setProcessStarter([&](const QString& p, const QStringList& a) {
            started = QStringList{p} + a;
            return true;
        });
        QTemporaryDir dir;
        ScriptedPrompt& script = *m_script;
        script.files.append(chosen.isEmpty() ? QString() : dir.filePath(chosen));

        Form1 f;
        saveImage(dir, "a.bmp", 20, 24);
        for (const QString& n : images)
            widgettest::addFiles(f.list(), {dir.filePath(n)});
        f.findChild<QCheckBox*>("Check1")->setChecked(compress);
        f.findChild<QPushButton*>("Command4")->click();
        orv::ui::setProcessStarter({});

        QStringList seen;
        for (const auto& c : script.calls)
            seen.append(c.kind == ScriptedPrompt::Kind::SaveFile ? "guardar" : c.title);
        QCOMPARE(seen, dialogs);
        if (!text.isEmpty()) {
            QCOMPARE(script.calls.last().text, text);
            QCOMPARE(script.calls.last().icon, icon);
        }
        QStringList expectedStart;
        if (!path.isNull())
            expectedStart << path << dir.filePath(written);
        QCOMPARE(started, expectedStart);
        QStringList files = QDir(dir.path()).entryList({"*.ovt*"}, QDir::Files);
        QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList(written));
        if (!written.isEmpty()) {
            orv::Movie p;
            QVERIFY(orv::cargaPelicula(orv::FileName::fromText(dir.filePath(written)), p));
            QCOMPARE(p.numCuadros, 2);
            QCOMPARE(p.frame(0).toByteArray(), QByteArray(10, '.') + QByteArray(10 + 20 * 11, ' '));
        }
        QVERIFY(f.findChild<QLabel*>("Picture1")->isHidden());
    }

    // A double click shows the preview modally; with no selection, nothing;
    // an image that cannot be read gets a message instead and stays listed.
    void doubleClickShowsPreview()
    {
        ScriptedPrompt& script = *m_script;
        Form1 f;
        const QString broken = m_dir.filePath(u"rota.gif"_s);
        widgettest::addFiles(f.list(), {saveImage(m_dir, u"dc.bmp"_s, 40, 30), broken});
        // The title of the modal window a double click opens, closing it.
        const auto modal = [&f] {
            QString title;
            QTimer::singleShot(0, [&title] {
                if (QWidget* shown = QApplication::activeModalWidget()) {
                    title = shown->windowTitle();
                    shown->close();
                }
            });
            f.List1_DblClick();
            QCoreApplication::processEvents();
            return title;
        };
        QCOMPARE(modal(), QString()); // nothing selected
        f.list()->setCurrentRow(0);
        QCOMPARE(modal(), u"Vista previa"_s);
        QVERIFY(script.calls.isEmpty());
        f.list()->setCurrentRow(1);
        QCOMPARE(modal(), QString());
        QCOMPARE(script.calls.size(), 1);
        QCOMPARE(script.calls[0].title, u"Error al previsualizar la imágen"_s);
        QCOMPARE(script.calls[0].icon, Icon::Critical);
        QCOMPARE(script.calls[0].text, u"La siguiente imágen no es una imágen válida: \r\n"_s +
                                           broken +
                                           u"\r\n\r\nEs posible que se produzca un error al "
                                           "tratar de crear la película ASCII."_s);
        QCOMPARE(f.list()->count(), 2);
    }
};

QTEST_MAIN(TestCreator)
#include "test_creator.moc"
