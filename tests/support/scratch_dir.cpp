#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace kelpris::testing {

namespace {

namespace fs = std::filesystem;

std::string testName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr) {
        return "outside-test";
    }
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    // Parameterised tests carry '/' in their names.
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return name;
}

fs::path createUnique() {
    const fs::path base = fs::temp_directory_path();
    const std::string stem = "kelpris-" + testName() + "-";
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / (stem + std::to_string(random() % 1000000000));
        if (fs::create_directory(candidate)) {
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace);
            return candidate;
        }
    }
    throw std::runtime_error("no unique scratch folder could be made in " + base.string());
}

}  // namespace

ScratchDir::ScratchDir(Enter enter) : path_(createUnique()) {
    if (enter == Enter::Yes) {
        previous_ = fs::current_path();
        fs::current_path(path_);
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    if (!previous_.empty()) {
        fs::current_path(previous_, ignored);
    }
    fs::remove_all(path_, ignored);
}

fs::path ScratchDir::write(const fs::path& name, std::string_view bytes) const {
    const fs::path file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        ADD_FAILURE() << "could not write " << file;
    }
    return file;
}

void ScratchDir::copyIn(const fs::path& source, const fs::path& name) const {
    fs::copy_file(source, path_ / name);
}

}  // namespace kelpris::testing
