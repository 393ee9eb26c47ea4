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

#include "import/child_import.h"
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
        const Result<LoadedModel> result = load(kSamples / c.file);
        ASSERT_TRUE(result) << result.message();
        const Scena& s = result->scene;
        EXPECT_TRUE(result->imported);
        EXPECT_EQ(s.faceModel, c.mode) << c.file;
        EXPECT_EQ(s.vertexCount, c.vertices) << c.file;
        EXPECT_EQ(c.mode ? s.faceCount : s.edgeCount, c.records) << c.file;
        EXPECT_EQ(std::count_if(s.faces.begin(), s.faces.end(),
                                [](const Face& f) { return f.corner[3] != kNoCorner; }),
                  c.quads)
            << c.file;
        // In the bundled scenes' frame: the box from 0, the longest side 1000
        // (truncation can leave it at 999, as for a scene file).
        std::array<std::int32_t, 3> low{1000, 1000, 1000};
        std::int32_t largest = 0;
        for (const Vertex& v : s.vertices) {
            low = {std::min(low[0], v.x), std::min(low[1], v.y), std::min(low[2], v.z)};
            largest = std::max({largest, v.x, v.y, v.z});
        }
        EXPECT_EQ(low, (std::array<std::int32_t, 3>{0, 0, 0})) << c.file;
        EXPECT_TRUE(largest == 999 || largest == 1000) << c.file << ": " << largest;
    }
}

// A binary STL of a height field already in the bundled scenes' frame (box
// from 0, longest side 1000).
std::string heightFieldStl() {
    std::string stl(80, ' ');
    const std::uint32_t triangles = 2 * 19 * 19;
    stl.append(reinterpret_cast<const char*>(&triangles), 4);
    const auto at = [](int i, int j) {
        return std::array<float, 3>{i * 50.0f, j * 37.5f, float((i * j) % 7) * 10.25f};
    };
    for (int i = 0; i < 19; ++i) {
        for (int j = 0; j < 19; ++j) {
            for (const auto& tri : {std::array{at(i, j), at(i + 1, j), at(i + 1, j + 1)},
                                    std::array{at(i, j), at(i + 1, j + 1), at(i, j + 1)}}) {
                stl.append(12, '\0');
                for (const auto& p : tri) {
                    stl.append(reinterpret_cast<const char*>(p.data()), 12);
                }
                stl.append(2, '\0');
            }
        }
    }
    return stl;
}

// The scene file written from a binary STL's own floats (joined in order of
// first use, printed so that they read back exactly) must load as the very
// same scene as the STL, and sort the same way, when the model is in the
// frame already.
TEST_F(ImportTest, StlAndSceneFileOfTheSameFloatsAreTheSameScene) {
    const auto stlPath = write("field.stl", heightFieldStl());
    const std::string stl = readFile(stlPath);
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

    Result<LoadedModel> imported = load(stlPath);
    ASSERT_TRUE(imported) << imported.message();
    Result<LoadedModel> scene = load(datPath);
    ASSERT_TRUE(scene) << scene.message();
    EXPECT_FALSE(scene->imported);
    EXPECT_TRUE(recordsOf(imported->scene) == recordsOf(scene->scene));
    EXPECT_EQ(depthOrder(imported->scene), depthOrder(scene->scene));
}

TEST_F(ImportTest, UpAxisOfGltfIsStatedAndOfObjIsTheOption) {
    options.up = UpAxis::automatic;  // OBJ: y, as the sample is written
    Result<LoadedModel> obj = load(kSamples / "teapot.obj");
    options.up = UpAxis::x;  // glTF states y up: the option must not matter
    Result<LoadedModel> gltf = load(kSamples / "teapot.gltf");
    ASSERT_TRUE(obj && gltf) << obj.message() << gltf.message();
    EXPECT_TRUE(recordsOf(obj->scene) == recordsOf(gltf->scene));
    EXPECT_EQ(gltf->up, UpAxis::y);
    // Stated y up and z up; a GLB named .gltf is read by its content.
    std::filesystem::copy_file(kSamples / "teapot.glb", dir_ / "binary.gltf");
    for (const auto& other :
         {kSamples / "teapot.glb", kSamples / "teapot.3mf", dir_ / "binary.gltf"}) {
        Result<LoadedModel> result = load(other);
        ASSERT_TRUE(result) << result.message();
        EXPECT_TRUE(recordsOf(obj->scene) == recordsOf(result->scene)) << other;
    }

    // The OBJ read as y up (by choice, and automatically) is the OBJ whose
    // points (x, y, z) were written as (-x, z, y), read as z up.
    std::istringstream lines(readFile(kSamples / "teapot.obj"));
    std::string turned;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind, x, y, z;
        words >> kind >> x >> y >> z;
        const std::string minus = x.starts_with("-") ? x.substr(1) : "-" + x;
        turned += kind == "v" ? "v " + minus + " " + z + " " + y + "\n" : line + "\n";
    }
    options.up = UpAxis::z;
    const Result<LoadedModel> byHand = load(write("turned.obj", turned));
    ASSERT_TRUE(byHand) << byHand.message();
    for (const UpAxis up : {UpAxis::y, UpAxis::automatic}) {
        options.up = up;
        const Result<LoadedModel> yUp = load(kSamples / "teapot.obj");
        ASSERT_TRUE(yUp) << yUp.message();
        EXPECT_EQ(yUp->up, UpAxis::y);
        EXPECT_TRUE(recordsOf(yUp->scene) == recordsOf(byHand->scene));
    }
}

TEST_F(ImportTest, SceneFilesAndUnknownExtensionsUseTheSceneReader) {
    const std::string triangle = "1\n3 1\n0 0 0\n2 0 0\n0 2 0\n1 2 3\n";
    for (const char* name : {"model.dat", "model.DAT", "model.txt", "model"}) {
        const Result<LoadedModel> result = load(write(name, triangle));
        ASSERT_TRUE(result) << name << ": " << result.message();
        EXPECT_FALSE(result->imported);
        EXPECT_EQ(result->scene.vertices[1].x, 1000);
    }
    const auto broken = write("broken.dat", "1\n3 1\n0 0 0\n");
    Scena reference;
    EXPECT_EQ(load(broken).message(), reference.load(broken).message());
}

// Broken files of every format, read by our readers or the library; the
// STL and PLY ones are also given to the library, which must refuse them too.
std::vector<std::pair<std::string, std::string>> brokenFiles() {
    std::string shortStl(84, '\0');
    shortStl[80] = '\x10';  // 16 triangles, none there
    const std::string ply =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
        "property float y\nproperty float z\nelement face 2\n"
        "property list uchar int vertex_indices\nend_header\n";
    return {
        {"truncated.stl", shortStl},
        {"obj_text.stl", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"cut.stl", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"},
        {"empty.stl", "solid x\nendsolid x\n"},
        {"huge.ply",
         "ply\nformat ascii 1.0\nelement vertex 2000000000\nproperty float x\n"
         "end_header\n0\n"},
        {"short.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"},
        {"nan.ply", ply + "0 0 0\n1 nan 0\n0 1 0\n3 0 1 2\n3 0 2 1\n"},
        {"huge.off", "OFF\n100000000 100000000 0\n0 0 0\n"},
        {"short.off", "OFF\n4 2 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 1 2\n"},
        {"binary.off", std::string("OFF BINARY\n\0\0\0\3\0\0\0\1\0\0\0\0", 23)},
    };
}

TEST_F(ImportTest, BrokenFilesEndInOneClearSentence) {
    std::vector<std::pair<std::string, std::string>> cases = {
        {"empty.obj", "OBJ-file is too small."},
        {"infinite.obj", "vertex 2 has a coordinate that is not finite"},
        {"nan.obj", "vertex 2 has a coordinate that is not finite"},
        {"index.obj", "OBJ: vertex index out of range"},
        {"truncated.stl",
         "the binary STL's 16 triangles: at least 884 bytes needed, the file has 84"},
        {"obj_text.stl", "the file is text, but a text STL starts with \"solid\""},
        {"cut.stl", "line 4: \"vertex\" or \"endloop\" expected, the file ends"},
        {"empty.stl", "the file holds no faces, lines or points"},
        {"no_end_header.ply", "the PLY header has no end_header"},
        {"huge.ply",
         "the PLY header's element counts: at least 4000000074 bytes needed, the file has 77"},
        {"short.ply", "the file ends after 1 of 2 faces"},
        {"nan.ply", "vertex 2 has a coordinate that is not finite"},
        {"huge.off",
         "the OFF header's vertex and face counts: at least 800000000 bytes needed, the file has "
         "32"},
        {"short.off", "line 7: the file ends after 1 of 2 faces"},
        {"binary.off", "line 1: binary OFF is not supported (save it as text OFF)"},
        {"chunk.glb", "a GLB chunk: at least 65555 bytes needed, the file has 32"},
        {"broken.dae", "Unable to read file, malformed XML"},
        {"cameras.dae", "the file holds no faces, lines or points"},
        {"utf16.obj",
         "the file is UTF-16 text, an encoding that is not supported (save it as UTF-8)"},
        {"unzipped.3mf", "the file is not a 3MF package (a ZIP archive of the model's parts)"},
    };
    std::map<std::string, std::string> files = {
        {"empty.obj", ""},
        {"infinite.obj", "v 0 0 0\nv 1e999 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"nan.obj", "v 0 0 0\nv 0 nan 0\nv 0 1 0\nf 1 2 3\n"},
        {"index.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 100000000\n"},
        {"no_end_header.ply", "ply\nformat ascii 1.0\n"},
        {"chunk.glb",
         std::string("glTF\x02\0\0\0\x20\0\0\0\xff\xff\0\0JSON", 20) + std::string(12, ' ')},
        {"broken.dae", "<?xml version=\"1.0\"?><COLLADA><library_geometries>"},
        {"cameras.dae",
         R"(<?xml version="1.0"?><COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" )"
         R"(version="1.4.1"><library_cameras><camera id="c"><optics><technique_common>)"
         R"(<perspective><yfov>45</yfov><aspect_ratio>1</aspect_ratio><znear>1</znear>)"
         R"(<zfar>9</zfar></perspective></technique_common></optics></camera>)"
         R"(</library_cameras><library_visual_scenes><visual_scene id="s"><node id="n">)"
         R"(<instance_camera url="#c"/></node></visual_scene></library_visual_scenes>)"
         R"(<scene><instance_visual_scene url="#s"/></scene></COLLADA>)"},
        {"utf16.obj", std::string("\xff\xfev\0 \0001\0 \0002\0 \0003\0\n\0", 18)},
        {"unzipped.3mf", "<?xml version=\"1.0\"?><model unit=\"millimeter\"/>"},
    };
    for (const auto& [name, bytes] : brokenFiles()) {
        files[name] = bytes;
    }
    for (const auto& [name, reason] : cases) {
        const auto path = write(name, files.at(name));
        const Result<LoadedModel> result = load(path);
        EXPECT_FALSE(result) << name;
        EXPECT_EQ(result.message(), path.string() + ": " + reason) << name;
    }
}

// Our STL, PLY and OFF readers against the import library on the same files:
// the same scene from both paths, and broken files refused by both.
TEST_F(ImportTest, InProcessReadersAgreeWithTheLibrary) {
    ChildSettings settings;
    settings.importer = KELPRIS_TEST_IMPORTER;
    settings.timeout = std::chrono::seconds(30);
    options.up = settings.up = UpAxis::y;
    std::string textStl = "solid t\n";
    for (const char* facet : {"0 0 0 1.5 0 0 0 2.25 0", "0 0 0 0 2.25 0 0 0 3",
                              "1.5 0 0 0 0 3 0 2.25 0", "0.1 0.2 0.3 1.5 0 0 0 0 3"}) {
        std::istringstream numbers(facet);
        textStl += "facet normal 0 0 1\nouter loop\n";
        for (int k = 0; k < 3; ++k) {
            std::string x, y, z;
            numbers >> x >> y >> z;
            textStl += "vertex " + x + " " + y + " " + z + "\n";
        }
        textStl += "endloop\nendfacet\n";
    }
    const std::filesystem::path files[] = {
        kSamples / "bunny.stl",
        kSamples / "house_faces.ply",
        write("field.stl", heightFieldStl()),
        write("tetra.stl", textStl + "endsolid t\n"),
        write("pyramid.ply",
              "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty float y\n"
              "property float z\nelement face 4\nproperty list uchar int vertex_indices\n"
              "end_header\n0 0 0\n4 0 0\n4 4 0\n0 4 0\n2 1.5 3\n4 0 1 2 3\n5 0 1 4 2 3\n"
              "3 3 0 4\n3 1 1 2\n"),
        write("pyramid.off",
              "COFF\n5 4 0\n0 0 0 1 0 0 1\n4 0 0 1 0 0 1\n4 4 0 0 1 0 1\n0 4 0 0 1 0 1\n"
              "2 1.5 3 0 0 1 1\n4 0 1 2 3 255 0 0\n5 0 1 4 2 3\n3 3 0 4 0 0 255\n3 1 1 2\n"),
    };
    for (const auto& path : files) {
        Result<MeshModel> library = importInChild(path, settings, nullptr, {});
        ASSERT_TRUE(library) << library.message();
        const std::optional<Scena> libraryScene = buildScene(std::move(*library));
        const Result<LoadedModel> ours = load(path);
        ASSERT_TRUE(ours && libraryScene) << ours.message();
        EXPECT_TRUE(recordsOf(ours->scene) == recordsOf(*libraryScene)) << path;
    }
    settings.timeout = std::chrono::milliseconds(1500);
    settings.addressSpaceBytes = importerAddressSpace() == 0 ? 0 : std::uint64_t{3} << 29;
    for (const auto& [name, bytes] : brokenFiles()) {
        const auto path = write(name, bytes);
        EXPECT_FALSE(load(path)) << name;
        if (name != "cut.stl" && name != "short.ply") {  // the library takes what is there
            EXPECT_FALSE(importInChild(path, settings, nullptr, {})) << name;
        }
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

    const Result<LoadedModel> inside = load(write("model/inside.gltf", gltf("tri.bin")));
    EXPECT_TRUE(inside) << inside.message();
    EXPECT_EQ(inside->scene.faceCount, 1);
    for (const std::string& uri :
         {std::string("../outside.bin"), (dir_ / "outside.bin").string(),
          std::string("/etc/passwd"), std::string("fifo.bin"), std::string("link.bin")}) {
        const auto path = write("model/refused.gltf", gltf(uri));
        const Result<LoadedModel> refused = load(path);
        EXPECT_FALSE(refused) << uri;
        EXPECT_TRUE(refused.message().starts_with(path.string() + ": ")) << refused.message();
    }
    // The model itself must be a regular file too.
    ASSERT_EQ(::mkfifo((dir_ / "pipe.stl").c_str(), 0600), 0);
    EXPECT_EQ(load(dir_ / "pipe.stl").message(),
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
    options.up = UpAxis::z;
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
    Result<LoadedModel> reference = load(write(files[0].first, files[0].second));
    ASSERT_TRUE(reference) << reference.message();
    EXPECT_EQ(reference->scene.faceCount, 5);
    EXPECT_NE(reference->scene.faces[0].corner[3], kNoCorner);
    EXPECT_EQ(reference->scene.vertices[4].z, 750);  // 3 of the longest side 4
    for (const auto& [name, text] : files) {
        const Result<LoadedModel> result = load(write(name, text));
        ASSERT_TRUE(result) << name << ": " << result.message();
        EXPECT_TRUE(recordsOf(result->scene) == recordsOf(reference->scene)) << name;
    }
}

}  // namespace
}  // namespace kelpris::mesh
