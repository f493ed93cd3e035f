// What a page in the web panel can reach: the panel's page comes over plain
// HTTP, so anyone on the way can put anything in it.
#include "fake_site.h"
#include "support/test_support.h"
#include "web/WebLink.h"
#include "web/uNavigateThr.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::web;
using test::FakeSite;

namespace {

// Red pixels the panel shows: the test pictures and style sheet are all red.
int redPixels(QWidget& browser) {
    const QImage shot = browser.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int red = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            if (qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60) ++red;
        }
    return red;
}

void writeRedPicture(const QString& path) {
    QImage red(40, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(path, "BMP"));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray inBody(const QByteArray& body) {
    return "<html><body>" + body + "</body></html>";
}

QByteArray withStyleSheet(const QByteArray& href) {
    return "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"" + href +
           "\"></head><body><p>x</p></body></html>";
}

// Shows `url` in a fresh panel and counts what of it is red.
int redOfPage(const QUrl& url) {
    WebLink browser;
    browser.resize(300, 200);
    QSignalSpy shown(&browser, &WebLink::PageShown);
    browser.Navigate(url);
    if (shown.isEmpty() && !shown.wait(5000)) return -1;
    return redPixels(browser);
}

struct RedCase {
    QByteArray html;
    bool red; // whether the page shows anything red
};

// Writes each case's page at `page` in turn and shows it.
void expectRed(const QString& page, const std::vector<RedCase>& cases) {
    for (const RedCase& c : cases) {
        writeFile(page, c.html);
        const int red = redOfPage(QUrl::fromLocalFile(page));
        if (c.red) {
            EXPECT_GT(red, 0) << c.html.constData();
        } else {
            EXPECT_EQ(red, 0) << c.html.constData();
        }
    }
}

// The working folder for one case; put back after it.
class WorkingFolder {
public:
    explicit WorkingFolder(const QString& path) : before_(QDir::currentPath()) {
        QDir::setCurrent(path);
    }
    ~WorkingFolder() { QDir::setCurrent(before_); }

private:
    QString before_;
};

// Records what would go to the user's browser.
class OpenerRecorder {
public:
    OpenerRecorder() : previous_(setUrlOpener([this](const QUrl& u) { opened.push_back(u); })) {}
    ~OpenerRecorder() { setUrlOpener(previous_); }
    std::vector<QUrl> opened;

private:
    UrlOpener previous_;
};

} // namespace

TEST(WebSafety, ARemotePageLoadsNoPictureOrStyleSheetLocalOrNot) {
    QTemporaryDir elsewhere;
    const QString picture = elsewhere.filePath(QStringLiteral("one.bmp"));
    writeRedPicture(picture);
    const QString css = elsewhere.filePath(QStringLiteral("red.css"));
    writeFile(css, "p { background-color: #ff0000 }");
    QFile bmp(picture);
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    const QByteArray dataUrl = "data:image/bmp;base64," + bmp.readAll().toBase64();
    const WorkingFolder cwd(elsewhere.path()); // where a bare name would be looked up

    const QByteArray fileUrl = QUrl::fromLocalFile(picture).toEncoded();
    for (const QByteArray& page : {
             inBody("<img src=\"" + fileUrl + "\">"),
             inBody("<img src=\"" + picture.toUtf8() + "\">"),
             inBody("<img src=\"one.bmp\">"),
             inBody("<img src=\"" + dataUrl + "\">"),
             withStyleSheet(QUrl::fromLocalFile(css).toEncoded()),
         }) {
        FakeSite site(page);
        EXPECT_EQ(redOfPage(OnlinePage(site.host())), 0) << page.left(80).constData();
        EXPECT_EQ(site.paths, std::vector<QString>{QStringLiteral("/r/K207.htm")});
    }
}

TEST(WebSafety, ALocalPageShowsItsOwnPicturesOnly) {
    test::TempProgramFolder pf;
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(QStringLiteral("one.bmp"));
    writeRedPicture(outside);
    writeRedPicture(pf.path(QStringLiteral("source/Navigate/own.bmp")));
    writeFile(pf.path(QStringLiteral("source/Navigate/own.css")),
              "p { background-color: #ff0000 }");
    ASSERT_TRUE(QFile::link(outside, pf.path(QStringLiteral("source/Navigate/link.bmp"))));
    expectRed(pf.path(QStringLiteral("source/Navigate/default.htm")),
              {
                  {inBody("<img src=\"own.bmp\">"), true},
                  {withStyleSheet("own.css"), true},
                  {inBody("<img src=\"" + QUrl::fromLocalFile(outside).toEncoded() + "\">"), false},
                  {inBody("<img src=\"" + outside.toUtf8() + "\">"), false},
                  {inBody("<img src=\"link.bmp\">"), false}, // a link out of the page's folder
              });
}

TEST(WebSafety, AnInstalledProgramsPageShowsPicturesOfItsSuppliedFolderNotTheUsers) {
    // The page is the program's own, in its supplied folder; the user's data
    // folder is writable by anything the user runs, so its files stay out.
    QTemporaryDir tmp;
    const QString supplied = tmp.filePath(QStringLiteral("share/kuvano/supplied"));
    const QString data = tmp.filePath(QStringLiteral("data/kuvano"));
    ASSERT_TRUE(QDir().mkpath(supplied + QStringLiteral("/source/Navigate")));
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("/source/Navigate")));
    const ProgramFolder folder(data, supplied);
    writeRedPicture(folder.ownedFile(QStringLiteral("source/Navigate/own.bmp")));
    writeRedPicture(folder.filePath(QStringLiteral("source/Navigate/users.bmp")));
    const QString page = LocalPagePath(folder);
    ASSERT_TRUE(page.startsWith(supplied));
    const QString users = folder.filePath(QStringLiteral("source/Navigate/users.bmp"));
    const QByteArray relative = QDir(QFileInfo(page).path()).relativeFilePath(users).toUtf8();
    ASSERT_TRUE(relative.startsWith("../")) << relative.constData();
    expectRed(page,
              {
                  {inBody("<img src=\"own.bmp\">"), true},
                  {inBody("<img src=\"" + relative + "\">"), false},
                  {inBody("<img src=\"" + QUrl::fromLocalFile(users).toEncoded() + "\">"), false},
              });
}

TEST(WebSafety, OnlyWebLinksOpenResolvedAgainstThePage) {
    const QUrl site(QStringLiteral("http://127.0.0.1:8765/r/K207.htm"));
    const QUrl local =
        QUrl::fromLocalFile(QStringLiteral("/opt/kuvano/source/Navigate/default.htm"));
    struct Case {
        QUrl page;
        const char* href;
        const char* opens; // empty: nothing
    };
    for (const Case& c : {
             Case{site, "javascript:alert(1)", ""},
             Case{site, "file:///etc/passwd", ""},
             Case{site, "smb://server/share", ""},
             Case{site, "mailto:a@example.org", ""},
             Case{site, "http:///no-host", ""},
             Case{site, "x.htm", "http://127.0.0.1:8765/r/x.htm"},
             Case{site, "/help3/k204a.htm", "http://127.0.0.1:8765/help3/k204a.htm"},
             Case{site, "//example.org/a", "http://example.org/a"},
             Case{site, "HTTPS://Example.org/b?c=1", "https://example.org/b?c=1"},
             Case{local, "x.htm", ""},
             Case{local, "http://example.org/", "http://example.org/"},
             Case{QUrl(), "x.htm", ""},
         }) {
        EXPECT_EQ(WebLink::LinkTarget(c.page, QUrl(QString::fromUtf8(c.href))),
                  QUrl(QString::fromUtf8(c.opens)))
            << c.page.toString().toStdString() << " " << c.href;
    }
}

TEST(WebSafety, AClickedLinkReachesTheBrowserOnlyWhenItIsAWebAddress) {
    FakeSite site("<html><body>"
                  "<p><a href=\"javascript:alert(1)\">AAAA</a></p>"
                  "<p><a href=\"file:///etc/passwd\">BBBB</a></p>"
                  "<p><a href=\"x.htm\">CCCC</a></p>"
                  "<p><a href=\"https://example.org/d\">DDDD</a></p>"
                  "</body></html>");
    OpenerRecorder recorder;
    WebLink browser;
    browser.resize(300, 300);
    browser.show();
    QSignalSpy shown(&browser, &WebLink::PageShown);
    browser.Navigate(OnlinePage(site.host()));
    ASSERT_TRUE(shown.wait(5000));
    for (const char* text : {"AAAA", "BBBB", "CCCC", "DDDD"}) {
        QTextCursor at = browser.document()->find(QString::fromLatin1(text));
        ASSERT_FALSE(at.isNull()) << text;
        at.setPosition(at.selectionStart() + 2);
        const QPoint point = browser.cursorRect(at).center();
        QTest::mouseClick(browser.viewport(), Qt::LeftButton, {}, point);
    }
    const std::vector<QUrl> expected = {QUrl(QStringLiteral("http://%1/r/x.htm").arg(site.host())),
                                        QUrl(QStringLiteral("https://example.org/d"))};
    EXPECT_EQ(recorder.opened, expected);
}

TEST(WebSafety, AnEndlessSlowOrTooBigPageIsCutOffAndShowsNothing) {
    const qint64 limit = FetchLimits{}.maxBytes;
    const QByteArray head = "<html><body><p>ok</p><!--";
    const QByteArray atLimit = head + QByteArray(int(limit - head.size() - 3), ' ') + "-->";
    struct Case {
        const char* name;
        FakeSite::Answer answer;
        QByteArray page;
        FetchLimits limits;
        bool shown;
    };
    for (const Case& c : {
             Case{"endless", FakeSite::Answer::Endless, head, {}, false},
             Case{"dripping", FakeSite::Answer::Drip, head, {limit, 500}, false},
             Case{"a byte too big", FakeSite::Answer::Whole, atLimit + " ", {}, false},
             Case{"at the limit", FakeSite::Answer::Whole, atLimit, {}, true},
         }) {
        FakeSite site(c.page, "text/html; charset=utf-8", c.answer);
        WebLink browser;
        browser.setFetchLimits(c.limits);
        QSignalSpy shown(&browser, &WebLink::PageShown);
        browser.Navigate(OnlinePage(site.host()));
        if (c.shown) {
            EXPECT_TRUE(shown.wait(5000)) << c.name;
            EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("ok"))) << c.name;
            continue;
        }
        if (c.answer != FakeSite::Answer::Whole) {
            // The panel hangs up on a body that does not end.
            QElapsedTimer t;
            t.start();
            while (site.hangUps == 0 && t.elapsed() < 8000) QTest::qWait(20);
            EXPECT_EQ(site.hangUps, 1) << c.name;
            EXPECT_LT(site.sent, 64 * limit) << c.name;
        }
        EXPECT_FALSE(shown.wait(300)) << c.name;
        EXPECT_TRUE(browser.shownUrl().isEmpty()) << c.name;
    }
}

TEST(WebSafety, SiteHostIsAHostNameOrAddressWithAnOptionalPortOnly) {
    test::TempProgramFolder pf;
    struct Case {
        const char* line;
        const char* host; // empty: no site
    };
    for (const Case& c : {
             Case{"example.org", "example.org"},
             Case{" kuvano-site.example.com:8080 ", "kuvano-site.example.com:8080"},
             Case{"127.0.0.1:8765", "127.0.0.1:8765"},
             Case{"localhost", "localhost"},
             Case{"[::1]:8080", "[::1]:8080"},
             Case{"127.0.0.1:8765/evil.htm#", ""},
             Case{"example.org/", ""},
             Case{"http://example.org", ""},
             Case{"user@example.org", ""},
             Case{"example.org?x=1", ""},
             Case{"example.org#", ""},
             Case{"example.org:", ""},
             Case{"example.org:0", ""},
             Case{"example.org:65536", ""},
             Case{"exa mple.org", ""},
             Case{"-example.org", ""},
             Case{"example..org", ""},
             Case{"[::1", ""},
             Case{"[1.2.3.4]", ""},
             Case{"例子.中国", ""},
         }) {
        pf.writeLines(SiteHostRelativePath(), {QString::fromUtf8(c.line)});
        EXPECT_EQ(ReadSiteHost(pf.folder()), QString::fromUtf8(c.host)) << c.line;
    }
    // Refused, the line is no site at all: help is the page beside the program.
    pf.writeLines(SiteHostRelativePath(), {QStringLiteral("127.0.0.1:8765/evil.htm#")});
    EXPECT_TRUE(HelpPage(pf.folder(), ReadSiteHost(pf.folder())).isLocalFile());
}
