// Goldens that pin a clean report once and each case by the lines it changes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace marlinth::test {

// A report with plain line ends; every line of it must end in CR LF.
inline std::string plain_lines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || text[i + 1] != '\n') out += text[i];
    EXPECT_EQ(out.size() + static_cast<size_t>(std::count(text.begin(), text.end(), '\n')), text.size()) << "a line without CR LF";
    return out;
}

// What a report changes against a clean one, line by line: "@ n" where a run of changes starts
// (n counts the clean report's lines from 1), then "- line" for each line left out and
// "+ line" for each line put in. A case then pins only what it changes.
inline std::string changed_lines(const std::string& clean, const std::string& report) {
    const auto split = [](const std::string& text) {
        std::vector<std::string> lines;
        size_t start = 0;
        while (start < text.size()) {
            const size_t end = text.find('\n', start);
            lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    };
    const std::vector<std::string> a = split(clean), b = split(report);
    // The longest common subsequence, from the ends, so that the walk below goes forwards.
    std::vector<std::vector<size_t>> common(a.size() + 1, std::vector<size_t>(b.size() + 1, 0));
    for (size_t i = a.size(); i-- > 0;)
        for (size_t j = b.size(); j-- > 0;)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    std::string out;
    bool in_run = false;
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && a[i] == b[j]) {
            ++i, ++j;
            in_run = false;
            continue;
        }
        if (!in_run) out += "@ " + std::to_string(i + 1) + "\n";
        in_run = true;
        if (j < b.size() && (i == a.size() || common[i][j + 1] >= common[i + 1][j]))
            out += "+ " + b[j++] + "\n";
        else
            out += "- " + a[i++] + "\n";
    }
    return out;
}

// Cases gathered for one golden: the first pinned whole under "== <title>", every later one by
// the lines it changes against the earlier case closest to it, named in its heading
// ("== <title> (against <title>)"; a tie goes to the earlier case, so mostly the first), or
// whole where that is shorter.
struct ChangedCases {
    void add(const std::string& title, const std::string& shown) {
        const auto lines = [](const std::string& t) { return std::count(t.begin(), t.end(), '\n'); };
        std::string against, changes;
        for (const auto& [earlier, text] : cases) {
            std::string c = changed_lines(text, shown);
            if (against.empty() || lines(c) < lines(changes)) against = earlier, changes = std::move(c);
        }
        const bool whole = cases.empty() || lines(changes) >= lines(shown);
        all += "== " + title + (whole ? "\n" + shown : " (against " + against + ")\n" + changes);
        cases.emplace_back(title, shown);
    }
    // A case another golden pins whole: later cases may be pinned against it; it is not written here.
    void pinned_elsewhere(const std::string& title, const std::string& shown) { cases.emplace_back(title, shown); }
    std::string all;
    std::vector<std::pair<std::string, std::string>> cases;
};

}  // namespace marlinth::test
