// Texts as the writer's golden files show them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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

}  // namespace marlinth::test
