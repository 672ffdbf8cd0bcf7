#include "core/testsupport/TempDir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace brimly::testing {

TempDir::TempDir(std::string_view parent) {
    std::string base =
        (parent.empty() ? std::filesystem::temp_directory_path().string() : std::string(parent)) +
        "/brimly-test-XXXXXX";
    std::vector<char> name(base.begin(), base.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) std::abort();
    m_path = std::filesystem::canonical(name.data()).string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::operator/(std::string_view relative) const {
    return m_path + "/" + std::string(relative);
}

std::string TempDir::write(std::string_view relative, std::string_view bytes) const {
    std::string full = *this / relative;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
}

std::string TempDir::makeDir(std::string_view relative) const {
    std::string full = *this / relative;
    std::filesystem::create_directories(full);
    return full;
}

std::string sharedTestData(std::string_view relative) {
    const char* source = std::getenv("BRIMLY_SOURCE_DIR");
    std::filesystem::path root = source != nullptr ? source : ".";
    auto candidate = root / ".." / "shared" / "testdata" / relative;
    std::error_code error;
    if (!std::filesystem::exists(candidate, error)) return "";
    return std::filesystem::canonical(candidate, error).string();
}

}  // namespace brimly::testing
