#include "support/script_harness.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "ui/headless/headless_session.h"
#include "ui/headless/script_runner.h"

#ifndef MARLINTH_SCRIPTS_DIR
#define MARLINTH_SCRIPTS_DIR "tests/scripts"
#endif

namespace marlinth::test {

namespace {

size_t line_start(const std::string& text, size_t at) {
    const size_t newline = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
    return newline == std::string::npos ? 0 : newline + 1;
}

}  // namespace

bool is_box_line(std::string_view line) { return line.substr(0, 4) == "BOX "; }

std::string substitute(const std::string& text, const ScriptVars& vars) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find("${", pos);
        if (open == std::string::npos) break;
        size_t close = text.find('}', open);
        if (close == std::string::npos) break;
        out.append(text, pos, open - pos);
        auto it = vars.find(text.substr(open + 2, close - open - 2));
        if (it == vars.end()) throw std::runtime_error("script variable not set: " + text.substr(open, close - open + 1));
        out += is_box_line(std::string_view(text).substr(line_start(text, open))) ? box_escaped(it->second) : it->second;
        pos = close + 1;
    }
    out.append(text, pos, std::string::npos);
    return out;
}

std::string masked(const std::string& text, const std::string& value, const std::string& mask) {
    if (value.empty()) return text;
    const std::string escaped = box_escaped(value);
    std::string out;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(start, end - start);
        const std::string& needle = is_box_line(line) ? escaped : value;
        for (size_t at = line.find(needle); at != std::string::npos; at = line.find(needle, at + mask.size()))
            line.replace(at, needle.size(), mask);
        out += line;
        start = end;
    }
    return out;
}

std::string load_script(const std::string& name) {
    std::ifstream in(std::string(MARLINTH_SCRIPTS_DIR) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read script " + name);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string golden(const std::string& name, const std::string& actual, const ScriptVars& vars) {
    const char* update = std::getenv("MARLINTH_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::vector<std::pair<std::string, std::string>> by_length(vars.begin(), vars.end());
        std::sort(by_length.begin(), by_length.end(),
                  [](const auto& a, const auto& b) { return a.second.size() > b.second.size(); });
        std::string text = actual;
        for (const auto& [key, value] : by_length) text = masked(text, value, "${" + key + "}");
        std::ofstream out(std::string(MARLINTH_SCRIPTS_DIR) + "/" + name, std::ios::binary);
        out << text;
    }
    return substitute(load_script(name), vars);
}

ScriptResult run_script(Platform& platform, const std::string& home, const std::string& script, const ScriptVars& vars,
                        const SessionSetup& prepare) {
    return run_script_parts(platform, home, script, vars, prepare, {});
}

std::vector<std::string> script_parts(const std::string& text) {
    std::vector<std::string> parts(1);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("#pause", 0) == 0) parts.emplace_back();
        parts.back() += line + "\n";
    }
    return parts;
}

ScriptResult run_script_parts(Platform& platform, const std::string& home, const std::string& script,
                              const ScriptVars& vars, const SessionSetup& prepare, const Interlude& between) {
    HeadlessSession session(platform, home, false);
    ScriptResult result;
    std::ostringstream out;
    ScriptRunner runner(session.app(), session.view(), out);
    runner.start_with([&] {
        if (!session.start()) return false;
        if (prepare) prepare(session.app());
        return true;
    });
    const std::vector<std::string> parts = script_parts(substitute(script, vars));
    result.ok = true;
    for (size_t i = 0; i < parts.size() && result.ok; ++i) {
        if (i > 0 && between) between(session.app(), static_cast<int>(i));
        std::istringstream in(parts[i]);
        result.ok = runner.run(in);
    }
    result.output = out.str();
    return result;
}

}  // namespace marlinth::test
