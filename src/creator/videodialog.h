#pragma once

#include "filename.h"

#include "videoimport.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTimer;

namespace orv::creator {

// "Importar video": how a clip becomes a movie (width in characters, frames
// a second, the stretch of the clip, light on dark), with the first frame
// the movie would show, as text in the movies' font, kept up to date as the
// width and the other choices change.
class VideoDialog : public QDialog
{
    Q_OBJECT
public:
    explicit VideoDialog(const FileName& clip, QWidget* parent = nullptr);

    // The choices; valid once the dialog was accepted.
    video::VideoOptions options() const;

    // Redraws the preview now (it follows the controls after a short pause).
    void updateView();

private:
    bool readSpan(video::VideoOptions& o) const;
    void acceptIfValid();

    FileName m_clip;
    QSpinBox* m_width;
    QDoubleSpinBox* m_fps;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QCheckBox* m_reverse;
    QPlainTextEdit* m_view;
    QLabel* m_state;
    QTimer* m_wait;
};

} // namespace orv::creator
