// kelpris-import: reads one model file with the Open Asset Import Library,
// converts it and writes the result (or the reason there is none) to file
// descriptor 3 as a model stream. The viewer runs it as a child process with
// resource limits, since the library can crash, loop or exhaust memory on
// broken files; its stdout and stderr are not read.
//
// Usage: kelpris-import [--up x|y|z] [--] FILE
// Exit status: 0 model sent, 1 error sent, 2 bad usage, 3 out of memory.

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
    if (!writeAll(encodeError(error, text))) {
        return kExitError;  // the viewer is gone or stopped listening
    }
    return error == ChildError::outOfMemory ? kExitOutOfMemory : kExitError;
}

Affine toAffine(const aiMatrix4x4& m) {
    return Affine{{m.a1, m.a2, m.a3, m.a4, m.b1, m.b2, m.b3, m.b4, m.c1, m.c2, m.c3, m.c4}};
}

// The extension under which the library reads a format that the content
// shows; empty where the file's own name will do.
std::string_view readAs(ModelFormat format, std::string_view extension) {
    static constexpr std::pair<ModelFormat, std::string_view> kByContent[] = {
        {ModelFormat::glb, "glb"},
        {ModelFormat::gltf, "gltf"},
        {ModelFormat::collada, "dae"},
        {ModelFormat::off, "off"}};
    for (const auto& [shown, name] : kByContent) {
        if (shown == format && name != extension) {
            return name;
        }
    }
    return {};
}

// Reads the file, going by its content where the library would go by the
// name (a GLB named .gltf).
const aiScene* readScene(Assimp::Importer& importer, const std::filesystem::path& file,
                         ModelFormat format, std::string& problem) {
    const std::string_view hint = readAs(format, lowerExtension(file));
    if (hint.empty()) {
        return importer.ReadFile(file.string(), 0);
    }
    std::string bytes;
    if (const kelpris::FileStatus read = kelpris::readRegularFile(file, kMaxModelFileBytes, bytes);
        !read) {
        problem = read.reason;
        return nullptr;
    }
    return importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, std::string(hint).c_str());
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
    if (mesh.mNumFaces == 0 || mesh.mFaces == nullptr) {
        // Vertices without faces: a cloud of points.
        for (std::uint32_t i = 0; i < mesh.mNumVertices; ++i) {
            if (!builder.add(std::span(&i, 1))) {
                return false;
            }
        }
        return true;
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

// An OFF file whose header promises more faces than the library found is
// cut short: the library takes what is there without a word.
std::string missingFaces(const aiScene& scene, ModelFormat format, std::string_view head) {
    const auto promised = offCounts(head);
    if (format != ModelFormat::off || !promised) {
        return {};
    }
    // The library may leave the faces it did not find empty.
    std::uint64_t found = 0;
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
        const aiMesh* mesh = scene.mMeshes[i];
        for (unsigned f = 0; mesh != nullptr && mesh->mFaces != nullptr && f < mesh->mNumFaces;
             ++f) {
            found += mesh->mFaces[f].mNumIndices > 0 ? 1 : 0;
        }
    }
    if (found >= promised->faces) {
        return {};
    }
    return "the file ends after " + std::to_string(found) + " of " +
           std::to_string(promised->faces) + " faces";
}

int import(const std::filesystem::path& file, UpAxis fallbackUp) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::weakly_canonical(file, error);
    if (error) {
        return sendError(ChildError::unusable, "cannot open file: " + error.message());
    }
    std::string head;
    std::uintmax_t size = 0;
    if (const kelpris::FileStatus status = kelpris::readFileHead(absolute, kHeadBytes, head, size);
        !status) {
        return sendError(ChildError::unusable, status.reason);
    }
    const ModelFormat format = detectFormat(head, lowerExtension(absolute));

    Assimp::Importer importer;
    importer.SetIOHandler(std::make_unique<FolderIOSystem>(absolute.parent_path()).release());
    // The up axis is handled here for every format alike.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_COLLADA_IGNORE_UP_DIRECTION, true);
    // A file without meshes has nothing to show, not a made-up skeleton.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_NO_SKELETON_MESHES, true);
    // No post-processing: the raw scene is checked and converted here.
    std::string problem;
    const aiScene* scene = readScene(importer, absolute, format, problem);
    if (scene == nullptr && !problem.empty()) {
        return sendError(ChildError::unusable, problem);
    }
    if (scene == nullptr) {
        const std::string why = importer.GetErrorString();
        if (why.find("bad_alloc") != std::string::npos) {
            return sendError(ChildError::outOfMemory, why);
        }
        return sendError(ChildError::library, why.empty() ? "the file was not understood" : why);
    }
    if (const std::string cut = missingFaces(*scene, format, head); !cut.empty()) {
        return sendError(ChildError::badGeometry, cut);
    }
    MeshBuilder builder(sourceUp(*scene, format, head, fallbackUp));
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

}  // namespace

int main(int argc, char** argv) {
    if (::fcntl(kStreamFd, F_GETFD) < 0) {
        return kExitUsage;  // nowhere to write
    }
    UpAxis up = UpAxis::z;
    std::optional<std::filesystem::path> file;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--up" && i + 1 < argc) {
            const auto parsed = parseUpAxis(argv[++i]);
            if (!parsed || *parsed == UpAxis::automatic) {
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
