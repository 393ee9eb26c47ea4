#pragma once
// Pixel probes of drawn pictures.

#include <QImage>
#include <ostream>

#include "colours.h"
#include "render/qt/qt_surface.h"

namespace kelpris::testing {

/// Number of pixels of exactly `colour` in the rectangle [x0, x1) x [y0, y1).
inline int count(const QImage& image, Rgb colour, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += rgbAt(image, x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

}  // namespace kelpris::testing

namespace kelpris {
inline std::ostream& operator<<(std::ostream& os, Rgb c) {
    return os << "RGB(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}
}  // namespace kelpris
