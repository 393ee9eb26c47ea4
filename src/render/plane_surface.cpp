#include "render/plane_surface.h"

#include <algorithm>
#include <array>
#include <new>
#include <utility>

#include "render/face_walk.h"
#include "render/nearest_first.h"

namespace kelpris {

namespace {

/// The colours of a list, face k of the one part in colours[k].
class ListedColours final : public FaceColouring {
  public:
    explicit ListedColours(std::span<const FaceColours> colours) : colours_(colours) {}
    FaceColours colours(std::size_t, std::size_t k) const override { return colours_[k]; }

  private:
    std::span<const FaceColours> colours_;
};

/// Whether the faces are best drawn nearest first: when most of them are
/// triangles in the view drawn from row masks and at least `fromSide`
/// pixels across or down, judged from a sample. Measured at 1920 x 1080:
/// flat faces of 8-11 pixels draw about as fast as they are tested, so the
/// hidden ones save nothing, while faces in colours of their own, dearer to
/// draw, gain from 4 pixels; the table's triangles cost as little to draw
/// as to test, and larger or clipped faces more to draw behind others than
/// over.
bool nearestFirstPays(std::span<const std::span<const Face>> parts, std::span<const Point> points,
                      const PlaneView& view, std::int64_t fromSide) {
    constexpr std::size_t kSamples = 64;
    std::size_t total = 0;
    for (const std::span<const Face> part : parts) {
        total += part.size();
    }
    if (total < 2 * kSamples || view.width < raster::kRowMaskSide) {
        return false;
    }
    std::size_t masked = 0;
    std::size_t part = 0;
    std::size_t partStart = 0;
    for (std::size_t i = 0; i < kSamples; ++i) {
        const std::size_t k = i * (total - 1) / kSamples;  // rising: the parts in turn
        while (k - partStart >= parts[part].size()) {
            partStart += parts[part].size();
            ++part;
        }
        const std::uint32_t* c = parts[part][k - partStart].corner;
        if (c[0] >= points.size() || c[1] >= points.size() || c[2] >= points.size() ||
            c[3] != kNoCorner) {
            continue;
        }
        const std::array<Point, 3> corners{points[c[0]], points[c[1]], points[c[2]]};
        const auto [left, right] = std::minmax({corners[0].x, corners[1].x, corners[2].x});
        const auto [top, bottom] = std::minmax({corners[0].y, corners[1].y, corners[2].y});
        const bool inView = left >= 0 && top >= 0 && right < view.width && bottom < view.height;
        const std::int64_t side = std::max(std::int64_t{right} - left, std::int64_t{bottom} - top);
        masked += inView && side >= fromSide && side < raster::kRowMaskSide ? 1 : 0;
    }
    return masked >= kSamples / 2;
}

}  // namespace

std::optional<Channel> soleChannel(std::initializer_list<Rgb> colours) noexcept {
    bool used[3] = {false, false, false};
    for (const Rgb c : colours) {
        used[0] = used[0] || c.r != 0;
        used[1] = used[1] || c.g != 0;
        used[2] = used[2] || c.b != 0;
    }
    const int count = int{used[0]} + int{used[1]} + int{used[2]};
    if (count > 1) {
        return std::nullopt;
    }
    return used[1] ? Channel::Green : used[2] ? Channel::Blue : Channel::Red;
}

void PlaneSurface::reset(Channel channel, std::int32_t width, std::int32_t height) {
    channel_ = channel;
    if (width < 1 || height < 1) {
        view_ = PlaneView{};
        return;
    }
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (bytes_.size() < size) {
        bytes_.clear();  // the old plane goes before its successor is allocated
        bytes_.shrink_to_fit();
        bytes_.resize(size);
    }
    view_ = PlaneView{bytes_.data(), width, height, width};
}

std::unique_ptr<Bitmap> PlaneSurface::loadBitmap(int) {
    return nullptr;
}

std::unique_ptr<Bitmap> PlaneSurface::createCompatibleBitmap(std::int32_t, std::int32_t) {
    return nullptr;
}

std::unique_ptr<DrawingSurface> PlaneSurface::createCompatibleSurface() {
    return nullptr;
}

Pen PlaneSurface::selectPen(const Pen& pen) {
    return std::exchange(pen_, pen);
}

Brush PlaneSurface::selectBrush(const Brush& brush) {
    return std::exchange(brush_, brush);
}

Bitmap* PlaneSurface::selectBitmap(Bitmap*) {
    return nullptr;
}

void PlaneSurface::moveTo(std::int32_t x, std::int32_t y) {
    current_ = Point{x, y};
}

void PlaneSurface::lineTo(std::int32_t x, std::int32_t y) {
    const Point to{x, y};
    raster::line(view_, current_, to, penByte());
    current_ = to;
}

void PlaneSurface::polygon(std::span<const Point> points) {
    const std::uint8_t fill = brushByte();
    raster::polygon(view_, points.first(std::min<std::size_t>(points.size(), 4)),
                    brush_.hollow ? nullptr : &fill, penByte());
}

void PlaneSurface::polygons(std::span<const Face> faces, std::span<const Point> points) {
    polygonParts(std::span<const std::span<const Face>>(&faces, 1), points);
}

void PlaneSurface::colouredPolygons(std::span<const Face> faces, std::span<const Point> points,
                                    std::span<const FaceColours> colours) {
    const std::span<const Face> drawn = faces.first(std::min(faces.size(), colours.size()));
    colouredPolygonParts(std::span<const std::span<const Face>>(&drawn, 1), points,
                         ListedColours{colours});
}

void PlaneSurface::polygonParts(std::span<const std::span<const Face>> parts,
                                std::span<const Point> points) {
    const FaceShade<std::uint8_t> shade{brushByte(), penByte(), !brush_.hollow};
    const auto shadeOf = [shade](std::size_t) { return shade; };
    // Flat faces of 8-11 pixels draw about as fast as they are tested.
    constexpr std::int64_t kFromSide = 12;
    if (nearestFirstPays(parts, points, view_, kFromSide) && prepareNearestFirst()) {
        for (std::size_t p = parts.size(); p-- > 0;) {
            face_walk::drawNearestFirst<false>(view_, nearestFirst_, parts[p], points, shadeOf);
        }
        return;
    }
    for (const std::span<const Face> part : parts) {
        face_walk::walk<false>(view_, part, points, shadeOf);
    }
}

void PlaneSurface::colouredPolygonParts(std::span<const std::span<const Face>> parts,
                                        std::span<const Point> points,
                                        const FaceColouring& colouring) {
    // Faces are coloured a block at a time, in a loop of its own: colouring
    // each face where it is drawn costs several times more.
    constexpr std::size_t kColouredAtOnce = 1024;
    std::array<FaceShade<std::uint8_t>, kColouredAtOnce> shades;
    const Channel channel = channel_;
    const auto colourBlock = [&](std::size_t p, std::size_t from, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const FaceColours colours = colouring.colours(p, from + i);
            shades[i] = FaceShade<std::uint8_t>{channelOf(colours.fill, channel),
                                                channelOf(colours.outline, channel), true};
        }
        return [&shades](std::size_t k) { return shades[k]; };
    };
    if (nearestFirstPays(parts, points, view_, raster::kSmallSide) && prepareNearestFirst()) {
        for (std::size_t p = parts.size(); p-- > 0;) {
            for (std::size_t to = parts[p].size(); to > 0;) {
                const std::size_t from = to > kColouredAtOnce ? to - kColouredAtOnce : 0;
                face_walk::drawNearestFirst<true>(view_, nearestFirst_,
                                                  parts[p].subspan(from, to - from), points,
                                                  colourBlock(p, from, to - from));
                to = from;
            }
        }
        return;
    }
    for (std::size_t p = 0; p < parts.size(); ++p) {
        for (std::size_t from = 0; from < parts[p].size(); from += kColouredAtOnce) {
            const std::size_t count = std::min(kColouredAtOnce, parts[p].size() - from);
            face_walk::walk<true>(view_, parts[p].subspan(from, count), points,
                                  colourBlock(p, from, count));
        }
    }
}

bool PlaneSurface::prepareNearestFirst() {
    try {
        nearestFirst_.reset(view_.width, view_.height);
        return true;
    } catch (const std::bad_alloc&) {
        return false;  // drawn farthest first, with nothing more to hold
    }
}

void PlaneSurface::ellipse(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}

void PlaneSurface::rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom) {
    const std::uint8_t fill = brushByte();
    raster::rectangle(view_, left, top, right, bottom, brush_.hollow ? nullptr : &fill, penByte());
}

void PlaneSurface::textOut(std::int32_t, std::int32_t, std::string_view) {}

Rgb PlaneSurface::setTextColour(Rgb colour) {
    return std::exchange(textColour_, colour);
}

void PlaneSurface::bitBlt(std::int32_t, std::int32_t, std::int32_t, std::int32_t, DrawingSurface&,
                          std::int32_t, std::int32_t, RasterOp) {}

}  // namespace kelpris
