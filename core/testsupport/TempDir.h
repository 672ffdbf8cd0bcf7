#pragma once

#include <string>
#include <string_view>

namespace brimly::testing {

// A fresh folder under `parent` (the temporary directory when empty), removed with everything in it when
// the value goes away.
class TempDir {
public:
    explicit TempDir(std::string_view parent = {});
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // `relative` joined to the folder.
    std::string operator/(std::string_view relative) const;
    // Writes `bytes` to `relative`, creating parent folders; returns the absolute path.
    std::string write(std::string_view relative, std::string_view bytes) const;
    std::string makeDir(std::string_view relative) const;

private:
    std::string m_path;
};

// Absolute path of a file under the repository's shared test data, or empty when that folder is absent.
std::string sharedTestData(std::string_view relative);

}  // namespace brimly::testing
