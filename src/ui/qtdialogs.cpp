#include "qtdialogs.h"

#include "prompt.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QTreeView>
#include <algorithm>
#include <limits>

namespace orv::ui {
namespace {

// Qt's file model writes sizes and dates in the system's locale and has no
// Spanish word for a folder; the size, type and date columns are written
// here instead. File types come from the MIME database in the program's
// (Spanish) default locale and pass through.
class SpanishColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* model = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || index.column() == 0 || model == nullptr)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QLocale spanish(QLocale::Spanish, QLocale::Spain);
        const bool folder = model->isDir(source);
        switch (index.column()) {
        case 1:
            return folder ? QString() : spanish.formattedDataSize(model->size(source));
        case 2:
            if (!folder)
                break;
            return QDir(model->filePath(source)).isRoot() ? QStringLiteral("Unidad")
                                                        : QStringLiteral("Carpeta");
        case 3:
            return spanish.toString(model->lastModified(source), QLocale::ShortFormat);
        default:
            break;
        }
        return QIdentityProxyModel::data(index, role);
    }
};

// Size, type and date take the room their texts need; the name the rest.
void wholeColumns(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr)
        return;
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    // Room for a long type ("documento de texto sencillo"), a size, a date
    // and a name of some forty characters beside the side bar; within the
    // screen.
    const QFontMetrics fm(dialog.font());
    QSize size(
        std::max(dialog.sizeHint().width(), fm.horizontalAdvance(QString(130, QLatin1Char('n')))),
        std::max(dialog.sizeHint().height(), fm.lineSpacing() * 28));
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(size);
}

// Qt's file list shows a name that is not UTF-8 with U+FFFD for each such
// byte, and its own check that a chosen file exists looks for that text on
// disk, which is not there: such a file could be seen but not opened. Chosen
// files that the list's text stands for are taken here, by their bytes;
// everything else goes through Qt's own checks.
class FileDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList chosen = chosenFiles(*this);
        const bool lossy = !chosen.isEmpty() && acceptMode() == AcceptOpen
                           && std::any_of(chosen.begin(), chosen.end(), [](const QString& c) {
                                  return c.contains(QChar::ReplacementCharacter);
                              });
        if (lossy && std::all_of(chosen.begin(), chosen.end(), [](const QString& c) {
                return isRegularFile(nameFromDecodedText(c));
            })) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

// The extension a classic pattern stands for ("*.gif" gives "gif"); empty
// for a pattern of any extension ("*.*", "*") or of several.
QString suffixOf(const QString& patron)
{
    if (!patron.startsWith(QLatin1String("*.")) || patron.contains(QLatin1Char(';')))
        return {};
    const QString suffix = patron.mid(2);
    return suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ? QString()
                                                                                  : suffix;
}

// A name typed without an extension in a Save dialog gets the one of the
// kind chosen below it, as on every desktop.
void suffixForFilter(QFileDialog& dialog, const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList descriptions, suffixes;
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        descriptions.push_back(parts[i - 1]);
        suffixes.push_back(suffixOf(parts[i].trimmed()));
    }
    dialog.setDefaultSuffix(suffixes.value(0));
    // The signal carries the kind's text as shown: its description.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, descriptions, suffixes](const QString& chosen) {
                         dialog.setDefaultSuffix(suffixes.value(descriptions.indexOf(chosen)));
                     });
}

} // namespace

std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent, const QString& title,
                                            const QString& filter, bool save)
{
    auto dialog = std::make_unique<FileDialog>(parent, title);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    // The programs ask before replacing, about the name they really write.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setViewMode(QFileDialog::Detail);
    dialog->setNameFilters(dialogFilters(filter));
    if (save)
        suffixForFilter(*dialog, filter);
    dialog->setProxyModel(new SpanishColumns(dialog.get()));
    // Qt's Spanish translation lacks some of these, and says "fichero" where
    // the suite says "archivo".
    dialog->setLabelText(QFileDialog::LookIn, QStringLiteral("Buscar en:"));
    dialog->setLabelText(QFileDialog::FileName, QStringLiteral("&Nombre de archivo:"));
    dialog->setLabelText(QFileDialog::FileType, QStringLiteral("Tipo de archivo:"));
    dialog->setLabelText(QFileDialog::Accept,
                         save ? QStringLiteral("&Guardar") : QStringLiteral("&Abrir"));
    dialog->setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
    wholeColumns(*dialog);
    // The name box holds every chosen name, quoted: a line edit's 32,767
    // characters would cut a choice of a few thousand files short.
    if (auto* names = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        names->setMaxLength(std::numeric_limits<int>::max());
    return dialog;
}

QStringList chosenFiles(const QFileDialog& dialog)
{
    const auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString text = box ? box->text().trimmed() : QString();
    if (text.isEmpty())
        return dialog.selectedFiles();
    QStringList names;
    if (text.startsWith(QLatin1Char('"'))) {
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype open = text.indexOf(QLatin1Char('"'), i);
            const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('"'), open + 1);
            if (close < 0)
                break;
            if (close > open + 1)
                names << text.mid(open + 1, close - open - 1);
            i = close + 1;
        }
    } else {
        names << text;
    }
    const QDir folder = dialog.directory();
    QStringList paths;
    for (QString name : names) {
        if (name == QLatin1String("~") || name.startsWith(QLatin1String("~/")))
            name = QDir::homePath() + name.mid(1);
        paths << QDir::cleanPath(folder.absoluteFilePath(name));
    }
    return paths;
}

std::unique_ptr<QColorDialog> makeColourDialog(QWidget* parent, const QColor& initial)
{
    auto dialog = std::make_unique<QColorDialog>(initial, parent);
    dialog->setOption(QColorDialog::DontUseNativeDialog);
    return dialog;
}

int minimumWidthForTitle(const QWidget& dialog)
{
    // The title bar's font is the window manager's; the application's bold
    // font stands in for it, with room for the icon and three buttons.
    QFont bold = QApplication::font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + 160;
}

void widthForTitle(QWidget& dialog)
{
    dialog.setMinimumWidth(std::max(dialog.minimumWidth(), minimumWidthForTitle(dialog)));
}

bool confirmReplace(QWidget* parent, const FileName& path)
{
    const QString title = parent ? parent->window()->windowTitle() : QString();
    // A device or a FIFO is never replaced by a file: said before any work.
    if (const std::optional<QString> why = outputRefusal(path); why && !isFolder(path)) {
        prompt().message(parent, QStringLiteral("No se puede escribir %1: %2").arg(path.display(), *why), title,
                         Icon::Exclamation, Buttons::Ok);
        return false;
    }
    // A folder of that name is no file to replace: the write itself fails.
    if (!exists(path) || isFolder(path))
        return true;
    return prompt().message(
               parent,
               QStringLiteral("El archivo %1 ya existe. ¿Desea reemplazarlo?").arg(path.leaf().display()),
               title, Icon::Exclamation, Buttons::YesNo) == Answer::Yes;
}

} // namespace orv::ui
