#pragma once
// A GIF read whole with giflib, for the tests of the GIF export.
#include <QFile>
#include <QString>
#include <gif_lib.h>
#include <memory>

struct GifCloser
{
    void operator()(GifFileType* g) const
    {
        int error = 0;
        DGifCloseFile(g, &error);
    }
};
using Gif = std::unique_ptr<GifFileType, GifCloser>;

// The file's screen, colour map and images, or null when giflib cannot read it.
inline Gif readGif(const QString& path)
{
    int error = 0;
    Gif gif(DGifOpenFileName(QFile::encodeName(path).constData(), &error));
    if (!gif || DGifSlurp(gif.get()) != GIF_OK)
        return nullptr;
    return gif;
}
