// inspection_bench [--root DIR] [--reps N] [--quadratic N] [--calls-only]
//
// (a) The whole read-only inspection of a large installation (784 conferences, about 1 GiB of
//     .PTR and .IDX) against `cat` reading the same files into /dev/null, warm cache, side by side.
// (b) Message-base validation of one conference of 262,144 messages (a 64 MiB .PTR), and the
//     literal quadratic thread-link rule on a smaller conference, scaled up for comparison.
// (c) Peak memory (max RSS) of each measured run, each in a fresh process, against one
//     conference's .PTR + .IDX.
// (d) Opens and metadata calls of the inspection per message file, counted at the platform seam
//     (alone with --calls-only).
//
// Every measured run is a child process (this program started again with --child ...), so its
// max RSS is its own and not the generator's. The data goes under DIR (default /tmp) and is
// deleted afterwards.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/files.h"
#include "core/strings.h"
#include "spitfire/conference.h"
#include "spitfire/message_base.h"
#include "fixture/installation.h"
#include "support/fault_platform.h"
#include "ui/headless/headless_session.h"

extern char** environ;

using namespace marlinth;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct ChildRun {
    double wall_ms = 0;
    long max_rss_kib = 0;
    std::string output;
    int status = -1;
};

// Runs argv with stdout to a pipe (or /dev/null) and returns its wall time and max RSS.
ChildRun run_child(const std::vector<std::string>& args, bool capture) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int pipe_fd[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (capture) {
        if (::pipe(pipe_fd) != 0) std::abort();
        posix_spawn_file_actions_adddup2(&actions, pipe_fd[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipe_fd[0]);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    ChildRun run;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (capture) {
        ::close(pipe_fd[1]);
        char buf[4096];
        ssize_t n;
        while ((n = ::read(pipe_fd[0], buf, sizeof buf)) > 0) run.output.append(buf, static_cast<size_t>(n));
        ::close(pipe_fd[0]);
    }
    struct rusage usage {};
    ::wait4(pid, &run.status, 0, &usage);
    run.wall_ms = ms_since(start);
    run.max_rss_kib = usage.ru_maxrss;
    return run;
}

// The peak resident set of this process image (after exec, so not the parent's).
long peak_rss_kib() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atol(line + 6);
    std::fclose(f);
    return kib;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void show_disk(const std::string& root) {
    std::fflush(stdout);
    std::system(("df -h " + root).c_str());
}

// ------------------------------------------------------------------------------------------
// Child modes

// The whole inspection through the headless window, as the sysop clicks it.
int child_inspect(const std::string& bbs, const std::string& home) {
    std::unique_ptr<Platform> platform = make_native_platform();
    std::vector<std::string> nodes;
    for (int i = 1; i <= 32; ++i) {
        const std::string dir = bbs + "/" + (i == 1 ? std::string("SF") : "SF" + std::to_string(i));
        if (!is_directory(*platform, dir)) break;
        nodes.push_back(dir);
    }
    std::string list;
    for (size_t i = 0; i < nodes.size(); ++i) list += (i ? "\r\n" : "") + nodes[i];
    HeadlessSession session(*platform, home);
    HeadlessView& view = session.view();
    view.click(ControlId::AdvancedTools);
    view.type(ControlId::NodeCount, std::to_string(nodes.size()));
    view.type(ControlId::NodeList, list);
    view.type(ControlId::MessageDir, bbs + "/MESSAGE");
    const Clock::time_point start = Clock::now();
    view.click(ControlId::RunInspection);
    const double ms = ms_since(start);
    std::printf("%.1f %ld %d %u %zu\n", ms, peak_rss_kib(), session.app().flags.inspection_passed ? 1 : 0,
                session.app().baseline.count(), view.boxes().size());
    return 0;
}

// validate_message_base alone over every conference of Node 1's file, `reps` times.
int child_validate(const std::string& bbs, int reps) {
    std::unique_ptr<Platform> platform = make_native_platform();
    ByteBuffer conf;
    std::vector<ConferenceView> views;
    if (!read_file_capped(*platform, bbs + "/SF/SFMCONF.DAT", conf, kMaxConferenceFileSize, nullptr) ||
        !decode_conference_file(conf.data(), conf.size(), views, nullptr))
        return 1;
    std::unique_ptr<TextBuffer> report = TextBuffer::create();
    std::vector<MessageBaseResult> results;
    std::vector<double> times;
    for (int r = 0; r < reps; ++r) {
        report->reset();
        bool missing = false;
        const Clock::time_point start = Clock::now();
        validate_message_base(*platform, bbs + "/MESSAGE", views, results, report.get(), missing);
        times.push_back(ms_since(start));
    }
    std::printf("%.1f %ld %s %u %u\n", median(times), peak_rss_kib(), results.empty() ? "-" : results[0].status.c_str(),
                results.empty() ? 0 : results[0].normal_roots, results.empty() ? 0 : results[0].danger);
    return 0;
}

// Where validation's time goes on one conference: reading the two files whole, one pass that
// only looks at every record, and the record checks over what was read.
int child_breakdown(const std::string& bbs, int reps) {
    std::unique_ptr<Platform> platform = make_native_platform();
    std::vector<double> read_ms, touch_ms, check_ms;
    uint32_t sink = 0;
    for (int r = 0; r < reps; ++r) {
        ByteBuffer ptr, idx;
        Clock::time_point start = Clock::now();
        if (!read_file_capped(*platform, bbs + "/MESSAGE/SFMSG01.PTR", ptr, msg::kMaxPtrBytes, nullptr) ||
            !read_file_capped(*platform, bbs + "/MESSAGE/SFMSG01.IDX", idx, msg::kMaxIdxBytes, nullptr))
            return 1;
        read_ms.push_back(ms_since(start));
        // The first look at each freshly read page: what any pass over the records pays first.
        start = Clock::now();
        uint32_t sum = 0;
        for (uint32_t i = 0; i < ptr.size() / 256; ++i) sum += ptr.data()[static_cast<size_t>(i) * 256 + 0x9B];
        touch_ms.push_back(ms_since(start));
        sink += sum;
        MessageBaseResult result;
        start = Clock::now();
        check_message_records(*platform, ptr.data(), ptr.size() / 256, idx.data(), idx.size() / 16, result);
        check_ms.push_back(ms_since(start));
    }
    std::printf("%.1f %.1f %ld %.1f %u\n", median(read_ms), median(check_ms), peak_rss_kib(), median(touch_ms),
                sink & 1);
    return 0;
}

// Every .PTR and .IDX read whole and released, in conference order, as validation reads them:
// the reading alone, without any check.
int child_readall(const std::string& bbs) {
    std::unique_ptr<Platform> platform = make_native_platform();
    const Clock::time_point start = Clock::now();
    uint64_t bytes = 0;
    for (uint32_t n = 1; n <= kMaxConferences; ++n) {
        for (MessageFile kind : {MessageFile::Ptr, MessageFile::Idx}) {
            std::string path;
            ByteBuffer data;
            if (message_file_path(bbs + "/MESSAGE", n, kind, path) &&
                read_file_capped(*platform, path, data, msg::kMaxPtrBytes, nullptr))
                bytes += data.size();
        }
    }
    std::printf("%.1f %ld %llu\n", ms_since(start), peak_rss_kib(), static_cast<unsigned long long>(bytes));
    return 0;
}

// The thread-link rule exactly as written: one scan of the file per threaded message (each
// scan stops at its first hit, which is the kindest literal reading).
int child_quadratic(const std::string& bbs) {
    std::unique_ptr<Platform> platform = make_native_platform();
    ByteBuffer ptr;
    if (!read_file_capped(*platform, bbs + "/MESSAGE/SFMSG01.PTR", ptr, msg::kMaxPtrBytes, nullptr)) return 1;
    const uint32_t n = ptr.size() / 256;
    auto number_of = [&](uint32_t j) { return get_u32(ptr.data() + static_cast<size_t>(j) * 256 + 0xA6); };
    auto root_of = [&](uint32_t j) { return get_u32(ptr.data() + static_cast<size_t>(j) * 256 + 0xAA); };
    uint32_t danger = 0, normal = 0;
    const Clock::time_point start = Clock::now();
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* p = ptr.data() + static_cast<size_t>(i) * 256;
        if (p[0x9B] != 1) continue;
        const uint32_t number = number_of(i), root = root_of(i);
        if (root == number) {
            if (p[0x9C] == 0) {
                ++danger;
                continue;
            }
            for (uint32_t j = 0; j < n; ++j)
                if (j != i && root_of(j) == root) {
                    ++normal;
                    break;
                }
        } else {
            bool found = false;
            for (uint32_t j = 0; j < n && !found; ++j) found = number_of(j) == root;
            if (!found) ++danger;
        }
    }
    std::printf("%.1f %u %u\n", ms_since(start), normal, danger);
    return 0;
}

// ------------------------------------------------------------------------------------------

std::vector<std::string> ptr_idx_files(const std::string& message_dir) {
    std::vector<std::string> files;
    for (const fs::directory_entry& e : fs::directory_iterator(message_dir)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".PTR" || ext == ".IDX") files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

uint64_t total_size(const std::vector<std::string>& files) {
    uint64_t total = 0;
    for (const std::string& f : files) total += fs::file_size(f);
    return total;
}

std::string self_path() {
    std::unique_ptr<Platform> platform = make_native_platform();
    return platform->executable_path();
}

// A directory's listing is trusted by the POSIX layer only once it has been quiet for a second,
// as a settled installation is; wait for that, then read everything once so the cache is warm.
void settle_and_warm(const std::vector<std::string>& cat_args) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    run_child(cat_args, false);
}

// The numbers a child printed, in order.
std::vector<double> fields(const std::string& output) {
    std::vector<double> out;
    const char* p = output.c_str();
    char* end = nullptr;
    for (double v = std::strtod(p, &end); end != p; v = std::strtod(p, &end)) {
        out.push_back(v);
        p = end;
    }
    return out;
}

void bench_large(const std::string& root, int reps) {
    std::printf("== (a) large installation: whole inspection against cat ==\n");
    const std::string bbs = root + "/large";
    const std::string home = root + "/large-app";
    fs::create_directories(home);
    std::unique_ptr<Platform> platform = make_native_platform();
    const Clock::time_point gen = Clock::now();
    test::LargeInstallationSpec wanted;
    wanted.nodes = 2;
    test::build_large_installation(*platform, bbs, wanted);
    ::sync();
    std::printf("generated %u conferences x %u messages, 2 nodes, in %.1f s\n", wanted.conferences,
                wanted.messages_per_conference, ms_since(gen) / 1000);
    show_disk(root);

    std::vector<std::string> files = ptr_idx_files(bbs + "/MESSAGE");
    files.push_back(bbs + "/SF/SFMCONF.DAT");
    files.push_back(bbs + "/SF2/SFMCONF.DAT");
    std::printf("files read whole: %zu, %.1f MiB\n", files.size(), static_cast<double>(total_size(files)) / 1048576);
    std::vector<std::string> cat_args{"cat"};
    cat_args.insert(cat_args.end(), files.begin(), files.end());
    const std::string self = self_path();
    settle_and_warm(cat_args);
    run_child({self, "--child", "inspect", bbs, home}, true);  // warm-up

    std::vector<double> inspect_wall, inspect_inner, cat_wall, read_inner;
    double inspect_rss = 0, read_rss = 0;
    std::string last;
    for (int r = 0; r < reps; ++r) {
        cat_wall.push_back(run_child(cat_args, false).wall_ms);
        ChildRun i = run_child({self, "--child", "inspect", bbs, home}, true);
        std::vector<double> f = fields(i.output);
        inspect_wall.push_back(i.wall_ms);
        inspect_inner.push_back(f.at(0));
        inspect_rss = std::max(inspect_rss, f.at(1));
        last = i.output;
        std::vector<double> rd = fields(run_child({self, "--child", "readall", bbs}, true).output);
        read_inner.push_back(rd.at(0));
        read_rss = std::max(read_rss, rd.at(1));
    }
    std::printf("inspection child (ms, peak KiB, passed, conferences, boxes): %s", last.c_str());
    std::printf("cat of the same files          : median %8.1f ms wall (%d runs)\n", median(cat_wall), reps);
    std::printf("inspection, whole process      : median %8.1f ms wall\n", median(inspect_wall));
    std::printf("inspection, the operation      : median %8.1f ms\n", median(inspect_inner));
    std::printf("reading .PTR/.IDX whole, alone : median %8.1f ms\n", median(read_inner));
    std::printf("ratio inspection/cat           : %.2f (process), %.2f (operation)\n",
                median(inspect_wall) / median(cat_wall), median(inspect_inner) / median(cat_wall));
    std::printf("ratio inspection/bare reading  : %.2f (operation)\n", median(inspect_inner) / median(read_inner));
    const uint64_t one = fs::file_size(bbs + "/MESSAGE/SFMSG01.PTR") + fs::file_size(bbs + "/MESSAGE/SFMSG01.IDX");
    std::printf("peak RSS: inspection %.0f KiB, bare reading %.0f KiB; one conference's .PTR + .IDX %.0f KiB\n",
                inspect_rss, read_rss, static_cast<double>(one) / 1024);
    fs::remove_all(bbs);
    fs::remove_all(home);
}

void write_one_conference(const std::string& bbs, uint32_t messages) {
    std::unique_ptr<Platform> platform = make_native_platform();
    test::FixtureBuilder fb(*platform);
    fb.make_node(bbs + "/SF", test::make_conference_file(test::echo_conferences(1)));
    fb.make_dir(bbs + "/MESSAGE");
    test::ThreadedMessages m = test::threaded_messages(messages, 7);
    test::MessageFamily family;
    family.ptr = test::make_ptr(m.ptr);
    family.idx = test::make_idx(m.idx);
    family.dat = std::vector<uint8_t>(static_cast<size_t>(messages) * 128, 0x20);
    family.lmr = std::vector<uint8_t>(64, 0);
    fb.write_message_family(bbs + "/MESSAGE", 1, family);
    ::sync();
}

void bench_one_conference(const std::string& root, int reps, uint32_t quadratic_messages) {
    std::printf("\n== (b) one conference of 262,144 messages ==\n");
    const std::string bbs = root + "/one";
    write_one_conference(bbs, 262144);
    show_disk(root);
    const std::string self = self_path();
    std::vector<std::string> files = ptr_idx_files(bbs + "/MESSAGE");
    std::vector<std::string> cat_args{"cat"};
    cat_args.insert(cat_args.end(), files.begin(), files.end());
    const uint64_t bytes = total_size(files);
    settle_and_warm(cat_args);

    std::vector<double> cat_wall;
    for (int r = 0; r < reps; ++r) cat_wall.push_back(run_child(cat_args, false).wall_ms);
    const std::vector<double> idle = fields(run_child({self, "--child", "idle"}, true).output);
    const ChildRun v = run_child({self, "--child", "validate", bbs, std::to_string(reps)}, true);
    const std::vector<double> vf = fields(v.output);
    const std::vector<double> split =
        fields(run_child({self, "--child", "breakdown", bbs, std::to_string(reps)}, true).output);
    std::printf(".PTR + .IDX: %.1f MiB\n", static_cast<double>(bytes) / 1048576);
    std::printf("cat of .PTR and .IDX                : median %7.1f ms wall\n", median(cat_wall));
    std::printf("validate_message_base (median of %d) : %7.1f ms  -> %s", reps, vf.at(0),
                v.output.substr(v.output.find(' ', v.output.find(' ') + 1) + 1).c_str());
    std::printf("  of which: reading both files whole : %7.1f ms\n", split.at(0));
    std::printf("            record and link checks   : %7.1f ms (after a pass that only reads one byte of"
                " each record: %.1f ms)\n",
                split.at(1), split.at(3));
    std::printf("\n== (c) peak memory ==\n");
    std::printf("idle child (one 1 MiB report buffer): peak RSS %.0f KiB\n", idle.at(1));
    std::printf("validation child                    : peak RSS %.0f KiB; above idle %.0f KiB;"
                " .PTR + .IDX = %llu KiB\n",
                vf.at(1), vf.at(1) - idle.at(1), static_cast<unsigned long long>(bytes / 1024));

    // The literal rule is quadratic; on the same input unless a smaller size is asked for.
    std::string q_bbs = bbs;
    if (quadratic_messages < 262144) {
        q_bbs = root + "/q" + std::to_string(quadratic_messages);
        write_one_conference(q_bbs, quadratic_messages);
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    }
    const std::vector<double> q = fields(run_child({self, "--child", "quadratic", q_bbs}, true).output);
    const double scale = (262144.0 / quadratic_messages) * (262144.0 / quadratic_messages);
    std::printf("\n== (b) literal quadratic link rule on %u messages ==\n", quadratic_messages);
    std::printf("literal link rule alone: %.1f ms (normal roots %.0f, danger %.0f)\n", q.at(0), q.at(1), q.at(2));
    if (scale > 1) std::printf("scaled to 262,144 messages: about %.0f s\n", q.at(0) * scale / 1000);
    if (q_bbs != bbs) fs::remove_all(q_bbs);
    fs::remove_all(bbs);
}

// (d) What the inspection asks of the file system, counted at the platform seam: every open, and
// every metadata call (sizes, attributes, listings, searches, full paths, folder identities), per
// message file of the MESSAGE directory. On a sysop's box each open is scanned by the antivirus
// and each metadata call passes the file-system filters.
void bench_calls_per_file(const std::string& root) {
    std::printf("\n== (d) file-system calls of the inspection per message file ==\n");
    const std::string bbs = root + "/calls", home = root + "/calls-app";
    fs::create_directories(home);
    std::unique_ptr<Platform> native = make_native_platform();
    test::LargeInstallationSpec wanted;
    wanted.nodes = 2;
    wanted.messages_per_conference = 4;
    test::build_large_installation(*native, bbs, wanted);
    size_t message_files = 0;
    for (const auto& e : fs::directory_iterator(bbs + "/MESSAGE")) message_files += e.is_regular_file();
    test::FaultPlatform counting(*native);
    HeadlessSession session(counting, home);
    HeadlessView& view = session.view();
    view.click(ControlId::AdvancedTools);
    view.type(ControlId::NodeCount, "2");
    view.type(ControlId::NodeList, bbs + "/SF\r\n" + bbs + "/SF2");
    view.type(ControlId::MessageDir, bbs + "/MESSAGE");
    counting.reset_counts();
    view.click(ControlId::RunInspection);
    using test::Op;
    int opens = 0, metadata = 0;
    for (Op op : {Op::OpenRead, Op::OpenExclusive, Op::CreateNew, Op::OpenWrite}) opens += counting.calls(op);
    for (Op op : {Op::FileSize, Op::Attributes, Op::FullPath, Op::List, Op::FindMatch, Op::FreeSpace, Op::FolderIdentity})
        metadata += counting.calls(op);
    std::printf("%u conferences, %zu message files; inspection %s\n", wanted.conferences, message_files,
                session.app().flags.inspection_passed ? "passed" : "FAILED");
    std::printf("opens: %d (%.2f per message file); metadata calls: %d (%.2f per message file)\n", opens,
                static_cast<double>(opens) / static_cast<double>(message_files), metadata,
                static_cast<double>(metadata) / static_cast<double>(message_files));
    fs::remove_all(bbs);
    fs::remove_all(home);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--child") {
        const std::string mode = argv[2];
        if (mode == "inspect" && argc == 5) return child_inspect(argv[3], argv[4]);
        if (mode == "validate" && argc == 5) return child_validate(argv[3], std::atoi(argv[4]));
        if (mode == "quadratic" && argc == 4) return child_quadratic(argv[3]);
        if (mode == "readall" && argc == 4) return child_readall(argv[3]);
        if (mode == "breakdown" && argc == 5) return child_breakdown(argv[3], std::atoi(argv[4]));
        // Data only, for looking at one case by hand.
        if (mode == "generate" && argc == 5) {
            write_one_conference(argv[3], static_cast<uint32_t>(std::atoi(argv[4])));
            return 0;
        }
        if (mode == "generate-large" && argc == 4) {
            std::unique_ptr<Platform> platform = make_native_platform();
            test::LargeInstallationSpec wanted;
            wanted.nodes = 2;
            test::build_large_installation(*platform, argv[3], wanted);
            return 0;
        }
        if (mode == "idle") {
            std::unique_ptr<TextBuffer> report = TextBuffer::create();  // what validation holds besides the files
            std::printf("0 %ld\n", peak_rss_kib());
            return 0;
        }
        return 2;
    }
    std::string base = "/tmp";
    int reps = 5;
    uint32_t quadratic = 262144;
    bool calls_only = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf("usage: inspection_bench [--root DIR] [--reps N] [--quadratic N] [--calls-only]\n");
            return 0;
        }
        if (a == "--root" && i + 1 < argc)
            base = argv[++i];
        else if (a == "--reps" && i + 1 < argc)
            reps = std::max(1, std::atoi(argv[++i]));
        else if (a == "--calls-only")
            calls_only = true;
        else if (a == "--quadratic" && i + 1 < argc)
            quadratic = static_cast<uint32_t>(std::min(262144, std::max(2, std::atoi(argv[++i]))));
        else {
            std::fprintf(stderr, "usage: inspection_bench [--root DIR] [--reps N] [--quadratic N] [--calls-only]\n");
            return 2;
        }
    }
    const std::string root = base + "/marlinth-bench-" + std::to_string(::getpid());
    fs::create_directories(root);
    std::printf("data under %s\n", root.c_str());
    show_disk(base);
    if (!calls_only) {
        bench_large(root, reps);
        bench_one_conference(root, reps, quadratic);
    }
    bench_calls_per_file(root);
    fs::remove_all(root);
    show_disk(base);
    return 0;
}
