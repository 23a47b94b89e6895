// How long a full .NA load takes at the limits: a 2 MiB list with 1024 records, parsed, read
// again for its fingerprint, listed and reported, as the "Load .NA File..." command does it.
// Usage: na_parse_bench [runs]   (prints the median and the slowest run)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/import_commands.h"
#include "fixture/installation.h"
#include "support/na_fixture.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

using namespace marlinth;

namespace {

double milliseconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void print_figures(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-34s median %8.2f ms   slowest %8.2f ms   (%zu runs)\n", what, times[times.size() / 2], times.back(),
                times.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::printf("usage: na_parse_bench [RUNS]   (prints the median and the slowest run; 15 runs by default)\n");
        return 0;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    test::TempDir home;
    test::TempDir lists;
    std::unique_ptr<Platform> platform = make_native_platform();

    // Long descriptions make every record a full-length line and every name a shortened one.
    const std::string path = lists / "fsxnet.na";
    test::FixtureBuilder(*platform).write_text(path, test::large_na_file(1024, kMaxAreaListBytes, 900));

    HeadlessSession session(*platform, home.path());
    if (!session.started()) return 1;
    App& app = session.app();
    app.baseline.conferences = test::decoded_conferences(test::echo_conferences(700));
    app.import.na_path = path;

    std::vector<double> load_times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!load_area_list(app, false)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        load_times.push_back(milliseconds_since(start));
    }
    if (app.preview.area_count() != 1024) {
        std::fprintf(stderr, "expected 1024 records, got %d\n", app.preview.area_count());
        return 1;
    }

    std::vector<double> parse_times;
    AreaPreview preview;
    for (int i = 0; i < runs; ++i) {
        app.report->reset();
        const auto start = std::chrono::steady_clock::now();
        parse_area_list(*platform, path, app.baseline.conferences, app.profiles, -1, "", preview, *app.report, nullptr);
        parse_times.push_back(milliseconds_since(start));
    }

    std::printf("file: %u bytes, %d records, %u source lines, %zu existing conferences\n", app.import.fingerprint.size,
                preview.area_count(), preview.source_lines, app.baseline.conferences.size());
    print_figures("load_area_list (whole command)", load_times);
    print_figures("parse_area_list (parse + report)", parse_times);
    return 0;
}
