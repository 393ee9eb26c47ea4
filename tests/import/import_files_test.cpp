// Whole imports through the importer program: real models, the same model in
// different formats, and broken files of every format, each of which must
// end in one clear sentence naming the file.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <vector>

#include <sys/stat.h>

#include "import/model_loader.h"
#include "import_test_support.h"
#include "scene/depth_order.h"

namespace kelpris::mesh {
namespace {

using testing::ImportTest;
using testing::kSamples;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Records {
    std::vector<std::array<std::int32_t, 3>> vertices;
    std::vector<std::array<long, 4>> faces;  // vertex numbers, -1 for none
    std::vector<std::array<long, 2>> edges;
    std::array<std::int32_t, 3> centre{};
    std::int32_t mode = 0;
};

Records recordsOf(const Scena& s) {
    Records r;
    auto number = [](std::uint32_t v) { return v == kNoCorner ? -1L : long(v); };
    for (const Vertex& v : s.vertices) {
        r.vertices.push_back({v.x, v.y, v.z});
    }
    for (const Face& f : s.faces) {
        r.faces.push_back(
            {number(f.corner[0]), number(f.corner[1]), number(f.corner[2]), number(f.corner[3])});
    }
    for (const Edge& e : s.edges) {
        r.edges.push_back({number(e.end1), number(e.end2)});
    }
    r.centre = {s.centreX, s.centreY, s.centreZ};
    r.mode = s.faceModel;
    EXPECT_EQ(s.vertexCount, static_cast<std::int32_t>(s.vertices.size()));
    EXPECT_EQ(s.faceCount, static_cast<std::int32_t>(s.faces.size()));
    EXPECT_EQ(s.edgeCount, static_cast<std::int32_t>(s.edges.size()));
    return r;
}

bool operator==(const Records& a, const Records& b) {
    return a.vertices == b.vertices && a.faces == b.faces && a.edges == b.edges &&
           a.centre == b.centre && a.mode == b.mode;
}

// The depth order after giving every vertex the same made-up depth.
std::pair<std::vector<std::uint32_t>, std::vector<std::int32_t>> depthOrder(const Scena& s) {
    std::vector<std::int32_t> depths;
    for (const Vertex& v : s.vertices) {
        depths.push_back(v.x * 7 - v.y * 3 + v.z * 5);
    }
    DepthOrder order;
    orderFaces(s.faces, depths, order);
    return {order.TRIEDENE_STENY, order.depths};
}

TEST_F(ImportTest, SamplesLoad) {
    struct Case {
        const char* file;
        std::int32_t mode, vertices, records, quads;
    };
    for (const Case& c :
         {Case{"bunny.stl", 1, 1839, 3674, 0}, Case{"teapot.obj", 1, 529, 992, 0},
          Case{"teapot.gltf", 1, 529, 992, 0}, Case{"house_faces.ply", 1, 71, 48, 46},
          Case{"house_edges.obj", 0, 58, 59, 0}}) {
        const LoadResult result = load(kSamples / c.file);
        ASSERT_TRUE(result) << result.error;
        const Scena& s = result.scene;
        EXPECT_TRUE(result.imported);
        EXPECT_EQ(s.faceModel, c.mode) << c.file;
        EXPECT_EQ(s.vertexCount, c.vertices) << c.file;
        EXPECT_EQ(c.mode ? s.faceCount : s.edgeCount, c.records) << c.file;
        EXPECT_EQ(std::count_if(s.faces.begin(), s.faces.end(),
                                [](const Face& f) { return f.corner[3] != kNoCorner; }),
                  c.quads)
            << c.file;
        std::int32_t largest = 0;
        for (const Vertex& v : s.vertices) {
            largest = std::max({largest, std::abs(v.x), std::abs(v.y), std::abs(v.z)});
        }
        // Truncation can leave the largest at 999, as for a scene file.
        EXPECT_TRUE(largest == 999 || largest == 1000) << c.file << ": " << largest;
    }
}

// The scene file written from a binary STL's own floats (joined in order of
// first use, printed so that they read back exactly) must load as the very
// same scene as the STL, and sort the same way.
TEST_F(ImportTest, StlAndSceneFileOfTheSameFloatsAreTheSameScene) {
    const std::string stl = readFile(kSamples / "bunny.stl");
    ASSERT_GT(stl.size(), 84u);
    std::uint32_t triangles = 0;
    std::memcpy(&triangles, stl.data() + 80, 4);
    ASSERT_EQ(stl.size(), 84u + 50u * triangles);
    std::map<std::array<float, 3>, long> number;
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<long, 3>> faces;
    for (std::uint32_t t = 0; t < triangles; ++t) {
        std::array<long, 3> face{};
        for (int corner = 0; corner < 3; ++corner) {
            std::array<float, 3> p{};
            std::memcpy(p.data(), stl.data() + 84 + 50 * t + 12 + 12 * corner, 12);
            const auto [it, added] = number.try_emplace(p, long(points.size()));
            if (added) {
                points.push_back(p);
            }
            face[static_cast<std::size_t>(corner)] = it->second;
        }
        faces.push_back(face);
    }
    std::ostringstream text;
    text << "1\n" << points.size() << ' ' << faces.size() << '\n';
    char line[128];
    for (const auto& p : points) {
        std::snprintf(line, sizeof line, "%.9g %.9g %.9g\n", p[0], p[1], p[2]);
        text << line;
    }
    for (const auto& f : faces) {
        text << f[0] + 1 << ' ' << f[1] + 1 << ' ' << f[2] + 1 << '\n';
    }
    const auto datPath = write("bunny.dat", text.str());

    LoadResult imported = load(kSamples / "bunny.stl");
    ASSERT_TRUE(imported) << imported.error;
    LoadResult scene = load(datPath);
    ASSERT_TRUE(scene) << scene.error;
    EXPECT_FALSE(scene.imported);
    EXPECT_TRUE(recordsOf(imported.scene) == recordsOf(scene.scene));
    EXPECT_EQ(depthOrder(imported.scene), depthOrder(scene.scene));
}

TEST_F(ImportTest, UpAxisOfGltfIsStatedAndOfObjIsTheOption) {
    LoadResult obj = load(kSamples / "teapot.obj");
    options.up = UpAxis::x;  // glTF states y up: the option must not matter
    LoadResult gltf = load(kSamples / "teapot.gltf");
    ASSERT_TRUE(obj && gltf) << obj.error << gltf.error;
    EXPECT_TRUE(recordsOf(obj.scene) == recordsOf(gltf.scene));
    for (const char* other : {"teapot.glb", "teapot.3mf"}) {  // stated y up and z up
        LoadResult result = load(kSamples / other);
        ASSERT_TRUE(result) << result.error;
        EXPECT_TRUE(recordsOf(obj.scene) == recordsOf(result.scene)) << other;
    }

    // The same OBJ read as y up: (x, y, z) becomes (-x, z, y).
    options.up = UpAxis::y;
    LoadResult turned = load(kSamples / "teapot.obj");
    ASSERT_TRUE(turned) << turned.error;
    ASSERT_EQ(turned.scene.vertices.size(), obj.scene.vertices.size());
    for (std::size_t i = 0; i < obj.scene.vertices.size(); ++i) {
        const Vertex& a = obj.scene.vertices[i];
        const Vertex& b = turned.scene.vertices[i];
        const std::array<std::int32_t, 3> expected{-a.x, a.z, a.y};
        EXPECT_EQ((std::array<std::int32_t, 3>{b.x, b.y, b.z}), expected);
    }
}

TEST_F(ImportTest, SceneFilesAndUnknownExtensionsUseTheSceneReader) {
    const std::string triangle = "1\n3 1\n0 0 0\n2 0 0\n0 2 0\n1 2 3\n";
    for (const char* name : {"model.dat", "model.DAT", "model.txt", "model"}) {
        const LoadResult result = load(write(name, triangle));
        ASSERT_TRUE(result) << name << ": " << result.error;
        EXPECT_FALSE(result.imported);
        EXPECT_EQ(result.scene.vertices[1].x, 1000);
    }
    const auto broken = write("broken.dat", "1\n3 1\n0 0 0\n");
    Scena reference;
    EXPECT_EQ(load(broken).error, reference.load(broken).message());
}

TEST_F(ImportTest, BrokenFilesEndInOneClearSentence) {
    const std::string ply =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
        "property float y\nproperty float z\nelement face 1\n"
        "property list uchar int vertex_indices\nend_header\n";
    std::string shortStl(84, '\0');
    shortStl[80] = '\x10';  // 16 triangles, none there
    struct Case {
        const char* name;
        std::string bytes;
        std::string message;  // after "cannot import PATH: " unless it starts with '!'
    };
    const Case cases[] = {
        {"empty.obj", "", "OBJ-file is too small."},
        {"points.obj", "v 0 0 0\nv 1 0 0\np 1\np 2\n", "!no faces or lines in PATH"},
        {"infinite.obj", "v 0 0 0\nv 1e999 0 0\nv 0 1 0\nf 1 2 3\n",
         "vertex 2 has a coordinate that is not finite"},
        {"nan.obj", "v 0 0 0\nv 0 nan 0\nv 0 1 0\nf 1 2 3\n",
         "vertex 2 has a coordinate that is not finite"},
        {"index.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 100000000\n",
         "OBJ: vertex index out of range"},
        {"truncated.stl", shortStl,
         "the binary STL's 16 triangles: at least 884 bytes needed, the file has 84"},
        {"no_end_header.ply", "ply\nformat ascii 1.0\n", "the PLY header has no end_header"},
        {"huge.ply",
         "ply\nformat ascii 1.0\nelement vertex 2000000000\nproperty float x\n"
         "end_header\n0\n",
         "the PLY header's element counts: at least 4000000074 bytes needed, the file has 77"},
        {"index.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 9\n", "a face refers to vertex 9 of 3"},
        {"huge.off", "OFF\n100000000 100000000 0\n0 0 0\n",
         "the OFF header's vertex and face counts: at least 800000000 bytes needed, the file has "
         "32"},
        {"short.off", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
         "Cannot parse string \"\" as a real number: does not start with digit or decimal point "
         "followed by digit."},
        {"chunk.glb",
         std::string("glTF\x02\0\0\0\x20\0\0\0\xff\xff\0\0JSON", 20) + std::string(12, ' '),
         "a GLB chunk: at least 65555 bytes needed, the file has 32"},
        {"broken.dae", "<?xml version=\"1.0\"?><COLLADA><library_geometries>",
         "Unable to read file, malformed XML"},
    };
    for (const Case& c : cases) {
        const auto path = write(c.name, c.bytes);
        const LoadResult result = load(path);
        std::string expected = c.message;
        if (expected.starts_with("!")) {
            expected = expected.substr(1).replace(expected.find("PATH") - 1, 4, path.string());
        } else {
            expected = "cannot import " + path.string() + ": " + expected;
        }
        EXPECT_EQ(result.error, expected) << c.name;
        EXPECT_TRUE(result.scene.vertices.empty() && result.scene.faces.empty()) << c.name;
    }
}

TEST_F(ImportTest, ReferencedFilesMustBeRegularFilesInTheModelsFolder) {
    // One triangle in a separate buffer file.
    std::string buffer(36 + 12, '\0');
    const float xyz[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::uint32_t index[3] = {0, 1, 2};
    std::memcpy(buffer.data(), xyz, 36);
    std::memcpy(buffer.data() + 36, index, 12);
    auto gltf = [](const std::string& uri) {
        return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
               R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0},)"
               R"("indices":1}]}],"buffers":[{"byteLength":48,"uri":")" +
               uri +
               R"("}],"bufferViews":[{"buffer":0,"byteLength":36},)"
               R"({"buffer":0,"byteOffset":36,"byteLength":12}],"accessors":[{"bufferView":0,)"
               R"("componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},)"
               R"({"bufferView":1,"componentType":5125,"count":3,"type":"SCALAR"}]})";
    };
    write("model/tri.bin", buffer);
    write("outside.bin", buffer);
    ASSERT_EQ(::mkfifo((dir_ / "model/fifo.bin").c_str(), 0600), 0);
    std::filesystem::create_symlink("../outside.bin", dir_ / "model/link.bin");

    const LoadResult inside = load(write("model/inside.gltf", gltf("tri.bin")));
    EXPECT_TRUE(inside) << inside.error;
    EXPECT_EQ(inside.scene.faceCount, 1);
    for (const std::string& uri :
         {std::string("../outside.bin"), (dir_ / "outside.bin").string(),
          std::string("/etc/passwd"), std::string("fifo.bin"), std::string("link.bin")}) {
        const LoadResult refused = load(write("model/refused.gltf", gltf(uri)));
        EXPECT_FALSE(refused) << uri;
        EXPECT_TRUE(refused.error.starts_with("cannot import ")) << refused.error;
    }
    // The model itself must be a regular file too.
    ASSERT_EQ(::mkfifo((dir_ / "pipe.stl").c_str(), 0600), 0);
    EXPECT_EQ(load(dir_ / "pipe.stl").error,
              (dir_ / "pipe.stl").string() + ": cannot read file: not a regular file");
}

}  // namespace
}  // namespace kelpris::mesh

namespace kelpris::mesh {
namespace {

// A pyramid on a square base (one quad, four triangles) in every format that
// keeps quads: all must give the same scene. The y-up COLLADA file stores the
// z-up point (X, Y, Z) as (-X, Z, Y), which the import turns back.
std::string collada(const char* up, const char* points) {
    return std::string(R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<asset><up_axis>)") +
           up + R"(</up_axis></asset>
<library_geometries><geometry id="g"><mesh>
<source id="p"><float_array id="pa" count="15">)" +
           points + R"(</float_array>
<technique_common><accessor source="#pa" count="5" stride="3"><param name="X" type="float"/>
<param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
<vertices id="v"><input semantic="POSITION" source="#p"/></vertices>
<polylist count="5"><input semantic="VERTEX" source="#v" offset="0"/>
<vcount>4 3 3 3 3</vcount><p>0 1 2 3 0 1 4 1 2 4 2 3 4 3 0 4</p></polylist>
</mesh></geometry></library_geometries>
<library_visual_scenes><visual_scene id="s"><node id="n"><instance_geometry url="#g"/></node>
</visual_scene></library_visual_scenes><scene><instance_visual_scene url="#s"/></scene>
</COLLADA>
)";
}

TEST_F(ImportTest, TheSameModelInEveryFormatIsTheSameScene) {
    const char* points = "0 0 0 4 0 0 4 4 0 0 4 0 2 1.5 3";
    const char* yUpPoints = "-0 0 0 -4 0 0 -4 0 4 -0 0 4 -2 3 1.5";
    const std::pair<const char*, std::string> files[] = {
        {"pyramid.obj",
         "v 0 0 0\nv 4 0 0\nv 4 4 0\nv 0 4 0\nv 2 1.5 3\n"
         "f 1 2 3 4\nf 1 2 5\nf 2 3 5\nf 3 4 5\nf 4 1 5\n"},
        {"pyramid.off",
         "OFF\n5 5 0\n0 0 0\n4 0 0\n4 4 0\n0 4 0\n2 1.5 3\n"
         "4 0 1 2 3\n3 0 1 4\n3 1 2 4\n3 2 3 4\n3 3 0 4\n"},
        {"pyramid.ply",
         "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\n"
         "property float y\nproperty float z\nelement face 5\n"
         "property list uchar int vertex_indices\nend_header\n"
         "0 0 0\n4 0 0\n4 4 0\n0 4 0\n2 1.5 3\n"
         "4 0 1 2 3\n3 0 1 4\n3 1 2 4\n3 2 3 4\n3 3 0 4\n"},
        {"pyramid_z.dae", collada("Z_UP", points)},
        {"pyramid_y.dae", collada("Y_UP", yUpPoints)},
    };
    LoadResult reference = load(write(files[0].first, files[0].second));
    ASSERT_TRUE(reference) << reference.error;
    EXPECT_EQ(reference.scene.faceCount, 5);
    EXPECT_NE(reference.scene.faces[0].corner[3], kNoCorner);
    EXPECT_EQ(reference.scene.vertices[4].z, 750);  // 3 of largest 4
    for (const auto& [name, text] : files) {
        const LoadResult result = load(write(name, text));
        ASSERT_TRUE(result) << name << ": " << result.error;
        EXPECT_TRUE(recordsOf(result.scene) == recordsOf(reference.scene)) << name;
    }
}

}  // namespace
}  // namespace kelpris::mesh
