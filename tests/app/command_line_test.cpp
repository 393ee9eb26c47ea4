#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelpris {
namespace {

using Action = CommandLine::Action;

CommandLine parse(std::vector<std::string> args) {
    return parseCommandLine(args);
}

TEST(CommandLineTest, noArgumentsRunsWithDefaults) {
    const CommandLine cl = parse({});
    EXPECT_EQ(cl.action, Action::Run);
    EXPECT_FALSE(cl.width);
    EXPECT_FALSE(cl.yaw);
    EXPECT_FALSE(cl.pitch);
    EXPECT_EQ(cl.screen, Screen::Setup);
    EXPECT_FALSE(cl.renderPath);
    EXPECT_FALSE(cl.file);
}

TEST(CommandLineTest, readsEveryOptionInBothForms) {
    const CommandLine cl = parse({"--size", "320x200", "--yaw=1.5", "--pitch", "-0.25",
                                  "--screen=stereo", "--render", "out.png", "model.dat"});
    ASSERT_EQ(cl.action, Action::Run) << cl.error;
    EXPECT_EQ(*cl.width, 320);
    EXPECT_EQ(*cl.height, 200);
    EXPECT_EQ(*cl.yaw, 1.5f);
    EXPECT_EQ(*cl.pitch, -0.25f);
    EXPECT_EQ(cl.screen, Screen::Stereo);
    EXPECT_EQ(*cl.renderPath, "out.png");
    EXPECT_EQ(*cl.file, "model.dat");
}

TEST(CommandLineTest, fileMayComeFirstOrAfterDoubleDash) {
    EXPECT_EQ(*parse({"a.dat", "--screen", "setup"}).file, "a.dat");
    const CommandLine dashed = parse({"--", "--odd-name.dat"});
    ASSERT_EQ(dashed.action, Action::Run);
    EXPECT_EQ(*dashed.file, "--odd-name.dat");
    // A lone "-" is a file name, not an option.
    EXPECT_EQ(*parse({"-"}).file, "-");
}

TEST(CommandLineTest, helpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(parse({"--help"}).action, Action::Help);
    EXPECT_EQ(parse({"-h"}).action, Action::Help);
    EXPECT_EQ(parse({"--version"}).action, Action::Version);
    EXPECT_EQ(parse({"--size", "bad", "--version"}).action, Action::Version);
    EXPECT_EQ(parse({"--bogus", "--help"}).action, Action::Help);
    // After "--" they are file names.
    EXPECT_EQ(*parse({"--", "--help"}).file, "--help");
}

TEST(CommandLineTest, rejectsInvalidLinesWithAMessage) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--size"},
        {"--size", "640"},
        {"--size", "0x480"},
        {"--size", "640x0"},
        {"--size", "-640x480"},
        {"--size", "640x480x2"},
        {"--size", "10001x10"},
        {"--size", "99999999999x10"},
        {"--size", " 64x48"},
        {"--yaw", "abc"},
        {"--yaw", "1.5rad"},
        {"--yaw", "inf"},
        {"--pitch", "nan"},
        {"--pitch", "1e39"},
        {"--yaw", ""},
        {"--yaw", "+-1"},
        {"--screen", "both"},
        {"--render"},
        {"--render="},
        {"a.dat", "b.dat"},
        {"--yaw", "1", "--yaw", "2"},
        {"--screen", "setup", "--screen", "stereo"},
        {"--size", "1x1", "--size=2x2"},
        {""},
        {"--up"},
        {"--up="},
        {"--up", "w"},
        {"--up", "xy"},
        {"--up", "x", "--up", "y"},
    };
    for (const auto& args : bad) {
        const CommandLine cl = parse(args);
        std::string joined;
        for (const auto& a : args) {
            joined += "[" + a + "]";
        }
        EXPECT_EQ(cl.action, Action::Error) << joined;
        EXPECT_FALSE(cl.error.empty()) << joined;
    }
}

TEST(CommandLineTest, upTakesOneAxisInEitherCase) {
    EXPECT_FALSE(parse({}).up);
    const struct {
        std::vector<std::string> args;
        mesh::UpAxis axis;
    } cases[] = {{{"--up", "x"}, mesh::UpAxis::x},
                 {{"--up=Y"}, mesh::UpAxis::y},
                 {{"m.stl", "--up", "z"}, mesh::UpAxis::z}};
    for (const auto& c : cases) {
        const CommandLine cl = parse(c.args);
        ASSERT_EQ(cl.action, Action::Run) << cl.error;
        EXPECT_EQ(cl.up, c.axis) << c.args[0];
    }
}

TEST(CommandLineTest, sizeAcceptsBothLetterCasesAndTheBounds) {
    int w = 0;
    int h = 0;
    ASSERT_TRUE(parseSize("1X10000", w, h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 10000);
    EXPECT_FALSE(parseSize("x480", w, h));
    EXPECT_FALSE(parseSize("+640x480", w, h));
    EXPECT_EQ(w, 1) << "a rejected size leaves the outputs alone";
}

TEST(CommandLineTest, anglesAreRoundedToSinglePrecisionOnce) {
    float v = 0.0f;
    ASSERT_TRUE(parseAngle("3.141592", v));
    EXPECT_EQ(v, 3.141592f);
    ASSERT_TRUE(parseAngle("+2", v));
    EXPECT_EQ(v, 2.0f);
    ASSERT_TRUE(parseAngle("-1e-3", v));
    EXPECT_EQ(v, -1e-3f);
    // Correctly rounded from the decimal text, not through double first.
    ASSERT_TRUE(parseAngle("0.100000001490116119384765625", v));
    EXPECT_EQ(v, 0.1f);
    EXPECT_FALSE(parseAngle("-inf", v));
    EXPECT_FALSE(parseAngle("0x1p3", v));
}

TEST(CommandLineTest, usageNamesEveryOption) {
    const std::string text = usageText();
    for (const char* option : {"--size", "--yaw", "--pitch", "--screen", "--up", "--render",
                               "--help", "--version", "FILE"}) {
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }
    EXPECT_STREQ(kVersionText, "KELPRIS 1.0.0.1");
}

}  // namespace
}  // namespace kelpris
