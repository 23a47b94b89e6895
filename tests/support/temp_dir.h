// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace marlinth::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // path joined with a relative name (either separator accepted in `name`).
    std::string operator/(const std::string& name) const;

private:
    std::string path_;
};

}  // namespace marlinth::test
