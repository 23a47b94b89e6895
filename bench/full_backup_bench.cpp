// full_backup_bench [--root DIR] [--conferences N] [--mib M] [--reps R]
//
// The full MESSAGE backup against `cp -r` of the same tree, side by side in one run. The tree is
// a generated MESSAGE directory shaped like a busy board's: N conferences (default 400) whose
// sizes fall off from a few large ones to many small ones, each with .PTR, .IDX, .DAT and .LMR
// (and every seventh a .SIG), about M MiB in all (default 300).
//
// Measured, each R times (default 3), alternating, with the page cache warm for the source and
// `sync` between runs so that one run's dirty pages do not slow the next:
//   command  the whole "Create Full MESSAGE Backup Now" as the sysop runs it: busy checks, backup
//            root probe, size scan, free space, copy, and the verification scan of the copy;
//   copy     copy_tree_new alone (the copy the command makes);
//   cp -r    coreutils copying the same tree.
// Medians and best runs are shown in MiB/s, with the throughput ratio to cp -r. Everything goes
// under DIR (default /tmp) and is deleted afterwards.
//
// Reading the figures: this is the POSIX build. Its platform copy is a read/write loop through a
// 1 MiB buffer, and before each new file it looks for a name differing only in letter case in the
// destination directory (the no-overwrite rule as Windows applies it), which rereads that growing
// directory; cp -r copies inside the kernel. The shipped program copies with CopyFileA.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/full_backup_commands.h"
#include "core/files.h"
#include "core/strings.h"
#include "support/fault_platform.h"
#include "fixture/installation.h"
#include "ui/headless/headless_session.h"
#include "writer/full_backup.h"

extern char** environ;

using namespace marlinth;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int run_program(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void settle() {
    ::sync();
}

void show_disk(const std::string& root) {
    std::fflush(stdout);
    run_program({"df", "-h", root});
}

struct Shape {
    uint32_t conferences = 400;
    uint64_t target_bytes = 300ull << 20;
};

struct Generated {
    test::Installation inst;
    uint64_t files = 0, bytes = 0;
    uint32_t largest_messages = 0, smallest_messages = 0;
};

// Message text: printable, varied, so no layer below can shortcut it.
std::vector<uint8_t> message_text(size_t bytes, uint32_t seed) {
    std::vector<uint8_t> out(bytes);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < bytes; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        out[i] = static_cast<uint8_t>(i % 72 == 71 ? '\r' : 32 + x % 95);
    }
    return out;
}

Generated generate(Platform& platform, const std::string& root, const Shape& shape) {
    Generated g;
    test::InstallationSpec wanted;
    wanted.nodes = 1;
    wanted.conferences = test::echo_conferences(static_cast<int>(shape.conferences));
    wanted.message_base.messages = 1;
    g.inst = test::build_installation(platform, root, wanted);
    test::FixtureBuilder fb(platform);

    // Conference i holds a share proportional to 1 / i^0.8: a few busy echoes, a long tail.
    constexpr double kBytesPerMessage = 256 + 16 + 1100;  // .PTR + .IDX + average text
    std::vector<double> weight(shape.conferences);
    double total_weight = 0;
    for (uint32_t i = 0; i < shape.conferences; ++i) total_weight += weight[i] = 1.0 / std::pow(i + 1.0, 0.8);
    const double messages = static_cast<double>(shape.target_bytes) / kBytesPerMessage;
    for (uint32_t n = 1; n <= shape.conferences; ++n) {
        const uint32_t m = std::max<uint32_t>(8, static_cast<uint32_t>(messages * weight[n - 1] / total_weight));
        if (n == 1) g.largest_messages = m;
        g.smallest_messages = m;
        test::ThreadedMessages t = test::threaded_messages(m, n);
        test::MessageFamily family;
        family.ptr = test::make_ptr(t.ptr);
        family.idx = test::make_idx(t.idx);
        family.dat = message_text(static_cast<size_t>(m) * 1100, n);
        family.lmr = std::vector<uint8_t>(4 * 64, 0);  // last-read pointers of 64 users
        if (n % 7 == 0) family.sig = message_text(512, n + 1000);
        fb.write_message_family(g.inst.message_dir, n, family);
    }
    for (const auto& e : fs::recursive_directory_iterator(g.inst.message_dir)) {
        if (!e.is_regular_file()) continue;
        ++g.files;
        g.bytes += e.file_size();
    }
    return g;
}

// The command as the sysop runs it, through the headless window.
double run_command(Platform& native, const Generated& g, const std::string& home, const std::string& backup_root) {
    test::FaultPlatform platform(native);
    platform.set_processes({});  // the benchmark's own machine may run anything
    HeadlessSession session(platform, home);
    HeadlessView& v = session.view();
    v.click(ControlId::AdvancedTools);
    v.type(ControlId::NodeCount, "1");
    v.type(ControlId::NodeList, g.inst.nodes[0]);
    v.type(ControlId::MessageDir, g.inst.message_dir);
    v.set_text(ControlId::WizardBackupRoot, backup_root);
    v.queue_answer(BoxAnswer::Yes);
    const Clock::time_point start = Clock::now();
    run_full_message_backup(session.app());
    const double s = seconds_since(start);
    if (!session.app().flags.full_backup_verified) {
        std::fprintf(stderr, "backup failed:\n%s\n", v.text(ControlId::WizardBackupText).c_str());
        std::exit(1);
    }
    return s;
}

double run_copy(Platform& native, const Generated& g, const std::string& home, const std::string& destination) {
    HeadlessView view;
    App app(native, view);
    if (!app.allocate_buffers()) std::exit(1);
    app.set_program_dir(home);
    TreeTotals copied;
    const Clock::time_point start = Clock::now();
    const bool ok = copy_tree_new(app.platform, g.inst.message_dir, destination, copied, app.scratch.get());
    const double s = seconds_since(start);
    if (!ok || copied.files != g.files || copied.bytes != g.bytes) {
        std::fprintf(stderr, "copy failed: %s\n", app.scratch->c_str());
        std::exit(1);
    }
    return s;
}

double run_cp(const Generated& g, const std::string& destination) {
    const Clock::time_point start = Clock::now();
    const int rc = run_program({"cp", "-r", g.inst.message_dir, destination});
    const double s = seconds_since(start);
    if (rc != 0) {
        std::fprintf(stderr, "cp -r failed (%d)\n", rc);
        std::exit(1);
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    std::string base = "/tmp";
    Shape shape;
    int reps = 3;
    for (int i = 1; i < argc; i += 2) {
        const std::string opt = argv[i];
        if (opt == "--help" || opt == "-h") {
            std::printf("usage: %s [--root DIR] [--conferences N] [--mib M] [--reps R]\n", argv[0]);
            return 0;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "usage: %s [--root DIR] [--conferences N] [--mib M] [--reps R]\n", argv[0]);
            return 2;
        }
        if (opt == "--root") base = argv[i + 1];
        else if (opt == "--conferences") shape.conferences = static_cast<uint32_t>(std::atoi(argv[i + 1]));
        else if (opt == "--mib") shape.target_bytes = static_cast<uint64_t>(std::atoll(argv[i + 1])) << 20;
        else if (opt == "--reps") reps = std::atoi(argv[i + 1]);
        else {
            std::fprintf(stderr, "usage: %s [--root DIR] [--conferences N] [--mib M] [--reps R]\n", argv[0]);
            return 2;
        }
    }
    if (shape.conferences < 1 || shape.conferences > 784 || reps < 1) return 2;

    const std::string root = base + "/marlinth-backup-bench-" + std::to_string(::getpid());
    std::unique_ptr<Platform> native = make_native_platform();
    std::printf("Generating a MESSAGE tree of %u conferences, about %llu MiB, under %s ...\n", shape.conferences,
                static_cast<unsigned long long>(shape.target_bytes >> 20), root.c_str());
    const Clock::time_point gen = Clock::now();
    const Generated g = generate(*native, root + "/BBS", shape);
    const std::string home = root + "/app";
    test::FixtureBuilder(*native).make_dir(home);
    const double mib = static_cast<double>(g.bytes) / (1024.0 * 1024.0);
    std::printf("Tree: %llu files, %llu bytes (%.1f MiB); messages per conference %u (largest) to %u (smallest); "
                "generated in %.1f s\n",
                static_cast<unsigned long long>(g.files), static_cast<unsigned long long>(g.bytes), mib,
                g.largest_messages, g.smallest_messages, seconds_since(gen));
    show_disk(base);

    // Read the source once so that every measured run starts with it in the page cache.
    run_cp(g, root + "/warm");
    fs::remove_all(root + "/warm");
    settle();

    std::vector<double> command, copy, cp;
    for (int r = 0; r < reps; ++r) {
        const std::string backups = root + "/BACKUPS" + std::to_string(r);
        const std::string copied = root + "/COPY" + std::to_string(r);
        const std::string cp_copy = root + "/CP" + std::to_string(r);
        // Alternate the order so neither side always runs after the other's writeback.
        if (r % 2 == 0) {
            cp.push_back(run_cp(g, cp_copy));
            settle();
            command.push_back(run_command(*native, g, home, backups));
            settle();
            copy.push_back(run_copy(*native, g, home, copied));
            settle();
        } else {
            command.push_back(run_command(*native, g, home, backups));
            settle();
            copy.push_back(run_copy(*native, g, home, copied));
            settle();
            cp.push_back(run_cp(g, cp_copy));
            settle();
        }
        std::printf("run %d: command %.2f s, copy %.2f s, cp -r %.2f s\n", r + 1, command.back(), copy.back(), cp.back());
        if (r == 0) show_disk(base);
        fs::remove_all(backups);
        fs::remove_all(copied);
        fs::remove_all(cp_copy);
        settle();
    }

    const double cp_s = median(cp);
    std::printf("\nOver %.1f MiB in %llu files, %d runs each (median, and the best run):\n", mib,
                static_cast<unsigned long long>(g.files), reps);
    const auto line = [&](const char* what, const std::vector<double>& times) {
        const double s = median(times), best = *std::min_element(times.begin(), times.end());
        std::printf("  %-28s %6.2f s %7.1f MiB/s   best %6.2f s %7.1f MiB/s   throughput / cp -r: %.2f\n", what, s,
                    mib / s, best, mib / best, cp_s / s);
    };
    line("full MESSAGE backup command", command);
    line("copy_tree_new alone", copy);
    line("cp -r", cp);

    fs::remove_all(root);
    show_disk(base);
    return 0;
}
