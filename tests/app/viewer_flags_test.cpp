// The viewer's command-line options: accepted values, refusals, and how
// they combine with the settings.

#include <gtest/gtest.h>

#include "app/command_line.h"

namespace kelpris {
namespace {

TEST(ViewerFlagsTest, optionsAreParsedAndChecked) {
    const CommandLine line =
        parseCommandLine({"--glasses", "red-cyan", "--swap-eyes", "--shading=lit", "--render-pair",
                          "l.png", "r.png", "--render-sbs", "s.PNG", "model.dat"});
    ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
    EXPECT_EQ(line.viewer.glasses, GlassesPair::RedCyan);
    EXPECT_TRUE(line.viewer.swapEyes);
    EXPECT_EQ(line.viewer.shading, Shading::Lit);
    ASSERT_TRUE(line.viewer.renderPair);
    EXPECT_EQ(line.viewer.renderPair->first, "l.png");
    EXPECT_EQ(line.viewer.renderPair->second, "r.png");
    EXPECT_EQ(line.viewer.renderSbs, "s.PNG");
    EXPECT_EQ(line.file, "model.dat");

    EXPECT_EQ(line.fit, FitOnOpen::Imported);

    const CommandLine info = parseCommandLine({"--info", "m.dat", "--size", "800x600", "--fit"});
    ASSERT_EQ(info.action, CommandLine::Action::Run) << info.error;
    EXPECT_EQ(info.viewer.infoFile, "m.dat");
    EXPECT_FALSE(info.file);
    EXPECT_EQ(info.fit, FitOnOpen::Always);
    EXPECT_EQ(parseCommandLine({"--no-fit", "m.stl"}).fit, FitOnOpen::Never);

    const CommandLine turn =
        parseCommandLine({"--render-turntable=t.gif", "--frames", "12", "--degrees=90.5"});
    ASSERT_EQ(turn.action, CommandLine::Action::Run) << turn.error;
    ASSERT_TRUE(turn.viewer.turntable);
    EXPECT_EQ(turn.viewer.turntable->path, "t.gif");
    EXPECT_EQ(turn.viewer.turntable->frames, 12);
    EXPECT_EQ(turn.viewer.turntable->degrees, 90.5f);
    EXPECT_TRUE(turn.writesPictures());
    EXPECT_EQ(parseCommandLine({"--render-turntable", "t.gif", "--frames", "1000"})
                  .viewer.turntable->degrees,
              360.0f);
}

TEST(ViewerFlagsTest, badValuesAreRefusedWithAReason) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{"--glasses", "blue-green"}, "invalid --glasses 'blue-green'"},
        {{"--glasses"}, "needs a value"},
        {{"--shading", "smooth"}, "invalid --shading 'smooth'"},
        {{"--render-pair", "one.png"}, "two file names"},
        {{"--render-pair", "same.png", "same.png"}, "two different"},
        {{"--render-sbs", ""}, "--render-sbs needs a file name"},
        {{"--info", "a.dat", "b.dat"}, "--info takes its own FILE"},
        {{"--swap-eyes", "--swap-eyes"}, "given twice"},
        {{"--swap-eyes=yes"}, "takes no value"},
        {{"--fit", "--no-fit"}, "cannot both be given"},
        {{"--no-fit=1"}, "takes no value"},
        // A picture is never written over a file of another kind.
        {{"--render-pair", "l.png", "t.dat"}, "invalid --render-pair 't.dat': a picture name must"},
        {{"--render", "keep.dat"}, "invalid --render 'keep.dat': a picture name must end in .png"},
        {{"--render-sbs=s.png.dat"}, "invalid --render-sbs"},
        {{"--render", ".png"}, "invalid --render"},
        {{"--render-turntable", "spin.png", "--frames", "2"}, "must end in .gif"},
        {{"--glasses", "red-blue", "--glasses", "red-cyan"}, "given twice"},
        {{"--render-turntable", "t.gif"}, "needs --frames"},
        {{"--frames", "12"}, "goes with --render-turntable"},
        {{"--degrees", "90"}, "goes with --render-turntable"},
        {{"--render-turntable="}, "needs a file name"},
        {{"--render-turntable", "t.gif", "--frames", "0"}, "invalid --frames '0'"},
        {{"--render-turntable", "t.gif", "--frames", "1001"}, "invalid --frames"},
        {{"--render-turntable", "t.gif", "--frames", "3x"}, "invalid --frames"},
        {{"--render-turntable", "t.gif", "--frames", "3", "--degrees", "0"}, "invalid --degrees"},
        {{"--render-turntable", "t.gif", "--frames", "3", "--degrees", "360.1"},
         "invalid --degrees"},
        {{"--render-turntable", "t.gif", "--frames", "3", "--degrees", "nan"}, "invalid --degrees"},
    };
    for (const Case& c : cases) {
        const CommandLine line = parseCommandLine(c.args);
        EXPECT_EQ(line.action, CommandLine::Action::Error) << c.args.front();
        EXPECT_NE(line.error.find(c.says), std::string::npos) << line.error;
    }
}

TEST(ViewerFlagsTest, flagsOverrideOnlyWhatTheyName) {
    ViewOptions options;
    options.glasses = {GlassesPair::RedBlue, false, 40};
    options.eyeHalfSep = 12;
    ViewerFlags flags;
    applyViewerFlags(flags, options);
    EXPECT_EQ(options.glasses, (GlassesChoice{GlassesPair::RedBlue, false, 40}));
    flags.glasses = GlassesPair::AmberBlue;
    flags.swapEyes = true;
    flags.shading = Shading::Lit;
    applyViewerFlags(flags, options);
    EXPECT_EQ(options.glasses, (GlassesChoice{GlassesPair::AmberBlue, true, 40}));
    EXPECT_EQ(options.shading, Shading::Lit);
    EXPECT_EQ(options.eyeHalfSep, 12);
}

}  // namespace
}  // namespace kelpris
