// The pieces the four programs share: classic filters, the message box, the
// splash window, the desktop files that hand movies to the Player, and the
// Compactor's start.
#include "compactorlauncher.h"
#include "dialogprompt.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"
#include "settings.h"
#include "splash.h"
#include "tempsettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace orv::ui;
using namespace Qt::StringLiterals;

namespace {

QString packagingFile(const char* name)
{
    QFile file(QStringLiteral(ORV_PACKAGING_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestUi : public QObject
{
    Q_OBJECT

private slots:
    // The same classic filter as Qt's filter string and as the file dialog's
    // entries, whose last bracketed group the dialog keeps out of sight.
    void classicFilters_data()
    {
        QTest::addColumn<QString>("classic");
        QTest::addColumn<QString>("qt");
        QTest::addColumn<QStringList>("dialog");
        // "*.*" lists every file only on Windows; elsewhere "*" does.
#ifdef Q_OS_WIN
        const QString qtAll = u"Todos los archivos (*.*)"_s, all = qtAll + u" (*.*)"_s;
#else
        const QString all = u"Todos los archivos (*.*) (*)"_s, qtAll = all;
#endif
        QTest::newRow("the Player's")
            << "Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"
            << "Orvane ASCII Movie (*.ovt);;" + qtAll
            << QStringList{"Orvane ASCII Movie (*.ovt) (*.ovt)", all};
        QTest::newRow("bare description")
            << "Imágenes|*.bmp;*.gif"
            << "Imágenes (*.bmp *.gif)" << QStringList{"Imágenes (*.bmp *.gif)"};
        QTest::newRow("not patterns") << "T (ASCII)|*.txt"
                                      << "T (ASCII) (*.txt)" << QStringList{"T (ASCII) (*.txt)"};
    }
    void classicFilters()
    {
        QFETCH(QString, classic);
        QFETCH(QString, qt);
        QFETCH(QStringList, dialog);
        QCOMPARE(qtFilter(classic), qt);
        QCOMPARE(dialogFilters(classic), dialog);
    }

    // The real box, built but never shown: line breaks, Spanish buttons, and
    // the answer each button gives.
    void messageBoxShowsLineBreaksAndSpanishButtons()
    {
        const auto box = makeMessageBox(nullptr, "Una línea\r\nOtra", "T", Icon::Question,
                                        Buttons::YesNoCancel);
        QCOMPARE(box->text(), u"Una línea\nOtra"_s);
        QStringList texts;
        for (QAbstractButton* b : box->buttons())
            texts.append(b->text());
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()), (QSet<QString>{"Cancelar", "No", "Sí"}));
        QCOMPARE(answerOf(*box, Buttons::YesNoCancel), Answer::Cancel); // closed without a click
        for (const auto& [text, answer] : {std::pair{u"Sí"_s, Answer::Yes}, {u"No"_s, Answer::No},
                                           {u"Cancelar"_s, Answer::Cancel}}) {
            box->buttons().value(texts.indexOf(text))->click();
            QCOMPARE(answerOf(*box, Buttons::YesNoCancel), answer);
        }
    }

    // The hand-over happens once: a tick or click already queued when the
    // splash hides must not show the main window again.
    void splashHandsOverOnce_data()
    {
        QTest::addColumn<bool>("click");
        QTest::newRow("timer") << false;
        QTest::newRow("click on the picture") << true;
    }
    void splashHandsOverOnce()
    {
        QFETCH(bool, click);
        int shown = 0;
        QPointer<Splash> splash = startWithSplash(Product::Player, false, [&] { ++shown; });
        auto* timer = splash->findChild<QTimer*>("splashTimer");
        auto* picture = splash->findChild<QWidget*>("Picture1");
        QVERIFY(timer && picture && timer->isActive() && splash->isVisible() && shown == 0);
        if (click)
            QTest::mouseClick(picture, Qt::LeftButton);
        else
            QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(shown, 1);
        QVERIFY(!splash->isVisible());
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QVERIFY(QMetaObject::invokeMethod(picture, "clicked"));
        QCOMPARE(shown, 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(splash.isNull());
    }

    // The file manager hands *.ovt files to the Player through the MIME type
    // both files name.
    void moviesOpenInThePlayer()
    {
        const QString mime = packagingFile("orvane-ascii.xml");
        QVERIFY(mime.contains(u"<mime-type type=\"application/x-orvane-movie\">"_s));
        QVERIFY(mime.contains(u"<glob pattern=\"*.ovt\"/>"_s));
        const QString entry = packagingFile("orvane-player.desktop");
        QVERIFY(entry.contains(u"\nMimeType=application/x-orvane-movie;"_s));
        QVERIFY(entry.contains(u"\nExec=OrvPlayer %f\n"_s));
    }

    // The Creator and the Converter start the Compactor through `Ruta`; a
    // value of two characters or fewer counts as missing, and then the
    // OrvCompactor beside the program is started, when there is one. A
    // program that does not start gets the second message, and the movie
    // path goes whole as one argument.
    void compactorStartFromPathSetting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("beside"); // an OrvCompactor beside the program
        QTest::addColumn<bool>("start");
        QTest::addColumn<int>("message"); // 0 none, 2 not found (not tried), 3 not responding
        QTest::newRow("missing") << QString() << false << true << 2;
        QTest::newRow("missing, one beside the program") << QString() << true << true << 0;
        QTest::newRow("two characters, one beside the program") << u"C:"_s << true << true << 0;
        QTest::newRow("two characters") << u"C:"_s << false << true << 2;
        QTest::newRow("three characters") << u"/c2"_s << true << true << 0;
        QTest::newRow("does not start") << u"/no/existe/OrvCompactor"_s << false << false << 3;
    }
    void compactorStartFromPathSetting()
    {
        QFETCH(QString, path);
        QFETCH(bool, beside);
        QFETCH(bool, start);
        QFETCH(int, message);
        const TempSettings settings;
        if (!path.isNull())
            orv::guardaValor(orv::ui::compactorPathKey(), path);
        const QString fake = QCoreApplication::applicationDirPath() + u"/OrvCompactor"_s;
        const auto removeFake = qScopeGuard([&fake] { QFile::remove(fake); });
        if (beside) {
            QFile f(fake);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\n");
            f.close();
            QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ExeOwner));
        }
        const QString expected = path.size() > 2 ? path : beside ? fake : QString();
        QString program;
        QStringList arguments;
        orv::ui::setProcessStarter([&](const QString& p, const QStringList& a) {
            program = p;
            arguments = a;
            return start;
        });
        ScriptedPrompt script;
        ScopedPrompt installed(script);
        const QString movie = u"/home/ana/mis películas/peli uno.ovt"_s;
        const bool started = compressMovie(nullptr, orv::FileName::fromText(movie));
        orv::ui::setProcessStarter({});

        QCOMPARE(started, message == 0);
        QCOMPARE(program, expected);
        QCOMPARE(arguments, message == 2 ? QStringList() : QStringList{movie});
        QCOMPARE(script.calls.size(), message == 0 ? 0 : 1);
        if (message != 0) {
            const auto& c = script.calls.first();
            QCOMPARE(c.text,
                     message == 2 ? compactorNotFoundMessage() : compactorNotRespondingMessage());
            QCOMPARE(c.title, u"Error al comprimir la película"_s);
            QCOMPARE(c.icon, Icon::Exclamation);
            QVERIFY(
                c.text.endsWith(u"Ejecutando una vez Orvane ASCII Compactor\r\n\r\nProbablemente "
                                u"la película fué generada, pero esta no fué comprimida."_s));
        }
    }
};

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
