#pragma once
// The program's own pictures as shapes in plain numbers, so that every view paints the same
// drawing with its own painter: the about box picture and the window icon.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvo::artwork {

struct Point {
    double x = 0;
    double y = 0;
};

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

struct Pen {
    Colour colour;
    double width = 1;
    bool dashed = false;
};

struct Shape {
    enum class Kind {
        Path,     // `points` joined by lines; filled (as if closed) when it has a fill
        Ellipse,  // around `points[0]` with the radii `radiusX`, `radiusY`
        Text      // `text` centred in the box from `points[0]` to `points[1]`, in the pen's colour
    };
    Kind kind = Kind::Path;
    std::optional<Pen> pen;
    std::optional<Colour> fill;
    std::vector<Point> points;
    bool closed = false;  // a path's last point joins its first
    double radiusX = 0;
    double radiusY = 0;
    std::string text;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::optional<Colour> background;  // none: transparent
    std::vector<Shape> shapes;         // painted in order, antialiased where the painter can
};

// 193 x 132: a bladed rotor with its sensors and a pulse trace.
Picture AboutPicture();
// 32 x 32 rotor in a few plain colours.
Picture IconPicture();

}  // namespace kvo::artwork
