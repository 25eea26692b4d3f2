#include "app/win32/picturepaint.h"

#include <cmath>
#include <vector>

#include "app/win32/winwindow.h"
#include "platform/widetext.h"

namespace kvo::win32 {
namespace {

COLORREF Gdi(const artwork::Colour& colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

// Selects an object into the device context for one shape and gives the previous one back.
class Selected {
  public:
    Selected(HDC dc, HGDIOBJ object, bool owned) : dc_(dc), owned_(owned ? object : nullptr) {
        previous_ = SelectObject(dc, object);
    }
    ~Selected() {
        SelectObject(dc_, previous_);
        if (owned_ != nullptr) {
            DeleteObject(owned_);
        }
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

  private:
    HDC dc_;
    HGDIOBJ owned_;
    HGDIOBJ previous_ = nullptr;
};

struct Mapping {
    POINT origin;
    double scale;

    int x(double designed) const {
        return origin.x + static_cast<int>(std::lround(designed * scale));
    }
    int y(double designed) const {
        return origin.y + static_cast<int>(std::lround(designed * scale));
    }
    POINT point(const artwork::Point& p) const { return {x(p.x), y(p.y)}; }
};

HGDIOBJ PenFor(const std::optional<artwork::Pen>& pen, double scale) {
    if (!pen) {
        return GetStockObject(NULL_PEN);
    }
    const int width = std::max(1, static_cast<int>(std::lround(pen->width * scale)));
    // GDI dashes only one-pixel pens.
    return CreatePen(pen->dashed ? PS_DASH : PS_SOLID, pen->dashed ? 1 : width, Gdi(pen->colour));
}

void PaintPath(HDC dc, const artwork::Shape& shape, const Mapping& map) {
    std::vector<POINT> points;
    for (const artwork::Point& p : shape.points) {
        points.push_back(map.point(p));
    }
    const int count = static_cast<int>(points.size());
    if (shape.closed) {
        Polygon(dc, points.data(), count);
        return;
    }
    if (shape.fill) {
        // The fill as if closed, the outline open.
        const Selected noPen(dc, GetStockObject(NULL_PEN), false);
        Polygon(dc, points.data(), count);
    }
    Polyline(dc, points.data(), count);
}

void PaintText(HDC dc, const artwork::Shape& shape, const Mapping& map, UINT dpi) {
    const Font font = FormFont(dpi);
    const Selected selected(dc, font.get(), false);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, shape.pen ? Gdi(shape.pen->colour) : RGB(0, 0, 0));
    RECT box{map.x(shape.points[0].x), map.y(shape.points[0].y), map.x(shape.points[1].x),
             map.y(shape.points[1].y)};
    const std::wstring text = WideOf(shape.text);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

void PaintPicture(HDC dc, const artwork::Picture& picture, POINT origin, UINT dpi,
                  const RECT& clip) {
    const Mapping map{origin, static_cast<double>(dpi) / kDesignDpi};
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    if (picture.background) {
        const RECT area{origin.x, origin.y, map.x(picture.width), map.y(picture.height)};
        const HBRUSH brush = CreateSolidBrush(Gdi(*picture.background));
        FillRect(dc, &area, brush);
        DeleteObject(brush);
    }
    for (const artwork::Shape& shape : picture.shapes) {
        const HGDIOBJ pen = PenFor(shape.pen, map.scale);
        const Selected penSelected(dc, pen, shape.pen.has_value());
        const HGDIOBJ brush =
            shape.fill ? CreateSolidBrush(Gdi(*shape.fill)) : GetStockObject(NULL_BRUSH);
        const Selected brushSelected(dc, brush, shape.fill.has_value());
        switch (shape.kind) {
            case artwork::Shape::Kind::Path:
                PaintPath(dc, shape, map);
                break;
            case artwork::Shape::Kind::Ellipse: {
                const artwork::Point& centre = shape.points.front();
                Ellipse(dc, map.x(centre.x - shape.radiusX), map.y(centre.y - shape.radiusY),
                        map.x(centre.x + shape.radiusX), map.y(centre.y + shape.radiusY));
                break;
            }
            case artwork::Shape::Kind::Text:
                PaintText(dc, shape, map, dpi);
                break;
        }
    }
    RestoreDC(dc, saved);
}

}  // namespace kvo::win32
