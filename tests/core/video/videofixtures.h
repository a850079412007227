#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <optional>

// Clips made and read back with FFmpeg's libraries, so the video tests own
// their inputs and check their outputs without the ffmpeg command.
namespace videofixtures {

enum class Kind {
    LosslessGrey, // FFV1 in Matroska, 8-bit grey: every level kept exactly
    H264,         // libx264 in MP4, yuv420p, nearly lossless, no B-frames
    H264Typical,  // libx264 in MP4 as clips come: its default quality, B-frames
};

// Writes `cuadros` (all one size) as a clip, frame i shown from
// `timesMs[i]` (every 40 ms when not given). `rotation` (MP4 only) is the
// display matrix's angle as av_display_rotation_set() takes it.
bool writeClip(const QString& path, const QList<QImage>& cuadros, Kind kind,
               const QList<int>& timesMs = {}, int rotation = 0);

// A WAV file of `seconds` of a 440 Hz tone, 16-bit PCM stereo at 44.1 kHz.
bool writeTone(const QString& path, int seconds);

// Every frame of a video file, decoded.
struct Video
{
    QString codec;
    QString container;
    int streams = 0;
    QSize size;
    QList<qint64> timesMs;      // each frame's start
    qint64 durationMs = 0;      // the whole video's, as its container says
    QList<QImage> cuadros;      // RGB32
    QList<QByteArray> grey;     // with a grey size: each frame's luma scaled to it by area
    QString audioCodec;         // the first audio stream's, when there is one
    qint64 audioMs = 0;         // where its last packet ends
};
// Decoded exactly, as FFmpeg decodes by default (every filter of the codec).
std::optional<Video> readVideo(const QString& path, QSize greySize = {});

// Peak signal-to-noise ratio of `b` against `a` over every channel, in dB
// (infinity when equal).
double psnr(const QImage& a, const QImage& b);

} // namespace videofixtures
