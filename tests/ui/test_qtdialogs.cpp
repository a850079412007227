// Qt's file and colour dialogs as the four programs show them: Spanish
// whatever the system's locale, every file listed under "Todos los archivos
// (*.*)", columns read whole; and the About window's buttons kept apart.
#include "frmabout.h"
#include "prompt.h"
#include "qtdialogs.h"
#include "translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <algorithm>

using namespace orv::ui;

namespace {

const QString kFiltroPlayer =
    QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*");

void escribe(const QString& ruta, const QByteArray& bytes)
{
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The dialog, shown (not run) on `carpeta`, once its model has read it.
struct DialogoAbierto
{
    std::unique_ptr<QFileDialog> dialogo;
    QFileSystemModel* modelo = nullptr;
    QTreeView* vista = nullptr;

    DialogoAbierto(const QString& carpeta, const QString& filtro, bool guardar)
        : dialogo(
              creaDialogoArchivo(nullptr, QStringLiteral("Abrir película ASCII"), filtro, guardar))
    {
        modelo = dialogo->findChild<QFileSystemModel*>();
        vista = dialogo->findChild<QTreeView*>(QStringLiteral("treeView"));
        dialogo->setDirectory(carpeta);
        dialogo->show();
    }

    // The view's row for a file name, in the view's own (proxy) model.
    QModelIndex fila(const QString& nombre) const
    {
        const QAbstractItemModel* m = vista->model();
        const QModelIndex raiz = vista->rootIndex();
        for (int r = 0; r < m->rowCount(raiz); ++r) {
            const QModelIndex i = m->index(r, 0, raiz);
            if (i.data().toString() == nombre)
                return i;
        }
        return {};
    }
    QString celda(const QString& nombre, int columna) const
    {
        const QModelIndex i = fila(nombre);
        return i.sibling(i.row(), columna).data().toString();
    }
    bool listado(const QString& nombre) const
    {
        return fila(nombre).isValid() && (fila(nombre).flags() & Qt::ItemIsEnabled);
    }
    void todosLosArchivos() const { dialogo->selectNameFilter(dialogo->nameFilters().constLast()); }
};

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    // What the programs do at start; the tests run under whatever locale the
    // machine has (C on the build machines).
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        QVERIFY(instalaTraducciones(*qApp));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("carpeta")));
        escribe(m_dir.filePath(QStringLiteral("sinextension")), QByteArray(652, 'x'));
        escribe(m_dir.filePath(QStringLiteral("pelicula.ovt")), QByteArray(1536, 'x'));
        escribe(m_dir.filePath(QStringLiteral("notas.txt")), "hola\n");
        escribe(m_dir.filePath(QStringLiteral("archivo.zip")),
                QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    }

    void dialogFilters_data()
    {
        QTest::addColumn<QString>("clasico");
        QTest::addColumn<QStringList>("filtros");
#ifdef Q_OS_WIN
        const QString todos = QStringLiteral("Todos los archivos (*.*) (*.*)");
#else
        const QString todos = QStringLiteral("Todos los archivos (*.*) (*)");
#endif
        QTest::newRow("the Player's")
            << kFiltroPlayer << QStringList{"Orvane ASCII Movie (*.ovt) (*.ovt)", todos};
        QTest::newRow("several patterns")
            << "Imágenes|*.bmp;*.gif" << QStringList{"Imágenes (*.bmp *.gif)"};
        QTest::newRow("description with other brackets")
            << "Texto (ASCII)|*.txt" << QStringList{"Texto (ASCII) (*.txt)"};
        QTest::newRow("trailing description dropped") << "A|*.a|Sobra" << QStringList{"A (*.a)"};
    }
    void dialogFilters()
    {
        QFETCH(QString, clasico);
        QFETCH(QStringList, filtros);
        QCOMPARE(filtrosDialogo(clasico), filtros);
    }

    // The captions read exactly as written; the second lists every file, a
    // name without a dot included.
    void allFilesListsEveryName_data()
    {
        QTest::addColumn<bool>("guardar");
        QTest::newRow("open") << false;
        QTest::newRow("save") << true;
    }
    void allFilesListsEveryName()
    {
        QFETCH(bool, guardar);
        DialogoAbierto d(m_dir.path(), kFiltroPlayer, guardar);
        auto* tipos = d.dialogo->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(tipos);
        QCOMPARE(tipos->count(), 2);
        QCOMPARE(tipos->itemText(0), QStringLiteral("Orvane ASCII Movie (*.ovt)"));
        QCOMPARE(tipos->itemText(1), QStringLiteral("Todos los archivos (*.*)"));
        QTRY_VERIFY(d.listado(QStringLiteral("pelicula.ovt")));
        QVERIFY(!d.listado(QStringLiteral("sinextension")));
        d.todosLosArchivos();
        for (const char* nombre : {"sinextension", "pelicula.ovt", "notas.txt", "archivo.zip"})
            QTRY_VERIFY2(d.listado(QString::fromLatin1(nombre)), nombre);
    }

    // Types, sizes and dates in Spanish under a C or English system locale,
    // and Spanish captions even where Qt's translation has none.
    void fileDialogSpeaksSpanish()
    {
        DialogoAbierto d(m_dir.path(), kFiltroPlayer, false);
        d.todosLosArchivos();
        QTRY_VERIFY(d.fila(QStringLiteral("archivo.zip")).isValid());
        QTRY_COMPARE(d.celda(QStringLiteral("carpeta"), 2), QStringLiteral("Carpeta"));
        QTRY_COMPARE(d.celda(QStringLiteral("archivo.zip"), 2), QStringLiteral("archivador Zip"));
        QTRY_COMPARE(d.celda(QStringLiteral("notas.txt"), 2),
                     QStringLiteral("documento de texto sencillo"));
        QCOMPARE(d.celda(QStringLiteral("sinextension"), 1), QStringLiteral("652 bytes"));
        QCOMPARE(d.celda(QStringLiteral("pelicula.ovt"), 1), QStringLiteral("1,50 KiB"));
        QCOMPARE(d.celda(QStringLiteral("carpeta"), 1), QString());
        const QDateTime cuando =
            QFileInfo(m_dir.filePath(QStringLiteral("notas.txt"))).lastModified();
        // Spain's short format: day/month/year, 24-hour clock.
        QCOMPARE(d.celda(QStringLiteral("notas.txt"), 3),
                 cuando.toString(QStringLiteral("d/M/yy H:mm")));
        const QStringList cabeceras{"Nombre", "Tamaño", "Tipo", "Última modificación"};
        for (int c = 0; c < 4; ++c)
            QCOMPARE(d.vista->model()->headerData(c, Qt::Horizontal).toString(), cabeceras[c]);
        QStringList botones;
        for (const QAbstractButton* b : d.dialogo->findChildren<QPushButton*>())
            botones << b->text();
        QVERIFY2(botones.contains(QStringLiteral("&Abrir")) &&
                     botones.contains(QStringLiteral("Cancelar")),
                 qPrintable(botones.join('|')));
        QStringList etiquetas;
        for (const QLabel* l : d.dialogo->findChildren<QLabel*>())
            etiquetas << l->text();
        for (const char* texto : {"Buscar en:", "&Nombre de archivo:", "Tipo de archivo:"})
            QVERIFY2(etiquetas.contains(QString::fromUtf8(texto)), texto);
    }

    // No cut texts ("652…tes"): each of the size, type and date columns is at
    // least as wide as its widest cell, and the name column keeps room.
    void fileDialogColumnsShowWhole()
    {
        DialogoAbierto d(m_dir.path(), kFiltroPlayer, false);
        QVERIFY(QTest::qWaitForWindowExposed(d.dialogo.get()));
        d.todosLosArchivos();
        QTRY_COMPARE(d.celda(QStringLiteral("carpeta"), 2), QStringLiteral("Carpeta"));
        QTRY_VERIFY(!d.celda(QStringLiteral("notas.txt"), 3).isEmpty());
        QCoreApplication::processEvents();
        QHeaderView* cabecera = d.vista->header();
        const QFontMetrics fm(d.vista->font());
        for (int c = 1; c < 4; ++c) {
            int necesario = 0;
            for (const char* nombre :
                 {"sinextension", "pelicula.ovt", "notas.txt", "archivo.zip", "carpeta"})
                necesario = std::max(necesario,
                                     fm.horizontalAdvance(d.celda(QString::fromLatin1(nombre), c)));
            QTRY_VERIFY2(cabecera->sectionSize(c) > necesario, qPrintable(QString::number(c)));
        }
        QVERIFY(cabecera->sectionSize(0) >=
                fm.horizontalAdvance(QStringLiteral("sinextension")) + 40);
        QVERIFY(cabecera->length() <= d.vista->viewport()->width());
    }

    void colourDialogSpeaksSpanish()
    {
        const std::unique_ptr<QColorDialog> d = creaDialogoColor(nullptr, QColor(0x12, 0x34, 0x56));
        QVERIFY(d->testOption(QColorDialog::DontUseNativeDialog));
        QCOMPARE(d->currentColor(), QColor(0x12, 0x34, 0x56));
        QStringList textos;
        for (const QAbstractButton* b : d->findChildren<QAbstractButton*>())
            textos << b->text();
        for (const QLabel* l : d->findChildren<QLabel*>())
            textos << l->text();
        for (const char* texto : {"Aceptar", "Cancelar", "Colores &básicos", "&Rojo:"})
            QVERIFY2(textos.contains(QString::fromUtf8(texto)), texto);
        for (const char* ingles : {"OK", "Cancel", "&Basic colors", "&Red:"})
            QVERIFY2(!textos.contains(QString::fromLatin1(ingles)), ingles);
    }

    // Each pair of neighbouring buttons leaves a visible gap.
    void aboutButtonsKeepApart()
    {
        FrmAbout about(Producto::Player);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QList<QWidget*> fila;
        for (const char* nombre : {"Command1", "cmdSysInfo", "cmdOK"})
            fila << about.findChild<QWidget*>(QString::fromLatin1(nombre));
        for (int i = 0; i + 1 < fila.size(); ++i) {
            const QRect a = fila[i]->geometry();
            const QRect b = fila[i + 1]->geometry();
            QCOMPARE(a.top(), b.top());
            QVERIFY2(b.left() - a.right() - 1 >= 6,
                     qPrintable(fila[i]->objectName() + " / " + fila[i + 1]->objectName()));
        }
    }
};

QTEST_MAIN(TestQtDialogs)
#include "test_qtdialogs.moc"
