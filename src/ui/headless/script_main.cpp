// marlinth-script --home DIR FILE: runs the program logic with DIR as its own directory and
// performs the user actions in FILE ("-" reads standard input).
#include <fstream>
#include <iostream>
#include <string>

#include "core/platform.h"
#include "ui/headless/headless_session.h"
#include "ui/headless/script_runner.h"

int main(int argc, char** argv) {
    std::string home, file;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << "usage: marlinth-script --home DIR FILE\n"
                         "Runs the program logic with DIR as its own directory and performs the user actions in\n"
                         "FILE, one a line (\"-\" reads standard input); see README.md, \"The scripted runner\".\n";
            return 0;
        }
        if (arg == "--home" && i + 1 < argc)
            home = argv[++i];
        else if (file.empty())
            file = arg;
        else
            home.clear(), file.clear(), i = argc;
    }
    if (home.empty() || file.empty()) {
        std::cerr << "usage: marlinth-script --home DIR FILE\n";
        return 2;
    }
    std::unique_ptr<marlinth::Platform> platform = marlinth::make_native_platform();
    marlinth::HeadlessSession session(*platform, home, false);
    marlinth::ScriptRunner runner(session.app(), session.view(), std::cout);
    runner.start_with([&] { return session.start(); });
    bool ok;
    if (file == "-") {
        ok = runner.run(std::cin);
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::cerr << "marlinth-script: cannot read " << file << "\n";
            return 2;
        }
        ok = runner.run(in);
    }
    std::cout.flush();
    return ok ? 0 : 2;
}
