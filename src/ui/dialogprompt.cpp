#include "dialogprompt.h"

#include "qtdialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace orv::ui {
namespace {

// The programs build their texts with CR LF; a lone CR would show as a box or
// nothing, so both CR LF and a stray CR become a line break.
QString lineas(QString texto)
{
    texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    texto.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return texto;
}

QMessageBox::Icon qtIcon(Icono icono)
{
    switch (icono) {
    case Icono::Informacion:
        return QMessageBox::Information;
    case Icono::Exclamacion:
        return QMessageBox::Warning;
    case Icono::Critico:
        return QMessageBox::Critical;
    case Icono::Pregunta:
        return QMessageBox::Question;
    case Icono::Ninguno:
        break;
    }
    return QMessageBox::NoIcon;
}

QString archivoElegido(QFileDialog& dialogo)
{
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return {};
    return dialogo.selectedFiles().constFirst();
}

} // namespace

Respuesta DialogPrompt::mensaje(QWidget* parent, const QString& texto, const QString& titulo,
                                Icono icono, Botones botones)
{
    QMessageBox box(qtIcon(icono), titulo, lineas(texto), QMessageBox::NoButton, parent);
    // Buttons are added with their Spanish texts here rather than relying on a
    // translator being installed.
    QPushButton* aceptar = nullptr;
    QPushButton* si = nullptr;
    QPushButton* no = nullptr;
    QPushButton* cancelar = nullptr;
    if (botones == Botones::Aceptar) {
        aceptar = box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
        box.setDefaultButton(aceptar);
        box.setEscapeButton(aceptar);
    } else {
        si = box.addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
        box.setDefaultButton(si);
        if (botones == Botones::SiNoCancelar) {
            cancelar = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
            box.setEscapeButton(cancelar);
        } else {
            box.setEscapeButton(no);
        }
    }
    box.exec();

    const auto* pulsado = box.clickedButton();
    if (pulsado == nullptr)
        return respuestaAlCerrar(botones);
    if (pulsado == si)
        return Respuesta::Si;
    if (pulsado == no)
        return Respuesta::No;
    if (pulsado == cancelar)
        return Respuesta::Cancelar;
    return Respuesta::Aceptar;
}

std::optional<QString> DialogPrompt::entrada(QWidget* parent, const QString& texto,
                                             const QString& titulo, const QString& inicial)
{
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(titulo);
    dialog.setLabelText(lineas(texto));
    dialog.setTextValue(inicial);
    dialog.setOkButtonText(QStringLiteral("Aceptar"));
    dialog.setCancelButtonText(QStringLiteral("Cancelar"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString DialogPrompt::abrirArchivo(QWidget* parent, const QString& titulo, const QString& filtro)
{
    return archivoElegido(*creaDialogoArchivo(parent, titulo, filtro, false));
}

QStringList DialogPrompt::abrirArchivos(QWidget* parent, const QString& titulo, const QString& filtro)
{
    static QString carpeta; // where the last choice was made, for the session
    const std::unique_ptr<QFileDialog> dialogo = creaDialogoArchivo(parent, titulo, filtro, false);
    dialogo->setFileMode(QFileDialog::ExistingFiles);
    if (!carpeta.isEmpty())
        dialogo->setDirectory(carpeta);
    if (dialogo->exec() != QDialog::Accepted)
        return {};
    carpeta = dialogo->directory().absolutePath();
    return archivosElegidos(*dialogo);
}

QString DialogPrompt::guardarArchivo(QWidget* parent, const QString& titulo, const QString& filtro,
                                     const QString& inicial)
{
    const std::unique_ptr<QFileDialog> dialogo = creaDialogoArchivo(parent, titulo, filtro, true);
    if (!inicial.isEmpty()) {
        dialogo->setDirectory(QFileInfo(inicial).absolutePath());
        dialogo->selectFile(QFileInfo(inicial).fileName());
    }
    return archivoElegido(*dialogo);
}

std::optional<QColor> DialogPrompt::color(QWidget* parent, const QColor& inicial)
{
    const std::unique_ptr<QColorDialog> dialogo = creaDialogoColor(parent, inicial);
    if (dialogo->exec() != QDialog::Accepted || !dialogo->selectedColor().isValid())
        return std::nullopt;
    return dialogo->selectedColor();
}

} // namespace orv::ui
