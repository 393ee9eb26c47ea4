#include "recording_surface.h"

#include <ostream>
#include <utility>

namespace kelpris::testing {

namespace {

std::ostream& operator<<(std::ostream& os, Rgb c) {
    return os << "RGB(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}

}  // namespace

void PrintTo(const Op& op, std::ostream* os) {
    *os << "{" << op.surface << " " << op.kind << " " << op.a << "," << op.b << "," << op.c << ","
        << op.d;
    if (!op.points.empty()) {
        *os << " points";
        for (const Point p : op.points) {
            *os << " (" << p.x << "," << p.y << ")";
        }
    }
    if (!op.text.empty()) {
        *os << " \"" << op.text << "\"";
    }
    *os << " pen " << op.pen.width << " " << op.pen.colour << " brush "
        << (op.brush.hollow ? "hollow " : "") << op.brush.colour << " text " << op.textColour
        << " rop " << std::hex << static_cast<std::uint32_t>(op.op) << std::dec << "}";
}

RecordingSurface::RecordingSurface(Record record, Pictures pictures)
    : RecordingSurface(Created{}, std::make_shared<std::vector<Op>>(), nullptr, "window", record,
                       pictures) {}

RecordingSurface::RecordingSurface(std::vector<Op>& log, std::string name, Record record,
                                   Pictures pictures)
    : RecordingSurface(Created{}, nullptr, &log, std::move(name), record, pictures) {}

RecordingSurface::RecordingSurface(Created, std::shared_ptr<std::vector<Op>> ownLog,
                                   std::vector<Op>* log, std::string name, Record record,
                                   Pictures pictures)
    : ownLog_(std::move(ownLog)),
      log_(log != nullptr ? log : ownLog_.get()),
      name_(std::move(name)),
      record_(record),
      pictures_(pictures) {}

std::unique_ptr<Bitmap> RecordingSurface::loadBitmap(int id) {
    addTool("create");
    if (pictures_ == Pictures::Missing) {
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

std::unique_ptr<Bitmap> RecordingSurface::createCompatibleBitmap(std::int32_t w, std::int32_t h) {
    addTool("create");
    ++bitmapsCreated;
    return std::make_unique<FakeBitmap>(w, h, "compatible");
}

std::unique_ptr<DrawingSurface> RecordingSurface::createCompatibleSurface() {
    addTool("create");
    return std::make_unique<RecordingSurface>(Created{}, ownLog_, log_, "memory", record_,
                                              pictures_);
}

Pen RecordingSurface::selectPen(const Pen& p) {
    Pen old = std::exchange(pen_, p);
    addTool("pen");
    return old;
}

Brush RecordingSurface::selectBrush(const Brush& b) {
    Brush old = std::exchange(brush_, b);
    addTool("brush");
    return old;
}

Bitmap* RecordingSurface::selectBitmap(Bitmap* b) {
    Bitmap* old = std::exchange(selected_, b);
    addTool("bitmap");
    return old;
}

void RecordingSurface::moveTo(std::int32_t x, std::int32_t y) {
    add("move", x, y);
}

void RecordingSurface::lineTo(std::int32_t x, std::int32_t y) {
    add("line", x, y);
}

void RecordingSurface::polygon(std::span<const Point> pts) {
    const Point first = pts.empty() ? Point{} : pts.front();
    add("polygon", first.x, first.y, static_cast<std::int32_t>(pts.size()))
        .points.assign(pts.begin(), pts.end());
}

void RecordingSurface::ellipse(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    add("ellipse", l, t, r, b);
}

void RecordingSurface::rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    add("rect", l, t, r, b);
}

void RecordingSurface::textOut(std::int32_t x, std::int32_t y, std::string_view t) {
    add("text", x, y).text = std::string(t);
}

Rgb RecordingSurface::setTextColour(Rgb c) {
    const Rgb old = std::exchange(text_, c);
    addTool("textColour");
    return old;
}

void RecordingSurface::bitBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                              DrawingSurface& src, std::int32_t, std::int32_t, RasterOp op) {
    Op& o = add("blit", x, y, w, h);
    const auto* s = dynamic_cast<RecordingSurface*>(&src);
    const auto* bmp = s != nullptr ? dynamic_cast<const FakeBitmap*>(s->selected_) : nullptr;
    o.text = bmp != nullptr ? bmp->name : "?";
    o.op = op;
}

Op& RecordingSurface::add(const char* kind, std::int32_t a, std::int32_t b, std::int32_t c,
                          std::int32_t d) {
    log_->push_back(Op{name_, kind, a, b, c, d, {}, {}, pen_, brush_, text_, RasterOp::SrcCopy});
    return log_->back();
}

void RecordingSurface::addTool(const char* kind) {
    if (record_ == Record::DrawingAndTools) {
        add(kind);
    }
}

}  // namespace kelpris::testing
