#include "import/model_export.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_io.h"
#include "import/mesh_builder.h"
#include "import/model_check.h"

namespace kelpris::mesh {
namespace {

constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

// Collects a file's bytes and hands them to the writer in large pieces.
class Output {
  public:
    explicit Output(const ByteSink& sink) : sink_(sink) { buffer_.reserve(kFlushBytes + 64); }

    void text(std::string_view s) {
        buffer_.append(s);
        flushIfFull();
    }
    void number(std::int64_t value) {
        char digits[24];
        const auto written = std::to_chars(digits, digits + sizeof digits, value);
        buffer_.append(digits, written.ptr);
    }
    /// `value` in little-endian byte order.
    template <typename T>
    void binary(T value) {
        char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        if constexpr (std::endian::native == std::endian::big) {
            std::reverse(bytes, bytes + sizeof(T));
        }
        buffer_.append(bytes, sizeof(T));
        flushIfFull();
    }
    /// 0, or the errno of the first failed write.
    int finish() {
        flush();
        return error_;
    }

  private:
    void flushIfFull() {
        if (buffer_.size() >= kFlushBytes) {
            flush();
        }
    }
    void flush() {
        if (error_ == 0 && !buffer_.empty()) {
            error_ = sink_(buffer_);
        }
        buffer_.clear();
    }

    const ByteSink& sink_;
    std::string buffer_;
    int error_ = 0;
};

// The scene's records by the numbers of the vertices they use, numbered in
// order of first use; read from the scene as it is, without a copy.
class SceneMesh {
  public:
    explicit SceneMesh(const Scena& scene)
        : scene_(scene), number_(scene.vertices.size(), kNoCorner) {
        std::uint32_t corners[4];
        for (std::size_t i = 0; i < recordCount() && valid_; ++i) {
            const std::size_t n = sceneCorners(i, corners);
            for (std::size_t k = 0; k < n && valid_; ++k) {
                valid_ = corners[k] != kNoCorner;
                if (valid_ && number_[corners[k]] == kNoCorner) {
                    number_[corners[k]] = static_cast<std::uint32_t>(order_.size());
                    order_.push_back(corners[k]);
                }
            }
        }
        valid_ = valid_ && recordCount() > 0;
    }

    bool valid() const noexcept { return valid_; }
    bool faceModel() const noexcept { return scene_.isFaceModel(); }
    std::size_t recordCount() const noexcept {
        return faceModel() ? scene_.faces.size() : scene_.edges.size();
    }
    std::size_t vertexCount() const noexcept { return order_.size(); }
    const Vertex& vertex(std::size_t number) const { return scene_.vertices[order_[number]]; }

    /// The corners of record `i` as exported vertex numbers: 2 for a line, 3
    /// or 4 for a face.
    std::size_t corners(std::size_t i, std::uint32_t (&out)[4]) const {
        const std::size_t n = sceneCorners(i, out);
        for (std::size_t k = 0; k < n; ++k) {
            out[k] = number_[out[k]];
        }
        return n;
    }

  private:
    // `vertex` when the scene has it, else kNoCorner.
    std::uint32_t checked(std::uint32_t vertex) const noexcept {
        return vertex < scene_.vertices.size() ? vertex : kNoCorner;
    }

    std::size_t sceneCorners(std::size_t i, std::uint32_t (&out)[4]) const {
        if (!faceModel()) {
            out[0] = checked(scene_.edges[i].end1);
            out[1] = checked(scene_.edges[i].end2);
            return 2;
        }
        const Face& f = scene_.faces[i];
        const std::size_t n = f.cornerCount();
        for (std::size_t k = 0; k < n; ++k) {
            out[k] = checked(f.corner[k]);
        }
        return n;
    }

    const Scena& scene_;
    std::vector<std::uint32_t> number_;  // scene vertex -> exported number
    std::vector<std::uint32_t> order_;   // exported number -> scene vertex
    bool valid_ = true;
};

// OBJ and PLY are read y up: the reverse of the turn an import makes.
std::array<std::int64_t, 3> yUp(const Vertex& v) {
    return {-std::int64_t{v.x}, v.z, v.y};
}

void writeStlTriangle(Output& out, const Vertex& a, const Vertex& b, const Vertex& c) {
    const double u[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
    const double w[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
    double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (double& component : n) {
        out.binary(static_cast<float>(length > 0 ? component / length : 0.0));
    }
    for (const Vertex* v : {&a, &b, &c}) {
        out.binary(static_cast<float>(v->x));
        out.binary(static_cast<float>(v->y));
        out.binary(static_cast<float>(v->z));
    }
    out.binary(std::uint16_t{0});
}

int writeStl(const SceneMesh& mesh, Output& out) {
    std::uint64_t triangles = 0;
    std::uint32_t c[4];
    for (std::size_t i = 0; i < mesh.recordCount(); ++i) {
        triangles += mesh.corners(i, c) == 4 ? 2 : 1;
    }
    std::string header = "binary STL written by KELPRIS";
    header.resize(80, ' ');
    out.text(header);
    out.binary(static_cast<std::uint32_t>(triangles));
    for (std::size_t i = 0; i < mesh.recordCount(); ++i) {
        const std::size_t n = mesh.corners(i, c);
        writeStlTriangle(out, mesh.vertex(c[0]), mesh.vertex(c[1]), mesh.vertex(c[2]));
        if (n == 4) {
            writeStlTriangle(out, mesh.vertex(c[0]), mesh.vertex(c[2]), mesh.vertex(c[3]));
        }
    }
    return out.finish();
}

int writeObj(const SceneMesh& mesh, Output& out) {
    out.text("# written by KELPRIS (y up)\n");
    for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
        const auto p = yUp(mesh.vertex(v));
        out.text("v ");
        out.number(p[0]);
        out.text(" ");
        out.number(p[1]);
        out.text(" ");
        out.number(p[2]);
        out.text("\n");
    }
    std::uint32_t c[4];
    for (std::size_t i = 0; i < mesh.recordCount(); ++i) {
        const std::size_t n = mesh.corners(i, c);
        const bool point = n == 2 && c[0] == c[1];
        out.text(point ? "p" : n == 2 ? "l" : "f");
        for (std::size_t k = 0; k < (point ? 1 : n); ++k) {
            out.text(" ");
            out.number(std::int64_t{c[k]} + 1);
        }
        out.text("\n");
    }
    return out.finish();
}

int writePly(const SceneMesh& mesh, Output& out) {
    out.text("ply\nformat binary_little_endian 1.0\ncomment written by KELPRIS (y up)\n");
    out.text("element vertex ");
    out.number(static_cast<std::int64_t>(mesh.vertexCount()));
    out.text("\nproperty float x\nproperty float y\nproperty float z\nelement face ");
    out.number(static_cast<std::int64_t>(mesh.recordCount()));
    out.text("\nproperty list uchar int vertex_indices\nend_header\n");
    for (std::size_t v = 0; v < mesh.vertexCount(); ++v) {
        for (const std::int64_t coordinate : yUp(mesh.vertex(v))) {
            out.binary(static_cast<float>(coordinate));
        }
    }
    std::uint32_t c[4];
    for (std::size_t i = 0; i < mesh.recordCount(); ++i) {
        const std::size_t n = mesh.corners(i, c);
        out.binary(static_cast<std::uint8_t>(n));
        for (std::size_t k = 0; k < n; ++k) {
            out.binary(static_cast<std::int32_t>(c[k]));
        }
    }
    return out.finish();
}

FileStatus failed(const std::filesystem::path& path, std::string reason) {
    return FileStatus::failure(path.string(), 0, std::move(reason));
}

}  // namespace

std::optional<ExportFormat> exportFormatFor(const std::filesystem::path& path) {
    const std::string extension = lowerExtension(path);
    if (extension == "stl") {
        return ExportFormat::stl;
    }
    if (extension == "obj") {
        return ExportFormat::obj;
    }
    if (extension == "ply") {
        return ExportFormat::ply;
    }
    return std::nullopt;
}

FileStatus exportScene(const Scena& scene, const std::filesystem::path& path, ExportFormat format) {
    try {
        const SceneMesh mesh(scene);
        if (!mesh.valid()) {
            return failed(path, "there is no model to save");
        }
        if (!mesh.faceModel() && format != ExportFormat::obj) {
            return failed(path, "an edge model can be saved only as .dat or .obj");
        }
        if (mesh.faceModel() && format == ExportFormat::stl &&
            mesh.recordCount() > UINT32_MAX / 2) {
            return failed(path, "too many triangles for an STL file");
        }
        return writeFileAtomically(path, [&](const ByteSink& sink) {
            Output out(sink);
            switch (format) {
                case ExportFormat::stl:
                    return writeStl(mesh, out);
                case ExportFormat::obj:
                    return writeObj(mesh, out);
                case ExportFormat::ply:
                    return writePly(mesh, out);
            }
            return 0;
        });
    } catch (const std::bad_alloc&) {
        return failed(path, "not enough memory to save the model");
    }
}

}  // namespace kelpris::mesh
