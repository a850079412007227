#include "dialogprompt.h"

#include "qtdialogs.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace orv::ui {
namespace {

// The programs build their texts with CR LF; a lone CR would show as a box or
// nothing, so both CR LF and a stray CR become a line break.
QString lines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

FileName chosenFile(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return nameFromDecodedText(dialog.selectedFiles().constFirst());
}

} // namespace

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const QString& text, const QString& title,
                                            Icon icon, Buttons buttons)
{
    auto box = std::make_unique<QMessageBox>(qtIcon(icon), title, lines(text), QMessageBox::NoButton, parent);
    // Buttons are added with their Spanish texts here rather than relying on a
    // translator being installed.
    if (buttons == Buttons::Ok) {
        QPushButton* accept = box->addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
        box->setDefaultButton(accept);
        box->setEscapeButton(accept);
    } else {
        QPushButton* yes = box->addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
        QPushButton* no = box->addButton(QStringLiteral("No"), QMessageBox::NoRole);
        box->setDefaultButton(yes);
        if (buttons == Buttons::YesNoCancel)
            box->setEscapeButton(box->addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole));
        else
            box->setEscapeButton(no);
    }
    return box;
}

Answer answerOf(const QMessageBox& box, Buttons buttons)
{
    const QAbstractButton* pressed = box.clickedButton();
    if (pressed == nullptr)
        return closeAnswer(buttons);
    switch (box.buttonRole(const_cast<QAbstractButton*>(pressed))) {
    case QMessageBox::YesRole:
        return Answer::Yes;
    case QMessageBox::NoRole:
        return Answer::No;
    case QMessageBox::RejectRole:
        return Answer::Cancel;
    default:
        return Answer::Ok;
    }
}

Answer DialogPrompt::message(QWidget* parent, const QString& text, const QString& title, Icon icon,
                             Buttons buttons)
{
    const std::unique_ptr<QMessageBox> box = makeMessageBox(parent, text, title, icon, buttons);
    box->exec();
    return answerOf(*box, buttons);
}

std::optional<QString> DialogPrompt::input(QWidget* parent, const QString& text,
                                           const QString& title, const QString& initial)
{
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(lines(text));
    dialog.setTextValue(initial);
    dialog.setOkButtonText(QStringLiteral("Aceptar"));
    dialog.setCancelButtonText(QStringLiteral("Cancelar"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

FileName DialogPrompt::openFile(QWidget* parent, const QString& title, const QString& filter)
{
    return chosenFile(*makeFileDialog(parent, title, filter, false));
}

FileNames DialogPrompt::openFiles(QWidget* parent, const QString& title, const QString& filter)
{
    static QString folder; // where the last choice was made, for the session
    const std::unique_ptr<QFileDialog> dialog = makeFileDialog(parent, title, filter, false);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    if (!folder.isEmpty())
        dialog->setDirectory(folder);
    if (dialog->exec() != QDialog::Accepted)
        return {};
    folder = dialog->directory().absolutePath();
    FileNames names;
    for (const QString& chosen : chosenFiles(*dialog))
        names << nameFromDecodedText(chosen);
    return names;
}

FileName DialogPrompt::saveFile(QWidget* parent, const QString& title, const QString& filter,
                                const FileName& initial)
{
    const std::unique_ptr<QFileDialog> dialog = makeFileDialog(parent, title, filter, true);
    if (!initial.isEmpty()) {
        const FileName whole = initial.absolute();
        dialog->setDirectory(whole.folder().display());
        dialog->selectFile(whole.leaf().display());
    }
    return chosenFile(*dialog);
}

std::optional<QColor> DialogPrompt::color(QWidget* parent, const QColor& initial)
{
    const std::unique_ptr<QColorDialog> dialog = makeColourDialog(parent, initial);
    if (dialog->exec() != QDialog::Accepted || !dialog->selectedColor().isValid())
        return std::nullopt;
    return dialog->selectedColor();
}

bool DialogPrompt::dialog(QDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

} // namespace orv::ui
