// One class per desktop: how each sets its wallpaper, stretched.
#include "wallpaper/desktop_wallpaper.h"

#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QUrl>
#include <QVariantMap>

namespace kuvano::wallpaper {
namespace {

QString fileUri(const QString& path) {
    return QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
}

// A string as GVariant text, the form gsettings takes its values in.
QString gvariantString(const QString& s) {
    QString escaped = s;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// The string in gsettings' printed value ('text' or "text", escapes undone).
QString gvariantValue(const QByteArray& printed) {
    const QString t = QString::fromUtf8(printed).trimmed();
    if (t.size() < 2 || (t.front() != QLatin1Char('\'') && t.front() != QLatin1Char('"')) ||
        t.back() != t.front())
        return t;
    QString out;
    for (qsizetype i = 1; i + 1 < t.size(); ++i) {
        if (t[i] == QLatin1Char('\\') && i + 2 < t.size()) ++i;
        out += t[i];
    }
    return out;
}

// GNOME, Budgie, Cinnamon, MATE and UKUI keep the wallpaper in GSettings keys.
class GSettingsBackend : public WallpaperBackend {
public:
    GSettingsBackend(QString name, QString schema, QStringList pictureKeys, bool uri)
        : name_(std::move(name)), schema_(std::move(schema)), keys_(std::move(pictureKeys)),
          uri_(uri) {}
    QString name() const override { return name_; }

    bool apply(const QString& path, DesktopRunner& runner, const DesktopSession&) override {
        const QString program = QStringLiteral("gsettings");
        if (!runner.hasProgram(program)) return false;
        const CommandResult list = runner.run(program, {QStringLiteral("list-keys"), schema_});
        if (!list.ok()) return false; // no such schema here
        const QStringList present =
            QString::fromUtf8(list.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const auto set = [&](const QString& key, const QString& value) {
            return runner.run(program, {QStringLiteral("set"), schema_, key, value}).ok();
        };
        if (present.contains(QStringLiteral("picture-options")) &&
            !set(QStringLiteral("picture-options"), QStringLiteral("'stretched'")))
            return false;
        const QString value = uri_ ? fileUri(path) : path;
        bool any = false;
        for (const QString& key : keys_) {
            if (!present.contains(key)) continue;
            const CommandResult now = runner.run(program, {QStringLiteral("get"), schema_, key});
            if (now.ok() && gvariantValue(now.out) == value) set(key, QStringLiteral("''"));
            if (!set(key, gvariantString(value))) return false;
            any = true;
        }
        return any;
    }

private:
    QString name_, schema_;
    QStringList keys_;
    bool uri_;
};

// KDE Plasma: the shell's scripting interface, every desktop of every screen.
class KdeBackend : public WallpaperBackend {
public:
    QString name() const override { return QStringLiteral("KDE Plasma"); }
    bool apply(const QString& path, DesktopRunner& runner, const DesktopSession&) override {
        // FillMode 0 is Image.Stretch; an image already set is cleared first
        // so that the shell loads the file's new content.
        const QString script =
            QStringLiteral(
                "var image = \"%1\";\n"
                "var all = desktops();\n"
                "for (var i = 0; i < all.length; ++i) {\n"
                "    var d = all[i];\n"
                "    d.wallpaperPlugin = \"org.kde.image\";\n"
                "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
                "    d.writeConfig(\"FillMode\", 0);\n"
                "    if (d.readConfig(\"Image\") == image) d.writeConfig(\"Image\", \"\");\n"
                "    d.writeConfig(\"Image\", image);\n"
                "}\n")
                .arg(fileUri(path));
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
            QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
        call << script;
        return runner.callSessionBus(call).type() == QDBusMessage::ReplyMessage;
    }
};

// XFCE: xfdesktop's backdrop properties, one set per monitor and workspace.
class XfceBackend : public WallpaperBackend {
public:
    QString name() const override { return QStringLiteral("XFCE"); }
    bool apply(const QString& path, DesktopRunner& runner, const DesktopSession& session) override {
        const QString program = QStringLiteral("xfconf-query");
        if (!runner.hasProgram(program)) return false;
        const auto query = [&](QStringList args) {
            return runner.run(
                program, QStringList{QStringLiteral("-c"), QStringLiteral("xfce4-desktop")} + args);
        };
        const CommandResult list = query({QStringLiteral("-l")});
        if (!list.started) return false;
        QStringList images;
        for (const QString& p :
             QString::fromUtf8(list.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (p.startsWith(QLatin1String("/backdrop/")) &&
                p.endsWith(QLatin1String("/last-image")))
                images.append(p.trimmed());
        if (images.isEmpty()) images = newProperties(runner, session);
        for (const QString& image : images) {
            const QString base = image.left(image.size() - int(sizeof("/last-image") - 1));
            if (!query({QStringLiteral("-p"), base + QStringLiteral("/image-style"),
                        QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("int"),
                        QStringLiteral("-s"), QStringLiteral("3")})
                     .ok())
                return false; // 3: stretched
            const CommandResult now = query({QStringLiteral("-p"), image});
            if (now.ok() && QString::fromUtf8(now.out).trimmed() == path)
                query({QStringLiteral("-p"), image, QStringLiteral("-s"), QString()});
            if (!query({QStringLiteral("-p"), image, QStringLiteral("-n"), QStringLiteral("-t"),
                        QStringLiteral("string"), QStringLiteral("-s"), path})
                     .ok())
                return false;
        }
        return true;
    }

private:
    // Before xfdesktop has written any backdrop: one per screen and workspace.
    static QStringList newProperties(DesktopRunner& runner, const DesktopSession& session) {
        int workspaces = 1;
        const CommandResult count =
            runner.run(QStringLiteral("xfconf-query"),
                       {QStringLiteral("-c"), QStringLiteral("xfwm4"), QStringLiteral("-p"),
                        QStringLiteral("/general/workspace_count")});
        if (count.ok())
            workspaces = std::clamp(QString::fromUtf8(count.out).trimmed().toInt(), 1, 32);
        const QStringList screens =
            session.screens.isEmpty() ? QStringList{QStringLiteral("0")} : session.screens;
        QStringList out;
        for (const QString& screen : screens)
            for (int w = 0; w < workspaces; ++w)
                out.append(QStringLiteral("/backdrop/screen0/monitor%1/workspace%2/last-image")
                               .arg(screen)
                               .arg(w));
        return out;
    }
};

// LXQt: the desktop of pcmanfm-qt.
class LxqtBackend : public WallpaperBackend {
public:
    QString name() const override { return QStringLiteral("LXQt"); }
    bool apply(const QString& path, DesktopRunner& runner, const DesktopSession&) override {
        return runner.hasProgram(QStringLiteral("pcmanfm-qt")) &&
               runner
                   .run(QStringLiteral("pcmanfm-qt"), {QStringLiteral("--set-wallpaper=") + path,
                                                       QStringLiteral("--wallpaper-mode=stretch")})
                   .ok();
    }
};

// Deepin DDE: the appearance daemon, per monitor; V23 names it
// org.deepin.dde.Appearance1, V20 com.deepin.daemon.Appearance.
class DeepinBackend : public WallpaperBackend {
public:
    QString name() const override { return QStringLiteral("Deepin DDE"); }
    bool apply(const QString& path, DesktopRunner& runner, const DesktopSession& session) override {
        if (session.screens.isEmpty()) return false;
        static const char* const services[][2] = {
            {"org.deepin.dde.Appearance1", "/org/deepin/dde/Appearance1"},
            {"com.deepin.daemon.Appearance", "/com/deepin/daemon/Appearance"}};
        for (const auto& s : services) {
            bool all = true;
            for (const QString& screen : session.screens) {
                QDBusMessage call = QDBusMessage::createMethodCall(
                    QLatin1String(s[0]), QLatin1String(s[1]), QLatin1String(s[0]),
                    QStringLiteral("SetMonitorBackground"));
                call << screen << fileUri(path);
                all = all && runner.callSessionBus(call).type() == QDBusMessage::ReplyMessage;
            }
            if (all) return true;
        }
        return false;
    }
};

// The desktop portal, for any other desktop that offers it: the file goes
// over as a descriptor, so the portal always reads its current content.
class PortalBackend : public WallpaperBackend {
public:
    QString name() const override { return QStringLiteral("desktop portal"); }
    bool apply(const QString& path, DesktopRunner& runner, const DesktopSession&) override {
        const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
        const QString object = QStringLiteral("/org/freedesktop/portal/desktop");
        const QString iface = QStringLiteral("org.freedesktop.portal.Wallpaper");
        QDBusMessage version = QDBusMessage::createMethodCall(
            service, object, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        version << iface << QStringLiteral("version");
        if (runner.callSessionBus(version).type() != QDBusMessage::ReplyMessage) return false;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return false;
        QDBusMessage call = QDBusMessage::createMethodCall(service, object, iface,
                                                           QStringLiteral("SetWallpaperFile"));
        call << QString() << QVariant::fromValue(QDBusUnixFileDescriptor(file.handle()))
             << QVariantMap{{QStringLiteral("show-preview"), false},
                            {QStringLiteral("set-on"), QStringLiteral("background")}};
        return runner.callSessionBus(call).type() == QDBusMessage::ReplyMessage;
    }
};

// Plain X11 sessions: a root-window setter, which reads the file every time.
class X11Backend : public WallpaperBackend {
public:
    QString name() const override { return QStringLiteral("X11"); }
    bool apply(const QString& path, DesktopRunner& runner, const DesktopSession& session) override {
        if (!session.x11Display) return false;
        if (runner.hasProgram(QStringLiteral("feh")))
            return runner.run(QStringLiteral("feh"), {QStringLiteral("--bg-scale"), path}).ok();
        if (runner.hasProgram(QStringLiteral("xwallpaper")))
            return runner.run(QStringLiteral("xwallpaper"), {QStringLiteral("--stretch"), path})
                .ok();
        return false;
    }
};

std::unique_ptr<WallpaperBackend> gnome(const QString& name) {
    return std::make_unique<GSettingsBackend>(
        name, QStringLiteral("org.gnome.desktop.background"),
        QStringList{QStringLiteral("picture-uri"), QStringLiteral("picture-uri-dark")}, true);
}

std::unique_ptr<WallpaperBackend> mate(const QString& name) {
    return std::make_unique<GSettingsBackend>(name, QStringLiteral("org.mate.background"),
                                              QStringList{QStringLiteral("picture-filename")},
                                              false);
}

} // namespace

std::vector<std::unique_ptr<WallpaperBackend>> backendsFor(const DesktopSession& session) {
    std::vector<std::unique_ptr<WallpaperBackend>> out;
    switch (detectDesktop(session)) {
    case DesktopKind::Gnome:
        out.push_back(gnome(QStringLiteral("GNOME")));
        break;
    case DesktopKind::Budgie:
        out.push_back(gnome(QStringLiteral("Budgie")));
        break;
    case DesktopKind::Kde:
        out.push_back(std::make_unique<KdeBackend>());
        break;
    case DesktopKind::Xfce:
        out.push_back(std::make_unique<XfceBackend>());
        break;
    case DesktopKind::Mate:
        out.push_back(mate(QStringLiteral("MATE")));
        break;
    case DesktopKind::Ukui:
        out.push_back(mate(QStringLiteral("UKUI")));
        break;
    case DesktopKind::Cinnamon:
        out.push_back(std::make_unique<GSettingsBackend>(
            QStringLiteral("Cinnamon"), QStringLiteral("org.cinnamon.desktop.background"),
            QStringList{QStringLiteral("picture-uri")}, true));
        break;
    case DesktopKind::Lxqt:
        out.push_back(std::make_unique<LxqtBackend>());
        break;
    case DesktopKind::Deepin:
        out.push_back(std::make_unique<DeepinBackend>());
        break;
    case DesktopKind::Other:
        break;
    }
    out.push_back(std::make_unique<PortalBackend>());
    out.push_back(std::make_unique<X11Backend>());
    return out;
}

} // namespace kuvano::wallpaper
