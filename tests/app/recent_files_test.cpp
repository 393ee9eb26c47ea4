#include "app/recent_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace kelpris {
namespace {

TEST(RecentFileListTest, keepsNewestFirstWithoutDuplicatesUpToCapacity) {
    RecentFileList list;
    EXPECT_EQ(list.capacity(), 4);
    for (const char* p : {"/m/a.dat", "/m/b.dat", "/m/c.dat", "/m/d.dat", "/m/e.dat"}) {
        list.add(QString::fromLatin1(p));
    }
    EXPECT_EQ(list.entries(), (QStringList{"/m/e.dat", "/m/d.dat", "/m/c.dat", "/m/b.dat"}));

    // Re-adding moves an entry up, also when spelled differently.
    list.add(QStringLiteral("/m/x/../c.dat"));
    EXPECT_EQ(list.entries(), (QStringList{"/m/c.dat", "/m/e.dat", "/m/d.dat", "/m/b.dat"}));

    list.add(QString());
    EXPECT_EQ(list.entries().size(), 4);
    list.remove(QStringLiteral("/m/e.dat"));
    EXPECT_EQ(list.entries(), (QStringList{"/m/c.dat", "/m/d.dat", "/m/b.dat"}));
}

TEST(RecentFileListTest, relativePathsAreStoredAbsolute) {
    RecentFileList list;
    list.add(QStringLiteral("model.dat"));
    EXPECT_EQ(list.entries().front(),
              QDir::current().absoluteFilePath(QStringLiteral("model.dat")));
}

TEST(RecentFileListTest, settingsRoundTripDropsStaleKeysAndDuplicates) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSettings settings(dir.filePath(QStringLiteral("k.ini")), QSettings::IniFormat);

    RecentFileList list;
    for (const char* p : {"/m/a.dat", "/m/b.dat", "/m/c.dat"}) {
        list.add(QString::fromLatin1(p));
    }
    list.save(settings);
    RecentFileList loaded;
    loaded.load(settings);
    EXPECT_EQ(loaded.entries(), list.entries());

    list.remove(QStringLiteral("/m/a.dat"));
    list.save(settings);
    EXPECT_FALSE(settings.contains(QStringLiteral("Recent File List/File3")));

    settings.setValue(QStringLiteral("Recent File List/File3"), QStringLiteral("/m/c.dat"));
    settings.setValue(QStringLiteral("Recent File List/File4"), QString());
    loaded.load(settings);
    EXPECT_EQ(loaded.entries(), (QStringList{"/m/c.dat", "/m/b.dat"}));
}

TEST(RecentFileListTest, menuTextNumbersFromOneAndShowsAmpersands) {
    EXPECT_EQ(RecentFileList::menuText(0, QStringLiteral("/m/a.dat")),
              QStringLiteral("&1 /m/a.dat"));
    EXPECT_EQ(RecentFileList::menuText(3, QStringLiteral("/m/R&D.dat")),
              QStringLiteral("&4 /m/R&&D.dat"));
}

}  // namespace
}  // namespace kelpris
