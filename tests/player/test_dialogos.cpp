// The preferences and movie properties dialogs.
#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "moviereader.h"
#include "playerfixtures.h"
#include "playersettings.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace playerfixtures;
using orv::player::Form1;
using orv::player::Form2;
using orv::player::Form3;
using orv::ui::ScopedPrompt;
using orv::ui::ScriptedPrompt;

namespace {

template <class T>
T* control(const QObject& padre, const char* nombre)
{
    T* c = padre.findChild<T*>(QString::fromLatin1(nombre));
    if (!c)
        qFatal("no control %s", nombre);
    return c;
}

QString texto(const Form3& d, const char* nombre)
{
    if (auto* linea = d.findChild<QLineEdit*>(QString::fromLatin1(nombre)))
        return linea->text();
    return control<QPlainTextEdit>(d, nombre)->toPlainText();
}

} // namespace

class TestDialogos : public QObject
{
    Q_OBJECT
public:
    static void initMain() { aislaAjustes(); }

private slots:
    void init();
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void noMovieDisablesOptionsAndAcceptsZero();
    void invalidSpeedKeepsDialogOpen_data();
    void invalidSpeedKeepsDialogOpen();
    void replacementPauseUntilNextMovie();
    void speedInSystemNumberFormat();
    void optionButtonsEnableTheSpeedBox();
    void choicesAreStored();
    void loweringMaximumHidesEntriesAtOnce();
    void clearingTheListIsNotUndoneByCancel();
    void propertiesOfCompressedMovie();
    void propertiesInSystemNumberFormat();

private:
    QTemporaryDir m_dir;
};

void TestDialogos::init()
{
    limpiaAjustes();
    QLocale::setDefault(QLocale::c());
}

void TestDialogos::noMovieDisablesOptionsAndAcceptsZero()
{
    Form1 form;
    Form2 d(&form);
    QCOMPARE(d.windowTitle(), QStringLiteral("Preferencias del programa"));
    auto* option1 = control<QRadioButton>(d, "Option1");
    QCOMPARE(option1->text(), QStringLiteral("Pausar cada cuadro por 0 milisegundos."));
    QVERIFY(option1->isChecked());
    QVERIFY(!option1->isEnabled());
    QVERIFY(!control<QRadioButton>(d, "Option2")->isEnabled());
    QVERIFY(!control<QComboBox>(d, "velocidad")->isEnabled());
    QCOMPARE(control<QComboBox>(d, "Combo1")->currentText(), QStringLiteral("10"));
    QVERIFY(!control<QPushButton>(d, "Command3")->isEnabled());
    control<QPushButton>(d, "Command1")->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(form.velocidad(), 0.0);
}

void TestDialogos::invalidSpeedKeepsDialogOpen_data()
{
    QTest::addColumn<QString>("velocidad");
    QTest::addColumn<QString>("mensaje");
    const QString noNumero = QStringLiteral(
        "La velocidad de reproducción debe ser un número, utilice una coma ',' como separador "
        "decimal en caso de requerirlo.");
    const QString noPositivo = QStringLiteral("La velocidad de reproducción debe ser mayor a cero.");
    QTest::newRow("letters") << "abc" << noNumero;
    QTest::newRow("empty") << "" << noNumero;
    QTest::newRow("number then letters") << "25x" << noNumero;
    QTest::newRow("zero") << "0" << noPositivo;
    QTest::newRow("negative") << "-5" << noPositivo;
}

void TestDialogos::invalidSpeedKeepsDialogOpen()
{
    QFETCH(QString, velocidad);
    QFETCH(QString, mensaje);
    const QString ruta = escribe(m_dir, "cien.ovt", pelicula(1, 1, 5, 100));
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    Form1 form;
    form.abrePelicula(ruta, false);
    Form2 d(&form);
    control<QRadioButton>(d, "Option2")->click();
    control<QCheckBox>(d, "ocultar")->setChecked(true);
    control<QComboBox>(d, "velocidad")->setEditText(velocidad);
    control<QPushButton>(d, "Command1")->click();
    QCOMPARE(guion.calls.size(), 1);
    QCOMPARE(guion.calls[0].texto, mensaje);
    QCOMPARE(guion.calls[0].titulo, QStringLiteral("Velocidad de reproducción inválida"));
    QCOMPARE(guion.calls[0].icono, orv::ui::Icono::Exclamacion);
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(control<QComboBox>(d, "velocidad")->currentText(), velocidad);
    QCOMPARE(form.velocidad(), 100.0);
    QCOMPARE(ajuste("SplashScreen"), QString());
}

void TestDialogos::replacementPauseUntilNextMovie()
{
    const QString cien = escribe(m_dir, "cien.ovt", pelicula(1, 1, 5, 100));
    const QString otra = escribe(m_dir, "otra.ovt", pelicula(1, 1, 5, 70));
    Form1 form;
    form.abrePelicula(cien, false);
    form.reproducir_Click();
    {
        Form2 d(&form);
        QVERIFY(control<QRadioButton>(d, "Option1")->isChecked());
        QCOMPARE(control<QRadioButton>(d, "Option1")->text(),
                 QStringLiteral("Pausar cada cuadro por 100 milisegundos."));
        control<QRadioButton>(d, "Option2")->click();
        control<QComboBox>(d, "velocidad")->setCurrentText(QStringLiteral("250"));
        control<QPushButton>(d, "Command1")->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }
    auto* timer = form.findChild<QTimer*>("Timer1");
    QCOMPARE(form.velocidad(), 250.0);
    QCOMPARE(timer->interval(), 250);
    QVERIFY(timer->isActive());
    {
        Form2 d(&form);
        QVERIFY(control<QRadioButton>(d, "Option2")->isChecked());
        QCOMPARE(control<QComboBox>(d, "velocidad")->currentText(), QStringLiteral("250"));
        QVERIFY(control<QComboBox>(d, "velocidad")->isEnabled());
    }
    {
        Form3 propiedades(form.pelicula());
        QCOMPARE(texto(propiedades, "t2"), QStringLiteral("100"));
    }
    form.abrePelicula(otra, false);
    QCOMPARE(form.velocidad(), 70.0);
    QCOMPARE(timer->interval(), 70);
}

void TestDialogos::speedInSystemNumberFormat()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    const QString ruta = escribe(m_dir, "cien.ovt", pelicula(1, 1, 5, 100));
    Form1 form;
    form.abrePelicula(ruta, false);
    Form2 d(&form);
    control<QRadioButton>(d, "Option2")->click();
    control<QComboBox>(d, "velocidad")->setEditText(QStringLiteral("12,5"));
    control<QPushButton>(d, "Command1")->click();
    QCOMPARE(form.velocidad(), 12.5);
    QCOMPARE(form.findChild<QTimer*>("Timer1")->interval(), 12);
    Form2 otra(&form);
    QCOMPARE(control<QComboBox>(otra, "velocidad")->currentText(), QStringLiteral("12,5"));
}

void TestDialogos::optionButtonsEnableTheSpeedBox()
{
    const QString ruta = escribe(m_dir, "cien.ovt", pelicula(1, 1, 5, 100));
    Form1 form;
    form.abrePelicula(ruta, false);
    Form2 d(&form);
    auto* velocidad = control<QComboBox>(d, "velocidad");
    QVERIFY(!velocidad->isEnabled());
    control<QRadioButton>(d, "Option2")->click();
    QVERIFY(velocidad->isEnabled());
    control<QRadioButton>(d, "Option1")->click();
    QVERIFY(!velocidad->isEnabled());
    // Back to the movie's own pause even if the box holds something else.
    velocidad->setEditText(QStringLiteral("abc"));
    form.setVelocidad(300);
    control<QPushButton>(d, "Command1")->click();
    QCOMPARE(form.velocidad(), 100.0);
    QCOMPARE(velocidad->count(), 11);
}

void TestDialogos::choicesAreStored()
{
    {
        Form1 form;
        Form2 d(&form);
        QVERIFY(!control<QCheckBox>(d, "ocultar")->isChecked());
        control<QCheckBox>(d, "ocultar")->setChecked(true);
        control<QCheckBox>(d, "repro")->setChecked(true);
        control<QPushButton>(d, "Command1")->click();
        QCOMPARE(form.reproInicial(), 1);
    }
    QCOMPARE(ajuste("SplashScreen"), QStringLiteral("1"));
    QCOMPARE(ajuste("ReproIni"), QStringLiteral("1"));
    QVERIFY(orv::player::ocultaSplash()); // the next start skips the splash
    Form1 siguiente;
    QCOMPARE(siguiente.reproInicial(), 1);
    Form2 d(&siguiente);
    QVERIFY(control<QCheckBox>(d, "ocultar")->isChecked());
    QVERIFY(control<QCheckBox>(d, "repro")->isChecked());
    control<QCheckBox>(d, "ocultar")->setChecked(false);
    control<QPushButton>(d, "Command1")->click();
    QCOMPARE(ajuste("SplashScreen"), QStringLiteral("0"));
    QVERIFY(!orv::player::ocultaSplash());
}

void TestDialogos::loweringMaximumHidesEntriesAtOnce()
{
    ponAjuste("Ejecuciones", "1");
    ponAjuste("MRecientes", "10");
    ponAjuste("NRecientes", "8");
    Form1 form;
    QVERIFY(form.findChild<QAction*>("a_recientes8")->isVisible());
    Form2 d(&form);
    control<QComboBox>(d, "Combo1")->setCurrentIndex(2);
    control<QPushButton>(d, "Command1")->click();
    QCOMPARE(ajuste("MRecientes"), QStringLiteral("3"));
    QVERIFY(form.findChild<QAction*>("a_recientes3")->isVisible());
    QVERIFY(!form.findChild<QAction*>("a_recientes4")->isVisible());
    Form2 otra(&form);
    QCOMPARE(control<QComboBox>(otra, "Combo1")->currentText(), QStringLiteral("3"));
}

void TestDialogos::clearingTheListIsNotUndoneByCancel()
{
    ponAjuste("Ejecuciones", "1");
    ponAjuste("MRecientes", "10");
    ponAjuste("NRecientes", "2");
    ponAjuste("Recientes1", "/a.ovt");
    Form1 form;
    Form2 d(&form);
    auto* limpiar = control<QPushButton>(d, "Command4");
    QCOMPARE(limpiar->text(), QStringLiteral("Limpiar lista"));
    limpiar->click();
    QVERIFY(!limpiar->isEnabled());
    QVERIFY(!form.findChild<QAction*>("a_recientes1")->isVisible());
    QVERIFY(!form.findChild<QAction*>("separador")->isVisible());
    control<QPushButton>(d, "Command2")->click();
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(ajuste("NRecientes"), QStringLiteral("0"));
    QCOMPARE(ajuste("Recientes1"), QStringLiteral("/a.ovt"));
}

void TestDialogos::propertiesOfCompressedMovie()
{
    const QString ruta = escribeComprimida(m_dir, "comprimida.ovt", "interior.ovt",
                                           pelicula(3, 2, 4, 100, "Quien", "Más datos"));
    Form1 form;
    form.abrePelicula(ruta, false);
    Form3 d(form.pelicula(), &form);
    QCOMPARE(d.windowTitle(), QStringLiteral("Información adicional"));
    QCOMPARE(texto(d, "t1"), QStringLiteral("3, 2"));
    QCOMPARE(texto(d, "t2"), QStringLiteral("100"));
    QCOMPARE(texto(d, "t3"), QStringLiteral("4"));
    QCOMPARE(texto(d, "t4"), QStringLiteral("Quien"));
    QCOMPARE(texto(d, "t5"), QStringLiteral("Más datos"));
    const double kb = orv::tamanoEnKB(QFileInfo(ruta).size());
    QCOMPARE(texto(d, "t6"), QString::number(kb));
    QCOMPARE(texto(d, "t7"), ruta);
    control<QPushButton>(d, "Command1")->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
}

void TestDialogos::propertiesInSystemNumberFormat()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    QByteArray datos = pelicula(2, 2, 2, 62.5);
    datos += QByteArray(1536 - datos.size(), 'x'); // ignored tail: the file is 1.5 KB
    const QString ruta = escribe(m_dir, "kb.ovt", datos);
    Form1 form;
    form.abrePelicula(ruta, false);
    Form3 d(form.pelicula());
    QCOMPARE(texto(d, "t6"), QStringLiteral("1,5"));
    QCOMPARE(texto(d, "t2"), QStringLiteral("62,5"));
    QCOMPARE(texto(d, "t1"), QStringLiteral("2, 2"));
    Form2 preferencias(&form);
    QCOMPARE(control<QRadioButton>(preferencias, "Option1")->text(),
             QStringLiteral("Pausar cada cuadro por 62,5 milisegundos."));
}

QTEST_MAIN(TestDialogos)
#include "test_dialogos.moc"
