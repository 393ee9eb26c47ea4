#pragma once
// Internal to the scene library (and its fuzz target): the scene-file reader
// working on text already in memory. `Scena::load` reads the file in one go
// and hands the bytes here.

#include <cstdint>
#include <string>
#include <string_view>

#include "scene/scena.h"

namespace kelpris {

/// Builds `scene` from the text of a scene file. `path` is used only to name
/// the file in the returned status. On success the scene holds the model,
/// its counts and centre. On failure the scene
/// is left Empty (all chains empty, counts 0; `faceModel` and the centre keep
/// their previous values) and the status gives the 1-based line of the
/// offending token (or 0 for an empty file) and what was expected there.
/// The scene need not be Empty beforehand: whatever it held is replaced.
/// No allocation is sized from a count in the text; storage grows with the
/// records actually present.
FileStatus loadFromBuffer(Scena& scene, std::string_view text, const std::string& path);

namespace scanner {

/// Outcome of scanning one number.
enum class ScanResult {
    Ok,
    None,        ///< no number starts here (or the text ends)
    Malformed,   ///< a number starts here but is broken ("08", "0x", "1e")
    OutOfRange,  ///< integer outside int32, or real outside single precision
    NotFinite,   ///< "inf" / "nan" in a real
};

template <typename T>
struct Scanned {
    ScanResult result = ScanResult::None;
    T value{};
    const char* next = nullptr;  ///< first character after the token
};

/// Scans a "%i" integer at `first` (no white space skipped): optional sign,
/// then 0x/0X hexadecimal, leading-0 octal, or decimal. `next` is only
/// meaningful for Ok, Malformed and OutOfRange.
Scanned<std::int32_t> scanInt(const char* first, const char* last) noexcept;

/// Scans a "%f" real at `first` (no white space skipped) into single precision,
/// correctly rounded: optional sign, then decimal digits with optional point
/// and exponent, or 0x hexadecimal with optional p exponent, or inf/nan.
Scanned<float> scanFloat(const char* first, const char* last) noexcept;

}  // namespace scanner
}  // namespace kelpris
