// Writes the models the speed figures are measured on, so anyone can
// reproduce them:
//   bunny59k.dat  the bundled bunny with every triangle split into four,
//                 twice: 58,784 triangles, the size of a scanned model
//   grid70k.dat   a 250 x 140 height field of 70,000 triangles
//   grid1m.dat    a 1000 x 500 height field of 1,000,000 triangles
//   torus70k.dat  a closed torus of 70,000 triangles
//   torus1m.dat   a closed torus of 1,000,000 triangles
// A closed model, unlike a height field, has half its faces turned away and
// several faces over most pixels, as a scanned object has.
// Usage: make_bench_models [output folder] (default: the working directory)
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <map>
#include <utility>
#include <vector>

#include "scene/scena.h"
#include "scene/scene_writer.h"

namespace {

namespace fs = std::filesystem;
using kelpris::Scena;

struct Mesh {
    std::vector<std::int64_t> xyz;                  // three per vertex
    std::vector<std::array<std::int32_t, 3>> tris;  // 0-based corners
};

Mesh meshOf(const Scena& s) {
    Mesh m;
    for (const kelpris::Vertex& v : s.vertices) {
        m.xyz.insert(m.xyz.end(), {v.x, v.y, v.z});
    }
    for (const kelpris::Face& f : s.faces) {
        const auto c = [&f](int i) { return static_cast<std::int32_t>(f.corner[i]); };
        m.tris.push_back({c(0), c(1), c(2)});
        if (f.cornerCount() == 4) {
            m.tris.push_back({c(0), c(2), c(3)});
        }
    }
    return m;
}

// Each triangle becomes four through the midpoints of its edges; a shared
// edge gets one midpoint. Coordinates are doubled first so midpoints stay
// whole numbers.
Mesh splitInFour(const Mesh& in) {
    Mesh out;
    for (const std::int64_t c : in.xyz) {
        out.xyz.push_back(2 * c);
    }
    std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> midpoints;
    const auto mid = [&](std::int32_t a, std::int32_t b) {
        const auto key = std::minmax(a, b);
        auto [it, fresh] = midpoints.try_emplace({key.first, key.second},
                                                 static_cast<std::int32_t>(out.xyz.size() / 3));
        if (fresh) {
            for (int k = 0; k < 3; ++k) {
                out.xyz.push_back(in.xyz[3 * a + k] + in.xyz[3 * b + k]);
            }
        }
        return it->second;
    };
    for (const auto& t : in.tris) {
        const std::int32_t ab = mid(t[0], t[1]);
        const std::int32_t bc = mid(t[1], t[2]);
        const std::int32_t ca = mid(t[2], t[0]);
        out.tris.push_back({t[0], ab, ca});
        out.tris.push_back({ab, t[1], bc});
        out.tris.push_back({ca, bc, t[2]});
        out.tris.push_back({ab, bc, ca});
    }
    return out;
}

Mesh heightField(int cols, int rows) {
    Mesh m;
    for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c <= cols; ++c) {
            const double h = 150.0 * std::sin(c * 0.03) * std::cos(r * 0.02);
            m.xyz.insert(m.xyz.end(), {c * 2 - 1000, static_cast<std::int64_t>(h), r * 2 - 500});
        }
    }
    const auto v = [&](int r, int c) { return r * (cols + 1) + c; };
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            m.tris.push_back({v(r, c), v(r, c + 1), v(r + 1, c + 1)});
            m.tris.push_back({v(r, c), v(r + 1, c + 1), v(r + 1, c)});
        }
    }
    return m;
}

// A ring of `around` x `across` quads, each split in two: radius 600 to the
// tube's centre line, tube radius 250 (scaled by 10 so that rounding to
// whole numbers does not join neighbouring vertices), its axis tilted 20
// degrees from the view axis, so that it shows both its hole and faces
// behind one another. The loader scales the largest coordinate to 1000,
// which would make the ring several screens wide: the ring stands 2300 away
// from the origin along the view axis, so that it is scaled to fit the
// stereo screen (the view centres it again).
Mesh torus(int around, int across) {
    constexpr double kPi = 3.14159265358979323846;
    const double tiltCos = std::cos(20.0 * kPi / 180.0);
    const double tiltSin = std::sin(20.0 * kPi / 180.0);
    constexpr std::int64_t kAway = 23000;
    Mesh m;
    for (int i = 0; i < around; ++i) {
        const double u = 2.0 * kPi * i / around;
        for (int j = 0; j < across; ++j) {
            const double v = 2.0 * kPi * j / across;
            const double ring = 6000.0 + 2500.0 * std::cos(v);
            const double y = 2500.0 * std::sin(v);
            const double z = ring * std::sin(u);
            m.xyz.insert(m.xyz.end(), {std::llround(ring * std::cos(u)),
                                       std::llround(y * tiltCos - z * tiltSin) + kAway,
                                       std::llround(y * tiltSin + z * tiltCos)});
        }
    }
    const auto v = [&](int i, int j) { return (i % around) * across + (j % across); };
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < across; ++j) {
            m.tris.push_back({v(i, j), v(i + 1, j), v(i + 1, j + 1)});
            m.tris.push_back({v(i, j), v(i + 1, j + 1), v(i, j + 1)});
        }
    }
    return m;
}

// The loader scales every model so its largest coordinate is 1000, so the
// written numbers only need to keep their proportions.
Scena sceneOf(const Mesh& m) {
    Scena s;
    s.faceModel = 1;
    s.vertexCount = static_cast<std::int32_t>(m.xyz.size() / 3);
    s.faceCount = static_cast<std::int32_t>(m.tris.size());
    s.vertices.resize(m.xyz.size() / 3);
    for (std::size_t i = 0; i < s.vertices.size(); ++i) {
        s.vertices[i].x = static_cast<std::int32_t>(m.xyz[3 * i]);
        s.vertices[i].y = static_cast<std::int32_t>(m.xyz[3 * i + 1]);
        s.vertices[i].z = static_cast<std::int32_t>(m.xyz[3 * i + 2]);
    }
    for (const auto& t : m.tris) {
        const auto c = [&t](int i) { return static_cast<std::uint32_t>(t[i]); };
        s.faces.push_back(kelpris::Face{{c(0), c(1), c(2), kelpris::kNoCorner}});
    }
    return s;
}

bool write(const Mesh& m, const fs::path& path) {
    const kelpris::FileStatus status = kelpris::writeScene(sceneOf(m), path);
    if (!status) {
        std::cerr << status.message() << '\n';
        return false;
    }
    std::cout << path.string() << ": " << m.tris.size() << " triangles\n";
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path out = argc > 1 ? fs::path(argv[1]) : fs::current_path();
    Scena bunny;
    if (const kelpris::FileStatus status =
            bunny.load(fs::path(KELPRIS_SOURCE_DIR) / "data" / "samples" / "bunny.dat");
        !status) {
        std::cerr << status.message() << '\n';
        return 1;
    }
    const bool ok = write(splitInFour(splitInFour(meshOf(bunny))), out / "bunny59k.dat") &&
                    write(heightField(250, 140), out / "grid70k.dat") &&
                    write(heightField(1000, 500), out / "grid1m.dat") &&
                    write(torus(250, 140), out / "torus70k.dat") &&
                    write(torus(1000, 500), out / "torus1m.dat");
    return ok ? 0 : 1;
}
