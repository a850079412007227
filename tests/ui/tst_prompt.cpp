// The prompt seam: the classic filter conversion, the scripted prompt other
// window tests rely on, and the real dialogs' texts, buttons and answers.
#include "dialogprompt.h"
#include "prompt.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace orv::ui;
using Kind = ScriptedPrompt::Kind;

Q_DECLARE_METATYPE(Icono)
Q_DECLARE_METATYPE(Botones)
Q_DECLARE_METATYPE(Respuesta)

namespace {

// Runs `act` on the modal dialog once the dialog's own event loop is running.
// If the dialog never shows, every modal window is rejected so the test fails
// instead of hanging.
template <typename Dialog> void whenModal(std::function<void(Dialog*)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog) {
            act(dialog);
            return;
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible())
                d->reject();
        }
    });
}

QStringList buttonTexts(const QMessageBox* box)
{
    QStringList texts;
    for (const QAbstractButton* b : box->buttons())
        texts.append(b->text());
    texts.sort();
    return texts;
}

} // namespace

class TestPrompt : public QObject
{
    Q_OBJECT
private slots:
    void classicFilters_data();
    void classicFilters();
    void scriptedPromptRecordsCallsAndAnswersInOrder();
    void scriptedPromptDefaultsToClosingTheDialog();
    void scopedPromptRestoresThePreviousOne();
    void messageBox_data();
    void messageBox();
    void inputBox();
    void fileDialogsShowTheConvertedFilter();
    void colourDialog();
};

void TestPrompt::classicFilters_data()
{
    QTest::addColumn<QString>("classic");
    QTest::addColumn<QString>("qt");
    QTest::newRow("movie and all files")
        << "Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"
        << "Orvane ASCII Movie (*.ovt);;Todos los archivos (*.*)";
    QTest::newRow("description without patterns") << "Imágenes|*.bmp;*.jpg"
                                                  << "Imágenes (*.bmp *.jpg)";
    QTest::newRow("semicolons inside the description") << "Imágenes (*.bmp;*.jpg)|*.bmp;*.jpg"
                                                       << "Imágenes (*.bmp *.jpg)";
    QTest::newRow("parentheses that are not patterns") << "Texto (ASCII)|*.txt"
                                                       << "Texto (ASCII) (*.txt)";
    QTest::newRow("trailing description dropped") << "Películas|*.ovt|Sobra"
                                                  << "Películas (*.ovt)";
    QTest::newRow("empty") << ""
                           << "";
}

void TestPrompt::classicFilters()
{
    QFETCH(QString, classic);
    QFETCH(QString, qt);
    QCOMPARE(filtroQt(classic), qt);
}

void TestPrompt::scriptedPromptRecordsCallsAndAnswersInOrder()
{
    ScriptedPrompt guion;
    guion.respuestas = {Respuesta::Si, Respuesta::Cancelar};
    guion.entradas = {QStringLiteral("12"), std::nullopt};
    guion.archivos = {QStringLiteral("/tmp/a.ovt"), QString()};
    guion.colores = {QColor(Qt::red)};
    ScopedPrompt instalado(guion);

    const QString filtro = QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt");
    QCOMPARE(prompt().mensaje(nullptr, "a\r\nb", "T1", Icono::Pregunta, Botones::SiNo),
             Respuesta::Si);
    QCOMPARE(prompt().mensaje(nullptr, "c", "T2", Icono::Critico, Botones::SiNoCancelar),
             Respuesta::Cancelar);
    QCOMPARE(prompt().entrada(nullptr, "Ancho:", "T3", "80"), std::optional<QString>("12"));
    QCOMPARE(prompt().entrada(nullptr, "Alto:", "T4", ""), std::nullopt);
    QCOMPARE(prompt().abrirArchivo(nullptr, "Abrir", filtro), QStringLiteral("/tmp/a.ovt"));
    QCOMPARE(prompt().guardarArchivo(nullptr, "Guardar", filtro), QString());
    QCOMPARE(prompt().color(nullptr, Qt::blue), std::optional<QColor>(Qt::red));

    QCOMPARE(guion.calls.size(), 7);
    const ScriptedPrompt::Call& first = guion.calls[0];
    QCOMPARE(first.kind, Kind::Mensaje);
    QCOMPARE(first.texto, QStringLiteral("a\r\nb"));
    QCOMPARE(first.titulo, QStringLiteral("T1"));
    QCOMPARE(first.icono, Icono::Pregunta);
    QCOMPARE(first.botones, Botones::SiNo);
    QCOMPARE(guion.calls[1].icono, Icono::Critico);
    QCOMPARE(guion.calls[2].texto, QStringLiteral("Ancho:"));
    QCOMPARE(guion.calls[2].inicial, QStringLiteral("80"));
    QCOMPARE(guion.calls[4].kind, Kind::AbrirArchivo);
    QCOMPARE(guion.calls[4].filtro, filtro);
    QCOMPARE(guion.calls[5].kind, Kind::GuardarArchivo);
    QCOMPARE(guion.calls[6].colorInicial, QColor(Qt::blue));
    QCOMPARE(guion.of(Kind::Entrada).size(), 2);
    QCOMPARE(guion.of(Kind::Entrada).last().titulo, QStringLiteral("T4"));
}

void TestPrompt::scriptedPromptDefaultsToClosingTheDialog()
{
    ScriptedPrompt guion;
    QCOMPARE(guion.mensaje(nullptr, "", "", Icono::Ninguno, Botones::Aceptar), Respuesta::Aceptar);
    QCOMPARE(guion.mensaje(nullptr, "", "", Icono::Ninguno, Botones::SiNo), Respuesta::No);
    QCOMPARE(guion.mensaje(nullptr, "", "", Icono::Ninguno, Botones::SiNoCancelar),
             Respuesta::Cancelar);
    QCOMPARE(guion.entrada(nullptr, "", "", "x"), std::nullopt);
    QCOMPARE(guion.abrirArchivo(nullptr, "", ""), QString());
    QCOMPARE(guion.guardarArchivo(nullptr, "", ""), QString());
    QCOMPARE(guion.color(nullptr, Qt::black), std::nullopt);
    QCOMPARE(guion.calls.size(), 7);
}

void TestPrompt::scopedPromptRestoresThePreviousOne()
{
    Prompt* const real = &prompt();
    QVERIFY(dynamic_cast<DialogPrompt*>(real));
    ScriptedPrompt outer;
    ScriptedPrompt inner;
    {
        ScopedPrompt a(outer);
        QCOMPARE(&prompt(), &outer);
        {
            ScopedPrompt b(inner);
            QCOMPARE(&prompt(), &inner);
        }
        QCOMPARE(&prompt(), &outer);
    }
    QCOMPARE(&prompt(), real);
}

void TestPrompt::messageBox_data()
{
    QTest::addColumn<Icono>("icono");
    QTest::addColumn<Botones>("botones");
    QTest::addColumn<QString>("pulsa"); // button text to click; "" presses Escape
    QTest::addColumn<QMessageBox::Icon>("qtIcon");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<Respuesta>("respuesta");

    const QStringList ok{"Aceptar"};
    const QStringList yesNo{"No", "Sí"};
    const QStringList yesNoCancel{"Cancelar", "No", "Sí"};
    QTest::newRow("information, OK") << Icono::Informacion << Botones::Aceptar << "Aceptar"
                                     << QMessageBox::Information << ok << Respuesta::Aceptar;
    QTest::newRow("critical, Escape") << Icono::Critico << Botones::Aceptar << ""
                                      << QMessageBox::Critical << ok << Respuesta::Aceptar;
    QTest::newRow("exclamation, yes") << Icono::Exclamacion << Botones::SiNo << "Sí"
                                      << QMessageBox::Warning << yesNo << Respuesta::Si;
    QTest::newRow("no icon, Escape is no")
        << Icono::Ninguno << Botones::SiNo << "" << QMessageBox::NoIcon << yesNo << Respuesta::No;
    QTest::newRow("question, no") << Icono::Pregunta << Botones::SiNoCancelar << "No"
                                  << QMessageBox::Question << yesNoCancel << Respuesta::No;
    QTest::newRow("question, Escape cancels")
        << Icono::Pregunta << Botones::SiNoCancelar << "" << QMessageBox::Question << yesNoCancel
        << Respuesta::Cancelar;
}

void TestPrompt::messageBox()
{
    QFETCH(Icono, icono);
    QFETCH(Botones, botones);
    QFETCH(QString, pulsa);
    QFETCH(QMessageBox::Icon, qtIcon);
    QFETCH(QStringList, texts);
    QFETCH(Respuesta, respuesta);

    QString shownText;
    QString shownTitle;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    QStringList shownButtons;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        shownText = box->text();
        shownTitle = box->windowTitle();
        shownIcon = box->icon();
        shownButtons = buttonTexts(box);
        if (pulsa.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == pulsa)
                b->click();
        }
    });
    DialogPrompt real;
    const Respuesta r = real.mensaje(nullptr, QStringLiteral("Primera línea\r\nSegunda línea"),
                                     QStringLiteral("Título"), icono, botones);

    QCOMPARE(shownText, QStringLiteral("Primera línea\nSegunda línea"));
    QCOMPARE(shownTitle, QStringLiteral("Título"));
    QCOMPARE(shownIcon, qtIcon);
    QCOMPARE(shownButtons, texts);
    QCOMPARE(r, respuesta);
}

void TestPrompt::inputBox()
{
    DialogPrompt real;
    QString label;
    QString initial;
    whenModal<QInputDialog>([&](QInputDialog* d) {
        label = d->labelText();
        initial = d->textValue();
        QCOMPARE(d->okButtonText(), QStringLiteral("Aceptar"));
        QCOMPARE(d->cancelButtonText(), QStringLiteral("Cancelar"));
        d->setTextValue(QStringLiteral("25"));
        d->accept();
    });
    QCOMPARE(real.entrada(nullptr, "Tamaño\r\nen puntos:", "Fuente", "10"),
             std::optional<QString>("25"));
    QCOMPARE(label, QStringLiteral("Tamaño\nen puntos:"));
    QCOMPARE(initial, QStringLiteral("10"));

    whenModal<QInputDialog>([](QInputDialog* d) { d->reject(); });
    QCOMPARE(real.entrada(nullptr, "", "", "10"), std::nullopt);
}

void TestPrompt::fileDialogsShowTheConvertedFilter()
{
    const QString classic =
        QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*");
    const QStringList expected{"Orvane ASCII Movie (*.ovt)", "Todos los archivos (*.*)"};
    DialogPrompt real;

    QStringList filters;
    QString title;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    auto inspect = [&](QFileDialog* d) {
        filters = d->nameFilters();
        title = d->windowTitle();
        mode = d->acceptMode();
        d->reject();
    };
    whenModal<QFileDialog>(inspect);
    QCOMPARE(real.abrirArchivo(nullptr, "Abrir película ASCII", classic), QString());
    QCOMPARE(filters, expected);
    QCOMPARE(title, QStringLiteral("Abrir película ASCII"));
    QCOMPARE(mode, QFileDialog::AcceptOpen);

    whenModal<QFileDialog>(inspect);
    QCOMPARE(real.guardarArchivo(nullptr, "Guardar película", classic), QString());
    QCOMPARE(filters, expected);
    QCOMPARE(mode, QFileDialog::AcceptSave);
}

void TestPrompt::colourDialog()
{
    DialogPrompt real;
    QColor shown;
    whenModal<QColorDialog>([&](QColorDialog* d) {
        shown = d->currentColor();
        d->setCurrentColor(QColor(10, 20, 30));
        d->accept();
    });
    QCOMPARE(real.color(nullptr, QColor(Qt::yellow)), std::optional<QColor>(QColor(10, 20, 30)));
    QCOMPARE(shown, QColor(Qt::yellow));

    whenModal<QColorDialog>([](QColorDialog* d) { d->reject(); });
    QCOMPARE(real.color(nullptr, QColor(Qt::yellow)), std::nullopt);
}

QTEST_MAIN(TestPrompt)
#include "tst_prompt.moc"
