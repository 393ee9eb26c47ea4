#include "render/plane_surface.h"

#include <algorithm>
#include <array>
#include <utility>

#include "render/face_walk.h"

namespace kelpris {

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
    const std::uint8_t fill = brushByte();
    const std::uint8_t* brush = brush_.hollow ? nullptr : &fill;
    drawFacePolygons(view_, faces, points, brush, penByte());
}

void PlaneSurface::colouredPolygons(std::span<const Face> faces, std::span<const Point> points,
                                    std::span<const FaceColours> colours) {
    const Channel channel = channel_;
    drawShadedFacePolygons(view_, faces.first(std::min(faces.size(), colours.size())), points,
                           [colours, channel](std::size_t k) {
                               return FaceShade<std::uint8_t>{
                                   channelOf(colours[k].fill, channel),
                                   channelOf(colours[k].outline, channel), true};
                           });
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
