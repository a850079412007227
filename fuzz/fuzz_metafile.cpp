// Fuzz target for the metafile decoders: any bytes, read as a WMF and as an
// EMF, must give a picture within the pixel limit or nothing. libwmf and
// libemf2svg trust the sizes a file gives; the checks before them are what
// is fuzzed, and a sanitizer report inside either library is a finding too.
#include "decode.h"
#include "metafile.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkSize(const std::optional<QImage>& image)
{
    if (image && qint64(image->width()) * image->height() > orv::imaging::kMaxPixels)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Qt SVG lays out text with fonts, which need the application object.
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_metafile";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkSize(orv::imaging::drawWmf(bytes));
    checkSize(orv::imaging::drawEmf(bytes));
    return 0;
}
