// The Player's "Exportar..." entry: when it can be used, and
// that it writes the kind the chosen name asks for in the display's own font
// and colours, with every failure told through the prompt.
#include "core/moviefixtures.h"
#include "compactorlauncher.h"
#include "form1.h"
#include "moviescreen.h"
#include "pictureexport/gifread.h"
#include "playertest.h"
#include "readfile.h"
#include "videofixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>
#include <optional>

using orv::player::Form1;
using orv::ui::ScriptedPrompt;
using namespace playertest;


class TestPlayerExport : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<Script> m_script;
    QString m_movie;

public:
    static void initMain() { settingsInScratchFolder(); }

private slots:
    void initTestCase()
    {
        m_movie = fixtures::writeFile(
            m_dir, "peli.ovt",
            fixtures::plainMovie("4,2,3,100,0,0,0,0,Autor,Info", {"#  #", "####", "#"}));
    }
    void init() { m_script.emplace(); }
    void cleanup() { m_script.reset(); }

    void entryOnlyWhileAMovieIsLoaded()
    {
        Form1 form;
        QVERIFY(!child(form, "menu_exportar")->isEnabled());
        form.abrePelicula(orv::FileName::fromText(m_movie), false);
        QVERIFY(child(form, "menu_exportar")->isEnabled());
        child(form, "menu_cerrar_pelicula")->trigger();
        QVERIFY(!child(form, "menu_exportar")->isEnabled());
        form.abrePelicula(orv::FileName::fromText(m_dir.filePath("missing.ovt")), false);
        QVERIFY(!child(form, "menu_exportar")->isEnabled());
        QVERIFY(!child(form, "menu_editar")->isEnabled());
    }

    // "Editar película" starts OrvEditor on the movie shown, and says so when
    // there is no OrvEditor beside the Player (as in this test's folder).
    void editStartsTheEditor()
    {
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(m_movie), false);
        QStringList started;
        orv::ui::setProcessStarter([&](const QString& program, const QStringList& arguments) {
            started = QStringList{program} + arguments;
            return true;
        });
        const auto restore = qScopeGuard([] { orv::ui::setProcessStarter({}); });
        child(form, "menu_editar")->trigger();
        const QString editor = orv::ui::suiteProgram(QStringLiteral("OrvEditor"), QStringLiteral("editor"));
        if (editor.isEmpty()) {
            QCOMPARE(m_script->calls.size(), 1);
            QCOMPARE(m_script->calls.first().text, QStringLiteral("No se encontró el programa OrvEditor."));
        } else {
            QCOMPARE(started, (QStringList{editor, QFileInfo(m_movie).absoluteFilePath()}));
        }
    }

    // The kind follows the chosen name; a cancelled dialog writes nothing,
    // and a failure leaves no file behind.
    void writesTheKindAsked_data()
    {
        QTest::addColumn<QString>("name"); // "" cancels the dialog
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<int>("icon"); // of the message, -1 for none
        QTest::addColumn<QString>("text");
        const QByteArray html("<!DOCTYPE html>");
        QTest::newRow("gif") << "a.gif" << QByteArray("GIF89a") << -1 << "";
        QTest::newRow("web page") << "a.html" << html << -1 << "";
        QTest::newRow("terminal recording") << "a.cast" << QByteArray("{\"height\":2,") << -1 << "";
        QTest::newRow("MP4 video") << "a.mp4" << QByteArray("\0\0\0", 3) << -1 << "";
        QTest::newRow("cancelled") << "" << QByteArray() << -1 << "";
        QTest::newRow("unknown kind")
            << "a.txt" << QByteArray() << int(orv::ui::Icon::Exclamation)
            << "El nombre del archivo debe terminar en .gif, .html, .cast, .mp4 o .webm.\r\n";
        QTest::newRow("cannot be written")
            << "carpeta.gif" << QByteArray() << int(orv::ui::Icon::Critical)
            << "No se pudo exportar la película a\r\n";
    }
    void writesTheKindAsked()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, start);
        QFETCH(int, icon);
        QFETCH(QString, text);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("carpeta.gif"));
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(m_movie), false);
        const QString path = name.isEmpty() ? QString() : dir.filePath(name);
        m_script->files.append(path);
        child(form, "menu_exportar")->trigger();
        const auto dialogs = m_script->of(ScriptedPrompt::Kind::SaveFile);
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.first().title, QString::fromUtf8("Exportar película"));
        // The movie's own name in its folder; the kind chosen adds the extension.
        QCOMPARE(dialogs.first().initial, m_dir.filePath("peli"));
        QList<ScriptedPrompt::Call> messages; // the video kinds' question about sound aside
        for (const ScriptedPrompt::Call& c : m_script->of(ScriptedPrompt::Kind::Message))
            if (c.icon != orv::ui::Icon::Question)
                messages << c;
        QCOMPARE(messages.size(), icon < 0 ? 0 : 1);
        if (icon >= 0) {
            QCOMPARE(int(messages.first().icon), icon);
            QCOMPARE(messages.first().title, QString::fromUtf8("Exportar película"));
            QVERIFY2(messages.first().text.startsWith(text + path),
                     qPrintable(messages.first().text));
        }
        const QStringList written = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(written, start.isEmpty() ? QStringList() : QStringList{name});
        if (!start.isEmpty())
            QCOMPARE(readFile(path).left(start.size()), start);
    }

    // A video export offers the sound of another file, from a moment of it.
    void videoWithSound()
    {
        QTemporaryDir dir;
        const QString tone = dir.filePath("tono.wav");
        QVERIFY(videofixtures::writeTone(tone, 2));
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(m_movie), false);
        m_script->files = {dir.filePath("con sonido.mp4"), tone};
        m_script->answers = {orv::ui::Answer::Yes};
        m_script->inputs = {QStringLiteral("0:01")};
        child(form, "menu_exportar")->trigger();
        QCOMPARE(m_script->of(ScriptedPrompt::Kind::OpenFile).first().title, QStringLiteral("Agregar sonido de..."));
        const auto v = videofixtures::readVideo(dir.filePath("con sonido.mp4"));
        QVERIFY(v);
        QCOMPARE(v->audioCodec, QStringLiteral("aac"));
        QVERIFY2(std::abs(v->audioMs - 300) <= 25, qPrintable(QString::number(v->audioMs))); // 3 frames of 100 ms
    }

    void gifTakesTheDisplaysFontAndColours()
    {
        Form1 form;
        form.abrePelicula(orv::FileName::fromText(m_movie), false);
        form.pantalla()->setColours(QColor(0x10, 0x20, 0x30), QColor(0xff, 0xee, 0x00));
        m_script->files = {m_dir.filePath("ocho.gif"), m_dir.filePath("veinte.gif")};
        child(form, "menu_exportar")->trigger();
        child(form, "menu_fuente_tamano8")->trigger(); // 20 points
        child(form, "menu_exportar")->trigger();
        const Gif eight = readGif(m_dir.filePath("ocho.gif"));
        const Gif twenty = readGif(m_dir.filePath("veinte.gif"));
        QVERIFY(eight && twenty && eight->SColorMap && eight->SColorMap->ColorCount == 2);
        const GifColorType* c = eight->SColorMap->Colors;
        QCOMPARE(QColor(c[0].Red, c[0].Green, c[0].Blue), QColor(0x10, 0x20, 0x30));
        QCOMPARE(QColor(c[1].Red, c[1].Green, c[1].Blue), QColor(0xff, 0xee, 0x00));
        QCOMPARE(eight->ImageCount, 3);
        // 20 points against 8: cells well over twice as large either way.
        QVERIFY(twenty->SWidth > 2 * eight->SWidth);
        QVERIFY(twenty->SHeight > 2 * eight->SHeight);
    }
};

QTEST_MAIN(TestPlayerExport)
#include "test_playerexport.moc"
