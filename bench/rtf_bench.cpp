// RTF throughput: the keystroke path writes a ~2 KB note on every change, Load
// month reads 42 of them. Sizes are of the RTF bytes; MB/s counts those bytes.
#include "rtf/rtf.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

// A desk-calendar note: Chinese text in a few faces, sizes and colours, some
// bold and Latin runs, several paragraphs; repeated until the RTF reaches target bytes.
void fillNote(QTextDocument& doc, qsizetype targetBytes) {
    doc.clear();
    QTextCursor c(&doc);
    const QString faces[] = {QStringLiteral("宋体"), QStringLiteral("黑体"),
                             QStringLiteral("Arial")};
    const QColor colours[] = {QColor(0, 0, 0), QColor(255, 0, 0), QColor(0, 0, 255),
                              QColor(0, 128, 0)};
    const QString pieces[] = {QStringLiteral("上午九点开会，讨论下季度预算。"),
                              QStringLiteral("Call Mr. Wang 13800138000 "),
                              QStringLiteral("取快递、交电费、买菜😀"), QStringLiteral("重要！"),
                              QStringLiteral("\t备注：周五前完成")};
    const int batch = targetBytes > 16384 ? 256 : 4;
    for (int k = 0; kuvano::rtf::write(doc).size() < targetBytes;) {
        for (int j = 0; j < batch; ++j, ++k) {
            QTextCharFormat f;
            f.setFontFamilies({faces[k % 3]});
            f.setFontPointSize(9 + k % 4);
            f.setForeground(colours[k % 4]);
            if (k % 5 == 3) f.setFontWeight(QFont::Bold);
            c.insertText(pieces[k % 5], f);
            if (k % 3 == 2) c.insertBlock();
        }
    }
}

void BM_RtfWrite(benchmark::State& state) {
    QTextDocument doc;
    fillNote(doc, state.range(0));
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray out = kuvano::rtf::write(doc);
        bytes = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    state.counters["rtf_bytes"] = double(bytes);
}

void BM_RtfRead(benchmark::State& state) {
    QTextDocument source;
    fillNote(source, state.range(0));
    const QByteArray in = kuvano::rtf::write(source);
    QTextDocument doc;
    for (auto _ : state) {
        kuvano::rtf::read(in, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * in.size());
    state.counters["rtf_bytes"] = double(in.size());
}

} // namespace

BENCHMARK(BM_RtfWrite)->Arg(2 * 1024)->Arg(200 * 1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RtfRead)->Arg(2 * 1024)->Arg(200 * 1024)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
