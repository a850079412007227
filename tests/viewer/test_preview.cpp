// "Vista previa de la película..." in the Creator and the Converter: the
// movie in the viewer is, byte for byte, the movie saving writes from the
// same list; a failing build shows saving's message and writes nothing; the
// viewer steps, plays and tells which frame of how many is on screen.
#include "converter/form1.h"
#include "core/moviefixtures.h"
#include "creator/form1.h"
#include "frame.h"
#include "moviereader.h"
#include "moviescreen.h"
#include "preview.h"
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
using orv::viewer::Preview;
using namespace Qt::StringLiterals;

namespace {

// A picture of `ancho` × 24 pixels with a black bar at column `x`.
QString image(const QTemporaryDir& dir, const QString& name, int ancho, int x)
{
    QImage image(ancho, 24, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 24; ++y)
        image.setPixel(x, y, qRgb(0, 0, 0));
    const QString path = dir.filePath(name);
    image.save(path, "BMP");
    return path;
}

QByteArray headerLine(const orv::Movie& p)
{
    return QByteArray::number(p.ancho) + ',' + QByteArray::number(p.alto) + ',' +
           QByteArray::number(p.pausa) + ',' + p.creador + ',' + p.masInfo;
}

struct PreviewWindow
{
    std::unique_ptr<QMainWindow> w;
    std::function<void()> save;
};

// A fresh window of the kind named holding `paths`, compression off.
PreviewWindow window(const QString& type, const QStringList& paths)
{
    if (type == u"creator") {
        auto* f = new orv::creator::Form1;
        f->List1_OLEDragDrop(orv::fileNamesFromTexts(paths));
        f->findChild<QCheckBox*>(u"Check1"_s)->setChecked(false);
        return {std::unique_ptr<QMainWindow>(f),
                [f] { f->findChild<QPushButton*>(u"Command4"_s)->click(); }};
    }
    auto* f = new orv::converter::Form1;
    f->List1_OLEDragDrop(orv::fileNamesFromTexts(paths));
    f->findChild<QLineEdit*>(u"ancho"_s)->setText(u"12"_s);
    f->findChild<QLineEdit*>(u"alto"_s)->setText(u"2"_s);
    f->findChild<QCheckBox*>(u"Check1"_s)->setChecked(false);
    return {std::unique_ptr<QMainWindow>(f), [f] { f->Command1_Click(); }};
}

QStringList messages(const ScriptedPrompt& g)
{
    QStringList m;
    for (const auto& c : g.calls)
        if (c.kind == ScriptedPrompt::Kind::Message)
            m << c.title + u'|' + c.text;
    return m;
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QStringList m_good, m_bad;

private slots:
    void initTestCase()
    {
        for (int i = 0; i < 3; ++i)
            m_good << image(m_dir, u"bien%1.bmp"_s.arg(i), 24, 3 + i);
        m_bad << m_good[0] << image(m_dir, u"ancha.bmp"_s, 30, 1);
    }

    void previewIsTheSavedMovie_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("fail");
        QTest::newRow("creator") << u"creator"_s << false;
        QTest::newRow("creator, sizes differ") << u"creator"_s << true;
        QTest::newRow("converter") << u"converter"_s << false;
        QTest::newRow("converter, no picture") << u"converter"_s << true;
    }
    void previewIsTheSavedMovie()
    {
        QFETCH(QString, type);
        QFETCH(bool, fail);
        QStringList paths = fail ? m_bad : m_good;
        if (type == u"converter") {
            paths = {fixtures::writeFile(m_dir, u"fuente.txt"_s,
                                         fail ? "1\r\nabc\r\n"
                                              : "2\r\n..#.........\r\n.#..........\r\n1\r\n#......."
                                                "....\r\n....#.......\r\n")};
        }
        const QString output = m_dir.filePath(type + (fail ? u"-mal.ovt"_s : u"-bien.ovt"_s));
        PreviewWindow v = window(type, paths);

        widgettest::Script saving;
        saving.files = {output};
        v.save();
        const QStringList onSave = messages(saving);
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);

        widgettest::Script viewing;
        widgettest::child(*v.w, "menu_vista_previa")->trigger();
        auto* view = v.w->findChild<Preview*>();
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), before); // nothing written
        if (fail) {
            QVERIFY(!view);
            QVERIFY(!QFile::exists(output));
            QCOMPARE(messages(viewing).size(), 1);
            QCOMPARE(messages(viewing), onSave);
            return;
        }
        QVERIFY(view);
        QVERIFY(messages(viewing).isEmpty());
        orv::Movie saved;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), saved));
        const orv::Movie& view1 = view->movie();
        QCOMPARE(view1.numCuadros, saved.numCuadros);
        QCOMPARE(headerLine(view1), headerLine(saved));
        QCOMPARE(fixtures::frames(view1), fixtures::frames(saved));

        // Asked again, the window shows one viewer, the new one.
        widgettest::child(*v.w, "menu_vista_previa")->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(v.w->findChildren<Preview*>().size(), 1);
        QVERIFY(v.w->findChild<Preview*>() != view);
    }

    // The viewer's controls over a three-frame movie: steps stop at the
    // ends, the slider and the label follow, play runs the clock.
    void viewerSteps()
    {
        PreviewWindow v = window(u"creator"_s, m_good);
        widgettest::Script g;
        widgettest::child(*v.w, "menu_vista_previa")->trigger();
        auto* view = v.w->findChild<Preview*>();
        QVERIFY(view);
        auto* frame = view->findChild<QLabel*>(u"cuadro"_s);
        auto* posicion = view->findChild<QSlider*>(u"posicion"_s);
        QCOMPARE(view->findChild<QLabel*>(u"tamano"_s)->text(), u"24 × 12 caracteres, 3 cuadros"_s);
        QCOMPARE(frame->text(), u"Cuadro 1 de 3"_s);
        view->anterior_Click();
        QCOMPARE(view->engine().cuadroActual(), 0);
        for (int i = 0; i < 3; ++i)
            view->next_Click();
        QCOMPARE(view->engine().cuadroActual(), 2);
        QCOMPARE(frame->text(), u"Cuadro 3 de 3"_s);
        QCOMPARE(posicion->value(), 2);
        QCOMPARE(view->pantalla()->text().toLatin1(), orv::armaCuadro(view->movie(), 2));
        posicion->setValue(1);
        QCOMPARE(frame->text(), u"Cuadro 2 de 3"_s);
        view->reproducir_Click();
        QVERIFY(view->engine().playing());
        QTRY_COMPARE(view->engine().cuadroActual(), 0); // played to the end and stopped
        QVERIFY(!view->engine().playing());
    }
};

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
