// kelpris-import: reads one model file with the Open Asset Import Library,
// converts it and writes the result (or the reason there is none) to file
// descriptor 3 as a model stream. The viewer runs it as a child process with
// resource limits, since the library can crash, loop or exhaust memory on
// broken files; its stdout and stderr are not read.
//
// Usage: kelpris-import [--up x|y|z] [--] FILE
//        kelpris-import --export stl|obj|ply
// The second form reads a model stream from file descriptor 3 (a socket) and
// writes the model in that format back to it as a file stream.
// Exit status: 0 model or file sent, 1 error sent, 2 bad usage, 3 out of memory.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <fcntl.h>
#include <unistd.h>
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>

#include "base/file_io.h"
#include "import/child_import.h"
#include "import/mesh_builder.h"
#include "import/mesh_stream.h"
#include "import/model_check.h"
#include "importer/folder_io.h"

namespace {

using namespace kelpris::mesh;
using kelpris::importer::FolderIOSystem;

static_assert(sizeof(aiVector3D) == 3 * sizeof(float), "positions are read as float triples");

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr std::size_t kMaxNodeDepth = 1024;

bool writeAll(const std::vector<std::byte>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(kStreamFd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int sendError(ChildError error, const std::string& text) {
    writeAll(encodeError(error, text));
    return error == ChildError::outOfMemory ? kExitOutOfMemory : kExitError;
}

Affine toAffine(const aiMatrix4x4& m) {
    return Affine{{m.a1, m.a2, m.a3, m.a4, m.b1, m.b2, m.b3, m.b4, m.c1, m.c2, m.c3, m.c4}};
}

std::string readHead(const std::filesystem::path& path) {
    std::string head;
    std::uintmax_t size = 0;
    static_cast<void>(kelpris::readFileHead(path, kHeadBytes, head, size));  // empty on failure
    return head;
}

// The axis up in the coordinates the library hands over.
UpAxis sourceUp(const aiScene& scene, ModelFormat format, std::string_view head, UpAxis fallback) {
    if (const auto stated = statedUpAxis(format, head)) {
        return *stated;
    }
    int32_t axis = -1;
    if (scene.mMetaData != nullptr && scene.mMetaData->Get("UpAxis", axis)) {
        if (axis == 0) {
            return UpAxis::x;
        }
        if (axis == 1) {
            return UpAxis::y;
        }
        if (axis == 2) {
            return UpAxis::z;
        }
    }
    return fallback;
}

bool addMesh(MeshBuilder& builder, const aiMesh& mesh, const Affine& transform) {
    if (mesh.mNumVertices > 0 && mesh.mVertices == nullptr) {
        return builder.usePositions({}, transform);
    }
    const std::span<const float> xyz(reinterpret_cast<const float*>(mesh.mVertices),
                                     std::size_t{mesh.mNumVertices} * 3);
    if (!builder.usePositions(xyz, transform)) {
        return false;
    }
    // A mesh of lines only may hold polylines: one line per segment.
    const bool lines = mesh.mPrimitiveTypes == aiPrimitiveType_LINE;
    for (unsigned i = 0; i < mesh.mNumFaces && mesh.mFaces != nullptr; ++i) {
        const aiFace& face = mesh.mFaces[i];
        const std::span<const std::uint32_t> corners(
            face.mIndices, face.mIndices != nullptr ? face.mNumIndices : 0);
        if (lines && corners.size() > 2) {
            for (std::size_t k = 0; k + 1 < corners.size(); ++k) {
                if (!builder.add(corners.subspan(k, 2))) {
                    return false;
                }
            }
        } else if (!builder.add(corners)) {
            return false;
        }
    }
    return true;
}

// Adds every mesh of every node, each with its node's global transform.
bool addNodes(MeshBuilder& builder, const aiScene& scene, std::string& problem) {
    struct Pending {
        const aiNode* node;
        Affine parent;
        std::size_t depth;
    };
    std::vector<Pending> stack{{scene.mRootNode, Affine{}, 0}};
    while (!stack.empty()) {
        const Pending item = stack.back();
        stack.pop_back();
        if (item.node == nullptr) {
            continue;
        }
        if (item.depth > kMaxNodeDepth) {
            problem = "the node tree is deeper than " + std::to_string(kMaxNodeDepth);
            return false;
        }
        const Affine global = item.parent.then(toAffine(item.node->mTransformation));
        for (unsigned i = 0; i < item.node->mNumMeshes && item.node->mMeshes != nullptr; ++i) {
            const unsigned index = item.node->mMeshes[i];
            if (index >= scene.mNumMeshes || scene.mMeshes[index] == nullptr) {
                problem = "a node refers to mesh " + std::to_string(index) + " of " +
                          std::to_string(scene.mNumMeshes);
                return false;
            }
            if (!addMesh(builder, *scene.mMeshes[index], global)) {
                return false;
            }
        }
        // Children are pushed in reverse so that they are taken in file order.
        for (unsigned i = item.node->mNumChildren; i > 0 && item.node->mChildren != nullptr; --i) {
            stack.push_back({item.node->mChildren[i - 1], global, item.depth + 1});
        }
    }
    return true;
}

ChildError errorFor(BuildError error) {
    switch (error) {
        case BuildError::noGeometry:
            return ChildError::noGeometry;
        case BuildError::tooManyRecords:
            return ChildError::tooLarge;
        default:
            return ChildError::badGeometry;
    }
}

int import(const std::filesystem::path& file, UpAxis fallbackUp) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::weakly_canonical(file, error);
    if (error) {
        return sendError(ChildError::unusable, "cannot open file: " + error.message());
    }
    const std::string head = readHead(absolute);
    const ModelFormat format = detectFormat(head, lowerExtension(absolute));

    Assimp::Importer importer;
    importer.SetIOHandler(std::make_unique<FolderIOSystem>(absolute.parent_path()).release());
    // The up axis is handled here for every format alike.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_COLLADA_IGNORE_UP_DIRECTION, true);
    // No post-processing: the raw scene is checked and converted here.
    const aiScene* scene = importer.ReadFile(absolute.string(), 0);
    if (scene == nullptr) {
        const std::string why = importer.GetErrorString();
        if (why.find("bad_alloc") != std::string::npos) {
            return sendError(ChildError::outOfMemory, why);
        }
        return sendError(ChildError::library, why.empty() ? "the file was not understood" : why);
    }
    MeshBuilder builder(sourceUp(*scene, format, head, fallbackUp));
    std::string problem;
    if (!addNodes(builder, *scene, problem)) {
        return problem.empty() ? sendError(errorFor(builder.error()), builder.message())
                               : sendError(ChildError::badGeometry, problem);
    }
    std::optional<MeshModel> model = builder.finish();
    if (!model) {
        return sendError(errorFor(builder.error()), builder.message());
    }
    return writeAll(encodeModel(*model)) ? 0 : kExitError;
}

// Reads the model stream from the socket, blocking.
class SocketSource final : public ByteSource {
  public:
    std::size_t read(std::byte* into, std::size_t size) override {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::read(kStreamFd, into + done, size - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        return done;
    }
};

// One mesh under the root node, as the exporters expect it: the library owns
// and frees every array it is handed, so they are made with new[] here.
std::unique_ptr<aiScene> sceneOf(const MeshModel& model) {
    auto mesh = std::make_unique<aiMesh>();
    const auto vertices = static_cast<unsigned>(model.vertexCount());
    mesh->mNumVertices = vertices;
    mesh->mVertices = new aiVector3D[vertices];
    for (unsigned i = 0; i < vertices; ++i) {
        mesh->mVertices[i] =
            aiVector3D(model.xyz[3 * i], model.xyz[3 * i + 1], model.xyz[3 * i + 2]);
    }
    const std::size_t per = model.cornersPerRecord();
    const auto records = static_cast<unsigned>(model.recordCount());
    mesh->mNumFaces = records;
    mesh->mFaces = new aiFace[records];
    bool quads = false;
    for (unsigned i = 0; i < records; ++i) {
        const std::uint32_t* c = model.corners.data() + per * i;
        const unsigned count = per == 4 && c[3] == kNoCorner ? 3u : static_cast<unsigned>(per);
        quads = quads || count == 4;
        aiFace& face = mesh->mFaces[i];
        face.mNumIndices = count;
        face.mIndices = new unsigned[count];
        std::copy(c, c + count, face.mIndices);
    }
    mesh->mPrimitiveTypes = !model.faceModel ? aiPrimitiveType_LINE
                            : quads          ? aiPrimitiveType_TRIANGLE | aiPrimitiveType_POLYGON
                                             : aiPrimitiveType_TRIANGLE;
    mesh->mMaterialIndex = 0;

    auto scene = std::make_unique<aiScene>();
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh* [1] { mesh.release() };
    scene->mRootNode = new aiNode();
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned[1]{0};
    return scene;
}

struct ExportKind {
    std::string_view name;
    const char* libraryId;
    unsigned steps;  // what the format needs done first
};

constexpr ExportKind kExportKinds[] = {
    {"stl", "stlb", aiProcess_Triangulate},
    {"obj", "objnomtl", 0},
    {"ply", "plyb", 0},
};

int exportModel(std::string_view formatName) {
    const ExportKind* kind = nullptr;
    for (const ExportKind& k : kExportKinds) {
        kind = k.name == formatName ? &k : kind;
    }
    if (kind == nullptr) {
        return sendError(ChildError::unusable, "unknown export format");
    }
    SocketSource source;
    StreamContent content = readStream(source);
    if (content.kind != StreamContent::Kind::model) {
        return sendError(ChildError::unusable, "no model arrived (" + content.text + ")");
    }
    const std::unique_ptr<aiScene> scene = sceneOf(content.model);
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), kind->libraryId, kind->steps);
    if (blob == nullptr || blob->data == nullptr) {
        const std::string why = exporter.GetErrorString();
        return sendError(ChildError::library, why.empty() ? "the library wrote nothing" : why);
    }
    const std::string_view bytes(static_cast<const char*>(blob->data), blob->size);
    return writeAll(encodeFile(bytes)) ? 0 : kExitError;
}

}  // namespace

int main(int argc, char** argv) {
    if (::fcntl(kStreamFd, F_GETFD) < 0) {
        return kExitUsage;  // nowhere to write
    }
    if (argc == 3 && std::string_view(argv[1]) == "--export") {
        try {
            return exportModel(argv[2]);
        } catch (const std::bad_alloc&) {
            return sendError(ChildError::outOfMemory, "out of memory");
        } catch (const std::exception& e) {
            return sendError(ChildError::library, e.what());
        }
    }
    UpAxis up = UpAxis::z;
    std::optional<std::filesystem::path> file;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--up" && i + 1 < argc) {
            const auto parsed = parseUpAxis(argv[++i]);
            if (!parsed) {
                sendError(ChildError::unusable, "--up takes x, y or z");
                return kExitUsage;
            }
            up = *parsed;
        } else if (arg == "--" && i + 1 < argc && !file) {
            file = argv[++i];
        } else if (!arg.starts_with("-") && !file) {
            file = arg;
        } else {
            sendError(ChildError::unusable, "usage: kelpris-import [--up x|y|z] [--] FILE");
            return kExitUsage;
        }
    }
    if (!file) {
        sendError(ChildError::unusable, "usage: kelpris-import [--up x|y|z] [--] FILE");
        return kExitUsage;
    }
    try {
        return import(*file, up);
    } catch (const std::bad_alloc&) {
        return sendError(ChildError::outOfMemory, "out of memory");
    } catch (const std::exception& e) {
        return sendError(ChildError::library, e.what());
    }
}
