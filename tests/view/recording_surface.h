#pragma once
// A DrawingSurface that draws nothing and records every call, for checking
// what the screens draw, where, and with which pen and brush.

#include <memory>
#include <string>
#include <vector>

#include "render/drawing_surface.h"

namespace kelpris::testing {

struct FakeBitmap final : Bitmap {
    FakeBitmap(std::int32_t w, std::int32_t h, std::string n) : w_(w), h_(h), name(std::move(n)) {}
    std::int32_t width() const override { return w_; }
    std::int32_t height() const override { return h_; }
    std::int32_t w_, h_;
    std::string name;
};

struct Op {
    std::string surface;  // "window" or "memory"
    std::string kind;     // move, line, polygon, ellipse, rect, text, blit
    std::int32_t a = 0, b = 0, c = 0, d = 0;
    std::string text;  // text, or the blit source's bitmap name
    Pen pen;
    Brush brush;
    Rgb textColour;
    RasterOp op = RasterOp::SrcCopy;
};

class RecordingSurface final : public DrawingSurface {
  public:
    RecordingSurface(std::vector<Op>& log, std::string name, bool loadPictures = true)
        : log_(log), name_(std::move(name)), loadPictures_(loadPictures) {}

    std::unique_ptr<Bitmap> loadBitmap(int id) override {
        if (!loadPictures_) {
            return nullptr;
        }
        if (id == 132) {
            return std::make_unique<FakeBitmap>(140, 140, "132");
        }
        if (id == 133) {
            return std::make_unique<FakeBitmap>(70, 140, "133");
        }
        return nullptr;
    }
    std::unique_ptr<Bitmap> createCompatibleBitmap(std::int32_t w, std::int32_t h) override {
        ++bitmapsCreated;
        return std::make_unique<FakeBitmap>(w, h, "compatible");
    }
    std::unique_ptr<DrawingSurface> createCompatibleSurface() override {
        auto s = std::make_unique<RecordingSurface>(log_, "memory");
        s->selected_ = &s->own_;
        return s;
    }
    Pen selectPen(const Pen& p) override { return std::exchange(pen_, p); }
    Brush selectBrush(const Brush& b) override { return std::exchange(brush_, b); }
    Bitmap* selectBitmap(Bitmap* b) override { return std::exchange(selected_, b); }
    void moveTo(std::int32_t x, std::int32_t y) override { add("move", x, y); }
    void lineTo(std::int32_t x, std::int32_t y) override { add("line", x, y); }
    void polygon(std::span<const Point> pts) override {
        add("polygon", pts[0].x, pts[0].y, static_cast<std::int32_t>(pts.size()));
    }
    void ellipse(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
        add("ellipse", l, t, r, b);
    }
    void rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
        add("rect", l, t, r, b);
    }
    void textOut(std::int32_t x, std::int32_t y, std::string_view t) override {
        add("text", x, y).text = std::string(t);
    }
    Rgb setTextColour(Rgb c) override { return std::exchange(text_, c); }
    void bitBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, DrawingSurface& src,
                std::int32_t, std::int32_t, RasterOp op) override {
        Op& o = add("blit", x, y, w, h);
        auto* s = dynamic_cast<RecordingSurface*>(&src);
        auto* bmp = s ? dynamic_cast<FakeBitmap*>(s->selected_) : nullptr;
        o.text = bmp ? bmp->name : "?";
        o.op = op;
    }

    const Pen& pen() const { return pen_; }
    const Brush& brush() const { return brush_; }
    Rgb textColour() const { return text_; }
    int bitmapsCreated = 0;

  private:
    Op& add(const char* kind, std::int32_t a, std::int32_t b, std::int32_t c = 0,
            std::int32_t d = 0) {
        log_.push_back(Op{name_, kind, a, b, c, d, {}, pen_, brush_, text_, RasterOp::SrcCopy});
        return log_.back();
    }

    std::vector<Op>& log_;
    std::string name_;
    bool loadPictures_;
    Pen pen_{1, {0, 0, 0}};
    Brush brush_ = Brush::white();
    Rgb text_{0, 0, 0};
    FakeBitmap own_{1, 1, "initial"};
    Bitmap* selected_ = nullptr;
};

}  // namespace kelpris::testing
