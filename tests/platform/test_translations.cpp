// Qt's own texts in Chinese: the catalogue is found in Qt's translations
// folder whatever the locale (the tests run under C.UTF-8), and without it
// the program goes on in English.
#include "platform/translations.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

#include <memory>

using namespace kuvano;

TEST(QtTranslations, AFolderWithoutTheCatalogueGivesNoTranslator) {
    QTemporaryDir empty;
    EXPECT_EQ(loadQtChinese(empty.path()), nullptr);
    EXPECT_EQ(loadQtChinese(empty.filePath(QStringLiteral("missing"))), nullptr);
}

TEST(QtTranslations, QtsDialogsButtonsAndEditMenuSpeakChinese) {
    std::unique_ptr<QTranslator> zh = loadQtChinese(qtTranslationsFolder());
    if (!zh) GTEST_SKIP() << "qtbase_zh_CN.qm is not installed (qt6-translations-l10n)";
    ASSERT_TRUE(QCoreApplication::installTranslator(zh.get()));

    QMessageBox box;
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    QLineEdit edit;
    std::unique_ptr<QMenu> editMenu(edit.createStandardContextMenu());
    const auto labelOf = [](QWidget& w, const char* name) {
        auto* l = w.findChild<QLabel*>(QLatin1String(name));
        return l ? l->text() : QStringLiteral("(none)");
    };
    const auto colourLabel = [&colours](const QString& english) {
        for (QLabel* l : colours.findChildren<QLabel*>())
            if (l->text() == english) return english;
        return QStringLiteral("translated");
    };
    const struct {
        const char* what;
        QString shown;
        QString expected;
    } cases[] = {
        {"OK", box.addButton(QMessageBox::Ok)->text(), QStringLiteral("确定")},
        {"Cancel", box.addButton(QMessageBox::Cancel)->text(), QStringLiteral("取消")},
        {"file dialog: look in", labelOf(files, "lookInLabel"), QStringLiteral("查找范围：")},
        {"file dialog: file name", labelOf(files, "fileNameLabel"),
         QStringLiteral("文件名称(&N)：")},
        {"colour dialog: basic colours", colourLabel(QStringLiteral("&Basic colors")),
         QStringLiteral("translated")},
        {"edit menu: first entry", editMenu->actions().constFirst()->text(),
         QStringLiteral("撤消(&U)")},
        {"edit menu: last entry", editMenu->actions().constLast()->text(), QStringLiteral("全选")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.shown.section(QLatin1Char('\t'), 0, 0), c.expected)
            << c.what << ": " << c.shown.toStdString();
    QCoreApplication::removeTranslator(zh.get());
}
