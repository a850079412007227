#pragma once

#include <QDialog>
#include <QFile>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStackedLayout;
class QTimer;

namespace orv {
class LineReader;
}

namespace orv::converter {

class AnalysedLines;

// The analyser: a preview of one source that loads on timer ticks (the
// window stays responsive and the load can be cancelled), then measures the
// lines the user selects, width in bytes of the longest line and height in
// lines, and sends either value to the main window.
class Form2 : public QDialog
{
    Q_OBJECT
public:
    explicit Form2(const QString& path, QWidget* parent = nullptr);
    ~Form2() override;

    // One loading step: as many lines as fit in the step's time (a few
    // milliseconds, kept inside a long line too) and its line limit (none),
    // or the end of loading once the file is done or "Cancelar carga" was
    // clicked.
    void Timer1_Timer();
    void setLimitPerStep(int lines, qint64 nanoseconds)
    {
        m_limitPerStep = lines;
        m_budgetNs = nanoseconds;
    }
    bool loading() const;

    // Measures the first contiguous block of selected lines.
    void medirseleccion();

    void Command4_Click();
    void Command2_Click();
    void Command3_Click();
    void Command5_Click();
    void Combo1_Click(int index);

signals:
    void sendWidth(const QString& text);
    void sendHeight(const QString& text);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void finishLoad();

    QFile m_file;
    std::unique_ptr<LineReader> m_reader;
    QStackedLayout* m_area = nullptr;
    QListView* m_list = nullptr;
    AnalysedLines* m_lines = nullptr;
    QLabel* m_label5 = nullptr;
    QPushButton* m_command4 = nullptr;
    QLineEdit* m_ancho = nullptr;
    QLineEdit* m_alto = nullptr;
    QComboBox* m_combo1 = nullptr;
    QTimer* m_timer = nullptr;
    int m_limitPerStep = 1 << 30;
    qint64 m_budgetNs = 8'000'000; // each tick reads about this long, then lets the window breathe
};

} // namespace orv::converter
