// The batch, the drops that start it, the stored mode and the menus.
#include "form1.h"

#include "cgzipfiles.h"
#include "filelist.h"
#include "form2.h"
#include "frmabout.h"
#include "numeric.h"
#include "prompt.h"
#include "promptpasswords.h"
#include "settings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QRadioButton>
#include <QScopeGuard>
#include <QUrl>

namespace orv::compactor {
namespace {

QString one(bool yes)
{
    return yes ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void Form1::cargaModo()
{
    // Each stored "1" selects its option and unselects the others, in this
    // order; with no "1" at all no option stays selected.
    const std::pair<QRadioButton*, const char*> order[] = {
        {m_mauto, "mAu"}, {m_mcomp, "mSc"}, {m_mdesc, "mSd"}, {m_manal, "mAn"}};
    for (const auto& [button, name] : order)
        button->setAutoExclusive(false);
    for (const auto& [button, name] : order) {
        const bool chosen = leeValor(regProg() + QLatin1String(name)) == QLatin1String("1");
        if (chosen)
            for (const auto& [other, n] : order)
                other->setChecked(false);
        button->setChecked(chosen);
    }
    for (const auto& [button, name] : order)
        button->setAutoExclusive(true);
    m_check1->setChecked(numericValue(leeValor(regProg() + QLatin1String("mFb"))) != 0);
}

void Form1::guardaModo()
{
    guardaValor(regProg() + QLatin1String("mAu"), one(m_mauto->isChecked()));
    guardaValor(regProg() + QLatin1String("mSc"), one(m_mcomp->isChecked()));
    guardaValor(regProg() + QLatin1String("mSd"), one(m_mdesc->isChecked()));
    guardaValor(regProg() + QLatin1String("mAn"), one(m_manal->isChecked()));
    guardaValor(regProg() + QLatin1String("mFb"), one(m_check1->isChecked()));
}

CompactionMode Form1::selectedMode() const
{
    if (m_mauto->isChecked())
        return CompactionMode::Automatic;
    if (m_mcomp->isChecked())
        return CompactionMode::CompressOnly;
    if (m_mdesc->isChecked())
        return CompactionMode::DecompressOnly;
    if (m_manal->isChecked())
        return CompactionMode::Analyse;
    return CompactionMode::None;
}

bool Form1::processBatch(const FileNames& paths)
{
    if (m_busy)
        return false;
    m_busy = true;
    habilitaEntrada(false);
    m_list1->clear();
    // Long files and long batches keep the window painting and show which
    // file is being handled.
    auto paint = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    CodeModule::setZipEventPump(paint);
    const auto end = qScopeGuard([this] {
        CodeModule::setZipEventPump({});
        m_currentFile->clear();
        m_busy = false;
    });
    Compactor engine([this](const QString& line) {
        m_list1->addItem(line);
        m_list1->setCurrentRow(m_list1->count() - 1);
    });
    engine.setMode(selectedMode());
    engine.setBruteForce(m_check1->isChecked());
    engine.setStepFault(m_fault);
    engine.setProgress([this, paint](const FileName& path) {
        m_currentFile->setText(path.display());
        paint();
    });
    ui::PromptPasswords passwords(this, windowTitle());
    engine.setPasswords(&passwords);
    for (const FileName& path : paths) {
        if (engine.procesaArchivo(path).state == FileState::BuildError) {
            failWith();
            return true;
        }
    }
    engine.agregaHistorial(Compactor::summaryLine(static_cast<int>(paths.size())));
    habilitaEntrada(true);
    m_list1->scrollToBottom(); // the summary in view once the drop box is back
    return true;
}

// A failed archive build ends the program, as it always has; the engine has
// already put the movie back as it was and removed its scratch file. The
// program ends from the event loop, never inside the event being handled.
void Form1::failWith()
{
    ui::prompt().message(this, QStringLiteral("Error"), QStringLiteral("Orvane ASCII Compactor"),
                         ui::Icon::None, ui::Buttons::Ok);
    hide();
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
}

// The batch runs once the drop has returned: the system's drag and drop is
// finished with before the first file is touched, and before the program
// can end.
void Form1::Frame1_OLEDragDrop(const QMimeData* mime)
{
    addBatch(ui::droppedPaths(mime));
}

// Dropped or chosen in "Agregar películas...", the paths take one road.
void Form1::addBatch(const FileNames& paths)
{
    if (paths.isEmpty() || m_busy || m_pendingBatch)
        return;
    m_pendingBatch = true;
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            m_pendingBatch = false;
            processBatch(paths);
        },
        Qt::QueuedConnection);
}

bool Form1::eventFilter(QObject* object, QEvent* event)
{
    if (object != m_frame1 && object != m_label1)
        return QMainWindow::eventFilter(object, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!m_busy && !m_pendingBatch && !ui::droppedPaths(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (m_busy || m_pendingBatch) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        Frame1_OLEDragDrop(drop->mimeData());
        return true;
    }
    default:
        return QMainWindow::eventFilter(object, event);
    }
}

void Form1::List1_DblClick()
{
    if (m_menu_verhistorial->isEnabled())
        menu_verhistorial_Click();
}

void Form1::menu_verhistorial_Click()
{
    QStringList lines;
    for (int i = 0; i < m_list1->count(); ++i)
        lines << m_list1->item(i)->text();
    Form2 viewer(lines, this);
    viewer.exec();
}

void Form1::menu_acerca_Click()
{
    ui::FrmAbout about(ui::Product::Compactor, this);
    about.exec();
}

void Form1::menu_salir_Click()
{
    close();
    QCoreApplication::quit();
}

} // namespace orv::compactor
