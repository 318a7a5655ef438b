// Station lists: loading an 8192-line EiBi-format file from disk (the budget is
// 50 ms, paid once when the window is built) and looking a frequency up (the
// budget is 1 us, paid on every retune), with the panel's whole line query
// beside it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "EibiList.h"
#include "ScheduleList.h"

namespace velorix {
namespace {

constexpr int kLines = 8192;

// A generated list in the EiBi columns: 8192 lines on ascending frequencies,
// one to four lines per frequency, spread over the HF broadcast range.
struct GeneratedList {
    std::filesystem::path dir;
    std::vector<int> kHz;  // every frequency written

    GeneratedList() {
        dir = std::filesystem::temp_directory_path() /
              ("velorix-bench-stations-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::ofstream out(dir / kEibiFile, std::ios::binary);
        out << "kHz:75;Time(UTC):93;Days:59;ITU:49;Station:201;Lng:49;Target:62;Remarks:135\n";
        std::mt19937 rng(8192);
        int f = 2300;
        int written = 0;
        char line[128];
        while (written < kLines) {
            f += 1 + static_cast<int>(rng() % 3);
            kHz.push_back(f);
            const int perFrequency = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < perFrequency && written < kLines; ++i, ++written) {
                const int start = static_cast<int>(rng() % 24) * 100;
                const int end = (start + 100 * (1 + static_cast<int>(rng() % 3))) % 2400;
                std::snprintf(line, sizeof line,
                              "%-13d %04d-%04d %-5s %-3s %-24s %-3s %-4s %-6s %s\r\n", f, start,
                              end, i % 2 ? "Mo-Fr" : "", "D", "Station Name of Line", "E", "Eu", "",
                              "Rmk");
                out << line;
            }
        }
    }
    ~GeneratedList() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

GeneratedList& List() {
    static GeneratedList list;
    return list;
}

void BM_LoadEibiFile8192(benchmark::State& state) {
    const std::string dir = List().dir.string();
    int entries = 0;
    int schedules = 0;
    for (auto _ : state) {
        auto list = LoadEibiList(dir);
        entries = list->Count();
        schedules = list->ScheduleCount();
        benchmark::DoNotOptimize(list);
    }
    state.counters["frequencies"] = entries;
    state.counters["lines"] = schedules;
}
BENCHMARK(BM_LoadEibiFile8192)->Unit(benchmark::kMillisecond);

// Lookups of stored and absent frequencies, in random order.
void BM_Lookup(benchmark::State& state) {
    const auto list = LoadEibiList(List().dir.string());
    std::mt19937 rng(1);
    std::vector<int> queries(4096);
    for (int& q : queries) {
        q = rng() % 2 ? List().kHz[rng() % List().kHz.size()]
                      : 2300 + static_cast<int>(rng() % 30000);
    }
    std::size_t i = 0;
    int found = 0;
    for (auto _ : state) {
        const FrequencyEntry* e = list->Find(queries[i++ & 4095]);
        found += e != nullptr;
        benchmark::DoNotOptimize(e);
    }
    state.counters["found_share"] = static_cast<double>(found) / state.iterations();
}
BENCHMARK(BM_Lookup)->Unit(benchmark::kNanosecond);

// The panel's query: lookup, on-air filter and display texts.
void BM_StationLines(benchmark::State& state) {
    const auto list = LoadEibiList(List().dir.string());
    std::mt19937 rng(2);
    std::size_t lines = 0;
    for (auto _ : state) {
        const int kHz = List().kHz[rng() % List().kHz.size()];
        auto shown = StationLines(list.get(), kHz, 1230, '3');
        lines += shown.size();
        benchmark::DoNotOptimize(shown);
    }
    state.counters["lines_per_query"] = static_cast<double>(lines) / state.iterations();
}
BENCHMARK(BM_StationLines)->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace velorix

BENCHMARK_MAIN();
