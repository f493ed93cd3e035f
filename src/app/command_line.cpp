#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>

namespace kuvano::app {

namespace {

struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("显示本帮助并退出。")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("显示版本并退出。")};
    QCommandLineOption folder{QStringLiteral("folder"),
                              QStringLiteral("使用文件夹 <文件夹> 中的笔记和设置（例如 U "
                                             "盘上的记事本）；文件夹中没有笔记时在其中新建。"),
                              QStringLiteral("文件夹")};
    QCommandLineOption sync{
        QStringLiteral("sync"),
        QStringLiteral("同步一次笔记本（不开窗口），成功时以 0 结束，失败时以 1 "
                       "结束并说明原因；程序已在使用这个笔记本时请它同步。"
                       "密码取自密钥环，或取自环境变量 "
                       "KUVANO_SYNC_PASSWORD_FILE 指定的文件（只能由本人读取）。")};
    QList<QCommandLineOption> all() const { return {help, version, folder, sync}; }
};

// Qt's own help text would carry English headings ("Usage:", "Options:").
QString helpText(const Options& o) {
    QString text = QStringLiteral("用法：kuvano [选项]\n\n"
                                  "Kuvano 桌面月历：带农历的桌面月历与记事本。\n"
                                  "已在运行时，再次启动只会把运行中的窗口调到前面。\n\n"
                                  "选项：\n");
    for (const QCommandLineOption& option : o.all()) {
        QStringList names;
        for (const QString& n : option.names())
            names.append((n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n);
        QString left = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty()) left += QStringLiteral(" <%1>").arg(option.valueName());
        text += QStringLiteral("  %1\n      %2\n").arg(left, option.description());
    }
    return text;
}

// The options the application object itself takes (QGuiApplication and its
// X11 platform), which this parser meets before they are taken away.
bool isQtOption(const QString& name) {
    static const QStringList names = {
        QStringLiteral("platform"),
        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),
        QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"),
        QStringLiteral("geometry"),
        QStringLiteral("qwindowicon"),
        QStringLiteral("icon"),
        QStringLiteral("qwindowtitle"),
        QStringLiteral("title"),
        QStringLiteral("reverse"),
        QStringLiteral("session"),
        QStringLiteral("style"),
        QStringLiteral("stylesheet"),
        QStringLiteral("widgetcount"),
        QStringLiteral("display"),
        QStringLiteral("name"),
        QStringLiteral("visual"),
        QStringLiteral("ncols"),
        QStringLiteral("cmap"),
        QStringLiteral("nograb"),
        QStringLiteral("dograb"),
        QStringLiteral("qdevicepixelratio"),
    };
    return names.contains(name);
}

} // namespace

QString versionText() {
    return QStringLiteral("Kuvano 桌面月历 " KUVANO_VERSION);
}

CommandLine readCommandLine(const QStringList& arguments, bool final) {
    Options o;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(o.all());
    const bool parsed = parser.parse(arguments);

    CommandLine line;
    // Asked for help or the version: answered even beside an unknown option.
    if (parser.isSet(o.help)) {
        line.action = CommandLine::Print;
        line.output = helpText(o);
        return line;
    }
    if (parser.isSet(o.version)) {
        line.action = CommandLine::Print;
        line.output = versionText() + QLatin1Char('\n');
        return line;
    }
    const auto refuse = [&line](const QString& why) {
        line.action = CommandLine::Refuse;
        line.exitCode = 2;
        line.output = QStringLiteral("kuvano：%1\n请用 kuvano --help 查看可用的选项。\n").arg(why);
        return line;
    };
    if (!parsed) {
        const QStringList unknown = parser.unknownOptionNames();
        QStringList notQts;
        std::copy_if(unknown.begin(), unknown.end(), std::back_inserter(notQts),
                     [](const QString& n) { return !isQtOption(n); });
        if (!notQts.isEmpty())
            return refuse(QStringLiteral("未知的选项 %1").arg(notQts.join(QStringLiteral("、"))));
        // A missing or unwanted value; Qt's own wording follows.
        if (unknown.isEmpty())
            return refuse(QStringLiteral("选项的值有误（%1）").arg(parser.errorText()));
        if (!final) {
            line.action = CommandLine::Unsure;
            return line;
        }
        // Qt's options that this platform does not take: left alone.
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("多余的参数 %1")
                          .arg(parser.positionalArguments().join(QLatin1Char(' '))));
    line.sync = parser.isSet(o.sync);
    if (parser.isSet(o.folder)) {
        line.folder = parser.value(o.folder);
        if (line.folder.isEmpty()) return refuse(QStringLiteral("--folder 需要一个文件夹"));
    }
    return line;
}

} // namespace kuvano::app
