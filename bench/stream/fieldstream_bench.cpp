// Packed field stream throughput on tree-table-like entries, beside memcpy of as many bytes.
#include "stream/FieldStream.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int kEntries = 100000;
constexpr int kMotives = 16;

struct Entry {
    int16_t action, guard;
    int32_t motiveCount, flags, stringIndex, attenuationLevel;
    float attenuationValue;
    int32_t autonomy, extra;
    int16_t motives[kMotives][3]; // min, delta, personality
};

// Like real tables: small ids, few flags, most motive records zero.
std::vector<Entry> MakeEntries() {
    std::mt19937 rng(42);
    std::vector<Entry> entries(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        Entry& e = entries[static_cast<size_t>(i)];
        e = Entry{};
        e.action = static_cast<int16_t>(4096 + rng() % 200);
        e.guard = (rng() % 2) ? static_cast<int16_t>(4096 + rng() % 200) : 0;
        e.motiveCount = kMotives;
        e.flags = static_cast<int32_t>(rng() % 32);
        e.stringIndex = i;
        e.attenuationLevel = static_cast<int32_t>(rng() % 5);
        e.attenuationValue = e.attenuationLevel == 0 ? 0.05f : 0.0f;
        e.autonomy = static_cast<int32_t>(rng() % 100);
        for (int m = 0; m < 3; ++m) {
            int k = static_cast<int>(rng() % kMotives);
            e.motives[k][0] = static_cast<int16_t>(rng() % 50);
            e.motives[k][1] = static_cast<int16_t>(rng() % 100);
            e.motives[k][2] = static_cast<int16_t>(rng() % 8);
        }
    }
    return entries;
}

void Table(CFieldStream& s, std::vector<Entry>& entries) {
    int16_t count =
        0; // the entry count itself would not fit 16 bits here; the layout is what counts
    int16_t version = 9;
    uint8_t packed = 1;
    s.Words(&count, 1);
    s.Words(&version, 1);
    s.Flag(packed);
    s.EnablePacking();
    for (Entry& e : entries) {
        s.Words(&e.action, 1);
        s.Words(&e.guard, 1);
        s.Longs(&e.motiveCount, 1);
        s.Longs(&e.flags, 1);
        s.Longs(&e.stringIndex, 1);
        s.Longs(&e.attenuationLevel, 1);
        s.RawLongs(&e.attenuationValue, 1);
        s.Longs(&e.autonomy, 1);
        s.Longs(&e.extra, 1);
        s.Words(&e.motives[0][0], kMotives * 3);
    }
}

int32_t MeasuredSize(std::vector<Entry>& entries) {
    CFieldStream measure;
    Table(measure, entries);
    return measure.Position();
}

void BM_PackedMeasure(benchmark::State& state) {
    auto entries = MakeEntries();
    int32_t size = MeasuredSize(entries);
    for (auto _ : state)
        benchmark::DoNotOptimize(MeasuredSize(entries));
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_PackedWrite(benchmark::State& state) {
    auto entries = MakeEntries();
    int32_t size = MeasuredSize(entries);
    std::vector<uint8_t> body(static_cast<size_t>(size));
    for (auto _ : state) {
        CFieldStream write(body.data(), size, CFieldStream::Mode::Write);
        Table(write, entries);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["body_bytes"] = size;
}

void BM_PackedRead(benchmark::State& state) {
    auto entries = MakeEntries();
    int32_t size = MeasuredSize(entries);
    std::vector<uint8_t> body(static_cast<size_t>(size));
    CFieldStream write(body.data(), size, CFieldStream::Mode::Write);
    Table(write, entries);
    std::vector<Entry> back(entries.size());
    for (auto _ : state) {
        CFieldStream read(body.data(), size);
        Table(read, back);
        benchmark::ClobberMemory();
    }
    if (memcmp(back.data(), entries.data(), entries.size() * sizeof(Entry)) != 0)
        state.SkipWithError("read back differs");
    state.SetBytesProcessed(state.iterations() * size);
}

// Measure, write and read back, as a save followed by a load does.
void BM_PackedWriteRead(benchmark::State& state) {
    auto entries = MakeEntries();
    std::vector<Entry> back(entries.size());
    int32_t size = MeasuredSize(entries);
    std::vector<uint8_t> body(static_cast<size_t>(size));
    for (auto _ : state) {
        CFieldStream write(body.data(), size, CFieldStream::Mode::Write);
        Table(write, entries);
        CFieldStream read(body.data(), size);
        Table(read, back);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_MemcpySameBytes(benchmark::State& state) {
    auto entries = MakeEntries();
    int32_t size = MeasuredSize(entries);
    std::vector<uint8_t> from(static_cast<size_t>(size), 0x5A), to(static_cast<size_t>(size));
    for (auto _ : state) {
        memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

} // namespace

BENCHMARK(BM_PackedMeasure)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackedWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackedRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackedWriteRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
