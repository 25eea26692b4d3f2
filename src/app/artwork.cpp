#include "app/artwork.h"

#include <cmath>
#include <numbers>

namespace kvo::artwork {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr Colour kDarkBlue{0, 0, 128};
constexpr Colour kGray{160, 160, 164};
constexpr Colour kRed{255, 0, 0};
constexpr Colour kDarkGreen{0, 128, 0};
constexpr Colour kBlade{70, 110, 190};
constexpr Colour kHub{200, 200, 60};

Shape Ellipse(Point centre, double radius, std::optional<Pen> pen, std::optional<Colour> fill) {
    Shape ellipse;
    ellipse.kind = Shape::Kind::Ellipse;
    ellipse.pen = pen;
    ellipse.fill = fill;
    ellipse.points = {centre};
    ellipse.radiusX = radius;
    ellipse.radiusY = radius;
    return ellipse;
}

// Hub and blades of a rotor of the given radius around `centre`.
void AddRotor(std::vector<Shape>& shapes, Point centre, double radius, int blades) {
    const Pen outline{kDarkBlue, radius / 24.0};
    for (int i = 0; i < blades; ++i) {
        const double angle = 2.0 * kPi * i / blades;
        const Point tip{centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
        const Point side{-std::sin(angle) * radius / 9.0, std::cos(angle) * radius / 9.0};
        Shape blade;
        blade.pen = outline;
        blade.fill = kBlade;
        blade.closed = true;
        blade.points = {{centre.x + side.x, centre.y + side.y},
                        {tip.x + side.x * 0.5, tip.y + side.y * 0.5},
                        {tip.x - side.x * 0.5, tip.y - side.y * 0.5},
                        {centre.x - side.x, centre.y - side.y}};
        shapes.push_back(std::move(blade));
    }
    shapes.push_back(Ellipse(centre, radius / 4.0, outline, kHub));
}

}  // namespace

Picture AboutPicture() {
    Picture picture{193, 132, Colour{230, 236, 245}, {}};
    std::vector<Shape>& shapes = picture.shapes;
    const Point centre{62, 62};
    shapes.push_back(Ellipse(centre, 52, Pen{kGray, 1, true}, std::nullopt));  // casing
    AddRotor(shapes, centre, 48, 12);
    // Sensors on the casing.
    for (const double angle : {-kPi / 2, -kPi / 6, kPi / 6}) {
        shapes.push_back(Ellipse({centre.x + 55 * std::cos(angle), centre.y + 55 * std::sin(angle)},
                                 3.5, std::nullopt, kRed));
    }
    // Blade passing pulses as a sensor sees them; the spikes are filled in the sensors' red.
    Shape trace;
    trace.pen = Pen{kDarkGreen, 1.5};
    trace.fill = kRed;
    trace.points = {{124, 100}};
    for (int x = 124; x <= 188; x += 8) {
        trace.points.insert(trace.points.end(),
                            {{x + 2.0, 100}, {x + 3.0, 74}, {x + 5.0, 100}, {x + 8.0, 100}});
    }
    shapes.push_back(std::move(trace));
    Shape title;
    title.kind = Shape::Kind::Text;
    title.pen = Pen{kDarkBlue, 1};
    title.points = {{120, 20}, {190, 60}};
    title.text = "KVO";
    shapes.push_back(std::move(title));
    return picture;
}

Picture IconPicture() {
    Picture picture{32, 32, std::nullopt, {}};
    AddRotor(picture.shapes, {16, 16}, 15, 8);
    return picture;
}

}  // namespace kvo::artwork
