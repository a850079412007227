#include "wmfwork.h"

#include <libwmf/defs.h>
#include <libwmf/gd.h>
#include <libwmf/macro.h>

#include <algorithm>
#include <cstring>

namespace orv::imaging {
namespace {

template <typename Arg>
using DeviceCall = void (*)(wmfAPI*, Arg*);

WmfWork& workOf(wmfAPI* api)
{
    return *static_cast<WmfWork*>(api->user_data);
}

bool fills(wmfDC* dc)
{
    return dc->brush && dc->brush->lbStyle != BS_NULL;
}

// Each call is costed first and made only while the budget lasts.
void drawLine(wmfAPI* api, wmfDrawLine_t* line)
{
    WmfWork& work = workOf(api);
    const wmfD_Coord ends[2] = {line->from, line->to};
    if (work.spend(work.stroke(line->dc, ends, 2, false)))
        work.device().draw_line(api, line);
}

void polyLine(wmfAPI* api, wmfPolyLine_t* line)
{
    WmfWork& work = workOf(api);
    if (work.spend(work.stroke(line->dc, line->pt, line->count, false)))
        work.device().poly_line(api, line);
}

void drawPolygon(wmfAPI* api, wmfPolyLine_t* polygon)
{
    WmfWork& work = workOf(api);
    const double cost = work.stroke(polygon->dc, polygon->pt, polygon->count, true) +
                        work.polygonFill(polygon->dc, polygon->pt, polygon->count);
    if (work.spend(cost))
        work.device().draw_polygon(api, polygon);
}

void drawPolypolygon(wmfAPI* api, wmfPolyPoly_t* polygons)
{
    WmfWork& work = workOf(api);
    double cost = 0;
    for (unsigned i = 0; i < polygons->npoly; ++i) {
        cost += work.stroke(polygons->dc, polygons->pt[i], polygons->count[i], true) +
                work.polygonFill(polygons->dc, polygons->pt[i], polygons->count[i]);
    }
    if (work.spend(cost))
        work.device().draw_polypolygon(api, polygons);
}

void drawRectangle(wmfAPI* api, wmfDrawRectangle_t* box)
{
    WmfWork& work = workOf(api);
    if (work.spend(work.shape(box->dc, box->TL, box->BR)))
        work.device().draw_rectangle(api, box);
}

// Ellipses, arcs, pies and chords: the outline and inside of their box.
template <DeviceCall<wmfDrawArc_t> wmfFunctionReference::*call>
void drawArc(wmfAPI* api, wmfDrawArc_t* arc)
{
    WmfWork& work = workOf(api);
    if (work.spend(work.shape(arc->dc, arc->TL, arc->BR)))
        (work.device().*call)(api, arc);
}

template <DeviceCall<wmfFlood_t> wmfFunctionReference::*call>
void flood(wmfAPI* api, wmfFlood_t* flood)
{
    WmfWork& work = workOf(api);
    if (work.spend(4 * work.picture()))
        (work.device().*call)(api, flood);
}

void drawPixel(wmfAPI* api, wmfDrawPixel_t* pixel)
{
    WmfWork& work = workOf(api);
    if (work.spend(1))
        work.device().draw_pixel(api, pixel);
}

void ropDraw(wmfAPI* api, wmfROP_Draw_t* rop)
{
    WmfWork& work = workOf(api);
    const double area = (work.pixelsX(rop->BR.x - rop->TL.x) + 1) * (work.pixelsY(rop->BR.y - rop->TL.y) + 1);
    if (work.spend(area))
        work.device().rop_draw(api, rop);
}

void bmpDraw(wmfAPI* api, wmfBMP_Draw_t* bmp)
{
    WmfWork& work = workOf(api);
    if (work.spend(double(bmp->bmp.width) * bmp->bmp.height + work.picture()))
        work.device().bmp_draw(api, bmp);
}

void drawText(wmfAPI* api, wmfDrawText_t* text)
{
    // Each character's glyph is drawn at the font's height.
    WmfWork& work = workOf(api);
    const double height = work.pixelsY(text->font_height) + 1;
    const double characters = text->str ? double(std::strlen(text->str)) + 1 : 1;
    if (work.spend(characters * height * height * std::max(1.0, text->font_ratio)))
        work.device().draw_text(api, text);
}

template <DeviceCall<wmfPolyRectangle_t> wmfFunctionReference::*call>
void region(wmfAPI* api, wmfPolyRectangle_t* rects)
{
    WmfWork& work = workOf(api);
    double cost = 0;
    for (unsigned i = 0; i < rects->count; ++i) {
        const double w = work.pixelsX(rects->BR[i].x - rects->TL[i].x) + 1;
        const double h = work.pixelsY(rects->BR[i].y - rects->TL[i].y) + 1;
        const double border = (work.pixelsX(rects->width) + 1) * (work.pixelsY(rects->height) + 1);
        cost += w * h + 2 * (w + h) * border;
    }
    if (work.spend(cost))
        (work.device().*call)(api, rects);
}

} // namespace

WmfWork::WmfWork(wmfAPI* api, double budget) : m_budget(budget)
{
    const wmf_gd_t* gd = WMF_GD_GetData(api);
    m_width = gd->width;
    m_height = gd->height;
    const double spanX = double(gd->bbox.BR.x) - gd->bbox.TL.x;
    const double spanY = double(gd->bbox.BR.y) - gd->bbox.TL.y;
    m_scaleX = spanX != 0 ? m_width / std::abs(spanX) : 1;
    m_scaleY = spanY != 0 ? m_height / std::abs(spanY) : 1;

    auto* device = static_cast<wmfFunctionReference*>(api->function_reference);
    m_device = *device;
    api->user_data = this;
    device->draw_line = drawLine;
    device->poly_line = polyLine;
    device->draw_polygon = drawPolygon;
    device->draw_polypolygon = drawPolypolygon;
    device->draw_rectangle = drawRectangle;
    device->draw_ellipse = drawArc<&wmfFunctionReference::draw_ellipse>;
    device->draw_arc = drawArc<&wmfFunctionReference::draw_arc>;
    device->draw_pie = drawArc<&wmfFunctionReference::draw_pie>;
    device->draw_chord = drawArc<&wmfFunctionReference::draw_chord>;
    device->flood_interior = flood<&wmfFunctionReference::flood_interior>;
    device->flood_exterior = flood<&wmfFunctionReference::flood_exterior>;
    device->draw_pixel = drawPixel;
    device->rop_draw = ropDraw;
    device->bmp_draw = bmpDraw;
    device->draw_text = drawText;
    device->region_frame = region<&wmfFunctionReference::region_frame>;
    device->region_paint = region<&wmfFunctionReference::region_paint>;
}

bool WmfWork::spend(double cost)
{
    if (m_exceeded || cost > m_budget) {
        m_exceeded = true;
        return false;
    }
    m_budget -= cost;
    return true;
}

double WmfWork::penArea(wmfDC* dc) const
{
    // The device stamps a brush as wide and high as the pen at each pixel.
    const wmfPen* pen = dc->pen;
    if (!pen || (pen->lopnStyle & PS_STYLE_MASK) == PS_NULL)
        return 0;
    return (pixelsX(pen->width) + 1) * (pixelsY(pen->height) + 1);
}

double WmfWork::stroke(wmfDC* dc, const wmfD_Coord* points, int count, bool closed) const
{
    const double stamp = penArea(dc);
    if (stamp == 0 || count < 1 || !points)
        return 0;
    double length = 1;
    for (int k = 1; k <= count; ++k) {
        if (k == count && !closed)
            break;
        const wmfD_Coord& a = points[k - 1];
        const wmfD_Coord& b = points[k % count];
        length += std::max(pixelsX(b.x - a.x), pixelsY(b.y - a.y)) + 1;
    }
    return length * stamp;
}

double WmfWork::shape(wmfDC* dc, wmfD_Coord tl, wmfD_Coord br) const
{
    const double w = pixelsX(br.x - tl.x) + 1, h = pixelsY(br.y - tl.y) + 1;
    return 3 * (w + h) * penArea(dc) + (fills(dc) ? w * h : 0);
}

double WmfWork::polygonFill(wmfDC* dc, const wmfD_Coord* points, int count) const
{
    if (!fills(dc) || count < 1 || !points)
        return 0;
    // Every row of the polygon's box is scanned for the edges it crosses.
    double left = points[0].x, right = left, top = points[0].y, bottom = top;
    for (int k = 1; k < count; ++k) {
        left = std::min(left, double(points[k].x));
        right = std::max(right, double(points[k].x));
        top = std::min(top, double(points[k].y));
        bottom = std::max(bottom, double(points[k].y));
    }
    const double rows = pixelsY(bottom - top) + 1;
    return rows * (pixelsX(right - left) + 1 + count);
}

} // namespace orv::imaging
