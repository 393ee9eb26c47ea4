#pragma once
// A fresh folder for the files one test writes, removed when the test ends.

#include <filesystem>
#include <string_view>

namespace kelpris::testing {

/// Whether the test also runs inside the folder (for code that reads and
/// writes files in the working directory).
enum class Enter { No, Yes };

class ScratchDir {
  public:
    /// A new, empty folder under the system's temporary folder, named after
    /// the running test and made unique, so that test programs running at
    /// the same time never share one.
    explicit ScratchDir(Enter enter = Enter::No);
    /// Goes back to the previous working directory if entered, then removes
    /// the folder and everything in it.
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

    /// Writes `bytes` to `name` in the folder, byte for byte.
    std::filesystem::path write(const std::filesystem::path& name, std::string_view bytes) const;
    /// Copies `source` into the folder as `name`.
    void copyIn(const std::filesystem::path& source, const std::filesystem::path& name) const;

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

}  // namespace kelpris::testing
