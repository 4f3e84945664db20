// SPDX-License-Identifier: GPL-3.0-or-later
#include "appidentity.h"
#include "clipboardstore.h"
#include "historycodec.h"
#include "historydata.h"
#include "historyfile.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

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

// 400 entries of 100,000 characters (40 MB on disk), or 100 short ones.
QList<ClipboardItem> historyOf(int count, qsizetype length)
{
    QList<ClipboardItem> items;
    for (int i = 0; i < count; ++i) {
        QString text = bench::sampleText(i);
        while (text.size() < length)
            text += bench::sampleText(i + int(text.size()));
        items.prepend(
            ClipboardItem(text.left(length), QStringLiteral("Terminal"), 800000000.0 + i));
    }
    return items;
}

// A store over the history at `shape` in a folder on the disk (fsync costs
// what it costs there): 0 is 100 short entries, 1 is 400 of 100,000.
struct LargeOrSmall
{
    explicit LargeOrSmall(std::int64_t shape)
        : dir(QDir::tempPath() + QStringLiteral("/quillet-bench-XXXXXX")),
          path(dir.filePath(QStringLiteral("history.json")))
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(HistoryCodec::encode(shape == 0 ? historyOf(100, 200) : historyOf(400, 100000))
                       .value());
        file.close();
        clock.value = 800000000.0 + 1000;
        store = std::make_unique<ClipboardStore>(clock, path);
        // The writer's first save encodes every text; later ones reuse them.
        store->capture(QStringLiteral("warm-up"), std::nullopt);
        store->waitUntilSaved();
    }
    static const char *name(std::int64_t shape)
    {
        return shape == 0 ? "100 short entries" : "400 entries of 100,000 characters";
    }
    QTemporaryDir dir;
    QString path;
    SteppingClock clock;
    std::unique_ptr<ClipboardStore> store;
};

// What a copy costs the main thread: the store's own work and handing the
// list to the writer, which saves meanwhile.
void mainThreadPerCapture(benchmark::State &state)
{
    LargeOrSmall history(state.range(0));
    int round = 0;
    for (auto _ : state) {
        history.clock.value += 1;
        history.store->capture(QStringLiteral("copy %1").arg(round++ % 2), std::nullopt);
    }
    history.store->waitUntilSaved();
    state.SetLabel(std::string(LargeOrSmall::name(state.range(0))) +
                   "; target: at most 1 ms (was 9 and 228 ms of CPU)");
}
BENCHMARK(mainThreadPerCapture)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One save of the 40 MB history after one entry's count changed: the texts
// are encoded once, later saves copy their bytes.
void writerPerSave(benchmark::State &state)
{
    const QList<ClipboardItem> items = historyOf(400, 100000);
    QTemporaryDir dir(scratchDirectory() + QStringLiteral("/quillet-bench-XXXXXX"));
    history::HistoryFile file(dir.filePath(QStringLiteral("history.json")));
    file.save(items);
    QList<ClipboardItem> changed = items;
    for (auto _ : state) {
        ++changed.first().copyCount;
        file.save(changed);
    }
    state.SetLabel("40 MB on tmpfs; target: at most 40 ms of CPU (a full encode took 75 ms)");
}
BENCHMARK(writerPerSave)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// From a copy to its bytes on disk: when the writer is idle, and in a storm,
// where a write of the state before is still under way.
void captureToDisk(benchmark::State &state)
{
    LargeOrSmall history(state.range(0));
    const bool storm = state.range(1) != 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        history.store->waitUntilSaved();
        if (storm) {
            history.clock.value += 1;
            history.store->capture(QStringLiteral("before %1").arg(round), std::nullopt);
        }
        state.ResumeTiming();
        history.clock.value += 1;
        history.store->capture(QStringLiteral("copy %1").arg(round++), std::nullopt);
        history.store->waitUntilSaved();
    }
    state.SetLabel(std::string(LargeOrSmall::name(state.range(0))) +
                   (storm ? "; storm; target: at most 1 s" : "; idle; target: at most 100 ms"));
}
BENCHMARK(captureToDisk)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2);

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
