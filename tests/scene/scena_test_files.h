#pragma once
// Test helper: scene files written into a fresh temporary folder per test.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "scene/scena.h"
#include "scratch_dir.h"

namespace kelpris::testing {

class SceneFileTest : public ::testing::Test {
  protected:
    /// Writes `text` byte for byte to a file in the test folder.
    std::filesystem::path write(std::string_view text, const std::string& name = "model.dat") {
        return scratch_.write(name, text);
    }

    /// Loads `text` into `scene`, which starts Empty.
    FileStatus load(std::string_view text) { return scene.load(write(text)); }

    static void expectEmpty(const Scena& s) {
        EXPECT_TRUE(s.vertices.empty());
        EXPECT_TRUE(s.edges.empty());
        EXPECT_TRUE(s.faces.empty());
        EXPECT_EQ(s.vertexCount, 0);
        EXPECT_EQ(s.edgeCount, 0);
        EXPECT_EQ(s.faceCount, 0);
    }

    ScratchDir scratch_;
    const std::filesystem::path& dir_ = scratch_.path();
    Scena scene;
};

}  // namespace kelpris::testing
