// Texts as the writer's golden files show them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/strings.h"
#include "support/script_walk.h"

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

}  // namespace marlinth::test
