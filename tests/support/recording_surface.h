#pragma once
// A DrawingSurface that draws nothing and records every call into a log, for
// checking what the drawing code asks for, where, in which order, and with
// which pen, brush and text colour. Memory surfaces created from a recording
// surface write into the same log under the name "memory", so one log shows
// how a picture is put together from several surfaces.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "render/drawing_surface.h"

namespace kelpris::testing {

/// A bitmap with a size and a name, so a recorded block transfer says which
/// picture it copied.
struct FakeBitmap final : Bitmap {
    FakeBitmap(std::int32_t w, std::int32_t h, std::string n) : w_(w), h_(h), name(std::move(n)) {}
    std::int32_t width() const override { return w_; }
    std::int32_t height() const override { return h_; }
    std::int32_t w_, h_;
    std::string name;
};

/// One recorded call.
///
/// Drawing calls ("move", "line", "polygon", "ellipse", "rect", "text",
/// "blit") carry the tools selected when they were made. With tool calls
/// recorded too, "pen", "brush", "bitmap", "textColour" and "create" appear
/// as well, carrying the tools as they are after the call.
struct Op {
    std::string surface = "window";  // "window", or "memory" for created surfaces
    std::string kind;
    // move, line, text: the point; ellipse, rect: left, top, right, bottom;
    // polygon: the first corner and the number of corners; blit: the
    // destination's left, top, width and height.
    std::int32_t a = 0, b = 0, c = 0, d = 0;
    std::vector<Point> points{};  // polygon: every corner
    std::string text{};           // text: the string; blit: the source bitmap's name
    Pen pen{1, {0, 0, 0}};
    Brush brush = Brush::white();
    Rgb textColour{0, 0, 0};
    RasterOp op = RasterOp::SrcCopy;

    friend bool operator==(const Op&, const Op&) = default;
};

/// Readable failure messages for recorded calls.
void PrintTo(const Op& op, std::ostream* os);

/// Which calls are logged.
enum class Record {
    Drawing,          ///< only the calls that put pixels on the surface
    DrawingAndTools,  ///< also every selection, text colour and creation
};

/// Whether loadBitmap finds the two observer pictures (132: 140x140, 133:
/// 70x140) or nothing.
enum class Pictures { Available, Missing };

class RecordingSurface final : public DrawingSurface {
    struct Created {
        explicit Created() = default;
    };

  public:
    /// Records into a log of its own, see log().
    explicit RecordingSurface(Record record = Record::Drawing,
                              Pictures pictures = Pictures::Available);
    /// Records into `log`, which must outlive this surface and every surface
    /// created from it.
    RecordingSurface(std::vector<Op>& log, std::string name, Record record = Record::Drawing,
                     Pictures pictures = Pictures::Available);
    /// A memory surface sharing its creator's log (see createCompatibleSurface).
    RecordingSurface(Created, std::shared_ptr<std::vector<Op>> ownLog, std::vector<Op>* log,
                     std::string name, Record record, Pictures pictures);

    std::unique_ptr<Bitmap> loadBitmap(int id) override;
    std::unique_ptr<Bitmap> createCompatibleBitmap(std::int32_t w, std::int32_t h) override;
    std::unique_ptr<DrawingSurface> createCompatibleSurface() override;
    Pen selectPen(const Pen& p) override;
    Brush selectBrush(const Brush& b) override;
    Bitmap* selectBitmap(Bitmap* b) override;
    void moveTo(std::int32_t x, std::int32_t y) override;
    void lineTo(std::int32_t x, std::int32_t y) override;
    void polygon(std::span<const Point> pts) override;
    void ellipse(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override;
    void rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override;
    void textOut(std::int32_t x, std::int32_t y, std::string_view t) override;
    Rgb setTextColour(Rgb c) override;
    void bitBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, DrawingSurface& src,
                std::int32_t sx, std::int32_t sy, RasterOp op) override;

    const std::vector<Op>& log() const { return *log_; }
    void clearLog() { log_->clear(); }
    const Pen& pen() const { return pen_; }
    const Brush& brush() const { return brush_; }
    Rgb textColour() const { return text_; }
    /// Starts as a 1x1 bitmap named "initial" that the surface owns.
    const Bitmap* selectedBitmap() const { return selected_; }
    int bitmapsCreated = 0;

  private:
    Op& add(const char* kind, std::int32_t a = 0, std::int32_t b = 0, std::int32_t c = 0,
            std::int32_t d = 0);
    void addTool(const char* kind);

    std::shared_ptr<std::vector<Op>> ownLog_;  // kept alive by every surface created from this one
    std::vector<Op>* log_;
    std::string name_;
    Record record_;
    Pictures pictures_;
    Pen pen_{1, {0, 0, 0}};
    Brush brush_ = Brush::white();
    Rgb text_{0, 0, 0};
    FakeBitmap own_{1, 1, "initial"};
    Bitmap* selected_ = &own_;
};

}  // namespace kelpris::testing
