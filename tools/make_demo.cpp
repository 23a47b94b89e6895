// make-demo DIR [--windows]: generates a demo Spitfire installation under DIR (three nodes, a
// shared MESSAGE directory, a QUARRO32.CFG) with two area lists in DIR/NA, and a Marlinth.cfg for
// it in DIR/app, then prints where each of them is. DEMONET.NA walks every wizard page;
// SHOWCASE.NA shows every verdict, and so stops at the review page. With --windows the paths in
// Marlinth.cfg are written as Wine sees them (Z:\...).
//
// make-demo --first-boot NODE1 MESSAGE: does what Spitfire's first boot with "Test Files Upon
// Boot" does after conferences were appended: every conference of NODE1's SFMCONF.DAT that has
// no message files yet gets empty .PTR, .IDX, .DAT and .LMR files in MESSAGE.
#include <cstdio>
#include <string>

#include "core/config.h"
#include "core/files.h"
#include "core/platform.h"
#include "core/strings.h"
#include "fixture/installation.h"

using namespace marlinth;
using namespace marlinth::test;

namespace {

std::string as_windows(const std::string& path, bool windows) {
    if (!windows) return path;
    std::string out = "Z:";
    for (char c : path) out.push_back(c == '/' ? '\\' : c);
    return out;
}

// Five new echoes, each READY as it stands: a newcomer following the guide reaches the commit.
std::string walkable_na_file() {
    std::string t;
    t += "; Demo Network echomail areas\r\n";
    t += "; TAG                 DESCRIPTION\r\n";
    t += "DEMO_GENERAL          Demo Network: General chat\r\n";
    t += "DEMO_SYSOPS           Sysop discussion and support\r\n";
    t += "DEMO_RETRO            Retro computing, old hardware\r\n";
    t += "DEMO_ANNOUNCE         Network announcements\r\n";
    t += "DEMO_FILES            New files on the network\r\n";
    return t;
}

// Lines of every verdict: READY, a cut name and a missing description (REVIEW), and the
// three ways a line is BLOCKED (a tag the BBS carries, one too long, one given twice).
std::string showcase_na_file() {
    std::string t;
    t += "; Demo Network echomail areas: one line of every verdict\r\n";
    t += "; TAG                 DESCRIPTION\r\n";
    t += "DEMO_GENERAL          Demo Network: General chat\r\n";
    t += "DEMO_SYSOPS           Sysop discussion and support\r\n";
    t += "DEMO_RETRO            Retro computing, old hardware and software of every kind\r\n";
    t += "DEMO_ANNOUNCE         Network announcements\r\n";
    t += "DEMO_FILES            \r\n";
    t += "ECHO2                 An area every node already carries\r\n";
    t += "DEMO_TAG_TOO_LONG_X   A tag longer than the Net ID field\r\n";
    t += "DEMO_GENERAL          Duplicate of the first area\r\n";
    return t;
}

int first_boot(const std::string& node1, const std::string& message_dir) {
    std::unique_ptr<Platform> platform = make_native_platform();
    std::string conference_file;
    if (!join_path(conference_file, 4096, node1, "SFMCONF.DAT") || !is_file(*platform, conference_file) ||
        !is_directory(*platform, message_dir)) {
        std::fprintf(stderr, "make-demo: no SFMCONF.DAT in %s, or no directory %s\n", node1.c_str(), message_dir.c_str());
        return 1;
    }
    FixtureBuilder fb(*platform);
    const size_t records = fb.read_file(conference_file).size() / kRecordSize;
    int created = 0;
    for (uint32_t number = 1; number <= records; ++number) {
        std::string found;
        if (find_message_file(*platform, message_dir, number, found, 260)) continue;
        fb.make_empty_message_bases(message_dir, number, number);
        ++created;
    }
    std::printf("%d new message base(s) created\n", created);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* const usage = "usage: make-demo DIR [--windows]\n       make-demo --first-boot NODE1 MESSAGE\n";
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc == 4 && first == "--first-boot") return first_boot(argv[2], argv[3]);
    // An option is never taken for the folder to create.
    if (argc < 2 || argc > 3 || first.empty() || first[0] == '-' || (argc == 3 && std::string(argv[2]) != "--windows")) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::string root = argv[1];
    const bool windows = argc > 2 && std::string(argv[2]) == "--windows";
    std::unique_ptr<Platform> platform = make_native_platform();
    FixtureBuilder fb(*platform);
    std::string bbs, app_dir, na_dir;
    join_path(bbs, 4096, root, "BBS");
    join_path(app_dir, 4096, root, "app");
    join_path(na_dir, 4096, root, "NA");
    if (fb.exists(bbs)) {
        std::fprintf(stderr, "make-demo: %s exists already; remove it first\n", bbs.c_str());
        return 1;
    }
    InstallationSpec wanted;
    wanted.nodes = 3;
    wanted.conferences = echo_conferences(12);
    wanted.conferences[0].name = "Local Sysop Chat";
    wanted.conferences[0].net_id = "";
    wanted.conferences[0].allow_routing = 0;
    wanted.message_base.messages = 40;
    Installation inst = build_installation(*platform, bbs, wanted);
    fb.make_dir(app_dir);
    fb.make_dir(na_dir);
    std::string path, walkable, showcase;
    join_path(walkable, 4096, na_dir, "DEMONET.NA");
    fb.write_text(walkable, walkable_na_file());
    join_path(showcase, 4096, na_dir, "SHOWCASE.NA");
    fb.write_text(showcase, showcase_na_file());
    // The demo network is not one of the built-in profiles: the profiles file beside the program
    // teaches Marlinth how its list reads.
    join_path(path, 4096, app_dir, "Marlinth-profiles.ini");
    fb.write_text(path, "; Network profiles added to the built-in ones\r\n[demonet]\r\nDisplayName=DemoNet\r\n"
                        "Parser=Whitespace\r\nFilenameAliases=DEMONET.NA|SHOWCASE.NA\r\nTagPrefixes=DEMO_\r\n"
                        "StripPrefixes=Demo Network:\r\n");

    std::string quarro;
    join_path(quarro, 4096, bbs, "QUARRO32.CFG");
    fb.write_text(quarro, "; Quarro32 configuration for the demo system\r\n"
                          "CONFDIR " + as_windows(inst.nodes[0], windows) + "\r\n"
                          "MSGDIR " + as_windows(inst.message_dir, windows) + "\r\n"
                          "INBOUND " + as_windows(bbs, windows) + (windows ? "\\IN" : "/IN") + "\r\n"
                          "\r\n[LINK Demo Hub]\r\nADDRESS 99:1/2\r\nHUB 99:1/0\r\nOUTDIR " +
                          as_windows(bbs, windows) + (windows ? "\\OUT" : "/OUT") + "\r\nNETMAILZONE 99\r\nAREA DEMO_GENERAL\r\n");

    SetupState setup;
    setup.nodes.count = static_cast<int32_t>(inst.nodes.size());
    for (size_t i = 0; i < inst.nodes.size(); ++i) setup.nodes.dir[i + 1] = as_windows(inst.nodes[i], windows);
    setup.message_dir = as_windows(inst.message_dir, windows);
    setup.backup_root = as_windows(inst.backup_root, windows);
    join_path(path, 4096, app_dir, "Marlinth.cfg");
    fb.write_text(path, configuration_text(setup));
    // The paths of the files just written, so that what is shown is where they are.
    std::printf("Demo installation: %s (nodes SF, SF2, SF3; MESSAGE; QUARRO32.CFG)\n", bbs.c_str());
    std::printf("Area list to load: %s (five new echoes, all ready: the whole wizard road)\n", walkable.c_str());
    std::printf("Second area list: %s (echoes of every verdict; it stops at the review page)\n", showcase.c_str());
    std::printf("Program directory: %s (the demo's Marlinth.cfg; Marlinth.exe and its Marlinth.log go here)\n",
                app_dir.c_str());
    return 0;
}
