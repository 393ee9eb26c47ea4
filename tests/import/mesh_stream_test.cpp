// The viewer's reader of the importer's stream: what it accepts must be a
// sound model, and everything broken is refused with a reason.

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "import/mesh_stream.h"

namespace kelpris::mesh {
namespace {

using Bytes = std::vector<std::byte>;

MeshModel quadAndTriangle() {
    MeshModel model;
    model.xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0.5f, 2, 0};
    model.corners = {0, 1, 2, 3, 3, 2, 4, kNoCorner};
    model.counts = {1, 2, 3, 4, 5};
    model.up = UpAxis::y;
    return model;
}

StreamContent read(const Bytes& bytes) {
    MemorySource source(bytes.data(), bytes.size());
    return readStream(source);
}

void putWord(Bytes& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

void putFloat(Bytes& bytes, std::size_t at, float value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

// Offsets in the stream of quadAndTriangle().
constexpr std::size_t kKind = 8;
constexpr std::size_t kVertices = 12;
constexpr std::size_t kRecords = 16;
constexpr std::size_t kUp = 40;
constexpr std::size_t kXyz = 44;
constexpr std::size_t kCorners = kXyz + 15 * 4;

TEST(MeshStream, ModelsRoundTrip) {
    MeshModel edges;
    edges.faceModel = false;
    edges.xyz = {1, 2, 3, -4, 5e30f, -6e-30f};
    edges.corners = {1, 0};
    for (const MeshModel& model : {quadAndTriangle(), edges}) {
        const StreamContent content = read(encodeModel(model));
        ASSERT_EQ(content.kind, StreamContent::Kind::model) << content.text;
        EXPECT_EQ(content.model.faceModel, model.faceModel);
        EXPECT_EQ(content.model.xyz, model.xyz);
        EXPECT_EQ(content.model.corners, model.corners);
        EXPECT_EQ(content.model.counts, model.counts);
        EXPECT_EQ(content.model.up, model.up);
    }
}

TEST(MeshStream, ErrorsRoundTripPrintable) {
    const StreamContent content = read(encodeError(ChildError::library, "bad\nfile\x01"));
    ASSERT_EQ(content.kind, StreamContent::Kind::error);
    EXPECT_EQ(content.error, ChildError::library);
    EXPECT_EQ(content.text, "bad file?");
    const std::string longText(kMaxErrorText + 100, 'a');
    EXPECT_EQ(read(encodeError(ChildError::library, longText)).text.size(), kMaxErrorText);
}

TEST(MeshStream, EveryTruncationIsRefused) {
    for (const Bytes& whole :
         {encodeModel(quadAndTriangle()), encodeError(ChildError::noGeometry, "x")}) {
        for (std::size_t size = 0; size < whole.size(); ++size) {
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_EQ(read(cut).kind, StreamContent::Kind::malformed) << size;
        }
    }
}

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

TEST(MeshStream, BrokenModelsAreRefused) {
    struct Case {
        const char* name;
        void (*edit)(Bytes&);
        const char* reason;
    };
    const Case cases[] = {
        {"bad magic", [](Bytes& b) { b[0] = std::byte{'X'}; }, "not a model stream"},
        {"unknown kind", [](Bytes& b) { putWord(b, kKind, 7); }, "unknown model kind 7"},
        {"automatic up axis", [](Bytes& b) { putWord(b, kUp, 3); }, "unknown up axis 3"},
        {"no records", [](Bytes& b) { putWord(b, kRecords, 0); },
         "0 faces (1 to 30000000 allowed)"},
        {"too many records", [](Bytes& b) { putWord(b, kRecords, kMaxFaces + 1); },
         "30000001 faces (1 to 30000000 allowed)"},
        {"no vertices", [](Bytes& b) { putWord(b, kVertices, 0); }, "0 vertices for 2 records"},
        {"more vertices than corners", [](Bytes& b) { putWord(b, kVertices, 9); },
         "9 vertices for 2 records"},
        {"huge counts, little data",
         [](Bytes& b) {
             putWord(b, kVertices, 100000000);
             putWord(b, kRecords, kMaxFaces);
         },
         "the model is cut short"},
        {"NaN coordinate", [](Bytes& b) { putFloat(b, kXyz + 4 * 7, nan); },
         "vertex 3 has a coordinate that is not finite"},
        {"infinite coordinate", [](Bytes& b) { putFloat(b, kXyz, -inf); },
         "vertex 1 has a coordinate that is not finite"},
        {"index past the end", [](Bytes& b) { putWord(b, kCorners + 4 * 5, 5); },
         "record 2 refers to vertex 5 of 5"},
        {"triangle mark in a first corner", [](Bytes& b) { putWord(b, kCorners, kNoCorner); },
         "record 1 refers to vertex 4294967295 of 5"},
        {"unused vertex", [](Bytes& b) { putWord(b, kCorners + 4 * 6, 0); },
         "a vertex no record uses"},
        {"data after the end", [](Bytes& b) { b.push_back(std::byte{0}); }, "data after the model"},
    };
    for (const Case& c : cases) {
        Bytes bytes = encodeModel(quadAndTriangle());
        c.edit(bytes);
        const StreamContent content = read(bytes);
        EXPECT_EQ(content.kind, StreamContent::Kind::malformed) << c.name;
        EXPECT_EQ(content.text, c.reason) << c.name;
    }
}

TEST(MeshStream, EdgeModelsHaveNoTriangleMark) {
    MeshModel edges;
    edges.faceModel = false;
    edges.xyz = {0, 0, 0, 1, 1, 1};
    edges.corners = {0, kNoCorner};
    EXPECT_EQ(read(encodeModel(edges)).kind, StreamContent::Kind::malformed);
}

TEST(MeshStream, BrokenErrorReportsAreRefused) {
    Bytes unknown = encodeError(ChildError::library, "x");
    putWord(unknown, 8, 99);
    Bytes tooLong = encodeError(ChildError::library, "x");
    putWord(tooLong, 12, kMaxErrorText + 1);
    Bytes trailing = encodeError(ChildError::library, "x");
    trailing.push_back(std::byte{0});
    for (const Bytes& bytes : {unknown, tooLong, trailing}) {
        EXPECT_EQ(read(bytes).kind, StreamContent::Kind::malformed);
    }
}

TEST(MeshStream, ProgressReachesTheAnnouncedTotal) {
    const Bytes bytes = encodeModel(quadAndTriangle());
    MemorySource source(bytes.data(), bytes.size());
    std::uint64_t lastDone = 0;
    std::uint64_t lastTotal = 0;
    readStream(source, [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_GE(done, lastDone);
        lastDone = done;
        lastTotal = total;
    });
    EXPECT_EQ(lastDone, bytes.size());
    EXPECT_EQ(lastTotal, bytes.size());
}

}  // namespace
}  // namespace kelpris::mesh
