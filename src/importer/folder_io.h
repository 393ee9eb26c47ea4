#pragma once
// File access for the import library that reaches only regular files inside
// the model's own folder: a model cannot make the importer read /etc/passwd
// through a buffer URI, nor block on a FIFO it names.

#include <filesystem>

#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>

namespace kelpris::importer {

class FolderIOSystem final : public Assimp::IOSystem {
  public:
    /// `folder` must be canonical (absolute, no links).
    explicit FolderIOSystem(std::filesystem::path folder) : folder_(std::move(folder)) {}

    bool Exists(const char* file) const override;
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
    void Close(Assimp::IOStream* stream) override;

    /// The file a request names, if it is allowed: inside the folder once
    /// links are resolved (relative names count from the folder).
    std::filesystem::path resolve(const char* file) const;

  private:
    std::filesystem::path folder_;
};

}  // namespace kelpris::importer
