// Reading XML property lists whose strings are made of character references
// against the same size of plain text. The parser alone unescapes a string's
// references in time growing with the square of their number; the figure to
// watch is the ratio of the 1 MB of "&amp;" to the anchor, 1 MB of plain
// text (at most 3).

#include "BenchSupport.h"
#include "platform/PropertyList.h"

#include <plist/plist.h>

using namespace tw;

namespace {

constexpr int kBytes = 1 << 20;

QByteArray document(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

// One string of kBytes, as unit repeated.
QByteArray oneString(const QByteArray& unit)
{
    return document("<string>" + unit.repeated(kBytes / unit.size()) + "</string>");
}

// A dictionary of 1 KB strings, each as unit repeated.
QByteArray manyStrings(const QByteArray& unit)
{
    QByteArray body = "<dict>";
    const QByteArray value = "<string>" + unit.repeated(1024 / unit.size()) + "</string>";
    for (int i = 0; i < kBytes / 1024; ++i)
        body += "<key>k" + QByteArray::number(i) + "</key>" + value;
    return document(body + "</dict>");
}

void read(benchmark::State& state, const QByteArray& data)
{
    qint64 characters = 0;
    for (auto _ : state) {
        const auto v = plist::parse(data);
        if (!v) {
            state.SkipWithError("not read");
            return;
        }
        characters = v->typeId() == QMetaType::QString ? v->toString().size() : v->toMap().size();
        benchmark::DoNotOptimize(characters);
    }
    state.SetBytesProcessed(state.iterations() * data.size());
    state.counters["file_bytes"] = double(data.size());
    state.counters["values"] = double(characters);
}

void BM_Anchor_PlainText_1MB(benchmark::State& state) { read(state, oneString("a")); }
BENCHMARK(BM_Anchor_PlainText_1MB)->Unit(benchmark::kMillisecond);

void BM_Amp_1MB(benchmark::State& state) { read(state, oneString("&amp;")); }
BENCHMARK(BM_Amp_1MB)->Unit(benchmark::kMillisecond);

void BM_NumericReferences_1MB(benchmark::State& state) { read(state, oneString("&#x3c;")); }
BENCHMARK(BM_NumericReferences_1MB)->Unit(benchmark::kMillisecond);

void BM_PlainText_1KBStrings(benchmark::State& state) { read(state, manyStrings("a")); }
BENCHMARK(BM_PlainText_1KBStrings)->Unit(benchmark::kMillisecond);

void BM_Lt_1KBStrings(benchmark::State& state) { read(state, manyStrings("&lt;")); }
BENCHMARK(BM_Lt_1KBStrings)->Unit(benchmark::kMillisecond);

// For reference: libplist alone on 200 KB of "&amp;" in one string, the
// cost our reading no longer pays.
void BM_LibplistAlone_Amp_200KB(benchmark::State& state)
{
    const QByteArray data = document("<string>" + QByteArray("&amp;").repeated(40000) + "</string>");
    for (auto _ : state) {
        plist_t root = nullptr;
        plist_from_xml(data.constData(), uint32_t(data.size()), &root);
        if (!root) {
            state.SkipWithError("not read");
            return;
        }
        plist_free(root);
    }
}
BENCHMARK(BM_LibplistAlone_Amp_200KB)->Unit(benchmark::kMillisecond);

void BM_LibplistAlone_PlainText_200KB(benchmark::State& state)
{
    const QByteArray data = document("<string>" + QByteArray(200000, 'a') + "</string>");
    for (auto _ : state) {
        plist_t root = nullptr;
        plist_from_xml(data.constData(), uint32_t(data.size()), &root);
        plist_free(root);
    }
}
BENCHMARK(BM_LibplistAlone_PlainText_200KB)->Unit(benchmark::kMillisecond);

} // namespace

TIDEWELL_BENCHMARK_MAIN();
