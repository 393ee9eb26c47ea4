// Runs `kelpris --render` (or --render-sbs) in a scratch folder and checks
// the picture, and optionally the sort report, against golden files. Each
// picture test is one line in CMakeLists.txt; see kelpris_render_test there.
//
// Usage: render_check PROGRAM GOLDEN [--report] [--side-by-side] -- ARGS...
// GOLDEN is the golden files' path from the source folder without an
// extension: GOLDEN.png, and GOLDEN.rep_vytr.txt with --report.
// KELPRIS_UPDATE_GOLDEN=1 rewrites the golden files instead of comparing.

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "golden.h"

namespace {

namespace fs = std::filesystem;
using kelpris::testing::GoldenMode;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Request {
    QString program;
    fs::path golden;
    bool report = false;
    bool sideBySide = false;
    QStringList args;
};

bool parse(const QStringList& argv, Request& out) {
    if (argv.size() < 3) {
        return false;
    }
    out.program = argv[1];
    out.golden = argv[2].toStdString();
    qsizetype i = 3;
    for (; i < argv.size() && argv[i] != QLatin1String("--"); ++i) {
        if (argv[i] == QLatin1String("--report")) {
            out.report = true;
        } else if (argv[i] == QLatin1String("--side-by-side")) {
            out.sideBySide = true;
        } else {
            return false;
        }
    }
    out.args = argv.mid(i + 1);
    return i < argv.size();
}

/// Runs the program in `dir`; false (saying why) unless it ends with status 0.
bool runProgram(const Request& request, const QString& dir, const QString& picture) {
    QProcess process;
    process.setWorkingDirectory(dir);
    const QString option =
        request.sideBySide ? QStringLiteral("--render-sbs") : QStringLiteral("--render");
    process.start(request.program, QStringList{option, picture} + request.args);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::cerr << request.program.toStdString() << " failed (status " << process.exitCode()
                  << "): " << process.readAllStandardError().toStdString() << '\n';
        return false;
    }
    return true;
}

/// The report against GOLDEN.rep_vytr.txt, or rewrites it in update mode.
bool reportMatches(const fs::path& written, const fs::path& golden) {
    const fs::path file = kelpris::testing::projectFolders().source / golden;
    const std::string actual = readFile(written);
    if (kelpris::testing::goldenModeFromEnvironment() == GoldenMode::Update) {
        std::ofstream(file, std::ios::binary) << actual;
        std::cout << "golden file rewritten: " << file.string() << '\n';
        return true;
    }
    if (actual != readFile(file)) {
        std::cerr << "the sort report differs from " << file.string() << '\n';
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Request request;
    if (!parse(QCoreApplication::arguments(), request)) {
        std::cerr << "usage: render_check PROGRAM GOLDEN [--report] [--side-by-side] -- ARGS\n";
        return 2;
    }
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("picture.png"));
    if (!dir.isValid() || !runProgram(request, dir.path(), picture)) {
        return 1;
    }
    fs::path png = request.golden;
    png += ".png";
    const ::testing::AssertionResult same = kelpris::testing::matchesGolden(QImage(picture), png);
    if (!same) {
        std::cerr << same.message() << '\n';
    }
    fs::path report = request.golden;
    report += ".rep_vytr.txt";
    const bool reportSame =
        !request.report ||
        reportMatches(fs::path(dir.filePath(QStringLiteral("rep_vytr.txt")).toStdString()), report);
    return same && reportSame ? 0 : 1;
}
