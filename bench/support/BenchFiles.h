#pragma once

#include <cstdint>
#include <string>

#include "core/base/Date.h"

namespace brimly::bench {

// A fresh folder under the temporary directory, removed with everything in it when the value goes away.
class BenchFolder {
public:
    BenchFolder();
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

// An RGB PNG whose pixels depend on `seed`. Stored (uncompressed) deflate blocks make its size about
// width × height × 3 bytes, like a screenshot of busy content; `compressed` deflates it like a screenshot of
// a plain page.
std::string png(std::uint32_t width, std::uint32_t height, unsigned seed, bool compressed = false);

// The same PNG with a text chunk naming `tag`: other bytes, the same picture.
std::string withTag(const std::string& png, const std::string& tag);

// A transcript line: a tool result in session `session` carrying `png` as a Base64 image.
std::string imageLine(const std::string& png, const std::string& session, const std::string& toolUseID,
                      Date at);
// A transcript line with a user's prompt and nothing to capture.
std::string textLine(const std::string& session, const std::string& text, Date at);

void writeFile(const std::string& path, const std::string& bytes);
void setModified(const std::string& path, Date at);

}  // namespace brimly::bench
