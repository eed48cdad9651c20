// The benchmarks' main: the usual table, then a summary of the medians.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// Prints the usual table and remembers every median.
class CMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const std::string& args = run.run_name.args;
                const std::string name =
                    run.run_name.function_name + (args.empty() ? "" : "/" + args);
                medians[name] = run.GetAdjustedRealTime();
                cpuMedians[name] = run.GetAdjustedCPUTime();
            }
        }
    }
    std::map<std::string, double> medians;
    std::map<std::string, double> cpuMedians;
};

// The medians of the keyed palm copy and the frame, in wall and CPU time.
void PrintSummary(const std::map<std::string, double>& m, const char* clock) {
    auto find = [&m](const std::string& name) {
        auto it = m.find(name);
        return it == m.end() ? 0.0 : it->second;
    };
    const double ours = find("BM_PalmKeyedOurs"), rle = find("BM_PalmKeyedSdl/1"),
                 plain = find("BM_PalmKeyedSdl/0"), frame = find("BM_RenderCrowded"),
                 step = find("BM_PlayStepCrowded"), bare = find("BM_TickWithoutRecording"),
                 recorded = find("BM_TickWithRecording"), check = find("BM_CheckReplay");
    std::printf("[%s time]\n", clock);
    if (step > 0) {
        std::printf("  play step on a crowded field (null devices): median %.2f us\n", step);
    }
    if (bare > 0 && recorded > 0) {
        std::printf("  a tick of play: %.0f ns, recorded %.0f ns: recording costs %.0f ns\n", bare,
                    recorded, recorded - bare);
    }
    if (check > 0) {
        std::printf("  three minutes of play checked in %.1f ms: %.0f times real time\n", check,
                    180.0 / (check / 1000.0));
    }
    if (frame > 0) {
        std::printf("  crowded frame: median %.1f us (%s)\n", frame,
                    frame < 1000 ? "under 1 ms" : "over 1 ms");
    }
    if (ours > 0 && rle > 0) {
        std::printf(
            "  palm keyed copy: ours %.2f us, SDL2 with RLE %.2f us: ratio ours/SDL2 %.2f\n", ours,
            rle, ours / rle);
    }
    if (ours > 0 && plain > 0) {
        std::printf("  palm keyed copy: SDL2 without RLE %.2f us: ratio ours/SDL2 %.2f\n", plain,
                    ours / plain);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter.medians, "wall");
    PrintSummary(reporter.cpuMedians, "CPU");
    benchmark::Shutdown();
    return 0;
}
