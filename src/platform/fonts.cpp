#include "platform/fonts.h"

#include <QFontDatabase>

#include <algorithm>

namespace kuvano::fonts {
namespace {

struct Substitute {
    const char16_t* name;
    QStringList installed;
};

const std::vector<Substitute>& table() {
    static const std::vector<Substitute> t = {
        // Song/Ming serif faces first for the serif names, Hei for the sans ones.
        {u"宋体",
         {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL SungtiL GB"),
          QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei")}},
        {u"新宋体", {QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Micro Hei")}},
        {u"黑体",
         {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
          QStringLiteral("AR PL UMing CN")}},
        {u"微软雅黑", {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")}},
        {u"Arial",
         {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
          QStringLiteral("WenQuanYi Micro Hei")}},
        {u"Arial Black",
         {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
          QStringLiteral("WenQuanYi Micro Hei")}},
        {u"MS Sans Serif",
         {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
          QStringLiteral("WenQuanYi Micro Hei")}},
        {u"verdana", {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")}},
        {u"Verdana", {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")}},
        {u"Tahoma", {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")}},
    };
    return t;
}

} // namespace

void installSubstitutes() {
    static bool done = false;
    if (done) return;
    done = true;
    // Every Windows name also falls back to a CJK face, so mixed text never shows boxes.
    const QStringList cjk = {QStringLiteral("WenQuanYi Micro Hei"),
                             QStringLiteral("AR PL UMing CN")};
    for (const Substitute& s : table()) {
        QStringList list = s.installed;
        for (const QString& c : cjk)
            if (!list.contains(c)) list.append(c);
        QFont::insertSubstitutions(QString::fromUtf16(s.name), list);
    }
}

QStringList screenFontNames() {
    QStringList names = QFontDatabase::families();
    for (const Substitute& s : table()) names.append(QString::fromUtf16(s.name));
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

QFont byPixels(const QString& family, int pixels, bool bold) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont byPoints(const QString& family, int points, bool bold) {
    QFont f(family);
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

} // namespace kuvano::fonts
