#pragma once

#include "importacion.h"

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
class DialogoVideo : public QDialog
{
    Q_OBJECT
public:
    explicit DialogoVideo(const QString& clip, QWidget* parent = nullptr);

    // The choices; valid once the dialog was accepted.
    video::OpcionesVideo opciones() const;

    // Redraws the preview now (it follows the controls after a short pause).
    void actualizaVista();

private:
    bool leeTramo(video::OpcionesVideo& o) const;
    void aceptar();

    QString m_clip;
    QSpinBox* m_ancho;
    QDoubleSpinBox* m_fps;
    QLineEdit* m_desde;
    QLineEdit* m_hasta;
    QCheckBox* m_invertir;
    QPlainTextEdit* m_vista;
    QLabel* m_estado;
    QTimer* m_espera;
};

} // namespace orv::creator
