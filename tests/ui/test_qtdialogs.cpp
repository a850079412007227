// Qt's file dialogs as the four programs show them: sizes and dates the
// Spanish way whatever the system's locale, every file listed under "Todos
// los archivos (*.*)", names that are not UTF-8 chosen by their bytes.
#include "prompt.h"
#include "qtdialogs.h"
#include "translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

using namespace orv::ui;
using namespace Qt::StringLiterals;

namespace {

const QString kPlayerFilter = u"Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"_s;

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The captions of a window's buttons and labels.
QStringList texts(const QWidget& window)
{
    QStringList t;
    for (const QAbstractButton* b : window.findChildren<QAbstractButton*>())
        t << b->text();
    for (const QLabel* l : window.findChildren<QLabel*>())
        t << l->text();
    return t;
}

// The dialog, shown (not run) on `folder`, once its model has read it.
struct OpenDialog
{
    std::unique_ptr<QFileDialog> dialog;
    QTreeView* view = nullptr;

    OpenDialog(const QString& folder, const QString& filter, bool save)
        : dialog(makeFileDialog(nullptr, u"Abrir película ASCII"_s, filter, save))
    {
        view = dialog->findChild<QTreeView*>(u"treeView"_s);
        dialog->setDirectory(folder);
        dialog->show();
    }

    // The view's row for a file name, in the view's own (proxy) model.
    QModelIndex row(QStringView name) const
    {
        const QAbstractItemModel* m = view->model();
        const QModelIndex root = view->rootIndex();
        for (int r = 0; r < m->rowCount(root); ++r) {
            const QModelIndex i = m->index(r, 0, root);
            if (i.data().toString() == name)
                return i;
        }
        return {};
    }
    QString cell(QStringView name, int column) const
    {
        const QModelIndex i = row(name);
        return i.sibling(i.row(), column).data().toString();
    }
    bool listed(QStringView name) const
    {
        return row(name).isValid() && (row(name).flags() & Qt::ItemIsEnabled);
    }
    void allFiles() const { dialog->selectNameFilter(dialog->nameFilters().constLast()); }
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
        QVERIFY(installTranslations(*qApp));
        QVERIFY(QDir(m_dir.path()).mkdir(u"carpeta"_s));
        write(m_dir.filePath(u"sinextension"_s), QByteArray(652, 'x'));
        write(m_dir.filePath(u"pelicula.ovt"_s), QByteArray(1536, 'x'));
        write(m_dir.filePath(u"notas.txt"_s), "hola\n");
        write(m_dir.filePath(u"archivo.zip"_s), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    }

    // The captions read exactly as written; the second lists every file, a
    // name without a dot included.
    void allFilesListsEveryName_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("open") << false;
        QTest::newRow("save") << true;
    }
    void allFilesListsEveryName()
    {
        QFETCH(bool, save);
        OpenDialog d(m_dir.path(), kPlayerFilter, save);
        auto* types = d.dialog->findChild<QComboBox*>(u"fileTypeCombo"_s);
        QVERIFY(types);
        QCOMPARE(types->count(), 2);
        QCOMPARE(types->itemText(0), u"Orvane ASCII Movie (*.ovt)"_s);
        QCOMPARE(types->itemText(1), u"Todos los archivos (*.*)"_s);
        QTRY_VERIFY(d.listed(u"pelicula.ovt"));
        QVERIFY(!d.listed(u"sinextension"));
        d.allFiles();
        for (const char* name : {"sinextension", "pelicula.ovt", "notas.txt", "archivo.zip"})
            QTRY_VERIFY2(d.listed(QString::fromLatin1(name)), name);
    }

    // Sizes, dates and folders the Spanish way under a C or English system
    // locale, and the captions the suite writes itself.
    void fileDialogSpeaksSpanish()
    {
        OpenDialog d(m_dir.path(), kPlayerFilter, false);
        QVERIFY(QTest::qWaitForWindowExposed(d.dialog.get()));
        d.allFiles();
        QTRY_VERIFY(d.row(u"notas.txt").isValid());
        QTRY_COMPARE(d.cell(u"carpeta", 2), u"Carpeta"_s);
        QCOMPARE(d.cell(u"sinextension", 1), u"652 bytes"_s);
        QCOMPARE(d.cell(u"pelicula.ovt", 1), u"1,50 KiB"_s);
        QCOMPARE(d.cell(u"carpeta", 1), QString());
        const QDateTime when = QFileInfo(m_dir.filePath(u"notas.txt"_s)).lastModified();
        // Spain's short format: day/month/year, 24-hour clock.
        QCOMPARE(d.cell(u"notas.txt", 3), when.toString(u"d/M/yy H:mm"_s));
        QVERIFY(texts(*d.dialog).contains(u"&Nombre de archivo:"_s));
    }

    // Every file of a choice of thousands reaches the program: the name box
    // that carries them is not cut at a line edit's usual length.
    void openSeveralTakesThousands()
    {
        QTemporaryDir many;
        for (int i = 0; i < 5000; ++i)
            write(many.filePath(u"cuadro%1.bmp"_s.arg(i, 5, 10, QChar(u'0'))), "x");
        OpenDialog d(many.path(), u"Todos los archivos (*.*)|*.*"_s, false);
        d.dialog->setFileMode(QFileDialog::ExistingFiles);
        QTRY_COMPARE(d.view->model()->rowCount(d.view->rootIndex()), 5000);
        d.view->setFocus();
        QTest::keyClick(d.view, Qt::Key_A, Qt::ControlModifier); // as a person chooses them all
        QCOMPARE(chosenFiles(*d.dialog).size(), 5000);
    }

    // A name that is not UTF-8 is listed with U+FFFD for its odd bytes; chosen
    // there, the dialog accepts it, and the program gets the name's bytes.
    void nameThatIsNotUtf8CanBeChosen()
    {
        const QByteArray bytes = QFile::encodeName(m_dir.path()) + "/pel\xed" "cula.ovt";
        QVERIFY(std::fclose(std::fopen(bytes.constData(), "w")) == 0);
        const auto erase = qScopeGuard([&] { std::remove(bytes.constData()); });
        OpenDialog d(m_dir.path(), kPlayerFilter, false);
        auto* name = d.dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
        QVERIFY(name);
        name->setText(QFile::decodeName(bytes).section(u'/', -1));
        // Qt's own refusal would be a real message box: it is closed, and
        // the dialog then stays unaccepted.
        QTimer::singleShot(2000, qApp, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        QVERIFY(QMetaObject::invokeMethod(d.dialog.get(), "accept"));
        QCOMPARE(d.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(orv::nameFromDecodedText(d.dialog->selectedFiles().value(0)).bytes(), bytes);
    }

    // A name typed bare gets the extension of the kind chosen below it; a
    // name with its own extension, or the "any file" kind, keeps it as typed.
    void saveAddsTheChosenKindsExtension_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("first kind") << 0 << u"peli"_s << u"peli.gif"_s;
        QTest::newRow("another kind chosen") << 1 << u"peli"_s << u"peli.html"_s;
        QTest::newRow("its own extension") << 1 << u"peli.htm"_s << u"peli.htm"_s;
        QTest::newRow("any file") << 3 << u"peli"_s << u"peli"_s;
    }
    void saveAddsTheChosenKindsExtension()
    {
        QFETCH(int, type);
        QFETCH(QString, written);
        QFETCH(QString, chosen);
        OpenDialog d(m_dir.path(),
                     u"GIF animado (*.gif)|*.gif|Página web (*.html)|*.html|"
                     "Grabación de terminal (*.cast)|*.cast|Todos los archivos (*.*)|*.*"_s,
                     true);
        auto* types = d.dialog->findChild<QComboBox*>(u"fileTypeCombo"_s);
        auto* name = d.dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
        QVERIFY(types && name);
        types->setCurrentIndex(type);
        emit types->activated(type); // as when the user picks it
        emit types->textActivated(types->itemText(type));
        name->setText(written);
        QCOMPARE(d.dialog->selectedFiles().value(0), m_dir.filePath(chosen));
    }

    // What the user types in an Open dialog of several files is what the
    // program gets, every name of it.
    void openSeveralTakesEveryTypedName_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QStringList>("chosen");
        QTest::newRow("three") << u"\"pelicula.ovt\" \"notas.txt\" \"archivo.zip\""_s
                               << QStringList{u"pelicula.ovt"_s, u"notas.txt"_s, u"archivo.zip"_s};
        QTest::newRow("one") << u"notas.txt"_s << QStringList{u"notas.txt"_s};
    }
    void openSeveralTakesEveryTypedName()
    {
        QFETCH(QString, written);
        QFETCH(QStringList, chosen);
        OpenDialog d(m_dir.path(), u"Todos los archivos (*.*)|*.*"_s, false);
        d.dialog->setFileMode(QFileDialog::ExistingFiles);
        auto* name = d.dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
        QVERIFY(name);
        // As typed: the dialog completes and selects as the text grows.
        for (qsizetype n = 1; n <= written.size(); ++n)
            name->setText(written.first(n));
        QStringList expected;
        for (const QString& e : chosen)
            expected << m_dir.filePath(e);
        QCOMPARE(chosenFiles(*d.dialog), expected);
    }
};

QTEST_MAIN(TestQtDialogs)
#include "test_qtdialogs.moc"
