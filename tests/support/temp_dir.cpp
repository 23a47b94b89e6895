#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/strings.h"

namespace marlinth::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const fs::path candidate = fs::temp_directory_path() / ("marlinth-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (!fs::create_directory(candidate, ec)) continue;
        path_ = candidate.string();
        return;
    }
    std::abort();
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(fs::path(path_), ec);
}

std::string TempDir::operator/(const std::string& name) const {
    std::string rel = name;
    std::replace_if(rel.begin(), rel.end(), [](char c) { return c == '/' || c == '\\'; }, kPathSeparator);
    return path_ + kPathSeparator + rel;
}

}  // namespace marlinth::test
