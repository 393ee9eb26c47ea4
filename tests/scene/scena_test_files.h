#pragma once
// Test helper: scene files written into a fresh temporary folder per test.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "scene/scena.h"

namespace kelpris::testing {

class SceneFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("kelpris_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    /// Writes `text` byte for byte to a file in the test folder.
    std::filesystem::path write(std::string_view text, const std::string& name = "model.dat") {
        const auto path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        return path;
    }

    /// Loads `text` into `scene`, which starts Empty.
    FileStatus load(std::string_view text) { return scene.load(write(text)); }

    static void expectEmpty(const Scena& s) {
        EXPECT_TRUE(s.vertices.empty());
        EXPECT_TRUE(s.edges.empty());
        EXPECT_TRUE(s.faces.empty());
        EXPECT_TRUE(s.TRIEDENE_STENY.empty());
        EXPECT_EQ(s.vertexCount, 0);
        EXPECT_EQ(s.edgeCount, 0);
        EXPECT_EQ(s.faceCount, 0);
    }

    std::filesystem::path dir_;
    Scena scene;
};

}  // namespace kelpris::testing
