#pragma once

#include "filename.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

namespace orv::video {

// A video clip or animated picture read through FFmpeg's libraries: its
// first video stream, frames in presentation order, each handed over as
// 8-bit grey (the picture's luma) scaled to the size asked for.
class Clip
{
public:
    enum class Fault { None, NotVideo, NoVideo };

    // Opens the file by its name's bytes (see nativename.h); only a regular
    // file is opened. Nothing, with `failure` set, when it is no clip the
    // libraries read or holds no video stream.
    static std::unique_ptr<Clip> open(const FileName& path, Fault& failure);
    ~Clip();
    Clip(const Clip&) = delete;
    Clip& operator=(const Clip&) = delete;

    // The picture's size in pixels as it is displayed: the pixel aspect
    // ratio applied to the width, and turned as the display matrix says (a
    // phone's portrait clip is stored sideways with a quarter turn to apply).
    QSize visibleSize() const;
    // The quarter turns, clockwise, the display matrix asks for (0 to 3),
    // and whether it mirrors the picture left to right first.
    int quarterTurns() const;
    bool mirrored() const;
    // The stream's own frame rate (0 when it does not say).
    double fps() const;
    // How long the container says the clip lasts, in seconds (-1 when it
    // does not say). A clip cut short still says its whole length.
    double statedDuration() const;

    // The presentation time, in seconds, of every frame, in order, read from
    // the container without decoding; the decoding then gives the same
    // frames in the same order. `end` receives when the last frame stops
    // showing, when the container says (else -1).
    std::vector<double> times(double& end);

    // Decodes frames in order, from the start or from where seek() left:
    // the next frame's time and its grey pixels, upright, `size` scaled
    // (`size` as displayed), row after row. False at the end or when nothing
    // more can be decoded.
    bool next(QSize size, double& time, QByteArray& grey);

    // Goes to the key frame at or before `seconds`, so that decoding starts
    // there rather than at the clip's start. False when the container cannot
    // seek (decoding then goes on from where it was).
    bool seek(double seconds);
    // Frames decoded so far.
    qint64 decodedFrames() const;

    // The moments the caller takes pictures at, `from + k / fps`: a frame
    // that no other frame refers to and that is not on screen at any of them
    // is not decoded at all (sampling a 30 fps clip at 10 fps skips such
    // frames).
    void sampleAt(double from, double fps);

private:
    struct State;
    explicit Clip(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace orv::video
