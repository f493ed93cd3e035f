// The wallpaper composer: the mix, the JPEG round trip, the month picture and
// the whole one-click command (everything but the desktop's own call), against
// the same blend and round trip done by ImageMagick in the same run. The
// ratio line at the end (on stderr, so that --benchmark_format=json output
// stays clean) compares the whole command with ImageMagick's pipeline.
#include "platform/fonts.h"
#include "store/line_file.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/composer.h"
#include "wallpaper/desktop_wallpaper.h"
#include "wallpaper/image_files.h"
#include "wallpaper/uDeskBGSet.h"
#include "wallpaper/uPicMix.h"

#include <QApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

using namespace kuvano;
using namespace kuvano::wallpaper;

namespace {

// A month of Chinese and Latin notes on the desk page of May 2010.
DeskPageTexts monthOfNotes() {
    static const char16_t* const notes[] = {
        u"上午九点 部门例会\r\n讨论下季度预算",
        u"取快递、交电费",
        u"妈妈生日，订蛋糕",
        u"Call Mr. Wang about the contract",
        u"下午三点 牙医复诊",
        u"交房租\r\n\r\n买菜：西红柿、鸡蛋、青菜、豆腐、牛肉、土豆"};
    DeskPageTexts page;
    page.shownDate = QDate(2010, 5, 15);
    for (int e = 0; e < kContentEntries; ++e) {
        page.cellDates[size_t(e)] = QDate(2010, 4, 25).addDays(e);
        if (e % 5 != 4) page.texts[size_t(e)] = QString::fromUtf16(notes[e % 6]);
    }
    return page;
}

// A 1280 x 768 photo-like background: a gradient with some structure, 24 bits.
QImage backgroundPicture() {
    QImage image(1280, 768, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 768);
    sky.setColorAt(0, QColor(60, 120, 190));
    sky.setColorAt(1, QColor(225, 235, 245));
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 40; ++i) {
        p.setBrush(QColor(40 + 5 * i, 140 - 2 * i, 80 + 3 * i));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(37.0 * i, 600 + 60 * ((i * 7) % 5)), 90, 50);
    }
    return image.convertToFormat(QImage::Format_RGB888);
}

class NoDesktop : public DesktopWallpaper {
public:
    bool apply(const QString&) override { return true; }
};

// A program folder with the background as A1.bmp, a list holding it alone and
// the question turned off; Content.bmp drawn once.
struct Folder {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path()};
    QString pictures = dir.filePath(QStringLiteral("source/DeskTopBG/"));
    Folder() {
        QDir(dir.path()).mkpath(QStringLiteral("DB3"));
        QDir(dir.path()).mkpath(QStringLiteral("source/DeskTopBG"));
        saveBmp(backgroundPicture(), pictures + QStringLiteral("A1.bmp"));
        linefile::write(folder.filePath(QStringLiteral("DB3/configSetBg.ini")),
                        {QStringLiteral("0")});
        TDeskBGSetFrm holder(folder);
        FillMonthContent(holder.content, monthOfNotes());
        holder.DrawMonthContent();
    }
};

void BM_MixPictures(benchmark::State& state) {
    Folder f;
    QImage content = loadBmp(f.pictures + QStringLiteral("Content.bmp"));
    QImage background = loadBmp(f.pictures + QStringLiteral("A1.bmp"));
    for (auto _ : state) benchmark::DoNotOptimize(MixPictures(content, background, 50, 30).bits());
}
BENCHMARK(BM_MixPictures)->Unit(benchmark::kMillisecond);

// Mix.bmp to Mix.Jpg and back, files in the folder as the command has them.
void BM_JpegRoundTrip(benchmark::State& state) {
    Folder f;
    const QString bmp = f.pictures + QStringLiteral("Mix.bmp");
    const QString jpg = f.pictures + QStringLiteral("Mix.Jpg");
    saveBmp(loadBmp(f.pictures + QStringLiteral("A1.bmp")).convertToFormat(kDisplayFormat), bmp);
    for (auto _ : state) {
        BmpToJpg(bmp, jpg);
        JpgToBmp(jpg);
    }
}
BENCHMARK(BM_JpegRoundTrip)->Unit(benchmark::kMillisecond);

// The month picture drawn and written as Content.bmp.
void BM_DrawMonthContent(benchmark::State& state) {
    Folder f;
    TDeskBGSetFrm holder(f.folder);
    FillMonthContent(holder.content, monthOfNotes());
    for (auto _ : state) holder.DrawMonthContent();
}
BENCHMARK(BM_DrawMonthContent)->Unit(benchmark::kMillisecond);

// The one-click command from the desk page: fill, draw, choose, load, mix,
// save, round trip; the desktop call itself left out.
void BM_WallpaperCommand(benchmark::State& state) {
    Folder f;
    WallpaperPages pages;
    pages.activePage = [] { return ActivePage::Desk; };
    pages.deskPage = [] { return monthOfNotes(); };
    WallpaperComposer composer(f.folder, nullptr, pages, std::make_unique<NoDesktop>());
    composer.ReadConfirmSetting();
    composer.LoadBGPicList(false);
    for (auto _ : state)
        if (composer.N_SetDeskTopBGClick() != CommandOutcome::Applied) {
            state.SkipWithError("the command did not apply");
            break;
        }
}
BENCHMARK(BM_WallpaperCommand)->Unit(benchmark::kMillisecond);

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The same blend (white transparent, 50 %, at 480, 30) and JPEG round trip by
// ImageMagick, on the same Content.bmp and background.
void BM_ImageMagickPipeline(benchmark::State& state) {
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    Folder f;
    const QString content = f.pictures + QStringLiteral("Content.bmp");
    const QString background = f.pictures + QStringLiteral("A1.bmp");
    const QString bmp = f.pictures + QStringLiteral("Mix.bmp");
    const QString jpg = f.pictures + QStringLiteral("Mix.Jpg");
    for (auto _ : state) {
        const bool ok =
            run(convert, {background, QStringLiteral("("), content, QStringLiteral("-transparent"),
                          QStringLiteral("white"), QStringLiteral(")"), QStringLiteral("-geometry"),
                          QStringLiteral("+480+30"), QStringLiteral("-compose"),
                          QStringLiteral("dissolve"), QStringLiteral("-define"),
                          QStringLiteral("compose:args=50"), QStringLiteral("-composite"), bmp}) &&
            run(convert, {bmp, QStringLiteral("-quality"), QStringLiteral("90"), jpg}) &&
            run(convert, {jpg, QStringLiteral("BMP3:") + bmp});
        if (!ok) {
            state.SkipWithError("ImageMagick failed");
            break;
        }
    }
}
BENCHMARK(BM_ImageMagickPipeline)->Unit(benchmark::kMillisecond);

// The default display (console, JSON or CSV, as --benchmark_format says),
// plus the ratio of the whole command to ImageMagick's pipeline.
class RatioReporter : public benchmark::BenchmarkReporter {
public:
    explicit RatioReporter(benchmark::BenchmarkReporter* display) : display_(display) {}
    bool ReportContext(const Context& context) override { return display_->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override {
        // The median when repeated, else the single run.
        for (const Run& r : runs)
            if (!r.error_occurred &&
                (r.run_type == Run::RT_Iteration || r.aggregate_name == "median"))
                times_[r.run_name.function_name] = r.GetAdjustedRealTime();
        display_->ReportRuns(runs);
    }
    void Finalize() override {
        display_->Finalize();
        const auto ours = times_.find("BM_WallpaperCommand");
        const auto theirs = times_.find("BM_ImageMagickPipeline");
        if (ours != times_.end() && theirs != times_.end() && theirs->second > 0)
            std::fprintf(stderr, "BM_WallpaperCommand / BM_ImageMagickPipeline: %.3f\n",
                         ours->second / theirs->second);
    }

private:
    benchmark::BenchmarkReporter* display_;
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    fonts::installSubstitutes();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter(benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
