#pragma once
// Where the project's sources are, for tests that read its data files.

#include <filesystem>

namespace kelpris::testing {

inline const std::filesystem::path kSourceDir = KELPRIS_TEST_SOURCE_DIR;

}  // namespace kelpris::testing
