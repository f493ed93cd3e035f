// The import offer at start-up, answered through the question and message
// seams (the later import is tested through its menu entry).
#include "app/import_offer.h"
#include "store/untdb.h"
#include "support/test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace kuvano;

namespace {
const QString kDb = QStringLiteral("DB3/CalendarD.mdb");

QStringList files(const test::TempProgramFolder& pf) {
    return QDir(pf.path(QStringLiteral("DB3"))).entryList(QDir::Files);
}
} // namespace

TEST(AccessOffer, IsMadeOnlyForAnAccessFileAndChangesNothingUnlessAccepted) {
    test::MessageRecorder messages;
    {
        // No database yet, and our own database: no question.
        test::QuestionAnswerer answers({0});
        test::TempProgramFolder pf;
        EXPECT_FALSE(app::offerAccessImport(pf.folder()));
        { notes::TDM dm(pf.folder()); }
        EXPECT_FALSE(app::offerAccessImport(pf.folder()));
        EXPECT_TRUE(answers.questions().empty());
    }
    const QByteArray notes = test::testData(QStringLiteral("access/notes.mdb"));
    for (const int answer : {1, -1}) { // "取消", or the box closed
        test::QuestionAnswerer answers({answer});
        test::TempProgramFolder pf;
        pf.writeBytes(kDb, notes);
        const QStringList before = files(pf);
        EXPECT_FALSE(app::offerAccessImport(pf.folder()));
        ASSERT_EQ(answers.questions().size(), 1u);
        const auto& q = answers.questions()[0];
        EXPECT_EQ(q.buttons, (QStringList{QStringLiteral("导入"), QStringLiteral("取消")}));
        EXPECT_TRUE(q.text.contains(QStringLiteral("Access 格式的笔记库")));
        EXPECT_TRUE(q.text.contains(kDb));
        EXPECT_EQ(files(pf), before);
        EXPECT_EQ(pf.readBytes(kDb), notes);
    }
    EXPECT_TRUE(messages.messages().empty());
}

TEST(AccessOffer, ImportReportsWhatCameOverAndTheDatabaseOpens) {
    test::MessageRecorder messages;
    test::QuestionAnswerer answers({0});
    test::TempProgramFolder pf;
    pf.writeBytes(kDb, test::testData(QStringLiteral("access/notes.mdb")));
    EXPECT_TRUE(app::offerAccessImport(pf.folder()));
    ASSERT_EQ(messages.messages().size(), 1u);
    const QString report = messages.messages()[0].text;
    EXPECT_TRUE(report.contains(QStringLiteral("桌面月历 3 个月，日安排 7 天")))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("DB3/CalendarD-access.mdb")));
    EXPECT_TRUE(pf.exists(QStringLiteral("DB3/CalendarD-access.mdb")));
    notes::TDM dm(pf.folder());
    EXPECT_TRUE(dm.creationError().isEmpty()) << dm.creationError().toStdString();

    // Another program's Access file: a message naming it, nothing moved.
    messages.clear();
    test::TempProgramFolder other;
    const QByteArray bytes = test::testData(QStringLiteral("access/other_program.mdb"));
    other.writeBytes(kDb, bytes);
    const QStringList before = files(other);
    EXPECT_FALSE(app::offerAccessImport(other.folder()));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(
        messages.messages()[0].text.contains(QStringLiteral("CalendarD.mdb 里没有本程序的笔记表")));
    EXPECT_EQ(other.readBytes(kDb), bytes);
    EXPECT_EQ(files(other), before);
}
