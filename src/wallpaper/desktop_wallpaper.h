#pragma once
// Making a picture file the desktop wallpaper, stretched to the screen, on
// the running Linux desktop. Each desktop's own mechanism is a small backend
// class; every command and bus call they make goes through one runner, which
// tests replace with a recorder.

#include <QByteArray>
#include <QDBusMessage>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace kuvano::wallpaper {

struct CommandResult {
    bool started = false; // false: the program is missing or could not run
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool ok() const { return started && exitCode == 0; }
};

class DesktopRunner {
public:
    virtual ~DesktopRunner() = default;
    virtual bool hasProgram(const QString& program) = 0;
    virtual CommandResult run(const QString& program, const QStringList& args) = 0;
    // A method call on the session bus; the reply, or an error message.
    virtual QDBusMessage callSessionBus(const QDBusMessage& call) = 0;
};

// Runs programs as child processes and calls the real session bus. The
// environment (and with it the bus address) can be given, for tests that
// bring their own settings folder and bus.
class ProcessRunner : public DesktopRunner {
public:
    explicit ProcessRunner(
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());
    bool hasProgram(const QString& program) override;
    CommandResult run(const QString& program, const QStringList& args) override;
    QDBusMessage callSessionBus(const QDBusMessage& call) override;

private:
    QProcessEnvironment env_;
};

// What the backends need to know of the session.
struct DesktopSession {
    QString currentDesktop;  // XDG_CURRENT_DESKTOP, a colon-separated list
    QString sessionDesktop;  // XDG_SESSION_DESKTOP
    QString desktopSession;  // DESKTOP_SESSION
    bool x11Display = false; // DISPLAY is set
    QStringList screens;     // output names ("HDMI-1")
    static DesktopSession fromEnvironment();
};

enum class DesktopKind { Gnome, Budgie, Kde, Xfce, Mate, Cinnamon, Lxqt, Deepin, Ukui, Other };
DesktopKind detectDesktop(const DesktopSession& session);

class WallpaperBackend {
public:
    virtual ~WallpaperBackend() = default;
    virtual QString name() const = 0;
    // Makes the file the wallpaper, stretched. False when the mechanism is
    // missing here or refused. A second call with the same file must show the
    // file's new content: desktops ignore a setting set to its current value,
    // so backends that set a value clear it first when it already holds the file.
    virtual bool apply(const QString& path, DesktopRunner& runner,
                       const DesktopSession& session) = 0;
};

// The mechanisms tried for a session, in order: the desktop's own, then the
// desktop portal, then the X11 fallback (feh, xwallpaper).
std::vector<std::unique_ptr<WallpaperBackend>> backendsFor(const DesktopSession& session);

// Tries the backends in order; the name of the one that worked, or an empty string.
QString ApplyWallpaper(const QString& path, DesktopRunner& runner, const DesktopSession& session);

// The message shown when no mechanism set the wallpaper.
QString wallpaperNotSetMessage(const QString& path);

// What the wallpaper command calls: one request, "make this BMP file the
// desktop wallpaper, stretched to the screen".
class DesktopWallpaper {
public:
    virtual ~DesktopWallpaper() = default;
    virtual bool apply(const QString& path) = 0;
};

// The real one, for the running session.
class SessionWallpaper : public DesktopWallpaper {
public:
    SessionWallpaper();
    bool apply(const QString& path) override;
    const QString& lastBackend() const { return last_; }

private:
    ProcessRunner runner_;
    QString last_;
};

} // namespace kuvano::wallpaper
