#include "fake_site.h"
#include "support/test_support.h"
#include "web/WebLink.h"
#include "web/uNavigateThr.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QStringEncoder>
#include <QTcpServer>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::web;

namespace {

using test::FakeSite;

QString freePortHost() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return QStringLiteral("127.0.0.1:%1").arg(probe.serverPort()); // closed again below
}

// The desktop's handler for file addresses, as the user's browser opens them.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.push_back(url); }
};

bool up() {
    return true;
}
bool down() {
    return false;
}

} // namespace

TEST(WebPanel, SiteHostFileIsCreatedEmptyAndAddressesFollowIt) {
    test::TempProgramFolder pf;
    EXPECT_EQ(ReadSiteHost(pf.folder()), QString());
    EXPECT_TRUE(pf.exists(SiteHostRelativePath()));
    EXPECT_EQ(HelpPage(pf.folder(), QString()),
              QUrl::fromLocalFile(pf.path(QStringLiteral("source/Navigate/help.htm"))));
    EXPECT_EQ(FeedbackPage(pf.folder(), QString()).fileName(), QStringLiteral("feedback.htm"));

    pf.writeLines(SiteHostRelativePath(), {QStringLiteral(" example.org ")});
    const QString host = ReadSiteHost(pf.folder());
    EXPECT_EQ(host, QStringLiteral("example.org"));
    EXPECT_EQ(OnlinePage(host).toString(), QStringLiteral("http://example.org/r/K207.htm"));
    EXPECT_EQ(HelpPage(pf.folder(), host).toString(),
              QStringLiteral("http://example.org/help3/k204a.htm"));
    EXPECT_EQ(FeedbackPage(pf.folder(), host).toString(),
              QStringLiteral("http://example.org/help3/k204b.htm"));
}

TEST(WebPanel, CheckOnlineGivesItsThreeResults) {
    FakeSite site("<p>ok</p>");
    EXPECT_EQ(CheckOnline(OnlinePage(site.host()), 2000, down), 2);
    // The test connects for real: the event loop of the server is not needed
    // to accept the connection, which the kernel completes on its own.
    EXPECT_EQ(CheckOnline(OnlinePage(site.host()), 2000, up), 0);
    EXPECT_EQ(CheckOnline(OnlinePage(freePortHost()), 2000, up), 1);
}

TEST(WebPanel, LoaderShowsTheLocalPageWithoutSiteOrNetwork) {
    test::TempProgramFolder pf;
    pf.writeBytes(QStringLiteral("source/Navigate/default.htm"),
                  "<html><body><p>本地页面</p></body></html>");
    struct Case {
        QString host;
        std::function<bool()> network;
    };
    for (const Case& c : {Case{QString(), up}, Case{freePortHost(), up},
                          Case{QStringLiteral("127.0.0.1:9"), down}}) {
        WebLink browser;
        QSignalSpy shown(&browser, &WebLink::PageShown);
        NavigateThr(pf.folder(), c.host, browser.mailbox(), {1000, 100, c.network});
        ASSERT_TRUE(shown.wait(5000)) << c.host.toStdString();
        EXPECT_TRUE(browser.shownUrl().isLocalFile());
        EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("本地页面")));
    }
    // No local page either: the panel stays empty.
    QFile::remove(pf.path(QStringLiteral("source/Navigate/default.htm")));
    WebLink browser;
    QSignalSpy shown(&browser, &WebLink::PageShown);
    NavigateThr(pf.folder(), QString(), browser.mailbox());
    EXPECT_FALSE(shown.wait(300));
}

TEST(WebPanel, OnlinePageIsShownAfterTheTestAndFetchesNothingElse) {
    test::TempProgramFolder pf;
    FakeSite site("<html><body><p>网站页面</p><img src=\"/logo.png\">"
                  "<img src=\"http://127.0.0.1:1/x.png\"></body></html>");
    WebLink browser;
    QSignalSpy shown(&browser, &WebLink::PageShown);
    QElapsedTimer timer;
    timer.start();
    NavigateThr(pf.folder(), site.host(), browser.mailbox(), {2000, 100, up});
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_GE(timer.elapsed(), 100);
    EXPECT_EQ(browser.shownUrl(), OnlinePage(site.host()));
    EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("网站页面")));
    QTest::qWait(50);
    EXPECT_EQ(site.paths, std::vector<QString>{QStringLiteral("/r/K207.htm")});
}

TEST(WebPanel, ARequestAfterTheBrowserIsGoneIsDropped) {
    test::TempProgramFolder pf;
    pf.writeBytes(QStringLiteral("source/Navigate/default.htm"), "<p>x</p>");
    std::shared_ptr<NavigateMailbox> mailbox;
    {
        WebLink browser;
        mailbox = browser.mailbox();
    }
    mailbox->post(QUrl::fromLocalFile(pf.path(QStringLiteral("source/Navigate/default.htm"))));
    QTest::qWait(20); // nothing to deliver to, nothing crashes
}

TEST(WebPanel, PagesDecodeByTheirCharsetOrTheirBytes) {
    const QString text = QStringLiteral("桌面月历");
    QStringEncoder gbk("GB18030");
    const QByteArray gbBytes = gbk(text);
    EXPECT_EQ(WebLink::DecodePage(gbBytes, "text/html; charset=gbk"), text);
    EXPECT_EQ(WebLink::DecodePage("<meta charset=\"gb2312\">" + gbBytes, "text/html"),
              QStringLiteral("<meta charset=\"gb2312\">") + text);
    EXPECT_EQ(WebLink::DecodePage(text.toUtf8(), "text/html"), text);
    EXPECT_EQ(WebLink::DecodePage(gbBytes, QByteArray()), text); // not UTF-8: GB18030
}

TEST(WebPanel, HelpOpensInTheUsersBrowser) {
    OpenedUrls recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    test::TempProgramFolder pf;
    QDesktopServices::openUrl(HelpPage(pf.folder(), QString()));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(recorder.opened.size(), 1u);
    EXPECT_EQ(recorder.opened[0].fileName(), QStringLiteral("help.htm"));
}

#include "test_web_panel.moc"
