// Gallery benchmarks: rescans with a cold cache (one file at a time and on every core) and a warm
// one, one thumbnail decode and one of a hostile picture.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include <QImage>

#include "app/gallery/GalleryModel.h"
#include "app/gallery/ImageCache.h"
#include "app/gallery/JpegDecoder.h"
#include "app/gallery/JpegWriter.h"
#include "app/gallery/Thumbnail.h"
#include "app/gallery/WorkerPool.h"
#include "support/HostileJpeg.h"

namespace {

const QSize kThumb{80, 60};

// A folder of `n` copies of one picture, made once per process and removed at exit.
class PictureFolder {
  public:
    PictureFolder(int n, int w, int h) {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp != nullptr ? tmp : "/tmp") + "/gallery-bench-XXXXXX";
        dir_ = ::mkdtemp(templ.data()) != nullptr ? templ : std::string();
        // Something like a webcam picture: smooth shading, a few edges and a little sensor noise.
        QImage image(w, h, QImage::Format_BGR888);
        uint32_t seed = 12345;
        for (int y = 0; y < h; ++y) {
            uint8_t* row = image.scanLine(y);
            for (int x = 0; x < w; ++x) {
                seed = seed * 1664525U + 1013904223U;
                const int noise = static_cast<int>(seed >> 28) - 8;
                const bool box = (x / 160 + y / 160) % 3 == 0;
                row[3 * x] =
                    static_cast<uint8_t>(std::clamp(x * 200 / w + noise + (box ? 40 : 0), 0, 255));
                row[3 * x + 1] = static_cast<uint8_t>(std::clamp(y * 200 / h + noise, 0, 255));
                row[3 * x + 2] =
                    static_cast<uint8_t>(std::clamp(128 + noise + (box ? -60 : 0), 0, 255));
            }
        }
        const std::string first = dir_ + "/seed.jpg";
        gallery::SaveJpegWithExif(image, first, "Peekbox");
        for (int i = 1; i <= n; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/Picture%04d.jpg", i % 10000);
            std::filesystem::copy_file(first, dir_ + name,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        bytes_ = std::filesystem::file_size(first);
        std::filesystem::remove(first);
    }
    ~PictureFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& dir() const { return dir_; }
    double bytes() const { return static_cast<double>(bytes_); }

  private:
    std::string dir_;
    uintmax_t bytes_ = 0;
};

// Thumbnails for `n` new 1280 x 800 pictures, one file at a time (threads = 1) and on one worker
// per core, both in every iteration and in turn first. The time is the parallel rescan's; the
// counters and a printed line give both and their ratio.
void BM_RescanNewPictures(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    PictureFolder folder(n, 1280, 800);
    using Clock = std::chrono::steady_clock;
    auto rescan = [&](int threads) {
        gallery::ImageCache cache;
        gallery::GalleryModel model;
        gallery::ThumbnailSources sources;
        sources.threads = threads;
        const auto start = Clock::now();
        const gallery::RescanStats s =
            model.RescanGallery(cache, folder.dir(), "", kThumb, sources);
        const std::chrono::duration<double> took = Clock::now() - start;
        if (s.decoded != n) {
            state.SkipWithError("not every picture was decoded");
        }
        return took.count();
    };
    double serial = 0;
    double parallel = 0;
    bool serialFirst = true;
    for (auto _ : state) {
        double p = 0;
        if (serialFirst) {
            serial += rescan(1);
            p = rescan(0);
        } else {
            p = rescan(0);
            serial += rescan(1);
        }
        parallel += p;
        state.SetIterationTime(p);
        serialFirst = !serialFirst;
    }
    const auto runs = static_cast<double>(state.iterations());
    const int threads = gallery::workerCount(static_cast<size_t>(n), 0);
    state.counters["files"] = n;
    state.counters["bytes_each"] = folder.bytes();
    state.counters["threads"] = threads;
    state.counters["serial_ms"] = serial / runs * 1e3;
    state.counters["parallel_ms"] = parallel / runs * 1e3;
    state.counters["speedup"] = serial / parallel;
    std::printf("rescan of %d new 1280x800 pictures: serial %.0f ms, %d threads %.0f ms, %.2fx\n",
                n, serial / runs * 1e3, threads, parallel / runs * 1e3, serial / parallel);
}
BENCHMARK(BM_RescanNewPictures)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(4);

void BM_RescanUnchangedWarmCache(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    PictureFolder folder(n, 64, 48);
    gallery::ImageCache cache;
    gallery::GalleryModel model;
    model.RescanGallery(cache, folder.dir(), "", kThumb);
    model.click(5, false, false);
    for (auto _ : state) {
        const gallery::RescanStats s = model.RescanGallery(cache, folder.dir(), "", kThumb);
        if (s.decoded != 0) {
            state.SkipWithError("a warm rescan decoded files");
        }
    }
    state.counters["files"] = n;
}
BENCHMARK(BM_RescanUnchangedWarmCache)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_DecodeThumbnail(benchmark::State& state) {
    PictureFolder folder(1, 1280, 800);
    const std::string path = folder.dir() + "/Picture0001.jpg";
    for (auto _ : state) {
        const auto picture = gallery::decodeJpegForThumbnail(path, kThumb);
        QImage thumb;
        gallery::MakeThumbnail(picture.value_or(gallery::blackBitmap(kThumb)), thumb, false,
                               kThumb);
        benchmark::DoNotOptimize(thumb.constBits());
    }
    state.counters["bytes"] = folder.bytes();
}
BENCHMARK(BM_DecodeThumbnail)->Unit(benchmark::kMicrosecond);

// The hostile picture: 4000 x 4000 grey whose small last scan is repeated 20,000 times (about
// 0.7 MB). Without the decoder's scan limits this took minutes; it must end in a black thumbnail.
void BM_DecodeRepeatedScans(benchmark::State& state) {
    PictureFolder folder(0, 8, 8);
    const std::string path = folder.dir() + "/Picture0001.jpg";
    const std::string bytes = testjpeg::repeatedScans(4000, 4000, 20000);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        state.SkipWithError("cannot write the picture");
    }
    if (f != nullptr) {
        std::fclose(f);
    }
    for (auto _ : state) {
        if (gallery::decodeJpegForThumbnail(path, kThumb).has_value()) {
            state.SkipWithError("the hostile picture decoded");
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_DecodeRepeatedScans)->Unit(benchmark::kMillisecond);

void BM_CacheSaveLoad(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    gallery::ImageCache cache;
    QImage thumb;
    gallery::MakeThumbnail(gallery::blackBitmap(kThumb), thumb, false, kThumb);
    for (int i = 0; i < n; ++i) {
        cache.Add(gallery::makeCacheRecord(
            thumb, "/home/user/Pictures/Picture" + std::to_string(i) + ".jpg", i, 1));
    }
    PictureFolder folder(0, 8, 8);
    const std::string file = folder.dir() + "/Peekbox.icf";
    for (auto _ : state) {
        cache.SaveToFile(file);
        gallery::ImageCache loaded;
        loaded.LoadFromFile(file);
        benchmark::DoNotOptimize(loaded.count());
    }
    state.counters["entries"] = n;
}
BENCHMARK(BM_CacheSaveLoad)->Arg(1000)->Unit(benchmark::kMillisecond);

// The largest cache file the gallery can name (20,000 records, 455 MB, sparse here) against a
// folder that holds 10 of its files; argument 1 loads with the window's filter, 0 keeps all.
void BM_CacheLoadLargeFile(benchmark::State& state) {
    const bool filtered = state.range(0) != 0;
    PictureFolder folder(10, 64, 48);
    const std::string& dir = folder.dir();
    const std::string file = dir + "/Peekbox.icf";
    {
        std::FILE* f = std::fopen(file.c_str(), "wb");
        const int32_t header[2] = {gallery::ImageCache::kFormatMark,
                                   gallery::ImageCache::kMaxEntries};
        std::fwrite(header, sizeof header, 1, f);
        gallery::ImageCacheEntry record;
        for (int i = 0; i < gallery::ImageCache::kMaxEntries; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, i < 10000 ? "/Picture%04d.jpg" : "/Movie%04d.avi",
                          i % 10000);
            gallery::ImageCache::setRecordPath(record, dir + name);
            std::fseek(f, static_cast<long>(8 + i * sizeof record), SEEK_SET);
            std::fwrite(&record, offsetof(gallery::ImageCacheEntry, thumbWidth), 1, f);
        }
        std::fclose(f);
        std::filesystem::resize_file(file, gallery::ImageCache::kMaxFileBytes);
    }
    int entries = 0;
    for (auto _ : state) {
        gallery::ImageCache loaded;
        if (filtered) {
            loaded.LoadFromFile(file, [&](std::string_view path) {
                return gallery::GalleryModel::WouldList(path, dir, dir);
            });
        } else {
            loaded.LoadFromFile(file);
        }
        entries = loaded.count();
    }
    state.counters["resident_entries"] = entries;
    state.counters["resident_MB"] = entries * sizeof(gallery::ImageCacheEntry) / 1e6;
}
BENCHMARK(BM_CacheLoadLargeFile)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
