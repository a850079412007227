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

namespace orv::ui {
namespace {

// Qt's file model writes sizes and dates in the system's locale and has no
// Spanish word for a folder; the size, type and date columns are written
// here instead. File types come from the MIME database in the program's
// (Spanish) default locale and pass through.
class ColumnasEnEspanol : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* modelo = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || index.column() == 0 || modelo == nullptr)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex fuente = mapToSource(index);
        const QLocale espanol(QLocale::Spanish, QLocale::Spain);
        const bool carpeta = modelo->isDir(fuente);
        switch (index.column()) {
        case 1:
            return carpeta ? QString() : espanol.formattedDataSize(modelo->size(fuente));
        case 2:
            if (!carpeta)
                break;
            return QDir(modelo->filePath(fuente)).isRoot() ? QStringLiteral("Unidad")
                                                           : QStringLiteral("Carpeta");
        case 3:
            return espanol.toString(modelo->lastModified(fuente), QLocale::ShortFormat);
        default:
            break;
        }
        return QIdentityProxyModel::data(index, role);
    }
};

// Size, type and date take the room their texts need; the name the rest.
void columnasEnteras(QFileDialog& dialogo)
{
    auto* vista = dialogo.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (vista == nullptr)
        return;
    QHeaderView* cabecera = vista->header();
    cabecera->setStretchLastSection(false);
    cabecera->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int columna = 1; columna < cabecera->count(); ++columna)
        cabecera->setSectionResizeMode(columna, QHeaderView::ResizeToContents);
    // Room for a long type ("documento de texto sencillo"), a size, a date
    // and a name of some forty characters beside the side bar; within the
    // screen.
    const QFontMetrics fm(dialogo.font());
    QSize tamano(
        std::max(dialogo.sizeHint().width(), fm.horizontalAdvance(QString(130, QLatin1Char('n')))),
        std::max(dialogo.sizeHint().height(), fm.lineSpacing() * 28));
    if (const QScreen* pantalla = dialogo.screen())
        tamano = tamano.boundedTo(pantalla->availableGeometry().size() * 9 / 10);
    dialogo.resize(tamano);
}

// The extension a classic pattern stands for ("*.gif" gives "gif"); empty
// for a pattern of any extension ("*.*", "*") or of several.
QString sufijoDe(const QString& patron)
{
    if (!patron.startsWith(QLatin1String("*.")) || patron.contains(QLatin1Char(';')))
        return {};
    const QString sufijo = patron.mid(2);
    return sufijo.contains(QLatin1Char('*')) || sufijo.contains(QLatin1Char('?')) ? QString()
                                                                                   : sufijo;
}

// A name typed without an extension in a Save dialog gets the one of the
// kind chosen below it, as on every desktop.
void sufijoPorFiltro(QFileDialog& dialogo, const QString& filtro)
{
    const QStringList partes = filtro.split(QLatin1Char('|'));
    QStringList descripciones, sufijos;
    for (qsizetype i = 1; i < partes.size(); i += 2) {
        descripciones.push_back(partes[i - 1]);
        sufijos.push_back(sufijoDe(partes[i].trimmed()));
    }
    dialogo.setDefaultSuffix(sufijos.value(0));
    // The signal carries the kind's text as shown: its description.
    QObject::connect(&dialogo, &QFileDialog::filterSelected, &dialogo,
                     [&dialogo, descripciones, sufijos](const QString& elegido) {
                         dialogo.setDefaultSuffix(sufijos.value(descripciones.indexOf(elegido)));
                     });
}

} // namespace

std::unique_ptr<QFileDialog> creaDialogoArchivo(QWidget* parent, const QString& titulo,
                                                const QString& filtro, bool guardar)
{
    auto dialogo = std::make_unique<QFileDialog>(parent, titulo);
    dialogo->setOption(QFileDialog::DontUseNativeDialog);
    dialogo->setOption(QFileDialog::HideNameFilterDetails);
    // The programs ask before replacing, about the name they really write.
    dialogo->setOption(QFileDialog::DontConfirmOverwrite);
    dialogo->setAcceptMode(guardar ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialogo->setFileMode(guardar ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialogo->setViewMode(QFileDialog::Detail);
    dialogo->setNameFilters(filtrosDialogo(filtro));
    if (guardar)
        sufijoPorFiltro(*dialogo, filtro);
    dialogo->setProxyModel(new ColumnasEnEspanol(dialogo.get()));
    // Qt's Spanish translation lacks some of these, and says "fichero" where
    // the suite says "archivo".
    dialogo->setLabelText(QFileDialog::LookIn, QStringLiteral("Buscar en:"));
    dialogo->setLabelText(QFileDialog::FileName, QStringLiteral("&Nombre de archivo:"));
    dialogo->setLabelText(QFileDialog::FileType, QStringLiteral("Tipo de archivo:"));
    dialogo->setLabelText(QFileDialog::Accept,
                          guardar ? QStringLiteral("&Guardar") : QStringLiteral("&Abrir"));
    dialogo->setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
    columnasEnteras(*dialogo);
    return dialogo;
}

QStringList archivosElegidos(const QFileDialog& dialogo)
{
    const auto* caja = dialogo.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString texto = caja ? caja->text().trimmed() : QString();
    if (texto.isEmpty())
        return dialogo.selectedFiles();
    QStringList nombres;
    if (texto.startsWith(QLatin1Char('"'))) {
        for (qsizetype i = 0; i < texto.size();) {
            const qsizetype abre = texto.indexOf(QLatin1Char('"'), i);
            const qsizetype cierra = abre < 0 ? -1 : texto.indexOf(QLatin1Char('"'), abre + 1);
            if (cierra < 0)
                break;
            if (cierra > abre + 1)
                nombres << texto.mid(abre + 1, cierra - abre - 1);
            i = cierra + 1;
        }
    } else {
        nombres << texto;
    }
    const QDir carpeta = dialogo.directory();
    QStringList rutas;
    for (QString nombre : nombres) {
        if (nombre == QLatin1String("~") || nombre.startsWith(QLatin1String("~/")))
            nombre = QDir::homePath() + nombre.mid(1);
        rutas << QDir::cleanPath(carpeta.absoluteFilePath(nombre));
    }
    return rutas;
}

std::unique_ptr<QColorDialog> creaDialogoColor(QWidget* parent, const QColor& inicial)
{
    auto dialogo = std::make_unique<QColorDialog>(inicial, parent);
    dialogo->setOption(QColorDialog::DontUseNativeDialog);
    return dialogo;
}

int anchoMinimoParaTitulo(const QWidget& dialogo)
{
    // The title bar's font is the window manager's; the application's bold
    // font stands in for it, with room for the icon and three buttons.
    QFont negrita = QApplication::font();
    negrita.setBold(true);
    return QFontMetrics(negrita).horizontalAdvance(dialogo.windowTitle()) + 160;
}

void anchoParaTitulo(QWidget& dialogo)
{
    dialogo.setMinimumWidth(std::max(dialogo.minimumWidth(), anchoMinimoParaTitulo(dialogo)));
}

bool confirmaReemplazo(QWidget* parent, const QString& ruta)
{
    // A folder of that name is no file to replace: the write itself fails.
    const QFileInfo info(ruta);
    if (!info.exists() || info.isDir())
        return true;
    const QString titulo = parent ? parent->window()->windowTitle() : QString();
    return prompt().mensaje(parent,
                            QStringLiteral("El archivo %1 ya existe. ¿Desea reemplazarlo?")
                                .arg(info.fileName()),
                            titulo, Icono::Exclamacion, Botones::SiNo)
        == Respuesta::Si;
}

} // namespace orv::ui
