#include "picture_support.h"
#include "wallpaper/desktop_wallpaper.h"

#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace kuvano::wallpaper;

namespace {

// Records every command and bus call; answers from scripted replies.
class RecordingRunner : public DesktopRunner {
public:
    QSet<QString> programs;
    // Replies by the command's text ("gsettings get org.x key"); others succeed with no output.
    std::map<QString, CommandResult> replies;
    std::function<QDBusMessage(const QDBusMessage&)> bus; // null: no session bus
    QStringList commands;
    QList<QDBusMessage> calls;

    bool hasProgram(const QString& program) override { return programs.contains(program); }
    CommandResult run(const QString& program, const QStringList& args) override {
        const QString text = (QStringList{program} + args).join(QLatin1Char(' '));
        commands.append(text);
        if (!programs.contains(program)) return {};
        if (const auto r = replies.find(text); r != replies.end()) return r->second;
        return {true, 0, {}, {}};
    }
    QDBusMessage callSessionBus(const QDBusMessage& call) override {
        calls.append(call);
        return bus ? bus(call)
                   : call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
                                           {});
    }
};

CommandResult output(const char* text, int code = 0) {
    return {true, code, QByteArray(text), {}};
}

DesktopSession session(const char* current, QStringList screens = {QStringLiteral("HDMI-1")}) {
    DesktopSession s;
    s.currentDesktop = QString::fromLatin1(current);
    s.screens = std::move(screens);
    return s;
}

const QString kPath = QStringLiteral("/home/用户/Kuvano 1/source/DeskTopBG/Mix.bmp");
const QString kUri =
    QStringLiteral("file:///home/%E7%94%A8%E6%88%B7/Kuvano%201/source/DeskTopBG/Mix.bmp");

} // namespace

TEST(DesktopDetection, NamesFromTheSessionVariables) {
    const struct {
        const char *current, *sessionDesktop, *desktopSession;
        DesktopKind kind;
    } cases[] = {
        {"GNOME", "", "", DesktopKind::Gnome},
        {"ubuntu:GNOME", "", "", DesktopKind::Gnome},
        {"Budgie:GNOME", "", "", DesktopKind::Budgie},
        {"KDE", "", "", DesktopKind::Kde},
        {"XFCE", "", "", DesktopKind::Xfce},
        {"MATE", "", "", DesktopKind::Mate},
        {"X-Cinnamon", "", "", DesktopKind::Cinnamon},
        {"LXQt", "", "", DesktopKind::Lxqt},
        {"Deepin", "", "", DesktopKind::Deepin},
        {"DDE", "", "", DesktopKind::Deepin},
        {"UKUI", "", "", DesktopKind::Ukui},
        {"", "plasmawayland", "", DesktopKind::Kde},
        {"", "", "budgie-desktop", DesktopKind::Budgie},
        {"", "", "xfce", DesktopKind::Xfce},
        {"i3", "", "", DesktopKind::Other},
        {"", "", "", DesktopKind::Other},
    };
    for (const auto& c : cases) {
        DesktopSession s;
        s.currentDesktop = QString::fromLatin1(c.current);
        s.sessionDesktop = QString::fromLatin1(c.sessionDesktop);
        s.desktopSession = QString::fromLatin1(c.desktopSession);
        EXPECT_EQ(int(detectDesktop(s)), int(c.kind))
            << c.current << c.sessionDesktop << c.desktopSession;
    }
}

// The GSettings desktops: the schema's keys, stretched, and a key that
// already names the file cleared first so that the desktop reloads it.
TEST(DesktopBackends, GSettingsDesktops) {
    const struct {
        const char* desktop;
        const char* name;
        QString schema;
        QStringList keys;
        QString value;
    } cases[] = {
        {"GNOME",
         "GNOME",
         QStringLiteral("org.gnome.desktop.background"),
         {QStringLiteral("picture-uri"), QStringLiteral("picture-uri-dark")},
         kUri},
        {"Budgie:GNOME",
         "Budgie",
         QStringLiteral("org.gnome.desktop.background"),
         {QStringLiteral("picture-uri"), QStringLiteral("picture-uri-dark")},
         kUri},
        {"X-Cinnamon",
         "Cinnamon",
         QStringLiteral("org.cinnamon.desktop.background"),
         {QStringLiteral("picture-uri")},
         kUri},
        {"MATE",
         "MATE",
         QStringLiteral("org.mate.background"),
         {QStringLiteral("picture-filename")},
         kPath},
        {"UKUI",
         "UKUI",
         QStringLiteral("org.mate.background"),
         {QStringLiteral("picture-filename")},
         kPath},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desktop);
        RecordingRunner r;
        r.programs = {QStringLiteral("gsettings")};
        const QString g = QStringLiteral("gsettings ");
        r.replies[g + QStringLiteral("list-keys ") + c.schema] = output(
            "picture-options\npicture-uri\npicture-uri-dark\npicture-filename\nprimary-color\n");
        EXPECT_EQ(ApplyWallpaper(kPath, r, session(c.desktop)), QLatin1String(c.name));
        QStringList expected = {g + QStringLiteral("list-keys ") + c.schema,
                                g + QStringLiteral("set ") + c.schema +
                                    QStringLiteral(" picture-options 'stretched'")};
        for (const QString& key : c.keys)
            expected << g + QStringLiteral("get ") + c.schema + QLatin1Char(' ') + key
                     << g + QStringLiteral("set ") + c.schema + QLatin1Char(' ') + key +
                            QStringLiteral(" '") + c.value + QLatin1Char('\'');
        EXPECT_EQ(r.commands, expected);

        // Again with the same file: each key is cleared, then set.
        for (const QString& key : c.keys)
            r.replies[g + QStringLiteral("get ") + c.schema + QLatin1Char(' ') + key] = {
                true, 0, (QLatin1Char('\'') + c.value + QStringLiteral("'\n")).toUtf8(), {}};
        r.commands.clear();
        ApplyWallpaper(kPath, r, session(c.desktop));
        for (const QString& key : c.keys) {
            const qsizetype clear =
                r.commands.indexOf(g + QStringLiteral("set ") + c.schema + QLatin1Char(' ') + key +
                                   QStringLiteral(" ''"));
            ASSERT_GE(clear, 0) << key.toStdString();
            EXPECT_TRUE(
                r.commands.at(clear + 1).endsWith(QLatin1Char('\'') + c.value + QLatin1Char('\'')));
        }
    }
}

TEST(DesktopBackends, KdeDeepinAndThePortalGoOverTheSessionBus) {
    RecordingRunner kde;
    kde.bus = [](const QDBusMessage& m) { return m.createReply(); };
    EXPECT_EQ(ApplyWallpaper(kPath, kde, session("KDE")), QStringLiteral("KDE Plasma"));
    ASSERT_EQ(kde.calls.size(), 1);
    EXPECT_EQ(kde.calls[0].service(), QStringLiteral("org.kde.plasmashell"));
    EXPECT_EQ(kde.calls[0].member(), QStringLiteral("evaluateScript"));
    const QString script = kde.calls[0].arguments().value(0).toString();
    EXPECT_TRUE(script.contains(QStringLiteral("writeConfig(\"FillMode\", 0)")));
    EXPECT_TRUE(script.contains(QStringLiteral("var image = \"") + kUri + QLatin1Char('"')));
    EXPECT_TRUE(script.contains(QStringLiteral("writeConfig(\"Image\", \"\")")));

    // Deepin: V23's service first; V20's when it is not there; every screen.
    RecordingRunner dde;
    dde.bus = [](const QDBusMessage& m) {
        return m.service().startsWith(QLatin1String("org.deepin"))
                   ? m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
                                        {})
                   : m.createReply();
    };
    EXPECT_EQ(
        ApplyWallpaper(kPath, dde,
                       session("Deepin", {QStringLiteral("eDP-1"), QStringLiteral("HDMI-1")})),
        QStringLiteral("Deepin DDE"));
    ASSERT_EQ(dde.calls.size(), 3); // V23 refused at the first screen
    EXPECT_EQ(dde.calls[1].service(), QStringLiteral("com.deepin.daemon.Appearance"));
    EXPECT_EQ(dde.calls[2].member(), QStringLiteral("SetMonitorBackground"));
    EXPECT_EQ(dde.calls[2].arguments(), (QVariantList{QStringLiteral("HDMI-1"), kUri}));

    // Any other desktop with the portal: the file goes over as a descriptor.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Mix.bmp"));
    kuvano::test::writeFileBytes(file, QByteArray("BM"));
    RecordingRunner portal;
    portal.bus = [](const QDBusMessage& m) { return m.createReply(); };
    EXPECT_EQ(ApplyWallpaper(file, portal, session("sway")), QStringLiteral("desktop portal"));
    ASSERT_EQ(portal.calls.size(), 2);
    EXPECT_EQ(portal.calls[0].member(), QStringLiteral("Get"));
    const QDBusMessage set = portal.calls[1];
    EXPECT_EQ(set.interface(), QStringLiteral("org.freedesktop.portal.Wallpaper"));
    EXPECT_EQ(set.member(), QStringLiteral("SetWallpaperFile"));
    ASSERT_EQ(set.arguments().size(), 3);
    EXPECT_TRUE(set.arguments()[1].value<QDBusUnixFileDescriptor>().isValid());
    const QVariantMap options = set.arguments()[2].toMap();
    EXPECT_EQ(options.value(QStringLiteral("show-preview")), QVariant(false));
    EXPECT_EQ(options.value(QStringLiteral("set-on")), QVariant(QStringLiteral("background")));
}

TEST(DesktopBackends, XfceSetsEveryBackdropOrCreatesThem) {
    RecordingRunner r;
    r.programs = {QStringLiteral("xfconf-query")};
    const QString q = QStringLiteral("xfconf-query -c xfce4-desktop ");
    r.replies[q + QStringLiteral("-l")] =
        output("/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
               "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
               "/backdrop/screen0/monitorHDMI-1/workspace1/last-image\n");
    r.replies[q + QStringLiteral("-p /backdrop/screen0/monitorHDMI-1/workspace1/last-image")] = {
        true, 0, (kPath + QLatin1Char('\n')).toUtf8(), {}};
    EXPECT_EQ(ApplyWallpaper(kPath, r, session("XFCE")), QStringLiteral("XFCE"));
    const QString w0 = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/");
    const QString w1 = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace1/");
    EXPECT_EQ(
        r.commands,
        (QStringList{q + QStringLiteral("-l"),
                     q + QStringLiteral("-p ") + w0 + QStringLiteral("image-style -n -t int -s 3"),
                     q + QStringLiteral("-p ") + w0 + QStringLiteral("last-image"),
                     q + QStringLiteral("-p ") + w0 +
                         QStringLiteral("last-image -n -t string -s ") + kPath,
                     q + QStringLiteral("-p ") + w1 + QStringLiteral("image-style -n -t int -s 3"),
                     q + QStringLiteral("-p ") + w1 + QStringLiteral("last-image"),
                     q + QStringLiteral("-p ") + w1 + QStringLiteral("last-image -s "),
                     q + QStringLiteral("-p ") + w1 +
                         QStringLiteral("last-image -n -t string -s ") + kPath}));

    // Before xfdesktop wrote any backdrop: one per screen and workspace.
    RecordingRunner fresh;
    fresh.programs = {QStringLiteral("xfconf-query")};
    fresh.replies[QStringLiteral("xfconf-query -c xfwm4 -p /general/workspace_count")] =
        output("2\n");
    ApplyWallpaper(kPath, fresh,
                   session("XFCE", {QStringLiteral("eDP-1"), QStringLiteral("DP-2")}));
    QStringList created;
    for (const QString& c : fresh.commands)
        if (c.contains(QLatin1String("last-image -n")))
            created.append(c.section(QLatin1Char(' '), 4, 4));
    EXPECT_EQ(created,
              (QStringList{QStringLiteral("/backdrop/screen0/monitoreDP-1/workspace0/last-image"),
                           QStringLiteral("/backdrop/screen0/monitoreDP-1/workspace1/last-image"),
                           QStringLiteral("/backdrop/screen0/monitorDP-2/workspace0/last-image"),
                           QStringLiteral("/backdrop/screen0/monitorDP-2/workspace1/last-image")}));
}

// A desktop whose own mechanism is missing falls through to the portal, then
// to the X11 setters; with nothing at all, the message names the file.
TEST(DesktopBackends, FallbacksAndNothingLeft) {
    RecordingRunner lxqt;
    lxqt.programs = {QStringLiteral("pcmanfm-qt")};
    EXPECT_EQ(ApplyWallpaper(kPath, lxqt, session("LXQt")), QStringLiteral("LXQt"));
    EXPECT_EQ(lxqt.commands, QStringList{QStringLiteral("pcmanfm-qt --set-wallpaper=") + kPath +
                                         QStringLiteral(" --wallpaper-mode=stretch")});

    RecordingRunner x11;
    x11.programs = {QStringLiteral("gsettings"), QStringLiteral("feh"),
                    QStringLiteral("xwallpaper")};
    x11.replies[QStringLiteral("gsettings list-keys org.gnome.desktop.background")] = output("", 1);
    DesktopSession s = session("GNOME");
    s.x11Display = true;
    EXPECT_EQ(ApplyWallpaper(kPath, x11, s), QStringLiteral("X11"));
    EXPECT_EQ(x11.commands.last(), QStringLiteral("feh --bg-scale ") + kPath);
    EXPECT_EQ(x11.calls.size(), 1); // the portal was asked first
    x11.programs.remove(QStringLiteral("feh"));
    EXPECT_EQ(ApplyWallpaper(kPath, x11, s), QStringLiteral("X11"));
    EXPECT_EQ(x11.commands.last(), QStringLiteral("xwallpaper --stretch ") + kPath);

    RecordingRunner none;
    none.programs = {QStringLiteral("feh")};
    EXPECT_EQ(ApplyWallpaper(kPath, none, session("KDE")), QString()); // no DISPLAY for feh
    EXPECT_TRUE(wallpaperNotSetMessage(kPath).contains(kPath));
}

// ---- real desktops' settings stores ----

namespace {

// Commands through a real runner, recorded.
class SpyRunner : public ProcessRunner {
public:
    using ProcessRunner::ProcessRunner;
    QStringList commands;
    CommandResult run(const QString& program, const QStringList& args) override {
        commands.append((QStringList{program} + args).join(QLatin1Char(' ')));
        return ProcessRunner::run(program, args);
    }
};

QString gsettingsGet(SpyRunner& r, const QString& schema, const QString& key) {
    return QString::fromUtf8(
               r.run(QStringLiteral("gsettings"), {QStringLiteral("get"), schema, key}).out)
        .trimmed();
}

} // namespace

// GNOME, MATE and Cinnamon through the real gsettings, on the keyfile backend
// in a temporary settings folder.
TEST(DesktopReal, GSettingsKeyfile) {
    const struct {
        const char* desktop;
        QString schema, key, value;
    } cases[] = {
        {"GNOME", QStringLiteral("org.gnome.desktop.background"), QStringLiteral("picture-uri"),
         QString()},
        {"MATE", QStringLiteral("org.mate.background"), QStringLiteral("picture-filename"),
         QString()},
        {"X-Cinnamon", QStringLiteral("org.cinnamon.desktop.background"),
         QStringLiteral("picture-uri"), QString()},
    };
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    SpyRunner runner(env);
    if (!runner.hasProgram(QStringLiteral("gsettings")))
        GTEST_SKIP() << "gsettings is not installed";
    const QString file = home.filePath(QStringLiteral("Mix.bmp"));
    int checked = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desktop);
        if (!runner.run(QStringLiteral("gsettings"), {QStringLiteral("list-keys"), c.schema}).ok())
            continue;
        const DesktopSession s = session(c.desktop);
        const auto own = std::move(backendsFor(s).front());
        ASSERT_TRUE(own->apply(file, runner, s));
        const QString expected = c.key == QLatin1String("picture-filename")
                                     ? file
                                     : QString::fromLatin1(QUrl::fromLocalFile(file).toEncoded());
        EXPECT_EQ(gsettingsGet(runner, c.schema, c.key),
                  QLatin1Char('\'') + expected + QLatin1Char('\''));
        EXPECT_EQ(gsettingsGet(runner, c.schema, QStringLiteral("picture-options")),
                  QStringLiteral("'stretched'"));
        if (c.schema == QLatin1String("org.gnome.desktop.background")) {
            EXPECT_EQ(gsettingsGet(runner, c.schema, QStringLiteral("picture-uri-dark")),
                      QLatin1Char('\'') + expected + QLatin1Char('\''));
        }
        // The second command with the same file changes the setting again.
        runner.commands.clear();
        ASSERT_TRUE(own->apply(file, runner, s));
        EXPECT_TRUE(runner.commands.contains(QStringLiteral("gsettings set ") + c.schema +
                                             QLatin1Char(' ') + c.key + QStringLiteral(" ''")));
        EXPECT_EQ(gsettingsGet(runner, c.schema, c.key),
                  QLatin1Char('\'') + expected + QLatin1Char('\''));
        ++checked;
    }
    const QByteArray keyfile =
        kuvano::test::fileBytes(home.filePath(QStringLiteral("glib-2.0/settings/keyfile")));
    if (checked == 0) GTEST_SKIP() << "none of the desktop schemas is installed";
    EXPECT_TRUE(keyfile.contains("stretched"));
}

// XFCE through the real xfconf-query, its daemon started on a private session
// bus (dbus-run-session) with a temporary settings folder.
TEST(DesktopReal, XfconfUnderDbusRunSession) {
    ProcessRunner probe;
    if (!probe.hasProgram(QStringLiteral("xfconf-query")) ||
        !probe.hasProgram(QStringLiteral("dbus-run-session")))
        GTEST_SKIP() << "xfconf-query or dbus-run-session is not installed";
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    // The bus lives while `cat` waits on its input; closing that ends the session.
    QProcess bus;
    bus.setProcessEnvironment(env);
    bus.start(QStringLiteral("dbus-run-session"),
              {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
               QStringLiteral("echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec cat")});
    ASSERT_TRUE(bus.waitForStarted(5000));
    QByteArray address;
    while (!address.contains('\n') && bus.waitForReadyRead(5000))
        address += bus.readAllStandardOutput();
    address = address.trimmed();
    if (address.isEmpty()) {
        bus.kill();
        bus.waitForFinished();
        GTEST_SKIP() << "no session bus: " << bus.readAllStandardError().constData();
    }
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(address));
    SpyRunner runner(env);
    const QString file = home.filePath(QStringLiteral("Mix.bmp"));
    const DesktopSession s = session("XFCE", {QStringLiteral("HDMI-1")});
    const auto xfce = std::move(backendsFor(s).front());
    const QString image = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/last-image");
    const auto get = [&](const QString& property) {
        return QString::fromUtf8(runner
                                     .run(QStringLiteral("xfconf-query"),
                                          {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"),
                                           QStringLiteral("-p"), property})
                                     .out)
            .trimmed();
    };
    EXPECT_TRUE(xfce->apply(file, runner, s));
    EXPECT_EQ(get(image), file);
    EXPECT_EQ(get(QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/image-style")),
              QStringLiteral("3"));
    runner.commands.clear();
    EXPECT_TRUE(xfce->apply(file, runner, s));
    EXPECT_TRUE(runner.commands.contains(QStringLiteral("xfconf-query -c xfce4-desktop -p ") +
                                         image + QStringLiteral(" -s ")));
    EXPECT_EQ(get(image), file);
    bus.closeWriteChannel();
    if (!bus.waitForFinished(10000)) bus.kill();
    bus.waitForFinished();
}
