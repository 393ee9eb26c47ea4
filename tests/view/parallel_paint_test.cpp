// The paint with its second thread against the same paint on one thread: for
// the sample models and hand-built ones, on both screens and at more than
// one size, the pixels, everything the paint leaves in its buffers (the
// projections, the projected centre, the face order) and the sort report
// must all come out the same.

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "paths.h"
#include "recording_surface.h"
#include "render/qt/qt_surface.h"
#include "scenes.h"
#include "scratch_dir.h"
#include "view/paint_buffers.h"
#include "view/paint_worker.h"
#include "view/report_writer.h"
#include "view/view_logic.h"
#include "view/view_options.h"
#include "view/view_state.h"

namespace kelpris {
namespace {

using namespace kelpris::testing;

struct Model {
    const char* name;
    Scena (*make)();
};

Scena loadData(const std::filesystem::path& file) {
    Scena s;
    const FileStatus status = s.load(kSourceDir / "data" / file);
    EXPECT_TRUE(status) << status.message();
    return s;
}

// A wire cube with a diagonal, so that edges cross in both eyes.
Scena wireCube() {
    return edgeScene({{-400, -400, -400},
                      {400, -400, -400},
                      {400, 400, -400},
                      {-400, 400, -400},
                      {-400, -400, 400},
                      {400, -400, 400},
                      {400, 400, 400},
                      {-400, 400, 400}},
                     {{1, 2},
                      {2, 3},
                      {3, 4},
                      {4, 1},
                      {5, 6},
                      {6, 7},
                      {7, 8},
                      {8, 5},
                      {1, 5},
                      {2, 6},
                      {3, 7},
                      {4, 8},
                      {1, 7}});
}

// 70,200 triangles: enough faces for the two threads to gather the depth
// order in halves.
Scena largeHeightField() {
    return heightField(260, 135, 7);
}

const Model kModels[] = {
    {"heightField", largeHeightField},
    {"dom", [] { return loadData("dom.dat"); }},
    {"bunny", [] { return loadData("samples/bunny.dat"); }},
    {"teapot", [] { return loadData("samples/teapot.dat"); }},
    {"house_faces", [] { return loadData("samples/house_faces.dat"); }},
    {"squareFace", [] { return squareFace(); }},
    {"squareEdges", [] { return squareEdges(); }},
    {"wireCube", wireCube},
};

struct Outcome {
    QImage image;
    std::vector<Point> points;
    std::vector<Point> otherPoints;
    std::vector<std::int32_t> depths;
    Point centre;
    std::vector<std::uint32_t> order;
    std::vector<std::int32_t> orderDepths;
    std::string report;
};

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ParallelPaintTest : public ::testing::Test {
  protected:
    ScratchDir scratch;

    // A setup paint (which builds the stereo transform), then the screen
    // asked for, both with the same helpers.
    Outcome paint(const Model& model, Screen screen, QSize size, float yaw,
                  const PaintHelpers& helpers, const ViewOptions& options = {}) {
        ViewState s;
        s.setOptions(options);
        QtImageSurface tools(1, 1);
        createTools(s, tools);
        s.scene = std::make_shared<const Scena>(model.make());
        s.yaw = yaw;
        computeLayout(s, {0, 0, size.width() + 4, size.height() + 4});
        const std::filesystem::path report =
            scratch.path() / (helpers.worker != nullptr ? "helped.txt" : "alone.txt");
        std::filesystem::remove(report);
        Outcome out;
        out.image = QImage(size, QImage::Format_RGB32);
        PaintBuffers buffers;
        {
            QtImageSurface surface(out.image);
            EXPECT_TRUE(DrawScreen(s, surface, buffers, report, helpers));  // setup screen
        }
        if (screen == Screen::Stereo) {
            s.stereoMode = Screen::Stereo;
            QtImageSurface surface(out.image);
            const Result<SortReport> status = DrawScreen(s, surface, buffers, report, helpers);
            EXPECT_TRUE(status) << status.message();
        }
        if (helpers.reports != nullptr) {
            helpers.reports->flush();
        }
        out.points = buffers.points;
        out.otherPoints = buffers.otherPoints;
        out.depths = buffers.depths;
        out.centre = buffers.centre;
        out.order = buffers.order.TRIEDENE_STENY;
        out.orderDepths = buffers.order.depths;
        out.report = readFile(report);
        return out;
    }
};

TEST_F(ParallelPaintTest, theWorkerAndTheWriterChangeNothingAPaintMakes) {
    struct Case {
        Screen screen;
        QSize size;
        float yaw;
    };
    const Case cases[] = {
        {Screen::Setup, {640, 480}, 0.0f},   {Screen::Stereo, {640, 480}, 0.0f},
        {Screen::Setup, {333, 211}, 2.5f},   {Screen::Stereo, {333, 211}, 2.5f},
        {Screen::Stereo, {1000, 701}, 4.0f},
    };
    PaintWorker worker;
    ReportWriter reports;
    for (const Model& model : kModels) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << model.name << " screen " << static_cast<int>(c.screen) << " "
                         << c.size.width() << "x" << c.size.height());
            const Outcome alone = paint(model, c.screen, c.size, c.yaw, {});
            for (const PaintHelpers& helpers :
                 {PaintHelpers{&worker, nullptr}, PaintHelpers{&worker, &reports}}) {
                const Outcome helped = paint(model, c.screen, c.size, c.yaw, helpers);
                EXPECT_TRUE(helped.image == alone.image);
                EXPECT_TRUE(helped.points == alone.points);
                EXPECT_TRUE(helped.otherPoints == alone.otherPoints);
                EXPECT_TRUE(helped.depths == alone.depths);
                EXPECT_EQ(helped.centre, alone.centre);
                EXPECT_TRUE(helped.order == alone.order);
                EXPECT_TRUE(helped.orderDepths == alone.orderDepths);
                EXPECT_TRUE(helped.report == alone.report);
            }
        }
    }
}

TEST_F(ParallelPaintTest, litFacesAndOtherGlassesPaintTheSameWithTheWorker) {
    ViewOptions lit;
    lit.shading = Shading::Lit;
    lit.glasses = {GlassesPair::RedCyan, true, 30};
    ViewOptions litPlain = lit;
    litPlain.outline = LitOutline::None;
    litPlain.eyeHalfSep = 15;
    PaintWorker worker;
    for (const ViewOptions& options : {lit, litPlain}) {
        for (const Model& model : kModels) {
            for (const QSize size : {QSize(640, 480), QSize(333, 211)}) {
                SCOPED_TRACE(::testing::Message()
                             << model.name << " " << size.width() << "x" << size.height());
                const Outcome alone = paint(model, Screen::Stereo, size, 1.0f, {}, options);
                const Outcome helped =
                    paint(model, Screen::Stereo, size, 1.0f, {&worker, nullptr}, options);
                EXPECT_TRUE(helped.image == alone.image);
                EXPECT_TRUE(helped.report == alone.report);
            }
        }
    }
}

// Where each eye's colours lie in one channel, the stereo screen draws the
// eyes a byte per pixel and merges them into the window: that picture must be
// the OR of the two eyes drawn as whole pictures (the frame aside), for every
// option that keeps each eye in one channel.
TEST_F(ParallelPaintTest, eyesDrawnAsPlanesAreTheOrOfTheEyesAsWholePictures) {
    std::vector<ViewOptions> cases(6);
    cases[1].shading = Shading::Lit;
    cases[2].outline = LitOutline::Darker;
    cases[3].shading = Shading::Lit;
    cases[3].outline = LitOutline::None;
    cases[4].glasses = {GlassesPair::RedGreen, true, 70};
    cases[5].glasses = {GlassesPair::RedBlue, false, 0};
    cases[5].outline = LitOutline::None;
    constexpr int w = 320;
    constexpr int h = 240;
    constexpr int kFrame = 4;
    PaintWorker worker;
    for (const ViewOptions& options : cases) {
        for (const Model& model : kModels) {
            SCOPED_TRACE(::testing::Message()
                         << model.name << " shading " << static_cast<int>(options.shading)
                         << " outline " << static_cast<int>(options.outline));
            ViewState s;
            s.setOptions(options);
            QtImageSurface tools(1, 1);
            createTools(s, tools);
            s.scene = std::make_shared<const Scena>(model.make());
            s.yaw = 1.0f;
            computeLayout(s, {0, 0, w + 4, h + 4});
            QImage screen(w, h, QImage::Format_RGB32);
            PaintBuffers buffers;
            {
                QtImageSurface surface(screen);
                ASSERT_TRUE(DrawScreen(s, surface, buffers, scratch.path() / "rep.txt"));
                s.stereoMode = Screen::Stereo;
                ASSERT_TRUE(DrawScreen(s, surface, buffers, scratch.path() / "rep.txt",
                                       {&worker, nullptr}));
            }
            ASSERT_EQ(buffers.leftEyePlane.plane().width, w) << "the eyes were not planes";
            QtImageSurface right(w, h);
            QtImageSurface left(w, h);
            PaintBuffers eyeBuffers;
            drawEyePicture(s, right, eyeBuffers, +1, {s.penGreen.colour, s.brushGreen.colour});
            drawEyePicture(s, left, eyeBuffers, -1, {s.penRed.colour, s.brushRed.colour});
            int differing = 0;
            for (int y = kFrame; y < h - kFrame; ++y) {
                for (int x = kFrame; x < w - kFrame; ++x) {
                    const QRgb want = right.image().pixel(x, y) | left.image().pixel(x, y);
                    differing += screen.pixel(x, y) == want ? 0 : 1;
                }
            }
            EXPECT_EQ(differing, 0);
        }
    }
}

// The report went to the writer, so the paint says only that it handed it
// over; the writer has the outcome once the write is done.
TEST_F(ParallelPaintTest, aFailedBackgroundReportReachesTheWriter) {
    ViewState s;
    QtImageSurface tools(1, 1);
    createTools(s, tools);
    s.scene = std::make_shared<const Scena>(squareFace());
    computeLayout(s, {0, 0, 644, 484});
    s.stereoMode = Screen::Stereo;
    buildTransforms(s);
    PaintWorker worker;
    ReportWriter reports;
    QtImageSurface surface(640, 480);
    PaintBuffers buffers;
    const Result<SortReport> submitted = DrawScreen(
        s, surface, buffers, scratch.path() / "missing" / "rep.txt", {&worker, &reports});
    ASSERT_TRUE(submitted);
    EXPECT_EQ(*submitted, SortReport::Submitted);
    reports.flush();
    const std::vector<FileStatus> statuses = reports.takeStatuses();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_FALSE(statuses[0].ok);
    EXPECT_NE(statuses[0].message().find("rep.txt"), std::string::npos);
}

// A picture kept from one paint to the next is used again only while it fits:
// of the size asked for and accepted by the memory surface; otherwise a new
// one takes its place. The memory surface has its own bitmap back afterwards.
TEST(KeptPictureTest, aKeptPictureIsUsedAgainOnlyWhileItFits) {
    enum class Start { None, SameSize, OtherSize, Foreign };
    struct Case {
        Start start;
        bool keepsTheSamePicture;
    };
    const Case cases[] = {{Start::None, false},
                          {Start::SameSize, true},
                          {Start::OtherSize, false},
                          {Start::Foreign, false}};
    QtImageSurface window(8, 8);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.start));
        std::unique_ptr<Bitmap> kept;
        switch (c.start) {
            case Start::None:
                break;
            case Start::SameSize:
                kept = window.createCompatibleBitmap(30, 20);
                break;
            case Start::OtherSize:
                kept = window.createCompatibleBitmap(20, 30);
                break;
            case Start::Foreign:
                kept = std::make_unique<testing::FakeBitmap>(30, 20, "foreign");
                break;
        }
        const Bitmap* before = kept.get();
        std::unique_ptr<DrawingSurface> memory = window.createCompatibleSurface();
        auto& surface = dynamic_cast<QtImageSurface&>(*memory);
        {
            const KeptPictureSelection selection(window, memory.get(), kept, 30, 20);
            ASSERT_TRUE(selection.selected());
            ASSERT_NE(kept, nullptr);
            // A replacement may well be allocated where its predecessor was,
            // so only the kept one is told by its address.
            if (c.keepsTheSamePicture) {
                EXPECT_EQ(kept.get(), before);
            }
            EXPECT_EQ(kept->width(), 30);
            EXPECT_EQ(kept->height(), 20);
            EXPECT_EQ(&surface.image(), &dynamic_cast<QtBitmap&>(*kept).image());
            EXPECT_EQ(surface.image().size(), QSize(30, 20));
        }
        EXPECT_EQ(surface.image().size(), QSize(1, 1));
    }
    // No memory surface, or a size no picture can have: nothing is selected.
    std::unique_ptr<Bitmap> kept;
    EXPECT_FALSE(KeptPictureSelection(window, nullptr, kept, 30, 20).selected());
    std::unique_ptr<DrawingSurface> memory = window.createCompatibleSurface();
    EXPECT_FALSE(KeptPictureSelection(window, memory.get(), kept, 0, 20).selected());
}

}  // namespace
}  // namespace kelpris
