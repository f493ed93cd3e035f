#include "platform/notebook_lock.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <memory>

using namespace kuvano;

TEST(NotebookLock, OneHolderAtATimeAndAFolderWithoutNotesIsNoLock) {
    test::TempProgramFolder pf;
    auto first = std::make_unique<NotebookLock>(pf.folder());
    ASSERT_TRUE(first->held());
    EXPECT_EQ(QFile::permissions(pf.path(NotebookLock::relativePath())) & 0x0777, 0x0600);

    // Another open of the same file, as another process would make it.
    const NotebookLock second(pf.folder());
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(second.busy());
    EXPECT_TRUE(second.error().contains(pf.path(QStringLiteral("DB3"))));

    first.reset();
    EXPECT_TRUE(NotebookLock(pf.folder()).held());

    QDir(pf.path(QStringLiteral("DB3"))).removeRecursively();
    const NotebookLock nowhere(pf.folder());
    EXPECT_FALSE(nowhere.held());
    EXPECT_FALSE(nowhere.busy());
    EXPECT_TRUE(nowhere.error().contains(pf.path(QStringLiteral("DB3"))));
}
