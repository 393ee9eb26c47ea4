#include "render/face_walk.h"

namespace kelpris {

namespace {

SmallTriangleCovers drawSmallTriangleCovers() {
    constexpr std::int32_t side = face_walk::kBlock;
    const auto corner = [](std::size_t k, int i) {
        const auto cell = static_cast<std::int32_t>((k >> (4 * i)) & 15);
        return Point{cell & 3, cell >> 2};
    };
    const auto covered = [](const std::array<std::uint8_t, side * side>& cells) {
        unsigned bits = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            bits |= cells[i] != 0 ? 1u << i : 0u;
        }
        return static_cast<std::uint16_t>(bits);
    };
    SmallTriangleCovers table{};
    for (std::size_t k = 0; k < table.size(); ++k) {
        const std::array<Point, 3> c{corner(k, 0), corner(k, 1), corner(k, 2)};
        std::array<std::uint8_t, side * side> cells{};
        const PlaneView block{cells.data(), side, side, side};
        raster::fillPolygon(block, c, 1);
        table[k].fill = covered(cells);
        cells = {};
        for (std::size_t i = 0; i < c.size(); ++i) {
            raster::line(block, c[i], c[(i + 1) % c.size()], 1);
        }
        table[k].outline = covered(cells);
    }
    return table;
}

}  // namespace

const SmallTriangleCovers& smallTriangleCovers() {
    static const SmallTriangleCovers table = drawSmallTriangleCovers();
    return table;
}

}  // namespace kelpris
