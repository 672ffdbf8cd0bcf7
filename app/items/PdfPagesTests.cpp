#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "app/items/PdfPages.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using testing::TempDir;

// A PDF of blank pages of 200 x 100 points, with a correct cross-reference table.
std::string pdf(int pages) {
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>"};
    std::string kids;
    for (int page = 0; page < pages; ++page) kids += std::to_string(3 + page) + " 0 R ";
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    for (int page = 0; page < pages; ++page)
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>");
    std::string out = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t n = 0; n < objects.size(); ++n) {
        offsets.push_back(out.size());
        out += std::to_string(n + 1) + " 0 obj\n" + objects[n] + "\nendobj\n";
    }
    std::size_t table = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        std::string number = std::to_string(offset);
        out += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(table) + "\n%%EOF\n";
    return out;
}

std::string write(const TempDir& dir, const std::string& name, const std::string& bytes) {
    std::string path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// The image library keeps libvips's modules out as it starts: the PDF loader comes in on demand.
TEST(PdfPagesTest, CountsAndRendersPagesAndRefusesWhatIsNoPdf) {
    ASSERT_TRUE(PdfPages::isAvailable());
    TempDir dir;
    std::string document = write(dir, "two.pdf", pdf(2));
    EXPECT_EQ(PdfPages::pageCount(document), 2);

    QImage second = PdfPages::render(document, 1, 300);
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(second.width(), 300);
    EXPECT_EQ(second.height(), 150);
    EXPECT_TRUE(PdfPages::render(document, 2, 300).isNull());

    for (const std::string& path : {write(dir, "notes.pdf", "just some text"),
                                    write(dir, "cut.pdf", pdf(2).substr(0, 60)), dir / "missing.pdf"}) {
        EXPECT_EQ(PdfPages::pageCount(path), std::nullopt) << path;
        EXPECT_TRUE(PdfPages::render(path, 0, 300).isNull()) << path;
    }
}

}  // namespace
}  // namespace brimly
