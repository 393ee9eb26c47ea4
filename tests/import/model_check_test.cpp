// Checks before the import library sees a file: header counts must fit the
// file, formats are told by content, and the list of extensions.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "import/model_check.h"

namespace kelpris::mesh {
namespace {

std::string glb(std::uint32_t length, std::uint32_t chunk, std::size_t size) {
    std::string file = "glTF";
    const std::uint32_t words[] = {2, length, chunk, 0x4E4F534A};
    file.append(reinterpret_cast<const char*>(words), sizeof words);
    file.resize(size, ' ');
    return file;
}

TEST(ModelCheck, HeadsThatFitPassAndOthersSayWhy) {
    struct Case {
        const char* name;
        std::string file;
        ModelFormat format;
        std::string reason;  // empty: passes
    };
    const Case cases[] = {
        {"OFF that fits", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", ModelFormat::off, ""},
        {"OFF counts after a comment", "OFF\n# made by hand\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
         ModelFormat::off, ""},
        {"OFF with huge counts", "OFF\n100000000 1 0\n0 0 0\n", ModelFormat::off,
         "the OFF header's vertex and face counts: at least 600000002 bytes needed, the file has "
         "24"},
        {"OFF without counts", "OFF\n", ModelFormat::off,
         "the OFF header has no vertex and face counts"},
        {"GLB that fits", glb(40, 20, 40), ModelFormat::glb, ""},
        {"GLB longer than the file", glb(400, 20, 40), ModelFormat::glb,
         "the GLB's stated length: at least 400 bytes needed, the file has 40"},
        {"GLB chunk beyond its length", glb(40, 0xFFFFFF00u, 40), ModelFormat::glb,
         "a GLB chunk: at least 4294967060 bytes needed, the file has 40"},
        {"OBJ is not checked", "v 1 2 3\n", ModelFormat::obj, ""},
        {"UTF-16 OBJ", std::string("v\0 \0001\0 \0002\0 \0003\0\n\0", 16), ModelFormat::obj,
         "the file is UTF-16 text"},
        {"UTF-16 COLLADA with a mark", "\xff\xfe<\0?\0x\0", ModelFormat::collada,
         "the file is UTF-16 text"},
        {"3MF that is a ZIP", "PK\x03\x04rest", ModelFormat::threeMf, ""},
        {"3MF that is not", "<?xml version=\"1.0\"?><model>", ModelFormat::threeMf,
         "the file is not a 3MF package"},
    };
    for (const Case& c : cases) {
        const std::string reason = checkModelHead(c.file, c.file.size(), c.format);
        if (c.reason.empty()) {
            EXPECT_EQ(reason, "") << c.name;
        } else {
            EXPECT_TRUE(reason.starts_with(c.reason)) << c.name << ": " << reason;
        }
    }
}

TEST(ModelCheck, SizeLimit) {
    EXPECT_EQ(checkModelHead("v 1 2 3", kMaxModelFileBytes, ModelFormat::obj), "");
    EXPECT_EQ(checkModelHead("v 1 2 3", kMaxModelFileBytes + 1, ModelFormat::obj),
              "the file has 1073741825 bytes, the limit is 1073741824");
}

TEST(ModelCheck, FormatFromContentThenExtension) {
    struct Case {
        std::string head;
        std::string extension;
        ModelFormat format;
    };
    const Case cases[] = {
        {"ply\nformat ascii 1.0", "obj", ModelFormat::ply},
        {"OFF\n3 1 0", "off", ModelFormat::off},
        {"COFF 3 1 0", "txt", ModelFormat::off},
        {"glTF\x02", "bin", ModelFormat::glb},
        {"{\"asset\":{\"version\":\"2.0\"}}", "json", ModelFormat::gltf},
        {"<?xml version=\"1.0\"?><COLLADA>", "xml", ModelFormat::collada},
        {"PK\x03\x04", "3mf", ModelFormat::threeMf},
        {"PK\x03\x04", "zip", ModelFormat::unknown},
        {"anything", "stl", ModelFormat::stl},
        {"v 1 2 3", "obj", ModelFormat::obj},
        {"OFFICE", "obj", ModelFormat::obj},
        {"hello", "txt", ModelFormat::unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detectFormat(c.head, c.extension), c.format) << c.head;
    }
}

TEST(ModelCheck, StatedUpAxis) {
    struct Case {
        ModelFormat format;
        const char* head;
        std::optional<UpAxis> up;
    };
    const Case cases[] = {
        {ModelFormat::gltf, "", UpAxis::y},
        {ModelFormat::glb, "", UpAxis::y},
        {ModelFormat::threeMf, "", UpAxis::z},
        {ModelFormat::collada, "<COLLADA><asset></asset>", UpAxis::y},
        {ModelFormat::collada, "<asset><up_axis>Z_UP</up_axis>", UpAxis::z},
        {ModelFormat::collada, "<asset><up_axis> X_UP </up_axis>", UpAxis::x},
        {ModelFormat::collada, "<asset><up_axis>Y_UP</up_axis>", UpAxis::y},
        {ModelFormat::obj, "", std::nullopt},
        {ModelFormat::stl, "", std::nullopt},
        {ModelFormat::ply, "", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(statedUpAxis(c.format, c.head), c.up) << c.head;
    }
}

// The axis each format is read with, for a choice of y and for automatic.
TEST(ModelCheck, UpAxisByFormat) {
    struct Case {
        ModelFormat format;
        const char* head;
        UpAxis chosenY, automatic;
    };
    using enum UpAxis;
    const Case cases[] = {
        {ModelFormat::stl, "", y, z},
        {ModelFormat::threeMf, "", z, z},
        {ModelFormat::obj, "", y, y},
        {ModelFormat::ply, "", y, y},
        {ModelFormat::off, "", y, y},
        {ModelFormat::gltf, "", y, y},
        {ModelFormat::glb, "", y, y},
        {ModelFormat::collada, "<up_axis>Z_UP</up_axis>", z, z},
        {ModelFormat::collada, "<COLLADA>", y, y},
        {ModelFormat::unknown, "", y, z},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolveUpAxis(c.format, c.head, UpAxis::y), c.chosenY) << int(c.format);
        EXPECT_EQ(resolveUpAxis(c.format, c.head, UpAxis::automatic), c.automatic) << int(c.format);
    }
}

TEST(ModelCheck, ExtensionsComeFromOneList) {
    EXPECT_TRUE(isImportedModel("a/b.STL"));
    EXPECT_TRUE(isImportedModel("model.glb"));
    EXPECT_FALSE(isImportedModel("dom.dat"));
    EXPECT_FALSE(isImportedModel("stl"));
    std::string expected = "*.dat";
    for (const std::string_view ext : importedExtensions()) {
        expected += " *." + std::string(ext);
        EXPECT_TRUE(isImportedModel("x." + std::string(ext)));
    }
    EXPECT_EQ(openDialogPatterns(), expected);
    EXPECT_EQ(openDialogPatterns().substr(0, 23), "*.dat *.stl *.obj *.ply");
}

}  // namespace
}  // namespace kelpris::mesh
