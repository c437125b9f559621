// The compressor lists and lookup over the real encoder catalogue.
#include <algorithm>

#include "CaptureFixture.h"
#include "capture/nDirectShow.h"
#include "platform/RegistryKey.h"
#include "support/TestEnvironment.h"

namespace {

class CompressorCatalogue : public CaptureFixture {
  protected:
    static bool has(const std::vector<std::string>& l, const std::string& n) {
        return std::find(l.begin(), l.end(), n) != l.end();
    }
};

TEST_F(CompressorCatalogue, ListsHideByFragmentAndLookupIsExact) {
    testenv::clearDir(testenv::configHome());
    {
        platform::RegistryKey key;
        ASSERT_EQ(
            key.open(platform::RegRoot::CurrentUser, "Software\\TWK_CM_SW\\Compressors", true),
            platform::kErrorSuccess);
        key.setDword("jpeg", 0);
        key.setDword("Lame", 1);
        key.close();
    }
    TDirectShow ds;
    std::vector<std::string> video{"stale"};
    EXPECT_EQ(ds.GetCompressorsList(video), 0);
    EXPECT_FALSE(has(video, "stale"));
    EXPECT_FALSE(has(video, "JPEG image encoder"));  // hidden by "jpeg" in any case
    EXPECT_FALSE(video.empty());
    std::vector<std::string> audio;
    EXPECT_EQ(ds.GetAudioCompressorsList(audio), 0);
    EXPECT_FALSE(has(audio, "JPEG image encoder"));

    // Lookup ignores the hide table and wants the exact name.
    platform::media::Filter f;
    ds.options().CompressorName = "JPEG image encoder";
    ds.GetCompressor(f, 0);
    EXPECT_TRUE(f);
    ds.options().CompressorName = "jpeg image encoder";
    ds.GetCompressor(f, 0);
    EXPECT_FALSE(f);
    ds.options().AudioCompressorName = audio.empty() ? std::string() : audio.front();
    ds.GetCompressor(f, 1);
    EXPECT_EQ(static_cast<bool>(f), !audio.empty());
}

}  // namespace
