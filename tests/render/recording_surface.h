#pragma once
// A DrawingSurface that draws nothing and records every call, for tests of
// what the drawing code asks for and in which order.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "render/drawing_surface.h"

namespace kelpris::test {

struct Call {
    enum Kind {
        SelectPen,
        SelectBrush,
        SelectBitmap,
        MoveTo,
        LineTo,
        Polygon,
        Ellipse,
        Rectangle,
        TextOut,
        TextColour,
        BitBlt,
        Create
    };
    Kind kind;
    Pen pen{};
    Brush brush{};
    std::vector<Point> points{};  // moveTo/lineTo: one; polygon: all; boxes: two

    friend bool operator==(const Call&, const Call&) = default;
};

class RecordingBitmap final : public Bitmap {
  public:
    std::int32_t width() const override { return 1; }
    std::int32_t height() const override { return 1; }
};

class RecordingSurface final : public DrawingSurface {
  public:
    std::vector<Call> calls;
    Pen pen{};
    Brush brush = Brush::white();
    Bitmap* bitmap = &first;
    RecordingBitmap first;

    std::unique_ptr<Bitmap> loadBitmap(int) override {
        calls.push_back({Call::Create});
        return nullptr;
    }
    std::unique_ptr<Bitmap> createCompatibleBitmap(std::int32_t, std::int32_t) override {
        calls.push_back({Call::Create});
        return std::make_unique<RecordingBitmap>();
    }
    std::unique_ptr<DrawingSurface> createCompatibleSurface() override {
        calls.push_back({Call::Create});
        return std::make_unique<RecordingSurface>();
    }
    Pen selectPen(const Pen& p) override {
        calls.push_back({Call::SelectPen, p});
        return std::exchange(pen, p);
    }
    Brush selectBrush(const Brush& b) override {
        calls.push_back({Call::SelectBrush, {}, b});
        return std::exchange(brush, b);
    }
    Bitmap* selectBitmap(Bitmap* b) override {
        calls.push_back({Call::SelectBitmap});
        return std::exchange(bitmap, b);
    }
    void moveTo(std::int32_t x, std::int32_t y) override {
        calls.push_back({Call::MoveTo, {}, {}, {{x, y}}});
    }
    void lineTo(std::int32_t x, std::int32_t y) override {
        calls.push_back({Call::LineTo, pen, brush, {{x, y}}});
    }
    void polygon(std::span<const Point> pts) override {
        calls.push_back({Call::Polygon, pen, brush, {pts.begin(), pts.end()}});
    }
    void ellipse(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
        calls.push_back({Call::Ellipse, pen, brush, {{l, t}, {r, b}}});
    }
    void rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
        calls.push_back({Call::Rectangle, pen, brush, {{l, t}, {r, b}}});
    }
    void textOut(std::int32_t x, std::int32_t y, std::string_view) override {
        calls.push_back({Call::TextOut, {}, {}, {{x, y}}});
    }
    Rgb setTextColour(Rgb) override {
        calls.push_back({Call::TextColour});
        return {};
    }
    void bitBlt(std::int32_t, std::int32_t, std::int32_t, std::int32_t, DrawingSurface&,
                std::int32_t, std::int32_t, RasterOp) override {
        calls.push_back({Call::BitBlt});
    }
};

}  // namespace kelpris::test
