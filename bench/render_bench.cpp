// Raster throughput of the Qt surface for what the stereo screen draws:
// many small outlined triangles, many short lines, and the full-window OR.
// The *_QPainter cases draw the same through QPainter alone, as the surface
// did before it had its own rasteriser, for comparison.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "geometry/scene_projection.h"
#include "render/qt/qt_surface.h"
#include "scene/scena.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace {

using kelpris::Brush;
using kelpris::Pen;
using kelpris::Point;
using kelpris::QtImageSurface;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kCount = 100'000;

/// Deterministic points spread over the window, with small offsets for the
/// other corners (a model of a few thousand faces seen at full size).
std::vector<Point> scatter(int count, int corners, int spread) {
    std::uint32_t state = 12345;
    const auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(range));
    };
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(count) * static_cast<std::size_t>(corners));
    for (int i = 0; i < count; ++i) {
        const Point base{next(kWidth), next(kHeight)};
        points.push_back(base);
        for (int c = 1; c < corners; ++c) {
            points.push_back(
                {base.x + next(2 * spread) - spread, base.y + next(2 * spread) - spread});
        }
    }
    return points;
}

void BM_FillSmallTriangles(benchmark::State& state) {
    QtImageSurface surface(kWidth, kHeight);
    surface.selectPen(Pen{1, {0, 120, 0}});
    surface.selectBrush(Brush::solid({0, 100, 0}));
    const auto corners = scatter(kCount, 3, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (std::size_t i = 0; i < corners.size(); i += 3) {
            surface.polygon(std::span<const Point>(&corners[i], 3));
        }
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_FillSmallTriangles)->Arg(8)->Arg(20)->Unit(benchmark::kMillisecond);

/// A QPainter set up as the surface's painter used to be for a polygon.
void setUpPainter(QPainter& painter, QColor pen, QColor brush) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QBrush(pen), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QBrush(brush));
}

void drawWithQPainter(QPainter& painter, const std::vector<kelpris::Point>& corners,
                      std::size_t perFace) {
    std::array<QPointF, 4> face{};
    for (std::size_t i = 0; i < corners.size(); i += perFace) {
        for (std::size_t c = 0; c < perFace; ++c) {
            face[c] = QPointF(corners[i + c].x, corners[i + c].y);
        }
        painter.drawPolygon(face.data(), static_cast<int>(perFace), Qt::OddEvenFill);
    }
}

void BM_FillSmallTriangles_QPainter(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    setUpPainter(painter, QColor(0, 120, 0), QColor(0, 100, 0));
    const auto corners = scatter(kCount, 3, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        drawWithQPainter(painter, corners, 3);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_FillSmallTriangles_QPainter)->Arg(8)->Arg(20)->Unit(benchmark::kMillisecond);

/// The bunny sample with every triangle cut into n x n smaller ones (n = 4:
/// 58,784 faces, the size of a detailed scan). Null when the sample is
/// missing.
std::unique_ptr<kelpris::Scena> fineBunny(int n) {
    kelpris::Scena loaded;
    const auto path = std::filesystem::path(KELPRIS_SOURCE_DIR) / "data" / "samples" / "bunny.dat";
    if (!loaded.load(path).ok) {
        return nullptr;
    }
    auto scene = std::make_unique<kelpris::Scena>();
    scene->faceModel = 1;
    const auto lerp = [n](const kelpris::Vertex& a, const kelpris::Vertex& b,
                          const kelpris::Vertex& c, int i, int j) {
        const auto mix = [&](std::int32_t pa, std::int32_t pb, std::int32_t pc) {
            return static_cast<std::int32_t>((pa * (n - i - j) + pb * i + pc * j) / n);
        };
        return kelpris::Vertex{mix(a.x, b.x, c.x), mix(a.y, b.y, c.y), mix(a.z, b.z, c.z)};
    };
    const std::size_t perFace = static_cast<std::size_t>((n + 1) * (n + 2) / 2);
    scene->vertices.reserve(loaded.faces.size() * perFace);
    scene->faces.reserve(loaded.faces.size() * static_cast<std::size_t>(n * n));
    for (const kelpris::Face& f : loaded.faces) {
        const std::size_t base = scene->vertices.size();
        for (int i = 0; i <= n; ++i) {
            for (int j = 0; i + j <= n; ++j) {
                scene->vertices.push_back(lerp(loaded.vertices[f.corner[0]],
                                               loaded.vertices[f.corner[1]],
                                               loaded.vertices[f.corner[2]], i, j));
            }
        }
        // Grid point (i, j) of this face: row i holds n + 1 - i points.
        const auto at = [&](int i, int j) {
            std::size_t k = base;
            for (int r = 0; r < i; ++r) {
                k += static_cast<std::size_t>(n + 1 - r);
            }
            return static_cast<std::uint32_t>(k + static_cast<std::size_t>(j));
        };
        const std::uint32_t none = kelpris::kNoCorner;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; i + j < n; ++j) {
                scene->faces.push_back(kelpris::Face{{at(i, j), at(i + 1, j), at(i, j + 1), none}});
                if (i + j + 1 < n) {
                    scene->faces.push_back(
                        kelpris::Face{{at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), none}});
                }
            }
        }
    }
    scene->vertexCount = static_cast<std::int32_t>(scene->vertices.size());
    scene->faceCount = static_cast<std::int32_t>(scene->faces.size());
    scene->computeCentre();
    return scene;
}

/// A view of the fine bunny laid out for a 1920 x 1080 window.
kelpris::ViewState fineBunnyView() {
    kelpris::ViewState view;
    view.scene = fineBunny(4);
    if (view.scene) {
        kelpris::QtImageSurface tools(1, 1);
        kelpris::createTools(view, tools);
        kelpris::computeLayout(view, {0, 0, kWidth + 4, kHeight + 4});
        kelpris::buildTransforms(view);
    }
    return view;
}

/// The fine bunny projected for one eye of the stereo screen: its faces'
/// corners in file order, three per face.
std::vector<Point> bunnyFaces(int eyeSign) {
    kelpris::ViewState view = fineBunnyView();
    if (!view.scene) {
        return {};
    }
    std::vector<Point> points(view.scene->vertices.size());
    kelpris::projectStereo(*view.scene, view.stereoXf, kelpris::stereoScreenParams(view, eyeSign),
                           points, {});
    std::vector<Point> corners;
    corners.reserve(view.scene->faces.size() * 3);
    for (const kelpris::Face& f : view.scene->faces) {
        for (int i = 0; i < 3; ++i) {
            corners.push_back(points[f.corner[i]]);
        }
    }
    return corners;
}

// Whole paints of the fine bunny, as the view makes them: the setup screen,
// and the stereo screen with both eyes, the depth sort and its report.
void paintFineBunny(benchmark::State& state, kelpris::Screen screen) {
    kelpris::ViewState view = fineBunnyView();
    if (!view.scene) {
        state.SkipWithError("bunny sample not found");
        return;
    }
    QImage buffer(kWidth, kHeight, QImage::Format_RGB32);
    kelpris::PaintBuffers buffers;
    {
        kelpris::QtImageSurface surface(buffer);
        if (!kelpris::DrawScreen(view, surface, buffers)) {  // builds the transforms
            state.SkipWithError("the first paint failed");
            return;
        }
    }
    view.stereoMode = screen;
    const auto report = std::filesystem::temp_directory_path() / "kelpris_render_bench_rep.txt";
    for (auto _ : state) {
        kelpris::QtImageSurface surface(buffer);
        const kelpris::Result<kelpris::SortReport> done =
            kelpris::DrawScreen(view, surface, buffers, report);
        if (!done) {
            state.SkipWithError(done.message().c_str());
            break;
        }
    }
    state.counters["faces"] = static_cast<double>(view.scene->faces.size());
    std::filesystem::remove(report);
}
void BM_SetupPaint_FineBunny(benchmark::State& state) {
    paintFineBunny(state, kelpris::Screen::Setup);
}
void BM_StereoPaint_FineBunny(benchmark::State& state) {
    paintFineBunny(state, kelpris::Screen::Stereo);
}
BENCHMARK(BM_SetupPaint_FineBunny)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StereoPaint_FineBunny)->Unit(benchmark::kMillisecond);

// One eye's faces of the subdivided bunny, as the stereo screen draws them.
void BM_BunnyFaces(benchmark::State& state) {
    const auto corners = bunnyFaces(+1);
    if (corners.empty()) {
        state.SkipWithError("bunny sample not found");
        return;
    }
    QtImageSurface surface(kWidth, kHeight);
    surface.selectPen(Pen{1, {0, 120, 0}});
    surface.selectBrush(Brush::solid({0, 100, 0}));
    for (auto _ : state) {
        for (std::size_t i = 0; i < corners.size(); i += 3) {
            surface.polygon(std::span<const Point>(&corners[i], 3));
        }
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    state.counters["faces"] = static_cast<double>(corners.size() / 3);
}
BENCHMARK(BM_BunnyFaces)->Unit(benchmark::kMillisecond);

void BM_BunnyFaces_QPainter(benchmark::State& state) {
    const auto corners = bunnyFaces(+1);
    if (corners.empty()) {
        state.SkipWithError("bunny sample not found");
        return;
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    setUpPainter(painter, QColor(0, 120, 0), QColor(0, 100, 0));
    for (auto _ : state) {
        drawWithQPainter(painter, corners, 3);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["faces"] = static_cast<double>(corners.size() / 3);
}
BENCHMARK(BM_BunnyFaces_QPainter)->Unit(benchmark::kMillisecond);

void BM_DrawLines(benchmark::State& state) {
    QtImageSurface surface(kWidth, kHeight);
    surface.selectPen(Pen{1, {215, 0, 0}});
    const auto ends = scatter(kCount, 2, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (std::size_t i = 0; i < ends.size(); i += 2) {
            surface.moveTo(ends[i].x, ends[i].y);
            surface.lineTo(ends[i + 1].x, ends[i + 1].y);
        }
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_DrawLines)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_DrawLines_QPainter(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    setUpPainter(painter, QColor(215, 0, 0), QColor(215, 0, 0));
    const auto ends = scatter(kCount, 2, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (std::size_t i = 0; i < ends.size(); i += 2) {
            painter.drawLine(QLineF(ends[i].x, ends[i].y, ends[i + 1].x, ends[i + 1].y));
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_DrawLines_QPainter)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_OrFullWindow(benchmark::State& state) {
    QtImageSurface window(kWidth, kHeight);
    auto memory = window.createCompatibleSurface();
    auto bitmap = window.createCompatibleBitmap(kWidth, kHeight);
    kelpris::ScopedBitmap selected(*memory, bitmap.get());
    for (auto _ : state) {
        window.bitBlt(0, 0, kWidth, kHeight, *memory, 0, 0, kelpris::RasterOp::SrcPaint);
        benchmark::DoNotOptimize(window.image().constBits());
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_OrFullWindow)->Unit(benchmark::kMillisecond);

}  // namespace
