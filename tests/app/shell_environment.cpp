// The shell tests run under the program's own names (its settings are kept
// under them) from a working directory holding a copy of dom.dat, which the
// view loads at start-up.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "app/app.h"

namespace kelpris::test {
namespace {

class ShellEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override {
        QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
        QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KELPRIS_DATA_DIR "/dom.dat"),
                                QDir::current().filePath(QStringLiteral("dom.dat"))));
    }
};

// The test framework owns registered environments.
const ::testing::Environment* const kShellEnvironment =
    ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

}  // namespace
}  // namespace kelpris::test
