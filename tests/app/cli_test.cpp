// The built `kelpris` program run as a user would run it: exit status,
// standard output and error, and the PNG that --render writes.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "shell_fixture.h"

namespace kelpris::test {
namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class CliTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(work_.isValid());
        ASSERT_TRUE(QFile::copy(QStringLiteral(KELPRIS_DATA_DIR "/dom.dat"),
                                work_.filePath(QStringLiteral("dom.dat"))));
    }

    ProgramRun run(const QStringList& args, const QString& dir = {}) {
        QProcess process;
        process.setWorkingDirectory(dir.isEmpty() ? work_.path() : dir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // --render must cope alone
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work_.filePath(QStringLiteral("cfg")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(KELPRIS_EXE), args);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }
    QString path(const QString& name) const { return work_.filePath(name); }

    static int countPixels(const QImage& image, const QRect& area, bool (*match)(QColor)) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                n += match(image.pixelColor(x, y)) ? 1 : 0;
            }
        }
        return n;
    }

    ScratchFolder work_;
};

TEST_F(CliTest, versionAndHelpPrintAndSucceed) {
    const ProgramRun version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("KELPRIS 1.0.0.1\n"));

    const ProgramRun help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: kelpris"))) << help.out.toStdString();
}

TEST_F(CliTest, invalidValuesExitWithStatusTwoAndDrawNothing) {
    const QList<QStringList> bad = {
        {"--size", "640", "--render", "x.png"},
        {"--yaw", "north", "--render", "x.png"},
        {"--screen", "left", "--render", "x.png"},
        {"--render"},
        {"--frobnicate"},
    };
    for (const QStringList& args : bad) {
        const ProgramRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("kelpris:"))) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("x.png"))));
}

TEST_F(CliTest, renderOfTheSetupScreenUsesTheDefaultSize) {
    const ProgramRun r = run({QStringLiteral("--render"), QStringLiteral("setup.png")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage image(path(QStringLiteral("setup.png")));
    ASSERT_EQ(image.size(), QSize(640, 480));
    // White background away from the drawing; red angle text at the top left.
    EXPECT_EQ(image.pixelColor(400, 20), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(620, 470), QColor(Qt::white));
    const int red = countPixels(image, QRect(0, 0, 170, 20), [](QColor c) {
        return c.red() > 150 && c.green() < 100 && c.blue() < 100;
    });
    EXPECT_GT(red, 20);
    EXPECT_FALSE(QFile::exists(path(QString::fromLatin1(kSortReportFile))));
}

TEST_F(CliTest, renderOfTheStereoScreenHasTheFrameOnBlack) {
    const ProgramRun r =
        run({QStringLiteral("--size"), QStringLiteral("400x300"), QStringLiteral("--screen"),
             QStringLiteral("stereo"), QStringLiteral("--render"), QStringLiteral("stereo.png")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage image(path(QStringLiteral("stereo.png")));
    ASSERT_EQ(image.size(), QSize(400, 300));
    EXPECT_EQ(image.pixelColor(2, 100), QColor(200, 0, 200));
    EXPECT_EQ(image.pixelColor(397, 150), QColor(200, 0, 200));
    EXPECT_EQ(image.pixelColor(8, 8), QColor(Qt::black));
    const int green = countPixels(image, image.rect().adjusted(4, 4, -4, -4),
                                  [](QColor c) { return c.green() > 80 && c.red() < 40; });
    const int red = countPixels(image, image.rect().adjusted(4, 4, -4, -4),
                                [](QColor c) { return c.red() > 150 && c.green() < 40; });
    EXPECT_GT(green, 100);
    EXPECT_GT(red, 100);
}

TEST_F(CliTest, renderOfAFaceModelWritesTheSortReport) {
    const QString model =
        file(QStringLiteral("faces.dat"),
             "1\n5 3\n0 0 0\n2 0 0\n2 2 0\n0 2 0\n1 1 2\n1 2 3 4\n1 2 5\n2 3 5 4\n");
    const ProgramRun r =
        run({QStringLiteral("--screen=stereo"), QStringLiteral("--render=f.png"), model});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(QImage(path(QStringLiteral("f.png"))).isNull());
    EXPECT_TRUE(QFile::exists(path(QString::fromLatin1(kSortReportFile))));
}

TEST_F(CliTest, filesThatCannotBeOpenedFailWithoutAPicture) {
    const ProgramRun missing = run(
        {QStringLiteral("--render"), QStringLiteral("m.png"), QStringLiteral("no_such_model.dat")});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("no_such_model.dat")))
        << missing.err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("m.png"))));

    // Unreadable even without --render: no window, a message, non-zero.
    const ProgramRun windowless = run({QStringLiteral("no_such_model.dat")});
    EXPECT_NE(windowless.exitCode, 0);
    EXPECT_TRUE(windowless.err.contains(QStringLiteral("no_such_model.dat")));

    const QString broken = file(QStringLiteral("broken.dat"), "0\n2 1\n0 0 0\n1 1 1\n1 3\n");
    const ProgramRun bad = run({QStringLiteral("--render"), QStringLiteral("b.png"), broken});
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("broken.dat"))) << bad.err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("b.png"))));
}

TEST_F(CliTest, unwritablePictureIsAFailure) {
    const ProgramRun r =
        run({QStringLiteral("--render"), path(QStringLiteral("no/such/dir/x.png"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("x.png"))) << r.err.toStdString();
}

TEST_F(CliTest, missingDomDatStillRendersAndSaysSo) {
    QTemporaryDir empty;
    const ProgramRun r = run({QStringLiteral("--render"), QStringLiteral("e.png")}, empty.path());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("dom.dat")));
    const QImage image(empty.filePath(QStringLiteral("e.png")));
    EXPECT_EQ(image.size(), QSize(640, 480));
}

TEST_F(CliTest, modelsOfOtherFormatsRenderQuietlyAndUpTurnsThoseThatStateNoAxis) {
    const auto sample = [](const char* name) {
        return QStringLiteral(KELPRIS_DATA_DIR "/samples/") + QString::fromLatin1(name);
    };
    for (const char* name : {"teapot.gltf", "teapot.3mf", "bunny.stl", "house_edges.obj"}) {
        const ProgramRun r =
            run({QStringLiteral("--render"), QStringLiteral("m.png"), sample(name)});
        EXPECT_EQ(r.exitCode, 0) << name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty() && r.out.isEmpty()) << name << ": " << r.err.toStdString();
        EXPECT_FALSE(QImage(path(QStringLiteral("m.png"))).isNull()) << name;
    }
    const auto picture = [&](const char* name, const QStringList& extra) {
        const QString png = QStringLiteral("p.png");
        const ProgramRun r =
            run(extra + QStringList{QStringLiteral("--render"), png, sample(name)});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QImage(path(png));
    };
    const QStringList upZ = {QStringLiteral("--up"), QStringLiteral("z")};
    EXPECT_NE(picture("house_faces.ply", {}), picture("house_faces.ply", upZ));  // PLY: y
    EXPECT_EQ(picture("teapot.gltf", {}), picture("teapot.gltf", upZ));  // glTF says y itself

    const ProgramRun badAxis = run({QStringLiteral("--up"), QStringLiteral("w")});
    EXPECT_EQ(badAxis.exitCode, 2);
    EXPECT_TRUE(badAxis.err.contains(QStringLiteral("invalid --up 'w'")))
        << badAxis.err.toStdString();

    const QString empty = file(QStringLiteral("empty.stl"), "solid nothing\nendsolid nothing\n");
    const ProgramRun none = run({QStringLiteral("--render"), QStringLiteral("n.png"), empty});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains(empty)) << none.err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("n.png"))));
}

/// Runs the program in `dir` with arguments passed as raw bytes, which
/// QProcess would re-encode. Returns the exit status (-1 when killed) and
/// fills `err`. An alarm set before exec ends a run that hangs.
int runWithBytes(const std::vector<std::string>& args, const std::string& dir, std::string& err) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::close(pipeFds[0]);
        if (::chdir(dir.c_str()) != 0) {
            ::_exit(127);
        }
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::vector<char*> argv{const_cast<char*>(KELPRIS_EXE)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::alarm(30);
        ::execv(KELPRIS_EXE, argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        err.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool isPng(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(8, '\0');
    in.read(head.data(), 8);
    return std::filesystem::is_regular_file(std::filesystem::symlink_status(path)) &&
           head == "\x89PNG\r\n\x1a\n";
}

TEST_F(CliTest, namesAreUsedAsTheirBytesAndNothingTheUserNamesCanHangTheRun) {
    namespace fs = std::filesystem;
    const fs::path dir = work_.path().toStdString();
    const std::string faces =
        "1\n5 3\n0 0 0\n2 0 0\n2 2 0\n0 2 0\n1 1 2\n1 2 3 4\n1 2 5\n2 3 5 4\n";
    const std::string latin1Model = "mod\xe8le.dat";  // not valid UTF-8
    std::ofstream(dir / latin1Model, std::ios::binary) << faces;
    ASSERT_EQ(::mkfifo((dir / "fifo.dat").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.png").c_str(), 0600), 0);

    const struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string png;        ///< the picture that must exist afterwards
        std::string errorText;  ///< part of the message, when it fails
    } cases[] = {
        {{"--render", "\xff\xfe.png", latin1Model}, 0, "\xff\xfe.png", ""},
        {{"--render=fifo.png", latin1Model}, 0, "fifo.png", ""},
        {{"--render", "x.png", "fifo.dat"},
         1,
         "",
         "fifo.dat: cannot read file: not a regular file"},
        {{"fifo.dat"}, 1, "", "fifo.dat: cannot read file: not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        std::string err;
        EXPECT_EQ(runWithBytes(c.args, dir.string(), err), c.exitCode) << err;
        if (!c.png.empty()) {
            EXPECT_TRUE(isPng(dir / c.png));
        }
        EXPECT_NE(err.find(c.errorText), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(dir / "x.png"));
    // The only pictures are the two named ones: no name was re-encoded.
    int pictures = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        pictures += entry.path().extension() == ".png" ? 1 : 0;
    }
    EXPECT_EQ(pictures, 2);

    // A FIFO under the sort report's name is replaced, not opened.
    ASSERT_EQ(::mkfifo((dir / kSortReportFile).c_str(), 0600), 0);
    std::string err;
    EXPECT_EQ(runWithBytes({"--screen=stereo", "--render=s.png", latin1Model}, dir.string(), err),
              0)
        << err;
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / kSortReportFile)));
}

}  // namespace
}  // namespace kelpris::test
