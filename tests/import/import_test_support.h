#pragma once
// Test helpers: a fresh folder per test and the importer programs of the build.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "import/model_loader.h"

namespace kelpris::mesh::testing {

inline const std::filesystem::path kSamples = KELPRIS_SAMPLES_DIR;

class ImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("kelpris_import_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        options.importer = KELPRIS_TEST_IMPORTER;
        options.timeout = std::chrono::seconds(30);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path write(const std::string& name, std::string_view bytes) {
        const auto path = dir_ / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    Result<LoadedModel> load(const std::filesystem::path& path) {
        return loadModelFile(path, options);
    }

    std::filesystem::path dir_;
    ImportOptions options;
};

}  // namespace kelpris::mesh::testing
