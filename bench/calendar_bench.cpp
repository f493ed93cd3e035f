// The lunar calendar control's costs: a month change (the whole rebuild of
// the month table, with its day-record updates, and the background, no
// painting) against the day-record updates alone, and the background rebuild
// with a blended picture. The ratio line after the console table compares the
// first two.
#include "calendarctl/ChnCalendarPicker.h"
#include "lunar/chn_calendar_use.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iomanip>
#include <map>
#include <memory>
#include <ostream>
#include <string>

namespace {

using kuvano::calendarctl::TChnCalendar;
namespace lunar = kuvano::lunar;

// Every step goes to another month: the 480 months of 1990..2029 in turn.
double monthValue(int64_t i) {
    const int n = static_cast<int>(i % 480);
    return lunar::EncodeDate(1990 + n / 12, n % 12 + 1, 15);
}

QImage picture313x253() {
    QImage img(313, 253, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 313, 253);
    g.setColorAt(0, QColor(40, 90, 200));
    g.setColorAt(1, QColor(250, 200, 60));
    p.fillRect(img.rect(), g);
    return img;
}

void BM_SetDateTime(benchmark::State& state) {
    TChnCalendar cal; // the full calendar's size, no picture
    int64_t i = 0;
    for (auto _ : state) cal.SetDateTime(monthValue(i++));
}
BENCHMARK(BM_SetDateTime);

// The same months through the day record alone: the selected date, then every day.
void BM_EngineMonth(benchmark::State& state) {
    lunar::TChnCal record;
    int64_t i = 0;
    for (auto _ : state) {
        const double value = monthValue(i++);
        record.SetDate(value);
        int y = 0, m = 0, d = 0;
        lunar::SplitDateTime(value, y, m, d);
        for (int day = 1; day <= kuvano::calendarctl::daysInMonth(y, m); ++day) {
            record.SetDate(lunar::EncodeDate(y, m, day));
            benchmark::DoNotOptimize(record.DayLabel().data());
        }
    }
}
BENCHMARK(BM_EngineMonth);

// The month table alone: the day-record updates plus the cells' texts and colours.
void BM_MonthModel(benchmark::State& state) {
    kuvano::calendarctl::CalendarMonthModel model;
    const kuvano::calendarctl::LabelColors colors;
    int64_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(model.rebuild(monthValue(i++), colors));
}
BENCHMARK(BM_MonthModel);

void BM_RebuildBackground(benchmark::State& state) {
    TChnCalendar cal;
    cal.SetBackGround(picture313x253());
    cal.SetStretch(true);
    for (auto _ : state) cal.RebuildBackground();
}
BENCHMARK(BM_RebuildBackground);

// What a user waits for: a month change of the full calendar with a blended
// picture, then the control and its grid painted.
void BM_SetDateTimeAndPaint(benchmark::State& state) {
    TChnCalendar cal;
    cal.SetBackGround(picture313x253());
    cal.show();
    QImage target(cal.size(), QImage::Format_RGB32);
    int64_t i = 0;
    for (auto _ : state) {
        cal.SetDateTime(monthValue(i++));
        cal.render(&target);
    }
}
BENCHMARK(BM_SetDateTimeAndPaint);

// The display the command line asks for (--benchmark_format: console, json or
// csv), and after a console table only, the ratio of the control's month
// change to the engine's: machine-readable output stays as the library writes it.
class RatioReporter : public benchmark::BenchmarkReporter {
public:
    RatioReporter() : display_(benchmark::CreateDefaultDisplayReporter()) {}

    bool ReportContext(const Context& context) override { return display_->ReportContext(context); }
    // The median when repeated, else the single run: medians come after the repetitions.
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration || r.aggregate_name == "median")
                times_[r.run_name.function_name] = r.GetAdjustedRealTime();
        display_->ReportRuns(runs);
    }
    void Finalize() override {
        display_->Finalize();
        if (!dynamic_cast<benchmark::ConsoleReporter*>(display_.get())) return;
        const auto e = times_.find("BM_EngineMonth");
        if (e == times_.end() || e->second <= 0) return;
        std::ostream& out = display_->GetOutputStream();
        for (const char* name : {"BM_SetDateTime", "BM_MonthModel"})
            if (const auto c = times_.find(name); c != times_.end())
                out << name << " / BM_EngineMonth: " << std::fixed << std::setprecision(2)
                    << c->second / e->second << '\n';
    }

private:
    std::unique_ptr<benchmark::BenchmarkReporter> display_;
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    kuvano::fonts::installSubstitutes();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter; // after Initialize: it reads the parsed --benchmark_format
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
