#pragma once
// Which files go to the importer, what format their content shows, and the
// cheap checks a file passes before the import library sees it: counts in a
// header must fit in the file, so that no count alone can make the library
// allocate or loop far beyond the file's size.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "import/mesh_builder.h"

namespace kelpris::mesh {

enum class ModelFormat { unknown, stl, obj, ply, off, gltf, glb, threeMf, collada };

/// Largest model file handed to the importer (1 GiB).
inline constexpr std::uint64_t kMaxModelFileBytes = std::uint64_t{1} << 30;
/// How much of the start of a file the checks look at.
inline constexpr std::size_t kHeadBytes = 64 * 1024;

/// Lower-case extensions (no dot) of the formats read through the importer.
std::span<const std::string_view> importedExtensions() noexcept;

/// The file's extension in lower case, without the dot ("" when none).
std::string lowerExtension(const std::filesystem::path& path);

/// True when the file's extension (any case) is one of importedExtensions().
bool isImportedModel(const std::filesystem::path& path);

/// Patterns for an Open dialog's "3D models (...)" filter: the scene file
/// "*.dat" first, then every imported extension ("*.dat *.stl *.obj ...").
std::string openDialogPatterns();

/// The format the content shows, the extension deciding only where the
/// content has no mark of its own (OBJ, binary STL, 3MF). `extension` is
/// lower case without the dot.
ModelFormat detectFormat(std::string_view head, std::string_view extension) noexcept;

/// The up axis a file of `format` states for its coordinates as the
/// library hands them over: y for glTF; for COLLADA its <up_axis> in `head`
/// (Y_UP when there is none, as COLLADA has it; the library is told not to
/// turn COLLADA files itself); z for 3MF; nothing for formats that state
/// nothing.
std::optional<UpAxis> statedUpAxis(ModelFormat format, std::string_view head) noexcept;

/// The axis taken as up in a file of `format` when the user chose `choice`:
/// what the format states (see statedUpAxis) whatever the choice; else the
/// choice; for automatic the format's custom: z for STL, y for OBJ, PLY and
/// OFF (scans and graphics exports), z for anything else. Never automatic.
UpAxis resolveUpAxis(ModelFormat format, std::string_view head, UpAxis choice) noexcept;

/// The vertex and face counts an OFF header states.
struct OffCounts {
    std::uint64_t vertices = 0;
    std::uint64_t faces = 0;
};
std::optional<OffCounts> offCounts(std::string_view head) noexcept;
/// Empty when a file of `fileSize` bytes can hold `counts` (each vertex
/// and face needs a few bytes), else the reason.
std::string checkOffCounts(const OffCounts& counts, std::uint64_t fileSize);
/// True for an OFF header keyword: "OFF" (or "off") after at most three of
/// the letters S, T, C, N, 4, n, s, t, which name what each vertex holds.
bool isOffKeyword(std::string_view word) noexcept;

/// True when the file's first bytes are UTF-16 text (a byte-order mark, or
/// ASCII characters each with a zero byte beside it).
bool isUtf16Text(std::string_view head) noexcept;
/// Why a UTF-16 text file is refused.
inline constexpr const char* kUtf16Refusal =
    "the file is UTF-16 text, an encoding that is not supported (save it as UTF-8)";

/// Checks the start of a file that goes to the import library (`head`, at
/// most kHeadBytes of it) of `fileSize` bytes: size within
/// kMaxModelFileBytes; for OFF vertex and face counts that fit; for GLB a
/// length and chunk lengths that fit; for 3MF a ZIP archive; for text
/// formats no UTF-16. Empty when the file may go on, else the reason.
std::string checkModelHead(std::string_view head, std::uint64_t fileSize, ModelFormat format);

}  // namespace kelpris::mesh
