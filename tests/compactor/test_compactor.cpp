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
#include <QProcess>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <optional>

using orv::compactor::Form1;
using orv::ui::Icon;
using orv::ui::ScriptedPrompt;
using Q = QStringList;
using namespace widgettest;

namespace {

const QStringList kModes{"mAu", "mSc", "mSd", "mAn", "mFb"};

QString setting(const QString& name)
{
    return orv::leeValor(Form1::regProg() + name);
}
void setSetting(const QString& name, const QString& value)
{
    orv::guardaValor(Form1::regProg() + name, value);
}
QStringList settings(const QStringList& names)
{
    QStringList values;
    for (const QString& n : names)
        values << setting(n);
    return values;
}

QStringList history(const Form1& f)
{
    return texts(child<QListWidget>(f, "List1"));
}

// A drop, then the batch it left to run once the drop has returned.
bool dropAndProcess(QWidget* target, const QStringList& paths)
{
    const bool taken = dropFiles(target, paths);
    QCoreApplication::processEvents();
    return taken;
}

QString selectedMode(const Form1& f)
{
    for (const char* n : {"mauto", "mcomp", "mdesc", "manal"})
        if (child<QRadioButton>(f, n)->isChecked())
            return QString::fromLatin1(n);
    return QStringLiteral("none");
}

// Runs `action` and answers the text of the modal window it opened ("" when
// none), closing that window.
QString modalText(const std::function<void()>& action)
{
    QString seen;
    QTimer::singleShot(0, [&seen] {
        if (auto* d = qobject_cast<orv::compactor::Form2*>(QApplication::activeModalWidget())) {
            seen = d->windowTitle() + "|" + d->List1()->toPlainText();
            d->close();
        }
    });
    action();
    QCoreApplication::processEvents();
    return seen;
}

} // namespace

class TestCompactor : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<Script> m_script;

public:
    static void initMain()
    {
        static QTemporaryDir folder;
        qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    }

private slots:
    void init()
    {
        for (const QString& n : kModes + Q{"Ejecutado", "Ruta"})
            setSetting(n, QString());
        m_script.emplace();
    }
    void cleanup() { m_script.reset(); }

    void firstStartStoresTheDefaults()
    {
        Form1 f;
        QCOMPARE(settings(kModes + Q{"Ejecutado"}), (Q{"1", "0", "0", "0", "1", "1"}));
        QCOMPARE(orv::leeValor(orv::ui::compactorPathKey()),
                 QCoreApplication::applicationFilePath());
        QCOMPARE(f.minimumSize(), f.maximumSize()); // fixed size
        QVERIFY(!child<QAction>(f, "menu_verhistorial")->isEnabled());
        QVERIFY(child<QGroupBox>(f, "Frame3")->isEnabled() && history(f).isEmpty());
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
        for (int i = 0; i < kModes.size(); ++i)
            setSetting(kModes[i], stored[i]);
        setSetting("Ejecutado", "1");
        Form1 f;
        QCOMPARE(selectedMode(f), selected);
        QCOMPARE(child<QCheckBox>(f, "Check1")->isChecked(), force);
        QCOMPARE(settings(kModes), stored);
    }

    void clicksStoreTheMode()
    {
        Form1 f;
        child<QRadioButton>(f, "mdesc")->click();
        child<QCheckBox>(f, "Check1")->click();
        QCOMPARE(settings(kModes), (Q{"0", "0", "1", "0", "0"}));
        QCOMPARE(f.selectedMode(), orv::CompactionMode::DecompressOnly);
    }

    // The window asked to compress a movie that `orv compact` is compressing
    // (its scratch file is there) waits for it, and then finds the movie
    // compressed: compressed once, never an archive of an archive.
    void windowAndCommandLineTakeTurns()
    {
        QTemporaryDir dir;
        const QByteArray movie = fixtures::textMovie(8000);
        Form1 f;
        child<QRadioButton>(f, "mcomp")->click();
        for (int pair = 0; pair < 5; ++pair) {
            const QString path = fixtures::writeFile(dir, "m.ovt", movie);
            QProcess other;
            other.start(QStringLiteral(ORV_CLI_PATH), {"compact", "--mode", "compress", path});
            QVERIFY(other.waitForStarted());
            QVERIFY(QTest::qWaitFor([&] {
                return !QDir(dir.path()).entryList({"*.orvtmp*"}, QDir::Files | QDir::Hidden).isEmpty()
                       || other.state() != QProcess::Running;
            }));
            QVERIFY(f.processBatch({orv::FileName::fromText(path)}));
            QVERIFY(other.waitForFinished(60000));
            const QString said = QString::fromUtf8(other.readAllStandardOutput()) + history(f).join('\n');
            QCOMPARE(said.count(QStringLiteral("Comprimido: ")), 1);
            QCOMPARE(orv::readFirstZipMember(orv::FileName::fromText(path), 1 << 30, nullptr).value_or(QByteArray()),
                     movie);
        }
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
        const Q paths{fixtures::writeFile(dir, "a.ovt", fixtures::textMovie(3)),
                      fixtures::writeFile(dir, "b.txt", "x"), dir.filePath("carpeta")};
        QDir(dir.path()).mkdir("carpeta");
        Form1 f;
        child<QRadioButton>(f, qPrintable(mode))->click();
        QVERIFY(dropAndProcess(f.findChild<QWidget*>(target), paths));
        const Q first = mode == "manal" ? Q{"No está comprimido: "} : Q{"Comprimido: "};
        const Q expected{first[0] + paths[0], "No es OVT: " + paths[1],
                         "Error: Al abrir " + paths[2],
                         "3 archivo(s) analizado(s) y/o procesado(s)."};
        QCOMPARE(withoutTimes(history(f)), expected);
        QCOMPARE(history(f).size(), mode == "manal" ? 4 : 8);
        QVERIFY(child<QAction>(f, "menu_verhistorial")->isEnabled());
        QVERIFY(!child<QFrame>(f, "Frame1")->isHidden());
    }

    void busyWindowShowsTheFileAndRefusesDrops()
    {
        QTemporaryDir dir;
        const QString a = fixtures::writeFile(dir, "a.ovt", fixtures::textMovie(40));
        const QString b = fixtures::writeFile(dir, "b.ovt", fixtures::textMovie(40));
        Form1 f;
        f.show();
        struct Seen
        {
            bool hiddenFrame, waitVisible, options, menu, taken;
            QString file;
        };
        std::optional<Seen> seen;
        QTimer::singleShot(0, &f, [&] {
            seen = Seen{child<QFrame>(f, "Frame1")->isHidden(),
                        child<QLabel>(f, "Label2")->isVisible(),
                        child<QGroupBox>(f, "Frame3")->isEnabled(),
                        child<QAction>(f, "menu_verhistorial")->isEnabled(),
                        dropFiles(child<QLabel>(f, "Label1"), {b}),
                        child<QLabel>(f, "archivoEnCurso")->text()};
        });
        QVERIFY(f.processBatch({orv::FileName::fromText(a)}));
        QVERIFY(seen.has_value()); // the window ran its events during the batch
        QVERIFY(seen->hiddenFrame && seen->waitVisible && !seen->options && !seen->menu);
        QVERIFY(!seen->taken);
        QCOMPARE(seen->file, a);
        QCOMPARE(withoutTimes(history(f)),
                 (Q{"Comprimido: " + a, "1 archivo(s) analizado(s) y/o procesado(s)."}));
        QVERIFY(!readFile(b).startsWith("PK")); // the refused drop handled nothing
        QVERIFY(!child<QLabel>(f, "Label2")->isVisible());
    }

    // The viewer opens only once a batch has run; a second batch replaces the
    // history, and the viewer reloads it on each opening.
    void historyViewerAndASecondBatch()
    {
        QTemporaryDir dir;
        Form1 f;
        child<QRadioButton>(f, "manal")->click();
        QCOMPARE(modalText([&] { f.List1_DblClick(); }), QString());
        const QString a = fixtures::writeFile(dir, "a.ovt", fixtures::textMovie(2));
        dropAndProcess(child<QFrame>(f, "Frame1"), {a});
        const QString end = "1 archivo(s) analizado(s) y/o procesado(s).";
        QCOMPARE(modalText([&] { f.List1_DblClick(); }),
                 "Ver historial|No está comprimido: " + a + "\n" + end + "\n");
        const QString b = fixtures::writeFile(dir, "b.ovt", fixtures::textMovie(2));
        dropAndProcess(child<QLabel>(f, "Label1"), {b});
        QCOMPARE(history(f), (Q{"No está comprimido: " + b, end}));
        QCOMPARE(modalText([&] { child<QAction>(f, "menu_verhistorial")->trigger(); }),
                 "Ver historial|No está comprimido: " + b + "\n" + end + "\n");
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
        f.setStepFault([](orv::CompactionStep p) { return p != orv::CompactionStep::Build; });
        QVERIFY(dropFiles(child<QLabel>(f, "Label1"), {a, b}));
        QVERIFY(m_script->calls.isEmpty()); // nothing ran inside the drop
        QTimer save;
        save.setSingleShot(true);
        connect(&save, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        save.start(10000);
        QCOMPARE(QCoreApplication::exec(), 1);
        QCOMPARE(m_script->calls.size(), 1);
        QCOMPARE(m_script->calls[0].text, QString("Error"));
        QCOMPARE(m_script->calls[0].icon, Icon::None);
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
        // A name may hold a double quote: a file so named is taken whole.
        const QString quoted = fixtures::writeFile(m_dir, "una\"comilla.ovt", "x");
        QTest::newRow("a file named with a double quote") << Q{quoted} << quoted;
    }

    void commandLinePath()
    {
        QFETCH(Q, args);
        QFETCH(QString, path);
        QCOMPARE(orv::compactor::commandLinePath(args).value_or("-"), path);
    }

    void commandLineMessageTellsTheOutcome_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<QString>("text"); // %1 stands for the path
        const QString ok = "El archivo fué procesado satisfactoriamente.";
        QTest::newRow("plain movie, compressed") << "plain" << Icon::Information << ok;
        QTest::newRow("not a movie") << "txt" << Icon::Exclamation << "No es OVT: %1";
    }

    void commandLineMessageTellsTheOutcome()
    {
        QFETCH(QString, kind);
        QFETCH(Icon, icon);
        QFETCH(QString, text);
        // The stored mode is not applied to a command-line start.
        setSetting("Ejecutado", "1");
        setSetting("mAn", "1");
        setSetting("mAu", "0");
        QTemporaryDir dir(QDir::tempPath() + "/con espacios XXXXXX");
        const QByteArray movie = fixtures::textMovie(6);
        const QString path =
            fixtures::writeFile(dir, kind == "txt" ? "notas.txt" : "mi peli.ovt", movie);
        if (kind == "ro")
            QFile::setPermissions(path, QFileDevice::ReadOwner);
        std::unique_ptr<Form1> form1;
        QVERIFY(orv::compactor::startFromArguments(path.split(' '), form1));
        QVERIFY(!form1); // the window is never made
        QCOMPARE(m_script->calls.size(), 1);
        QCOMPARE(m_script->calls[0].title, QString("Orvane ASCII Compactor"));
        QCOMPARE(m_script->calls[0].icon, icon);
        QCOMPARE(m_script->calls[0].text, text.contains("%1") ? text.arg(path) : text);
        if (kind == "plain" || kind == "ro")
            QCOMPARE(orv::readFirstZipMember(orv::FileName::fromText(path), 1 << 20, nullptr).value_or(""), movie);
        else
            QCOMPARE(readFile(path), movie); // left exactly as it was
    }

};

QTEST_MAIN(TestCompactor)
#include "test_compactor.moc"
