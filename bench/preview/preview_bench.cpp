// The sample multi-tile object (the sofa) rendered at view 9, as the editor asks for it: the time
// per picture, and the share of it spent in the measuring pass, which reads frame headers only.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/ObjectDefinitions.h"
#include "preview/ObjectPreview.h"
#include "resource/ResourceKinds.h"
#include "sample/Sample.h"

namespace {

namespace fs = std::filesystem;

constexpr ColorRef kButtonFace = MakeColorRef(0xC0, 0xC0, 0xC0);
constexpr int kPictures = 1000;

struct SampleFile {
    fs::path dir;
    CObjectSet objects;
    SampleFile() {
        std::string t = (fs::temp_directory_path() / "tavimet-bench-XXXXXX").string();
        if (char* made = mkdtemp(t.data())) dir = made;
        std::string error;
        const std::string path = (dir / "sample.iff").string();
        if (sample::WriteObjectFile(path, error) != 0) {
            std::fprintf(stderr, "cannot write the sample: %s\n", error.c_str());
            std::exit(1);
        }
        auto file = std::make_unique<CObjectResourceFile>();
        file->SetReadOnlyOpen(true);
        if (file->Open(path.c_str()) != 0) std::exit(1);
        objects.SetResourceFile(std::move(file));
        objects.LoadDefinitions();
        if (objects.Masters().empty()) std::exit(1);
    }
    ~SampleFile() {
        objects.CloseFile();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    CObjectDefinition& Sofa() { return *objects.Masters().front(); }
};

SampleFile& Sample() {
    static SampleFile sample;
    return sample;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A thousand pictures, each timed on its own; the measuring pass timed the same way.
void BM_SofaView9(benchmark::State& state) {
    SampleFile& sample = Sample();
    CObjectDefinition& sofa = sample.Sofa();
    PreviewDefinition master = PreviewDefinitionOf(sofa);
    std::vector<PreviewDefinition> parts;
    for (const CObjectDefinition* p : sofa.Parts())
        parts.push_back(PreviewDefinitionOf(*p));
    for (PreviewDefinition& p : parts)
        master.parts.push_back(&p);
    CResourceFile& file = *sample.objects.ResourceFile();

    using Clock = std::chrono::steady_clock;
    std::vector<double> render, measure;
    int frames = 0;
    for (auto _ : state) {
        render.clear();
        measure.clear();
        for (int i = 0; i < kPictures; ++i) {
            const auto t0 = Clock::now();
            DibPtr picture = RenderObjectPreview(sofa, 9, kButtonFace, 0);
            const auto t1 = Clock::now();
            const PreviewBox box = MeasurePreview(file, master, 9, kButtonFace);
            const auto t2 = Clock::now();
            benchmark::DoNotOptimize(picture);
            frames = box.frames;
            render.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            measure.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
        }
    }
    const double medianRender = Median(render);
    const double medianMeasure = Median(measure);
    state.counters["median_us_per_picture"] = medianRender;
    state.counters["median_us_measuring"] = medianMeasure;
    state.counters["measuring_share_pct"] = 100.0 * medianMeasure / medianRender;
    state.counters["frames"] = frames;
    state.SetItemsProcessed(state.iterations() * kPictures);
}
BENCHMARK(BM_SofaView9)->Iterations(1)->Unit(benchmark::kMillisecond);

// Plain throughput of whole pictures for comparison between runs.
void BM_SofaView9Picture(benchmark::State& state) {
    CObjectDefinition& sofa = Sample().Sofa();
    for (auto _ : state) {
        DibPtr picture = RenderObjectPreview(sofa, 9, kButtonFace, 0);
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_SofaView9Picture)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
