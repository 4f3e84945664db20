// SPDX-License-Identifier: GPL-3.0-or-later
#include "appidentity.h"
#include "clipboardstore.h"
#include "historycodec.h"
#include "historydata.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstring>

using namespace quillet;
using history::ClipboardItem;
using history::ClipboardStore;
using history::HistoryCodec;

namespace {

class SteppingClock final : public platform::Clock
{
public:
    platform::Timestamp now() const override { return value; }
    platform::Timestamp value = 800000000.0;
};

// On tmpfs the fsync of a save costs next to nothing, so the figures are the
// store's own work.
QString scratchDirectory()
{
    return QStringLiteral("/dev/shm");
}

QList<ClipboardItem> sampleHistory(int count)
{
    QList<ClipboardItem> items;
    for (int i = 0; i < count; ++i) {
        ClipboardItem item(bench::sampleText(i), QStringLiteral("Text Editor"),
                           800000000.0 + i * 1.25);
        items.prepend(item);
    }
    return items;
}

void captureIntoAThousandEntries(benchmark::State &state)
{
    QTemporaryDir dir(scratchDirectory() + QStringLiteral("/quillet-bench-XXXXXX"));
    SteppingClock clock;
    const double step = retentionWindow / 1000.0;
    ClipboardStore store(clock, dir.filePath(QStringLiteral("history.json")));
    int next = 0;
    for (; next < 1000; ++next) {
        clock.value += step;
        store.capture(bench::sampleText(next), QStringLiteral("Text Editor"));
    }
    // Each capture adds a new text and the clock moves on far enough for the
    // oldest entry to expire: the store stays at 1,000 entries.
    for (auto _ : state) {
        clock.value += step;
        store.capture(bench::sampleText(next++), QStringLiteral("Text Editor"));
    }
    state.counters["entries"] = static_cast<double>(store.items().size());
    state.SetLabel("target: at most 2 ms");
}
BENCHMARK(captureIntoAThousandEntries)->Unit(benchmark::kMicrosecond);

void captureOfOneMegabyte(benchmark::State &state)
{
    QTemporaryDir dir(scratchDirectory() + QStringLiteral("/quillet-bench-XXXXXX"));
    SteppingClock clock;
    ClipboardStore store(clock, dir.filePath(QStringLiteral("history.json")));
    QString text;
    for (int i = 0; text.size() < 1000000; ++i)
        text += bench::sampleText(i);
    int round = 0;
    for (auto _ : state) {
        text[0] = QChar(u'A' + round++ % 26);
        store.capture(text, std::nullopt);
        state.PauseTiming();
        store.clear();
        state.ResumeTiming();
    }
    state.SetLabel("1 MB cut to 100,000 graphemes; target: at most 20 ms");
}
BENCHMARK(captureOfOneMegabyte)->Unit(benchmark::kMillisecond);

void encodeHistory(benchmark::State &state)
{
    const QList<ClipboardItem> items = sampleHistory(1000);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const auto encoded = HistoryCodec::encode(items);
        bytes = encoded->size();
        benchmark::DoNotOptimize(encoded->constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetLabel("target: at least 400 MB/s (compare memcpyOfTheFile)");
}
BENCHMARK(encodeHistory);

void decodeHistory(benchmark::State &state)
{
    const QByteArray file = HistoryCodec::encode(sampleHistory(1000)).value();
    for (auto _ : state) {
        const auto decoded = HistoryCodec::decode(file);
        benchmark::DoNotOptimize(decoded->constData());
    }
    state.SetBytesProcessed(state.iterations() * file.size());
    state.SetLabel("target: at least 200 MB/s (compare memcpyOfTheFile)");
}
BENCHMARK(decodeHistory);

void memcpyOfTheFile(benchmark::State &state)
{
    const QByteArray file = HistoryCodec::encode(sampleHistory(1000)).value();
    QByteArray copy(file.size(), Qt::Uninitialized);
    for (auto _ : state) {
        std::memcpy(copy.data(), file.constData(), static_cast<size_t>(file.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * file.size());
    state.SetLabel("reference: the same bytes copied");
}
BENCHMARK(memcpyOfTheFile);

} // namespace

BENCHMARK_MAIN();
