#include "platform/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kuvano {

QString qtTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

std::unique_ptr<QTranslator> loadQtChinese(const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    // qtbase alone: the program uses no other Qt module with texts of its own.
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder))
        return nullptr;
    return translator;
}

bool installQtChinese(QCoreApplication& app) {
    std::unique_ptr<QTranslator> translator = loadQtChinese(qtTranslationsFolder());
    if (!translator || !QCoreApplication::installTranslator(translator.get())) return false;
    translator.release()->setParent(&app);
    return true;
}

} // namespace kuvano
