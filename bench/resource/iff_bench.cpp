// IFF container speed: opening a 2.5 file of 20,000 chunks through its resource map versus a
// scan, and compacting a 64 MiB file (half free space, or one gap behind the first chunk) beside
// copying it with cp.
// Files are made on the spot in memory-backed (/dev/shm) and disk-backed temporary directories.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resource/IffFileV2.h"
#include "resource/IffFormat.h"

namespace fs = std::filesystem;

namespace {

class Dir {
public:
    explicit Dir(const fs::path& base) {
        std::string pattern = (base / "tavimet-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
    ~Dir() {
        std::error_code ec;
        if (!m_path.empty()) fs::remove_all(m_path, ec);
    }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

Dir& MemDir() {
    static Dir dir(fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path());
    return dir;
}
Dir& DiskDir() {
    static Dir dir(fs::temp_directory_path());
    return dir;
}

void PutHeader(std::vector<uint8_t>& out) {
    out.assign(iff::kHeaderV2Pattern, iff::kHeaderV2Pattern + iff::kFileHeaderSize);
    out[9] = '2';
    out[11] = '5';
    iff::PutBE32(out.data() + 60, 0);
}

void PutChunk(std::vector<uint8_t>& out, uint32_t type, int16_t id, uint16_t flags,
              const std::string& label, int32_t bodySize) {
    const size_t at = out.size();
    out.resize(at + size_t(76 + bodySize), 0);
    uint8_t* h = out.data() + at;
    iff::PutBE32(h, type);
    iff::PutBE32(h + 4, uint32_t(76 + bodySize));
    iff::PutBE16(h + 8, uint16_t(id));
    iff::PutBE16(h + 10, flags);
    for (size_t i = 0; i < label.size() && i < 63; ++i)
        h[12 + i] = uint8_t(label[i]);
    for (int32_t i = 0; i < bodySize; ++i)
        h[76 + i] = uint8_t(i * 7 + id);
}

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Paths of the 20,000-chunk file with a map and the same file with map offset 0.
const std::pair<std::string, std::string>& ManyChunkFiles() {
    static std::pair<std::string, std::string> paths = [] {
        const uint32_t types[] = {MakeTypeCode("TTAB"), MakeTypeCode("STR#"), MakeTypeCode("OBJD"),
                                  MakeTypeCode("BHAV")};
        std::vector<uint8_t> bytes;
        PutHeader(bytes);
        for (int i = 0; i < 20000; ++i)
            PutChunk(bytes, types[i % 4], int16_t(i / 4), 0x0010, "chunk " + std::to_string(i),
                     32 + i % 64);
        const std::string mapped = MemDir() / "many.iff";
        const std::string scanned = MemDir() / "many-scan.iff";
        Save(mapped, bytes);
        CIffFileV2 f; // writing the map: open, mark changed, close
        if (f.Open(mapped.c_str()) || f.Compact() || f.Close()) std::abort();
        std::ifstream in(mapped, std::ios::binary);
        std::vector<uint8_t> withMap((std::istreambuf_iterator<char>(in)), {});
        if (iff::GetBE32(withMap.data() + 60) == 0) std::abort();
        iff::PutBE32(withMap.data() + 60, 0);
        Save(scanned, withMap);
        return std::pair{mapped, scanned};
    }();
    return paths;
}

void OpenAndCount(benchmark::State& state, const std::string& path, bool expectMap) {
    for (auto _ : state) {
        CIffFileV2 f;
        if (f.OpenReadOnly(path.c_str()) || f.IndexedFromMap() != expectMap) {
            state.SkipWithError("open failed");
            return;
        }
        benchmark::DoNotOptimize(f.CountChunks(MakeTypeCode("TTAB")));
        (void)f.Close();
    }
    state.counters["chunks"] = 20000;
}

void BM_Open20000ChunksViaMap(benchmark::State& state) {
    OpenAndCount(state, ManyChunkFiles().first, true);
}
void BM_Open20000ChunksViaScan(benchmark::State& state) {
    OpenAndCount(state, ManyChunkFiles().second, false);
}

// 64 MiB of 32 KiB chunks. Half free: every other one free, so that after the first move every
// chunk moves by more than its size. Gap first: one 16 KiB free chunk behind the first, so that
// every chunk moves by less than its size and goes behind the chain and back.
enum class Layout { HalfFree, GapFirst };

std::string LayoutFile(Dir& dir, Layout layout) {
    const std::string path =
        dir / (layout == Layout::HalfFree ? "halffree-src.iff" : "gapfirst-src.iff");
    if (fs::exists(path)) return path;
    std::vector<uint8_t> bytes;
    PutHeader(bytes);
    bytes.reserve(size_t(64) << 20);
    for (int i = 0; i < 2048; ++i) {
        const bool free = layout == Layout::HalfFree ? i % 2 == 1 : i == 1;
        const int32_t size = layout == Layout::GapFirst && i == 1 ? 16384 : 32768;
        PutChunk(bytes, free ? iff::kTypeFree : MakeTypeCode("SPR2"), int16_t(i),
                 free ? iff::kFlagFree : 0x0010, "", size - 76 - (i == 0 ? 64 : 0));
    }
    Save(path, bytes);
    return path;
}

void Compact(benchmark::State& state, Dir& dir, Layout layout = Layout::HalfFree) {
    const std::string src = LayoutFile(dir, layout);
    const std::string work = dir / "compacted.iff";
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(src, work, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        CIffFileV2 f;
        if (f.Open(work.c_str()) || f.Compact() || f.Close()) {
            state.SkipWithError("compaction failed");
            return;
        }
    }
    state.counters["MiB"] = double(fs::file_size(src)) / (1 << 20);
}

void Copy(benchmark::State& state, Dir& dir, bool sync) {
    const std::string src = LayoutFile(dir, Layout::HalfFree);
    const std::string work = dir / "copy.iff";
    const std::string cmd =
        "cp '" + src + "' '" + work + "'" + (sync ? " && sync '" + work + "'" : "");
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("cp failed");
            return;
        }
    }
}

void BM_Compact64MiBHalfFree_Memory(benchmark::State& state) {
    Compact(state, MemDir());
}
void BM_Compact64MiBGapFirst_Memory(benchmark::State& state) {
    Compact(state, MemDir(), Layout::GapFirst);
}
void BM_CopyWithCp64MiB_Memory(benchmark::State& state) {
    Copy(state, MemDir(), false);
}
void BM_Compact64MiBHalfFree_Disk(benchmark::State& state) {
    Compact(state, DiskDir());
}
void BM_CopyWithCpAndSync64MiB_Disk(benchmark::State& state) {
    Copy(state, DiskDir(), true);
}

} // namespace

BENCHMARK(BM_Open20000ChunksViaMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open20000ChunksViaScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compact64MiBHalfFree_Memory)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_Compact64MiBGapFirst_Memory)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_CopyWithCp64MiB_Memory)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_Compact64MiBHalfFree_Disk)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_CopyWithCpAndSync64MiB_Disk)->Unit(benchmark::kMillisecond)->Iterations(4);

BENCHMARK_MAIN();
