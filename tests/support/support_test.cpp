// The shared test helpers themselves: a fault here would hide faults in the
// code the other tests check.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "recording_surface.h"
#include "scratch_dir.h"

namespace kelpris::testing {
namespace {

namespace fs = std::filesystem;

TEST(RecordingSurface, logsToolsOnlyWhenAskedAndWithTheToolsInForceAfterwards) {
    for (const Record record : {Record::Drawing, Record::DrawingAndTools}) {
        RecordingSurface surface(record);
        const Pen red{3, {255, 0, 0}};
        EXPECT_EQ(surface.selectPen(red), (Pen{1, {0, 0, 0}}));
        EXPECT_EQ(surface.selectBrush(Brush::black()), Brush::white());
        EXPECT_EQ(surface.setTextColour({1, 2, 3}), (Rgb{0, 0, 0}));
        surface.lineTo(4, 5);
        std::vector<std::string> kinds;
        for (const Op& op : surface.log()) {
            kinds.push_back(op.kind);
        }
        if (record == Record::Drawing) {
            EXPECT_EQ(kinds, (std::vector<std::string>{"line"}));
        } else {
            EXPECT_EQ(kinds, (std::vector<std::string>{"pen", "brush", "textColour", "line"}));
            EXPECT_EQ(surface.log()[0].pen, red);
            EXPECT_EQ(surface.log()[0].brush, Brush::white());
        }
        const Op& line = surface.log().back();
        EXPECT_EQ(line, (Op{"window", "line", 4, 5, 0, 0, {}, {}, red, Brush::black(), {1, 2, 3}}));
    }
}

TEST(RecordingSurface, memorySurfacesShareTheLogEvenAfterTheWindowIsGone) {
    std::unique_ptr<DrawingSurface> memory;
    std::vector<Op> shared;
    {
        RecordingSurface window;
        memory = window.createCompatibleSurface();
        memory->moveTo(1, 2);
        EXPECT_EQ(window.log().size(), 1u);
        EXPECT_EQ(window.log()[0].surface, "memory");

        RecordingSurface named(shared, "window");
        named.createCompatibleSurface()->rectangle(0, 0, 3, 4);
    }
    memory->moveTo(3, 4);  // the log it writes to is still alive
    const auto& own = dynamic_cast<const RecordingSurface&>(*memory).log();
    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(own[1].a, 3);
    ASSERT_EQ(shared.size(), 1u);
    EXPECT_EQ(shared[0].surface, "memory");
    EXPECT_EQ(shared[0].kind, "rect");
}

TEST(RecordingSurface, blitsNameTheSourcePictureAndPicturesCanBeMissing) {
    std::vector<Op> log;
    RecordingSurface window(log, "window");
    auto side = window.loadBitmap(132);
    ASSERT_NE(side, nullptr);
    EXPECT_EQ(side->width(), 140);
    EXPECT_EQ(window.loadBitmap(7), nullptr);
    auto memory = window.createCompatibleSurface();
    window.bitBlt(1, 2, 3, 4, *memory, 0, 0, RasterOp::SrcPaint);
    memory->selectBitmap(side.get());
    window.bitBlt(5, 6, 7, 8, *memory, 0, 0, RasterOp::SrcCopy);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].text, "initial");
    EXPECT_EQ(log[0].op, RasterOp::SrcPaint);
    EXPECT_EQ(log[1].text, "132");
    EXPECT_EQ((std::array{log[1].a, log[1].b, log[1].c, log[1].d}), (std::array{5, 6, 7, 8}));

    RecordingSurface bare(Record::Drawing, Pictures::Missing);
    EXPECT_EQ(bare.loadBitmap(132), nullptr);
    EXPECT_EQ(bare.loadBitmap(133), nullptr);
}

TEST(RecordingSurface, polygonsKeepEveryCornerAndMayBeEmpty) {
    RecordingSurface surface;
    const std::vector<Point> corners{{1, 2}, {3, 4}, {5, 6}};
    surface.polygon(corners);
    surface.polygon({});
    ASSERT_EQ(surface.log().size(), 2u);
    EXPECT_EQ(surface.log()[0].points, corners);
    EXPECT_EQ((std::array{surface.log()[0].a, surface.log()[0].b, surface.log()[0].c}),
              (std::array{1, 2, 3}));
    EXPECT_EQ(surface.log()[1].c, 0);
}

TEST(ScratchDir, eachIsNewEmptyPrivateAndRemovedAfterwards) {
    fs::path first;
    fs::path second;
    {
        ScratchDir a;
        ScratchDir b;
        first = a.path();
        second = b.path();
        EXPECT_NE(first, second);
        EXPECT_TRUE(fs::is_directory(first));
        EXPECT_TRUE(fs::is_empty(first));
        EXPECT_EQ(fs::status(first).permissions() & fs::perms::all, fs::perms::owner_all);
        EXPECT_NE(first.filename().string().find("eachIsNewEmptyPrivateAndRemovedAfterwards"),
                  std::string::npos);
        a.write("inner.txt", "x");
        fs::create_directory(a / "sub");
        a.write("sub/deeper.txt", "y");
    }
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
}

TEST(ScratchDir, enteringChangesTheWorkingDirectoryUntilTheEnd) {
    const fs::path before = fs::current_path();
    {
        ScratchDir plain;
        EXPECT_EQ(fs::current_path(), before);
        ScratchDir entered(Enter::Yes);
        EXPECT_EQ(fs::current_path(), entered.path());
    }
    EXPECT_EQ(fs::current_path(), before);
}

TEST(ScratchDir, writesAndCopiesByteForByte) {
    ScratchDir dir;
    const std::string bytes("a\r\nb\0c\x1a\xff", 8);
    const fs::path file = dir.write("model.dat", bytes);
    EXPECT_EQ(file, dir / "model.dat");
    dir.copyIn(file, "copy.dat");
    for (const fs::path& p : {file, dir / "copy.dat"}) {
        std::ifstream in(p, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes) << p;
    }
}

}  // namespace
}  // namespace kelpris::testing
