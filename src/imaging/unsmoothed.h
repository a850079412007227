#pragma once

#include <QImage>
#include <QPaintDevice>
#include <memory>

namespace orv::imaging {

class UnsmoothedEngine;

// A paint device that draws into an image with every smoothing hint ignored.
// Qt SVG turns antialiasing on for itself; drawn through this device a
// metafile's edges stay in the metafile's own colours, as the system's
// metafile player draws them, instead of adding blended tones.
class UnsmoothedCanvas : public QPaintDevice
{
public:
    explicit UnsmoothedCanvas(QImage* target);
    ~UnsmoothedCanvas() override;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QImage* m_target;
    std::unique_ptr<UnsmoothedEngine> m_engine;
};

} // namespace orv::imaging
