#pragma once
// Qt's own texts (the file and colour dialogs, the standard buttons, the
// edit menu of every text box) in Chinese, whatever the locale: the whole
// interface is Chinese, and a box reading "OK" under Chinese text is wrong.

#include <QString>

#include <memory>

class QCoreApplication;
class QTranslator;

namespace kuvano {

// Where this Qt keeps its translation catalogues.
QString qtTranslationsFolder();

// Qt's Chinese catalogue from `folder`, or null when it is not there.
std::unique_ptr<QTranslator> loadQtChinese(const QString& folder);

// Installs Qt's Chinese catalogue on the application, which owns it from
// then on. False when the catalogue is missing: Qt's texts stay English and
// the program goes on.
bool installQtChinese(QCoreApplication& app);

} // namespace kuvano
