// The Compactor's window and command line: first start and stored mode,
// batches from drops on either part of the drop box, the busy state, the
// history viewer, and the message of a command-line start. Headless;
// settings live in a temporary folder and dialogs go to the scripted prompt.
#include "commandline.h"
#include "compactorlauncher.h"
#include "core/moviefixtures.h"
#include "form1.h"
#include "form2.h"
#include "readfile.h"
#include "runcompactor.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"
#include "settings.h"
#include "widgettest.h"
#include "zipmember.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <optional>

using orv::compactor::Form1;
using orv::ui::Icono;
using orv::ui::ScriptedPrompt;
using Q = QStringList;
using namespace widgettest;

namespace {

const QStringList kModos{"mAu", "mSc", "mSd", "mAn", "mFb"};

QString ajuste(const QString& nombre) { return orv::leeValor(Form1::regProg() + nombre); }
void ponAjuste(const QString& nombre, const QString& valor) { orv::guardaValor(Form1::regProg() + nombre, valor); }
QStringList ajustes(const QStringList& nombres)
{
    QStringList valores;
    for (const QString& n : nombres)
        valores << ajuste(n);
    return valores;
}

QStringList historial(const Form1& f) { return textos(hijo<QListWidget>(f, "List1")); }

// A drop, then the batch it left to run once the drop has returned.
bool sueltaYProcesa(QWidget* destino, const QStringList& rutas)
{
    const bool tomada = suelta(destino, rutas);
    QCoreApplication::processEvents();
    return tomada;
}

QString seleccionado(const Form1& f)
{
    for (const char* n : {"mauto", "mcomp", "mdesc", "manal"})
        if (hijo<QRadioButton>(f, n)->isChecked())
            return QString::fromLatin1(n);
    return QStringLiteral("none");
}

// Runs `accion` and answers the text of the modal window it opened ("" when
// none), closing that window.
QString textoDelModal(const std::function<void()>& accion)
{
    QString visto;
    QTimer::singleShot(0, [&visto] {
        if (auto* d = qobject_cast<orv::compactor::Form2*>(QApplication::activeModalWidget())) {
            visto = d->windowTitle() + "|" + d->List1()->toPlainText();
            d->close();
        }
    });
    accion();
    QCoreApplication::processEvents();
    return visto;
}

} // namespace

class TestCompactor : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<Guion> m_guion;

public:
    static void initMain()
    {
        static QTemporaryDir carpeta;
        qputenv("XDG_CONFIG_HOME", carpeta.path().toLocal8Bit());
    }

private slots:
    void init()
    {
        for (const QString& n : kModos + Q{"Ejecutado", "Ruta"})
            ponAjuste(n, QString());
        m_guion.emplace();
    }
    void cleanup() { m_guion.reset(); }

    void firstStartStoresTheDefaults()
    {
        Form1 f;
        QCOMPARE(ajustes(kModos + Q{"Ejecutado"}), (Q{"1", "0", "0", "0", "1", "1"}));
        QCOMPARE(orv::leeValor(orv::rutaCompactorClave()), QCoreApplication::applicationFilePath());
        QCOMPARE(f.minimumSize(), f.maximumSize()); // fixed size
        QVERIFY(!hijo<QAction>(f, "menu_verhistorial")->isEnabled());
        QVERIFY(hijo<QGroupBox>(f, "Frame3")->isEnabled() && historial(f).isEmpty());
    }

    void storedValuesSurviveARestart_data()
    {
        QTest::addColumn<Q>("stored"); // mAu, mSc, mSd, mAn, mFb
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("force");
        QTest::newRow("compress only, no brute force") << Q{"0", "1", "0", "0", "0"} << "mcomp" << false;
        QTest::newRow("no mode stored as 1") << Q{"0", "0", "0", "0", "1"} << "none" << true;
        QTest::newRow("two stored as 1: the later wins") << Q{"1", "0", "1", "0", "1"} << "mdesc" << true;
    }

    void storedValuesSurviveARestart()
    {
        QFETCH(Q, stored);
        QFETCH(QString, selected);
        QFETCH(bool, force);
        for (int i = 0; i < kModos.size(); ++i)
            ponAjuste(kModos[i], stored[i]);
        ponAjuste("Ejecutado", "1");
        Form1 f;
        QCOMPARE(seleccionado(f), selected);
        QCOMPARE(hijo<QCheckBox>(f, "Check1")->isChecked(), force);
        QCOMPARE(ajustes(kModos), stored);
    }

    void clicksStoreTheMode()
    {
        Form1 f;
        hijo<QRadioButton>(f, "mdesc")->click();
        hijo<QCheckBox>(f, "Check1")->click();
        QCOMPARE(ajustes(kModos), (Q{"0", "0", "1", "0", "0"}));
        QCOMPARE(f.modoSeleccionado(), orv::ModoCompactacion::SoloDescomprimir);
    }

    void dropOnEitherPartRunsTheBatch_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("mode");
        QTest::newRow("on the frame, analyze") << "Frame1" << "manal";
        QTest::newRow("on the label, automatic") << "Label1" << "mauto";
    }

    void dropOnEitherPartRunsTheBatch()
    {
        QFETCH(QString, target);
        QFETCH(QString, mode);
        QTemporaryDir dir;
        const Q rutas{fixtures::writeFile(dir, "a.ovt", fixtures::textMovie(3)), fixtures::writeFile(dir, "b.txt", "x"),
                      dir.filePath("carpeta")};
        QDir(dir.path()).mkdir("carpeta");
        Form1 f;
        hijo<QRadioButton>(f, qPrintable(mode))->click();
        QVERIFY(sueltaYProcesa(f.findChild<QWidget*>(target), rutas));
        const Q primero = mode == "manal" ? Q{"No está comprimido: "} : Q{"Comprimido: "};
        const Q esperado{primero[0] + rutas[0], "No es OVT: " + rutas[1], "Error: Al abrir " + rutas[2],
                         "3 archivo(s) analizado(s) y/o procesado(s)."};
        QCOMPARE(sinHoras(historial(f)), esperado);
        QCOMPARE(historial(f).size(), mode == "manal" ? 4 : 8);
        QVERIFY(hijo<QAction>(f, "menu_verhistorial")->isEnabled());
        QVERIFY(!hijo<QFrame>(f, "Frame1")->isHidden());
    }

    void busyWindowShowsTheFileAndRefusesDrops()
    {
        QTemporaryDir dir;
        const QString a = fixtures::writeFile(dir, "a.ovt", fixtures::textMovie(40));
        const QString b = fixtures::writeFile(dir, "b.ovt", fixtures::textMovie(40));
        Form1 f;
        f.show();
        struct Visto { bool frameOculto, esperaVisible, opciones, menu, tomada; QString archivo; };
        std::optional<Visto> visto;
        QTimer::singleShot(0, &f, [&] {
            visto = Visto{hijo<QFrame>(f, "Frame1")->isHidden(), hijo<QLabel>(f, "Label2")->isVisible(),
                          hijo<QGroupBox>(f, "Frame3")->isEnabled(), hijo<QAction>(f, "menu_verhistorial")->isEnabled(),
                          suelta(hijo<QLabel>(f, "Label1"), {b}), hijo<QLabel>(f, "archivoEnCurso")->text()};
        });
        QVERIFY(f.procesaLote({a}));
        QVERIFY(visto.has_value()); // the window ran its events during the batch
        QVERIFY(visto->frameOculto && visto->esperaVisible && !visto->opciones && !visto->menu);
        QVERIFY(!visto->tomada);
        QCOMPARE(visto->archivo, a);
        QCOMPARE(sinHoras(historial(f)), (Q{"Comprimido: " + a, "1 archivo(s) analizado(s) y/o procesado(s)."}));
        QVERIFY(!readFile(b).startsWith("PK")); // the refused drop handled nothing
        QVERIFY(!hijo<QLabel>(f, "Label2")->isVisible());
    }

    // The viewer opens only once a batch has run; a second batch replaces the
    // history, and the viewer reloads it on each opening.
    void historyViewerAndASecondBatch()
    {
        QTemporaryDir dir;
        Form1 f;
        hijo<QRadioButton>(f, "manal")->click();
        QCOMPARE(textoDelModal([&] { f.List1_DblClick(); }), QString());
        const QString a = fixtures::writeFile(dir, "a.ovt", fixtures::textMovie(2));
        sueltaYProcesa(hijo<QFrame>(f, "Frame1"), {a});
        const QString fin = "1 archivo(s) analizado(s) y/o procesado(s).";
        QCOMPARE(textoDelModal([&] { f.List1_DblClick(); }), "Ver historial|No está comprimido: " + a + "\n" + fin + "\n");
        const QString b = fixtures::writeFile(dir, "b.ovt", fixtures::textMovie(2));
        sueltaYProcesa(hijo<QLabel>(f, "Label1"), {b});
        QCOMPARE(historial(f), (Q{"No está comprimido: " + b, fin}));
        QCOMPARE(textoDelModal([&] { hijo<QAction>(f, "menu_verhistorial")->trigger(); }),
                 "Ver historial|No está comprimido: " + b + "\n" + fin + "\n");
    }

    // A real drop whose archive build fails: "Error", the files as they
    // were, and the program ends with status 1 from its event loop, once
    // the drop has returned.
    void failedArchiveBuildEndsWithError()
    {
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(5);
        const QString a = fixtures::writeFile(dir, "a.ovt", movie);
        const QString b = fixtures::writeFile(dir, "b.ovt", movie);
        Form1 f;
        f.show();
        f.setFallaPaso([](orv::PasoCompactacion p) { return p != orv::PasoCompactacion::Construccion; });
        QVERIFY(suelta(hijo<QLabel>(f, "Label1"), {a, b}));
        QVERIFY(m_guion->calls.isEmpty()); // nothing ran inside the drop
        QTimer guarda;
        guarda.setSingleShot(true);
        connect(&guarda, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guarda.start(10000);
        QCOMPARE(QCoreApplication::exec(), 1);
        QCOMPARE(m_guion->calls.size(), 1);
        QCOMPARE(m_guion->calls[0].texto, QString("Error"));
        QCOMPARE(m_guion->calls[0].icono, Icono::Ninguno);
        QVERIFY(!f.isVisible());
        QCOMPARE(readFile(a), movie);
        QCOMPARE(readFile(b), movie); // no further files
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (Q{"a.ovt", "b.ovt"}));
    }

    void commandLinePath_data()
    {
        QTest::addColumn<Q>("args");
        QTest::addColumn<QString>("path"); // "-" for a start with the window
        QTest::newRow("no arguments") << Q{} << "-";
        QTest::newRow("a path with spaces, unquoted") << Q{"/tmp/mis", "pelis/una", "peli.ovt"} << "/tmp/mis pelis/una peli.ovt";
        QTest::newRow("text after a double quote is dropped") << Q{"/tmp/a.ovt\"", "/b"} << "/tmp/a.ovt";
    }

    void commandLinePath()
    {
        QFETCH(Q, args);
        QFETCH(QString, path);
        QCOMPARE(orv::compactor::rutaDeLineaDeComandos(args).value_or("-"), path);
    }

    void commandLineMessageTellsTheOutcome_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Icono>("icon");
        QTest::addColumn<QString>("text"); // %1 stands for the path
        const QString ok = "El archivo fué procesado satisfactoriamente.";
        QTest::newRow("plain movie, compressed") << "plain" << Icono::Informacion << ok;
        QTest::newRow("not a movie") << "txt" << Icono::Exclamacion << "No es OVT: %1";
    }

    void commandLineMessageTellsTheOutcome()
    {
        QFETCH(QString, kind);
        QFETCH(Icono, icon);
        QFETCH(QString, text);
        // The stored mode is not applied to a command-line start.
        ponAjuste("Ejecutado", "1");
        ponAjuste("mAn", "1");
        ponAjuste("mAu", "0");
        QTemporaryDir dir(QDir::tempPath() + "/con espacios XXXXXX");
        const QByteArray movie = fixtures::textMovie(6);
        const QString ruta = fixtures::writeFile(dir, kind == "txt" ? "notas.txt" : "mi peli.ovt", movie);
        if (kind == "ro")
            QFile::setPermissions(ruta, QFileDevice::ReadOwner);
        std::unique_ptr<Form1> form1;
        QVERIFY(orv::compactor::arrancaCompactor(ruta.split(' '), form1));
        QVERIFY(!form1); // the window is never made
        QCOMPARE(m_guion->calls.size(), 1);
        QCOMPARE(m_guion->calls[0].titulo, QString("Orvane ASCII Compactor"));
        QCOMPARE(m_guion->calls[0].icono, icon);
        QCOMPARE(m_guion->calls[0].texto, text.contains("%1") ? text.arg(ruta) : text);
        if (kind == "plain" || kind == "ro")
            QCOMPARE(orv::readFirstZipMember(ruta, 1 << 20, nullptr).value_or(""), movie);
        else
            QCOMPARE(readFile(ruta), movie); // left exactly as it was
    }

};

QTEST_MAIN(TestCompactor)
#include "test_compactor.moc"
