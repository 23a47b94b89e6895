#include "support/power_loss.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/strings.h"

namespace marlinth::test {

namespace fs = std::filesystem;

namespace {

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string plain(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

void PowerLossModel::start(const std::string& root) {
    root_ = plain(root);
    live_files_.clear(), durable_files_.clear(), durable_bytes_.clear();
    live_dirs_ = durable_dirs_ = {root_};
    for (const auto& entry : fs::recursive_directory_iterator(root_)) {
        const std::string path = entry.path().string();
        if (entry.is_directory()) {
            live_dirs_.insert(path), durable_dirs_.insert(path);
        } else {
            const int id = ++next_id_;
            live_files_[path] = durable_files_[path] = id;
            durable_bytes_[id] = read_all(path);
        }
    }
}

bool PowerLossModel::inside(const std::string& path) const {
    return active() && path.size() > root_.size() && path.compare(0, root_.size(), root_) == 0 && path[root_.size()] == '/';
}

void PowerLossModel::created(const std::string& path) {
    if (!inside(path)) return;
    const int id = ++next_id_;
    live_files_[plain(path)] = id;
    durable_bytes_[id] = std::string();
}

void PowerLossModel::truncated(const std::string& path) {
    auto it = live_files_.find(plain(path));
    if (it != live_files_.end()) durable_bytes_[it->second] = std::string();
}

void PowerLossModel::flushed(const std::string& path) {
    auto it = live_files_.find(plain(path));
    if (it != live_files_.end()) durable_bytes_[it->second] = read_all(it->first);
}

void PowerLossModel::renamed(const std::string& from, const std::string& to) {
    auto it = live_files_.find(plain(from));
    if (it == live_files_.end()) return;
    const int id = it->second;
    live_files_.erase(it);
    if (inside(to)) live_files_[plain(to)] = id;
}

void PowerLossModel::deleted(const std::string& path) { live_files_.erase(plain(path)); }

void PowerLossModel::created_directory(const std::string& path) {
    if (inside(path)) live_dirs_.insert(plain(path));
}

void PowerLossModel::directory_flushed(const std::string& path) {
    const std::string dir = plain(path);
    auto in_dir = [&](const std::string& p) { return parent_of(p) == dir; };
    for (auto it = durable_files_.begin(); it != durable_files_.end();)
        it = in_dir(it->first) && !live_files_.count(it->first) ? durable_files_.erase(it) : std::next(it);
    for (const auto& [p, id] : live_files_)
        if (in_dir(p)) durable_files_[p] = id;
    for (auto it = durable_dirs_.begin(); it != durable_dirs_.end();)
        it = in_dir(*it) && !live_dirs_.count(*it) ? durable_dirs_.erase(it) : std::next(it);
    for (const std::string& d : live_dirs_)
        if (in_dir(d)) durable_dirs_.insert(d);
}

void PowerLossModel::power_cut() {
    if (!active()) return;
    auto present = [&](std::string dir) {
        for (; dir.size() > root_.size(); dir = parent_of(dir))
            if (!durable_dirs_.count(dir)) return false;
        return true;
    };
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& [p, id] : durable_files_)
        if (present(parent_of(p))) files.push_back({p, durable_bytes_[id]});
    for (const auto& entry : fs::directory_iterator(root_)) fs::remove_all(entry.path());
    for (const std::string& d : durable_dirs_)  // sorted: parents before children
        if (d != root_ && present(d)) fs::create_directory(d);
    for (const auto& [p, bytes] : files) std::ofstream(p, std::ios::binary) << bytes;
}

}  // namespace marlinth::test
