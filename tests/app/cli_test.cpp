// The built `kelpris` program run as a user would run it: exit status,
// standard output and error, and the PNG that --render writes.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

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

    QTemporaryDir work_;
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

}  // namespace
}  // namespace kelpris::test
