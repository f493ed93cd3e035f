#pragma once
// "关于 Kuvano": the version, the data folder in use (a link that opens it in
// the file manager) and the licences of the program, the libraries it links
// and the holiday data.

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QUrl;

namespace kuvano::app {

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    AboutWindow(const QString& dataFolder, QWidget* parent);

    QLabel* folderLink() const { return folderLink_; }
    QPlainTextEdit* licences() const { return licences_; }
    // Opens the data folder (the file manager, by default). Tests replace it.
    std::function<void(const QUrl&)> openFolder;

    // The licence texts, as the window shows them.
    static QString licenceText();

private:
    QLabel* folderLink_ = nullptr;
    QPlainTextEdit* licences_ = nullptr;
};

} // namespace kuvano::app
