// The in-process STL, PLY and OFF readers: every encoding of a model gives
// the same model, broken files are refused with the reason and the line, and
// no file cut short anywhere is taken for a whole one.

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "import/off_reader.h"
#include "import/ply_reader.h"
#include "import/stl_reader.h"

namespace kelpris::mesh {
namespace {

enum class Reader { stl, ply, off };

Result<MeshModel> readBytes(Reader reader, std::string_view bytes, UpAxis up = UpAxis::z) {
    MemorySource source(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size());
    switch (reader) {
        case Reader::stl:
            return readStl(source, bytes.size(), up, "m");
        case Reader::ply:
            return readPly(source, bytes.size(), up, "m");
        case Reader::off:
            break;
    }
    return readOff(source, bytes.size(), up, "m");
}

template <typename T>
void put(std::string& out, T value, bool big = false) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if (big != (std::endian::native == std::endian::big)) {
        std::reverse(bytes, bytes + sizeof(T));
    }
    out.append(bytes, sizeof(T));
}

// A tetrahedron's four triangles by position, one corner repeated (-0 as 0).
const std::vector<std::array<float, 9>> kTriangles = {
    {0, 0, 0, 1.5f, 0, 0, 0, 2.25f, 0},
    {0, 0, 0, 0, 2.25f, 0, 0, 0, 3},
    {-0.0f, 0, 0, 0, 0, 3, 1.5f, 0, 0},
    {1.5f, 0, 0, 0, 0, 3, 0, 2.25f, 0},
};

std::string binaryStl(const char* header = "made by hand") {
    std::string file(header);
    file.resize(80, ' ');
    put(file, static_cast<std::uint32_t>(kTriangles.size()));
    for (const auto& t : kTriangles) {
        for (int k = 0; k < 3; ++k) {
            put(file, 0.0f);  // the normal is not read
        }
        for (const float v : t) {
            put(file, v);
        }
        put(file, std::uint16_t{0});
    }
    return file;
}

std::string textStl() {
    std::string file = "solid tetra\n";
    for (const auto& t : kTriangles) {
        file += "  facet normal 0 0 1\n    outer loop\n";
        for (int k = 0; k < 3; ++k) {
            file += "      vertex " + std::to_string(t[3 * k]) + " " +
                    std::to_string(t[3 * k + 1]) + " " + std::to_string(t[3 * k + 2]) + "\n";
        }
        file += "    endloop\n  endfacet\n";
    }
    return file + "endsolid tetra\n";
}

TEST(MeshReaders, BinaryAndTextStlGiveTheSameModel) {
    const Result<MeshModel> binary = readBytes(Reader::stl, binaryStl());
    ASSERT_TRUE(binary) << binary.message();
    EXPECT_EQ(binary->vertexCount(), 4u);
    EXPECT_EQ(binary->recordCount(), 4u);
    EXPECT_EQ(binary->corners,
              (std::vector<std::uint32_t>{0, 1, 2, kNoCorner, 0, 2, 3, kNoCorner, 0, 3, 1,
                                          kNoCorner, 1, 3, 2, kNoCorner}));
    // A binary file whose header starts with "solid" is still binary, and
    // case and extra solids do not matter in text.
    std::string twoSolids = textStl();
    twoSolids.replace(0, 5, "SOLID");
    twoSolids += "solid empty\nendsolid empty\n";
    for (const std::string& file : {textStl(), binaryStl("solid but binary"), twoSolids}) {
        const Result<MeshModel> other = readBytes(Reader::stl, file);
        ASSERT_TRUE(other) << other.message();
        EXPECT_EQ(other->xyz, binary->xyz);
        EXPECT_EQ(other->corners, binary->corners);
    }
}

// A file that must read as these records with these counts.
struct ModelCase {
    const char* name;
    std::string file;
    bool faceModel;
    std::vector<std::uint32_t> corners;
    ConversionCounts counts;
};

void expectModels(Reader reader, std::span<const ModelCase> cases) {
    for (const ModelCase& c : cases) {
        const Result<MeshModel> model = readBytes(reader, c.file);
        ASSERT_TRUE(model) << c.name << ": " << model.message();
        EXPECT_EQ(model->faceModel, c.faceModel) << c.name;
        EXPECT_EQ(model->corners, c.corners) << c.name;
        EXPECT_EQ(model->counts, c.counts) << c.name;
    }
}

// The same five vertices and faces (a quad, a pentagon, a triangle) in
// every PLY encoding, with properties and elements the reader skips.
std::string ply(const char* format, bool facesFirst = false) {
    const bool big = std::string_view(format) == "binary_big_endian";
    const bool text = std::string_view(format) == "ascii";
    const float xyz[6][3] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {2, 1.5f, 3}, {9, 9, 9}};
    const std::vector<std::vector<std::int32_t>> faces = {{0, 1, 2, 3}, {0, 1, 4, 2, 3}, {3, 0, 4}};
    std::string vertices;
    for (const auto& v : xyz) {
        if (text) {
            vertices += std::to_string(v[0]) + " 7 " + std::to_string(v[1]) + " " +
                        std::to_string(v[2]) + " 2 5 6\n";
        } else {
            put(vertices, v[0], big);
            put(vertices, std::uint8_t{7});
            put(vertices, double{v[1]}, big);
            put(vertices, v[2], big);
            put(vertices, std::uint8_t{2});
            put(vertices, std::int16_t{5}, big);
            put(vertices, std::int16_t{6}, big);
        }
    }
    std::string faceData;
    for (const auto& f : faces) {
        if (text) {
            faceData += std::to_string(f.size());
            for (const std::int32_t i : f) {
                faceData += " " + std::to_string(i);
            }
            faceData += " 0\n";
        } else {
            put(faceData, static_cast<std::uint8_t>(f.size()));
            for (const std::int32_t i : f) {
                put(faceData, i, big);
            }
            put(faceData, std::uint16_t{0}, big);
        }
    }
    const std::string vertexHeader =
        "element vertex 6\nproperty float x\nproperty uchar red\nproperty double y\n"
        "property float z\nproperty list uchar short junk\n";
    const std::string faceHeader =
        "element face 3\nproperty list uchar int vertex_indices\nproperty list ushort int other\n";
    std::string file = std::string("ply\r\nformat ") + format + " 1.0\ncomment hand made\n";
    file += facesFirst ? faceHeader + vertexHeader : vertexHeader + faceHeader;
    file += "element camera 1\nproperty float view_px\nend_header\n";
    file += facesFirst ? faceData + vertices : vertices + faceData;
    return file + (text ? "1\n" : std::string("\0\0\0\0", 4));
}

TEST(MeshReaders, EveryPlyEncodingGivesTheSameModel) {
    const Result<MeshModel> text = readBytes(Reader::ply, ply("ascii"));
    ASSERT_TRUE(text) << text.message();
    EXPECT_EQ(text->vertexCount(), 5u);  // the sixth is used by no face
    EXPECT_EQ(text->recordCount(), 5u);  // the pentagon is three triangles
    EXPECT_EQ(text->counts.polygonsSplit, 1u);
    for (const std::string& file : {ply("binary_little_endian"), ply("binary_big_endian"),
                                    ply("ascii", true), ply("binary_big_endian", true)}) {
        const Result<MeshModel> other = readBytes(Reader::ply, file);
        ASSERT_TRUE(other) << other.message();
        EXPECT_EQ(other->xyz, text->xyz);
        EXPECT_EQ(other->corners, text->corners);
        EXPECT_EQ(other->counts, text->counts);
    }
}

TEST(MeshReaders, PlyPointsLinesAndStrips) {
    const std::string head =
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\n"
        "property float y\nproperty float z\n";
    const std::string points = "0 0 0\n1 0 0\n0 1 0\n0 0 1\n";
    const ModelCase cases[] = {
        {"points alone", head + "end_header\n" + points, false, {0, 0, 1, 1, 2, 2, 3, 3}, {}},
        {"no faces in a face element",
         head + "element face 0\nproperty list uchar int vertex_indices\nend_header\n" + points,
         false,
         {0, 0, 1, 1, 2, 2, 3, 3},
         {}},
        {"edges",
         head + "element edge 2\nproperty int vertex1\nproperty int vertex2\nend_header\n" +
             points + "0 1\n3 2\n",
         false,
         {0, 1, 2, 3},
         {}},
        {"edges before the vertices they join",
         "ply\nformat ascii 1.0\nelement edge 2\nproperty int vertex1\nproperty int vertex2\n" +
             head.substr(21) + "end_header\n0 1\n3 2\n" + points,
         false,
         {0, 1, 2, 3},
         {}},
        {"a triangle strip with a restart",
         head + "element tristrips 1\nproperty list int int vertex_indices\nend_header\n" + points +
             "6 0 1 2 3 -1 3\n",
         true,
         {0, 1, 2, kNoCorner, 2, 1, 3, kNoCorner},
         {}},
        {"faces naming missing vertices are dropped",
         head + "element face 3\nproperty list uchar int vertex_indices\nend_header\n" + points +
             "3 0 1 4\n3 0 -1 2\n3 0 1 2\n",
         true,
         {0, 1, 2, kNoCorner},
         {0, 0, 0, 0, 2}},
    };
    expectModels(Reader::ply, cases);
}

// One pyramid (a quad and four triangles) in the spellings OFF allows, and
// files whose faces are missing or dropped.
TEST(MeshReaders, OffVariantsPointsAndDroppedFaces) {
    const std::string points = "0 0 0\n4 0 0\n4 4 0\n0 4 0\n2 1.5 3\n";
    const std::string faces = "4 0 1 2 3\n3 0 1 4\n3 1 2 4\n3 2 3 4\n3 3 0 4\n";
    const Result<MeshModel> plain = readBytes(Reader::off, "OFF\n5 5 10\n" + points + faces);
    ASSERT_TRUE(plain) << plain.message();
    EXPECT_EQ(plain->corners, (std::vector<std::uint32_t>{0, 1, 2, 3,         0, 1, 4, kNoCorner,
                                                          1, 2, 4, kNoCorner, 2, 3, 4, kNoCorner,
                                                          3, 0, 4, kNoCorner}));
    const std::string same[] = {
        "# made by hand\nOFF 5 5\n\n" + points + "# faces\n" + faces,
        "5 5 0\n" + points + faces,
        "OFF # a pyramid\n5 # vertices\n5\n" + points + faces,
        "COFF\n5 5 0\n0 0 0 1 0 0 1\n4 0 0 1 0 0 1\n4 4 0 0 1 0 1\n0 4 0 0 1 0 1\n"
        "2 1.5 3 0 0 1 1\n4 0 1 2 3 255 0 0\n3 0 1 4 # red\n3 1 2 4 0.5 0.5 0.5 1\n"
        "3 2 3 4.0\n3 3 0 4\n",
        "STNOFF\n5 5 0\n0 0 0 0 0 1 .1 .2\n4 0 0 0 0 1 .1 .2\n4 4 0 0 0 1 .1 .2\n"
        "0 4 0 0 0 1 .1 .2\n2 1.5 3 0 0 1 .1 .2\n" +
            faces,
    };
    for (const std::string& file : same) {
        const Result<MeshModel> other = readBytes(Reader::off, file);
        ASSERT_TRUE(other) << file << ": " << other.message();
        EXPECT_EQ(other->xyz, plain->xyz) << file;
        EXPECT_EQ(other->corners, plain->corners) << file;
    }

    const std::string head = "OFF\n4 ";
    const std::string four = "0 0 0\n1 0 0\n0 1 0\n0 0 1\n";
    const ModelCase cases[] = {
        {"points alone", head + "0 0\n" + four, false, {0, 0, 1, 1, 2, 2, 3, 3}, {}},
        {"faces naming missing vertices are dropped",
         head + "3 0\n" + four + "3 0 1 4\n3 0 -1 2\n3 0 1 2\n",
         true,
         {0, 1, 2, kNoCorner},
         {0, 0, 0, 0, 2}},
        {"every face dropped leaves the points",
         head + "3 0\n" + four + "3 0 1 9\n3 1 1 2\n0\n",
         false,
         {0, 0, 1, 1, 2, 2, 3, 3},
         {2, 0, 0, 0, 1}},
        {"a face of two corners is a line",
         head + "2 0\n" + four + "2 0 1\n2 3 2 255 0 0\n",
         false,
         {0, 1, 2, 3},
         {}},
    };
    expectModels(Reader::off, cases);
}

TEST(MeshReaders, BrokenFilesAreRefusedWithTheReasonAndLine) {
    std::string shortStl(84, ' ');
    shortStl[80] = '\x10';  // 16 triangles, none there
    shortStl[81] = shortStl[82] = shortStl[83] = '\0';
    std::string longStl = binaryStl();
    longStl += "xx";
    const std::string plyHead =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
        "property float y\nproperty float z\n";
    const std::string faceHead = "element face 2\nproperty list uchar int vertex_indices\n";
    struct Case {
        Reader reader;
        std::string file;
        std::string message;
    };
    const Case cases[] = {
        {Reader::stl, "", "m: the file is empty"},
        {Reader::stl, "\x01\x02", "m: a binary STL: at least 84 bytes needed, the file has 2"},
        {Reader::stl, shortStl,
         "m: the binary STL's 16 triangles: at least 884 bytes needed, the file has 84"},
        {Reader::stl, longStl,
         "m: the binary STL's 4 triangles take 284 bytes, but the file has 286"},
        {Reader::stl, "v 0 0 0\nv 1 0 0\nf 1 2 3\n",
         "m: the file is text, but a text STL starts with \"solid\""},
        {Reader::stl, "solid x\nfacet normal 0 0 1\nouter loop\nvertex 1 2\nendloop\n",
         "m: line 5: three numbers expected after \"vertex\", found \"endloop\""},
        {Reader::stl, "solid x\nfacet normal 0 0 1\nouter loop\nvertex 1 2 inf\n",
         "m: line 4: \"vertex\" or \"endloop\" expected, the file ends"},
        {Reader::stl,
         "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 nan\nvertex 0 1 0\n"
         "endloop\nendfacet\nendsolid\n",
         "m: line 8: a coordinate that is not finite"},
        {Reader::stl, "solid x\nfacet\n", "m: line 2: \"outer loop\" expected, the file ends"},
        {Reader::stl, "solid x\nendsolid x\n", "m: the file holds no faces, lines or points"},
        {Reader::stl,
         "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 0 0 0\nendloop\n"
         "endfacet\nendsolid\n",
         "m: no faces, lines or points are left: 1 degenerate face dropped"},
        {Reader::stl, "solid x\nfacet normal 0 0 1\nouter loop\nendloop\nendfacet\n",
         "m: line 5: \"facet\" or \"endsolid\" expected, the file ends"},
        {Reader::ply, "plyx\n", "m: line 1: a PLY file starts with the line \"ply\""},
        {Reader::ply, std::string("p\0l\0y\0\n\0f\0o\0r\0m\0", 16),
         "m: the file is UTF-16 text, an encoding that is not supported (save it as UTF-8)"},
        {Reader::stl, "\xff\xfes\0o\0l\0i\0d\0",
         "m: the file is UTF-16 text, an encoding that is not supported (save it as UTF-8)"},
        {Reader::ply, "ply\nformat ascii 1.0\n", "m: the PLY header has no end_header"},
        {Reader::ply, "ply\nformat ascii 1.0\nelement vertex 3\nproperty float128 x\n",
         "m: line 4: unknown PLY type \"float128\""},
        {Reader::ply, "ply\nformat ascii 1.0\nelemnt vertex 3\n",
         "m: line 3: \"elemnt\" is not a PLY header keyword"},
        {Reader::ply, "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nend_header\n0\n",
         "m: the PLY vertex element has no x, y and z"},
        {Reader::ply,
         "ply\nformat ascii 1.0\nelement vertex 2000000000\nproperty float x\nend_header\n0\n",
         "m: the PLY header's element counts: at least 4000000074 bytes needed, the file has 77"},
        {Reader::ply, plyHead + faceHead + "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n    \n",
         "m: the file ends after 1 of 2 faces"},
        {Reader::ply, plyHead + faceHead + "end_header\n0 0 0\n1 x 0\n0 1 0\n3 0 1 2\n3 0 1 2\n",
         "m: line 11: \"x\" where a number belongs"},
        {Reader::ply, plyHead + faceHead + "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n-3 0 1 2\n",
         "m: line 14: a list of -3 items"},
        {Reader::ply, "ply\nformat ascii 1.0\n" + faceHead + "end_header\n3 0 1 2\n3 0 1 2\n",
         "m: the PLY header has no vertex element with x, y and z"},
        {Reader::ply, plyHead + "end_header\n0 0 0\n1 1e39 0\n0 1 0\n",
         "m: vertex 2 has a coordinate that is not finite"},
        {Reader::off, "", "m: the file is empty"},
        {Reader::off, "\xff\xfeO\0F\0F\0",
         "m: the file is UTF-16 text, an encoding that is not supported (save it as UTF-8)"},
        {Reader::off, "OFF BINARY\n\0\0\0\3",
         "m: line 1: binary OFF is not supported (save it as text OFF)"},
        {Reader::off, "4OFF\n1 0 0\n0 0 0 0\n",
         "m: line 1: \"4OFF\": points in four dimensions are not supported"},
        {Reader::off, "nOFF 3\n1 0 0\n0 0 0\n",
         "m: line 1: \"nOFF\": points of a stated dimension are not supported"},
        {Reader::off, "ply\nformat ascii 1.0\n",
         "m: line 1: \"ply\" where the vertex count belongs"},
        {Reader::off, "OFF\n# counts\n3\n", "m: line 3: the file ends before the face count"},
        {Reader::off, "OFF\n100000000 1 0\n0 0 0\n",
         "m: the OFF header's vertex and face counts: at least 600000002 bytes needed, the file "
         "has 24"},
        {Reader::off, "OFF\n3 1 0\n0 0 0\n1 0\n0 1 0\n3 0 1 2\n",
         "m: line 4: vertex 2: three numbers expected, the line ends"},
        {Reader::off, "OFF\n3 1 0\n0 0 0\n1 0 y\n0 1 0\n3 0 1 2\n",
         "m: line 4: vertex 2: \"y\" where a number belongs"},
        {Reader::off, "OFF\n3 1 0\n0 0 0\n1 1e39 0\n0 1 0\n3 0 1 2\n",
         "m: line 4: vertex 2 has a coordinate that is not finite"},
        {Reader::off, "OFF\n3 2 0\n0 0 0\n1 0 0\n# last\n",
         "m: line 5: the file ends after 2 of 3 vertices"},
        {Reader::off, "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n\n",
         "m: line 6: the file ends after 1 of 2 faces"},
        {Reader::off, "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1\n",
         "m: line 6: face 1: 3 vertex numbers expected, the line ends after 2"},
        {Reader::off, "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n-3 0 1 2\n",
         "m: line 6: face 1: \"-3\" is not a corner count"},
        {Reader::off, "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1.5 2\n",
         "m: line 6: face 1: \"1.5\" where a vertex number belongs"},
        {Reader::off, "OFF\n0 0 0\n", "m: the file holds no faces, lines or points"},
    };
    for (const Case& c : cases) {
        const Result<MeshModel> model = readBytes(c.reader, c.file);
        EXPECT_FALSE(model) << c.file;
        EXPECT_EQ(model.message(), c.message) << c.file;
    }
}

// Every file cut short before its last needed byte is refused, never read
// as a smaller model.
TEST(MeshReaders, NoTruncationPassesForAWholeFile) {
    const std::string text = textStl();
    const std::pair<Reader, std::string> files[] = {
        {Reader::stl, binaryStl()},
        {Reader::stl, text.substr(0, text.rfind("endsolid") + 8)},
        {Reader::ply, ply("ascii").substr(0, ply("ascii").size() - 1)},
        {Reader::ply, ply("binary_little_endian")},
        {Reader::ply, ply("binary_big_endian", true)},
        {Reader::off, "OFF\n4 2 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 1 2\n3 0 1 3"},
    };
    for (const auto& [reader, whole] : files) {
        ASSERT_TRUE(readBytes(reader, whole)) << whole;
        for (std::size_t size = 0; size < whole.size(); ++size) {
            EXPECT_FALSE(readBytes(reader, whole.substr(0, size))) << size << " of " << whole;
        }
    }
}

}  // namespace
}  // namespace kelpris::mesh
