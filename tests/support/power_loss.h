// What a power cut leaves of a directory tree: only what was flushed. A file's bytes reach the
// disk when the file is flushed; a name created, renamed or deleted in a directory reaches it
// when that directory is flushed. The model follows the tree under one root from start() on and,
// on power_cut(), rewrites that tree to what the disk would hold. It is pessimistic where real
// file systems differ: a truncation is durable at once, the data that replaces it is not.
#pragma once

#include <map>
#include <set>
#include <string>

namespace marlinth::test {

class PowerLossModel {
public:
    // Takes everything under `root` as it is now as durable.
    void start(const std::string& root);
    bool active() const { return !root_.empty(); }

    void created(const std::string& path);  // an empty new file (its name not yet durable)
    void truncated(const std::string& path);
    void flushed(const std::string& path);  // the file's current bytes are durable
    void renamed(const std::string& from, const std::string& to);
    void deleted(const std::string& path);
    void created_directory(const std::string& path);
    void directory_flushed(const std::string& path);

    // Rewrites the tree under the root to its durable state.
    void power_cut();

private:
    bool inside(const std::string& path) const;

    std::string root_;
    int next_id_ = 0;
    std::map<std::string, int> live_files_, durable_files_;  // path -> file identity
    std::map<int, std::string> durable_bytes_;
    std::set<std::string> live_dirs_, durable_dirs_;
};

}  // namespace marlinth::test
