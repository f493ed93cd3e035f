#include "wallpaper/desktop_wallpaper.h"

#include <QDBusConnection>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

namespace kuvano::wallpaper {

ProcessRunner::ProcessRunner(QProcessEnvironment environment) : env_(std::move(environment)) {}

bool ProcessRunner::hasProgram(const QString& program) {
    const QStringList path =
        env_.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return !QStandardPaths::findExecutable(program, path).isEmpty();
}

CommandResult ProcessRunner::run(const QString& program, const QStringList& args) {
    CommandResult r;
    if (!hasProgram(program)) return r;
    QProcess process;
    process.setProcessEnvironment(env_);
    process.start(program, args);
    if (!process.waitForStarted(5000)) return r;
    r.started = true;
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(1000);
        return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

QDBusMessage ProcessRunner::callSessionBus(const QDBusMessage& call) {
    const QString address = env_.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    const bool own = address != qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    QDBusConnection bus =
        own ? QDBusConnection::connectToBus(address, QStringLiteral("kuvano-wallpaper"))
            : QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
                                     QStringLiteral("no session bus"));
    return bus.call(call, QDBus::Block, 10000);
}

DesktopSession DesktopSession::fromEnvironment() {
    DesktopSession s;
    s.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    s.sessionDesktop = qEnvironmentVariable("XDG_SESSION_DESKTOP");
    s.desktopSession = qEnvironmentVariable("DESKTOP_SESSION");
    s.x11Display = !qEnvironmentVariable("DISPLAY").isEmpty();
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        for (const QScreen* screen : QGuiApplication::screens()) s.screens.append(screen->name());
    return s;
}

DesktopKind detectDesktop(const DesktopSession& session) {
    // Names as the desktops set them ("ubuntu:GNOME", "Budgie:GNOME",
    // "X-Cinnamon", "KDE", "XFCE", "Deepin", "DDE", "UKUI"); the first match wins.
    static const struct {
        const char* name;
        DesktopKind kind;
    } names[] = {
        {"budgie", DesktopKind::Budgie},       {"gnome", DesktopKind::Gnome},
        {"ubuntu", DesktopKind::Gnome},        {"unity", DesktopKind::Gnome},
        {"pantheon", DesktopKind::Gnome},      {"kde", DesktopKind::Kde},
        {"plasma", DesktopKind::Kde},          {"xfce", DesktopKind::Xfce},
        {"mate", DesktopKind::Mate},           {"cinnamon", DesktopKind::Cinnamon},
        {"x-cinnamon", DesktopKind::Cinnamon}, {"lxqt", DesktopKind::Lxqt},
        {"deepin", DesktopKind::Deepin},       {"dde", DesktopKind::Deepin},
        {"ukui", DesktopKind::Ukui},
    };
    // A token names a desktop when it starts with the name ("gnome-xorg",
    // "plasmawayland", "budgie-desktop").
    for (const QString& list :
         {session.currentDesktop, session.sessionDesktop, session.desktopSession})
        for (const QString& token : list.toLower().split(QLatin1Char(':'), Qt::SkipEmptyParts))
            for (const auto& n : names)
                if (token.trimmed().startsWith(QLatin1String(n.name))) return n.kind;
    return DesktopKind::Other;
}

QString ApplyWallpaper(const QString& path, DesktopRunner& runner, const DesktopSession& session) {
    for (const auto& backend : backendsFor(session))
        if (backend->apply(path, runner, session)) return backend->name();
    return QString();
}

QString wallpaperNotSetMessage(const QString& path) {
    return QStringLiteral("无法自动设置桌面壁纸：没有找到本桌面环境可用的设置方法。\n"
                          "壁纸图片已经生成：%1\n请在桌面设置中把它设为壁纸（拉伸）。")
        .arg(QDir::toNativeSeparators(path));
}

SessionWallpaper::SessionWallpaper() = default;

bool SessionWallpaper::apply(const QString& path) {
    last_ = ApplyWallpaper(path, runner_, DesktopSession::fromEnvironment());
    return !last_.isEmpty();
}

} // namespace kuvano::wallpaper
