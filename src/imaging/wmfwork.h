#pragma once

#include <libwmf/api.h>
#include <libwmf/ipa.h>

#include <QtGlobal>

#include <cmath>

namespace orv::imaging {

// Bounds the work libwmf's raster device does for one metafile. libwmf asks
// between records whether to go on, but a single record can take minutes:
// its raster device stamps a wide pen's square brush at every pixel of a
// line, also where the line runs far outside the picture. Each drawing call
// is costed first, in pixels written, from the same mapping the device
// uses; the call that would pass the budget is not made, and the drawing
// stops at the next record. Refusing costs at most the budget's work.
class WmfWork
{
public:
    // The drawing calls of `api` (gd device, its picture size and frame
    // set) go through this object from now on; it must outlive wmf_play().
    WmfWork(wmfAPI* api, double budget);
    WmfWork(const WmfWork&) = delete;
    WmfWork& operator=(const WmfWork&) = delete;

    bool exceeded() const { return m_exceeded; }

    // The pixels the device writes: a line through `points` with the
    // current pen; the outline and inside of a shape within a box (the
    // device fills the whole box, also what lies outside the picture); the
    // inside of a polygon; the whole picture.
    double stroke(wmfDC* dc, const wmfD_Coord* points, int count, bool closed) const;
    double shape(wmfDC* dc, wmfD_Coord tl, wmfD_Coord br) const;
    double polygonFill(wmfDC* dc, const wmfD_Coord* points, int count) const;
    double picture() const { return double(m_width) * m_height; }
    double pixelsX(double units) const { return std::abs(units) * m_scaleX; }
    double pixelsY(double units) const { return std::abs(units) * m_scaleY; }

    // Takes `cost` from the budget; false, from then on, once it runs out.
    bool spend(double cost);

    const wmfFunctionReference& device() const { return m_device; }

private:
    double penArea(wmfDC* dc) const;

    wmfFunctionReference m_device; // libwmf's own calls, made when affordable
    double m_scaleX = 1, m_scaleY = 1;
    unsigned m_width = 0, m_height = 0;
    double m_budget;
    bool m_exceeded = false;
};

} // namespace orv::imaging
