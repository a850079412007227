#pragma once

#include <QImage>
#include <QPaintDevice>
#include <memory>

namespace orv::imaging {

class MotorSinSuavizado;

// A paint device that draws into an image with every smoothing hint ignored.
// Qt SVG turns antialiasing on for itself; drawn through this device a
// metafile's edges stay in the metafile's own colours, as the system's
// metafile player draws them, instead of adding blended tones.
class LienzoSinSuavizado : public QPaintDevice
{
public:
    explicit LienzoSinSuavizado(QImage* destino);
    ~LienzoSinSuavizado() override;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metrica) const override;

private:
    QImage* m_destino;
    std::unique_ptr<MotorSinSuavizado> m_motor;
};

} // namespace orv::imaging
