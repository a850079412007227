#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <optional>

// Clips made and read back with FFmpeg's libraries, so the video tests own
// their inputs and check their outputs without the ffmpeg command.
namespace videofixtures {

enum class Clase {
    GrisSinPerdida, // FFV1 in Matroska, 8-bit grey: every level kept exactly
    H264,           // libx264 in MP4, yuv420p
};

// Writes `cuadros` (all one size) as a clip, frame i shown from
// `tiemposMs[i]` (every 40 ms when not given).
bool escribeClip(const QString& ruta, const QList<QImage>& cuadros, Clase clase,
                 const QList<int>& tiemposMs = {});

// Every frame of a video file, decoded.
struct Video
{
    QString codec;
    QString contenedor;
    int flujos = 0;
    QSize tamano;
    QList<qint64> tiemposMs;    // each frame's start
    qint64 duracionMs = 0;      // the whole video's, as its container says
    QList<QImage> cuadros;      // RGB32
};
std::optional<Video> leeVideo(const QString& ruta);

// Peak signal-to-noise ratio of `b` against `a` over every channel, in dB
// (infinity when equal).
double psnr(const QImage& a, const QImage& b);

} // namespace videofixtures
