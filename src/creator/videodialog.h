#pragma once

#include "filename.h"

#include "videoimport.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace orv::creator {

// "Importar video": how a clip becomes a movie (width in characters, frames
// a second, the stretch of the clip, light on dark, dithering), with the
// first frame the movie would show, whole, as text in the movies' font, kept
// up to date as the choices change. The preview is decoded off the window's
// thread, the newest request replacing older ones, so the window never
// waits on a decode; "Aceptar" is usable only while the choices make a
// movie.
class VideoDialog : public QDialog
{
    Q_OBJECT
public:
    explicit VideoDialog(const FileName& clip, QWidget* parent = nullptr);
    ~VideoDialog() override;

    // The choices; valid once the dialog was accepted.
    video::VideoOptions options() const;

    // Asks for the preview of the choices now (it follows the controls after
    // a short pause); it shows once decoded.
    void updateView();

private:
    class Previewer;
    bool readSpan(video::VideoOptions& o) const;
    void acceptIfValid();
    void show(int request, const std::optional<QByteArray>& frame, QSize cells, video::VideoState state,
              bool reverse);
    void fitView(QSize cells);

    FileName m_clip;
    QSpinBox* m_width;
    QDoubleSpinBox* m_fps;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QCheckBox* m_reverse;
    QCheckBox* m_dither;
    QDoubleSpinBox* m_gamma;
    QDoubleSpinBox* m_contrast;
    QDoubleSpinBox* m_brightness;
    QPlainTextEdit* m_view;
    QLabel* m_state;
    QPushButton* m_accept;
    QTimer* m_wait;
    int m_requested = 0; // the newest preview asked for
    std::unique_ptr<Previewer> m_previewer;
};

} // namespace orv::creator
