// Thumbnails as ingest makes them (largest side 360, JPEG quality 0.8) of a 4K PNG screenshot and a 12 MP
// photo stored turned (orientation 6), against the vipsthumbnail command on the same files in the same run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/base/AtomicFile.h"
#include "core/store/ImageProbe.h"

namespace brimly {
namespace {

std::string withOrientation(const std::string& jpeg, int orientation) {
    std::string tiff("MM\x00\x2A\x00\x00\x00\x08\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01\x00", 19);
    tiff.push_back(static_cast<char>(orientation));
    tiff.append(std::string(6, '\0'));
    std::string body = std::string("Exif\0\0", 6) + tiff;
    std::string segment = "\xFF\xE1";
    segment.push_back(static_cast<char>((body.size() + 2) >> 8));
    segment.push_back(static_cast<char>((body.size() + 2) & 0xFF));
    return jpeg.substr(0, 2) + segment + body + jpeg.substr(2);
}

// Test pictures made once with the vips command: noise is the worst case for both decoders.
struct Pictures {
    std::string folder;
    std::string png;
    std::string jpeg;

    Pictures() {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/brimly-thumb-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        folder = pattern;
        png = folder + "/screen.png";
        jpeg = folder + "/photo.jpg";
        std::string plain = folder + "/plain.jpg";
        std::string commands =
            "vips gaussnoise " + folder + "/a.v 3840 2160 --mean 128 --sigma 20 && vips copy " + folder +
            "/a.v " + png + " && vips gaussnoise " + folder +
            "/b.v 4000 3000 --mean 128 --sigma 20 && vips copy " + folder + "/b.v '" + plain + "[Q=90]'";
        if (std::system(commands.c_str()) != 0) std::abort();
        auto bytes = AtomicFile::read(plain);
        if (!bytes || AtomicFile::write(jpeg, withOrientation(*bytes, 6))) std::abort();
    }
    ~Pictures() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

const Pictures& pictures() {
    static Pictures shared;
    return shared;
}

void thumbnail(benchmark::State& state, const std::string& path) {
    std::string out = pictures().folder + "/thumb.jpg";
    for (auto _ : state) {
        auto source = ImageSource::open(path);
        if (!source || !ImageProbe::writeThumbnail(*source, out)) state.SkipWithError("no thumbnail");
    }
}

void command(benchmark::State& state, const std::string& path) {
    std::string line = "vipsthumbnail '" + path + "' -s 360 -o '" + pictures().folder + "/cmd.jpg[Q=80]'";
    for (auto _ : state) {
        if (std::system(line.c_str()) != 0) state.SkipWithError("vipsthumbnail failed");
    }
}

void BM_ThumbnailPng4K(benchmark::State& state) { thumbnail(state, pictures().png); }
void BM_VipsthumbnailPng4K(benchmark::State& state) { command(state, pictures().png); }
void BM_ThumbnailJpeg12MPTurned(benchmark::State& state) { thumbnail(state, pictures().jpeg); }
void BM_VipsthumbnailJpeg12MPTurned(benchmark::State& state) { command(state, pictures().jpeg); }

void BM_PixelSizeJpeg12MP(benchmark::State& state) {
    auto source = ImageSource::open(pictures().jpeg);
    for (auto _ : state) benchmark::DoNotOptimize(ImageProbe::pixelSize(*source));
}

BENCHMARK(BM_ThumbnailPng4K)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VipsthumbnailPng4K)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThumbnailJpeg12MPTurned)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VipsthumbnailJpeg12MPTurned)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixelSizeJpeg12MP)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brimly
