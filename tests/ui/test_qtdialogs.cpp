// Qt's file and colour dialogs as the four programs show them: Spanish
// whatever the system's locale, every file listed under "Todos los archivos
// (*.*)".
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
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using namespace orv::ui;
using namespace Qt::StringLiterals;

namespace {

const QString kFiltroPlayer = u"Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"_s;

void escribe(const QString& ruta, const QByteArray& bytes)
{
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The captions of a window's buttons and labels.
QStringList textos(const QWidget& ventana)
{
    QStringList t;
    for (const QAbstractButton* b : ventana.findChildren<QAbstractButton*>())
        t << b->text();
    for (const QLabel* l : ventana.findChildren<QLabel*>())
        t << l->text();
    return t;
}

// The dialog, shown (not run) on `carpeta`, once its model has read it.
struct DialogoAbierto
{
    std::unique_ptr<QFileDialog> dialogo;
    QTreeView* vista = nullptr;

    DialogoAbierto(const QString& carpeta, const QString& filtro, bool guardar)
        : dialogo(creaDialogoArchivo(nullptr, u"Abrir película ASCII"_s, filtro, guardar))
    {
        vista = dialogo->findChild<QTreeView*>(u"treeView"_s);
        dialogo->setDirectory(carpeta);
        dialogo->show();
    }

    // The view's row for a file name, in the view's own (proxy) model.
    QModelIndex fila(QStringView nombre) const
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
    QString celda(QStringView nombre, int columna) const
    {
        const QModelIndex i = fila(nombre);
        return i.sibling(i.row(), columna).data().toString();
    }
    bool listado(QStringView nombre) const
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
        QVERIFY(QDir(m_dir.path()).mkdir(u"carpeta"_s));
        escribe(m_dir.filePath(u"sinextension"_s), QByteArray(652, 'x'));
        escribe(m_dir.filePath(u"pelicula.ovt"_s), QByteArray(1536, 'x'));
        escribe(m_dir.filePath(u"notas.txt"_s), "hola\n");
        escribe(m_dir.filePath(u"archivo.zip"_s),
                QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
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
        auto* tipos = d.dialogo->findChild<QComboBox*>(u"fileTypeCombo"_s);
        QVERIFY(tipos);
        QCOMPARE(tipos->count(), 2);
        QCOMPARE(tipos->itemText(0), u"Orvane ASCII Movie (*.ovt)"_s);
        QCOMPARE(tipos->itemText(1), u"Todos los archivos (*.*)"_s);
        QTRY_VERIFY(d.listado(u"pelicula.ovt"));
        QVERIFY(!d.listado(u"sinextension"));
        d.todosLosArchivos();
        for (const char* nombre : {"sinextension", "pelicula.ovt", "notas.txt", "archivo.zip"})
            QTRY_VERIFY2(d.listado(QString::fromLatin1(nombre)), nombre);
    }

    // Types, sizes and dates in Spanish under a C or English system locale,
    // and Spanish captions even where Qt's translation has none.
    void fileDialogSpeaksSpanish()
    {
        DialogoAbierto d(m_dir.path(), kFiltroPlayer, false);
        QVERIFY(QTest::qWaitForWindowExposed(d.dialogo.get()));
        d.todosLosArchivos();
        QTRY_VERIFY(d.fila(u"archivo.zip").isValid());
        QTRY_COMPARE(d.celda(u"carpeta", 2), u"Carpeta"_s);
        QTRY_COMPARE(d.celda(u"archivo.zip", 2), u"archivador Zip"_s);
        QTRY_COMPARE(d.celda(u"notas.txt", 2), u"documento de texto sencillo"_s);
        QCOMPARE(d.celda(u"sinextension", 1), u"652 bytes"_s);
        QCOMPARE(d.celda(u"pelicula.ovt", 1), u"1,50 KiB"_s);
        QCOMPARE(d.celda(u"carpeta", 1), QString());
        const QDateTime cuando = QFileInfo(m_dir.filePath(u"notas.txt"_s)).lastModified();
        // Spain's short format: day/month/year, 24-hour clock.
        QCOMPARE(d.celda(u"notas.txt", 3), cuando.toString(u"d/M/yy H:mm"_s));
        QCOMPARE(d.vista->model()->headerData(3, Qt::Horizontal).toString(), u"Última modificación"_s);
        QVERIFY(textos(*d.dialogo).contains(u"&Nombre de archivo:"_s));
    }

    // A name typed bare gets the extension of the kind chosen below it; a
    // name with its own extension, or the "any file" kind, keeps it as typed.
    void saveAddsTheChosenKindsExtension_data()
    {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<QString>("elegido");
        QTest::newRow("first kind") << 0 << u"peli"_s << u"peli.gif"_s;
        QTest::newRow("another kind chosen") << 1 << u"peli"_s << u"peli.html"_s;
        QTest::newRow("its own extension") << 1 << u"peli.htm"_s << u"peli.htm"_s;
        QTest::newRow("any file") << 3 << u"peli"_s << u"peli"_s;
    }
    void saveAddsTheChosenKindsExtension()
    {
        QFETCH(int, tipo);
        QFETCH(QString, escrito);
        QFETCH(QString, elegido);
        DialogoAbierto d(m_dir.path(),
                         u"GIF animado (*.gif)|*.gif|Página web (*.html)|*.html|"
                         "Grabación de terminal (*.cast)|*.cast|Todos los archivos (*.*)|*.*"_s,
                         true);
        auto* tipos = d.dialogo->findChild<QComboBox*>(u"fileTypeCombo"_s);
        auto* nombre = d.dialogo->findChild<QLineEdit*>(u"fileNameEdit"_s);
        QVERIFY(tipos && nombre);
        tipos->setCurrentIndex(tipo);
        emit tipos->activated(tipo); // as when the user picks it
        emit tipos->textActivated(tipos->itemText(tipo));
        nombre->setText(escrito);
        QCOMPARE(d.dialogo->selectedFiles().value(0), m_dir.filePath(elegido));
    }

    // What the user types in an Open dialog of several files is what the
    // program gets, every name of it.
    void openSeveralTakesEveryTypedName_data()
    {
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<QStringList>("elegidos");
        QTest::newRow("three") << u"\"pelicula.ovt\" \"notas.txt\" \"archivo.zip\""_s
                               << QStringList{u"pelicula.ovt"_s, u"notas.txt"_s, u"archivo.zip"_s};
        QTest::newRow("one") << u"notas.txt"_s << QStringList{u"notas.txt"_s};
    }
    void openSeveralTakesEveryTypedName()
    {
        QFETCH(QString, escrito);
        QFETCH(QStringList, elegidos);
        DialogoAbierto d(m_dir.path(), u"Todos los archivos (*.*)|*.*"_s, false);
        d.dialogo->setFileMode(QFileDialog::ExistingFiles);
        auto* nombre = d.dialogo->findChild<QLineEdit*>(u"fileNameEdit"_s);
        QVERIFY(nombre);
        // As typed: the dialog completes and selects as the text grows.
        for (qsizetype n = 1; n <= escrito.size(); ++n)
            nombre->setText(escrito.first(n));
        QStringList esperados;
        for (const QString& e : elegidos)
            esperados << m_dir.filePath(e);
        QCOMPARE(archivosElegidos(*d.dialogo), esperados);
    }

    void colourDialogSpeaksSpanish()
    {
        const std::unique_ptr<QColorDialog> d = creaDialogoColor(nullptr, QColor(0x12, 0x34, 0x56));
        QVERIFY(d->testOption(QColorDialog::DontUseNativeDialog));
        QCOMPARE(d->currentColor(), QColor(0x12, 0x34, 0x56));
        const QStringList escritos = textos(*d);
        for (const char* texto : {"Aceptar", "Cancelar", "Colores &básicos", "&Rojo:"})
            QVERIFY2(escritos.contains(QString::fromUtf8(texto)), texto);
    }

};

QTEST_MAIN(TestQtDialogs)
#include "test_qtdialogs.moc"
