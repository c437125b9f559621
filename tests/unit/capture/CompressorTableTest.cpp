// The supported-compressor table from the settings key and its hide rule.
#include <gtest/gtest.h>

#include "capture/CompressorTable.h"
#include "capture/nDirectShow.h"
#include "platform/RegistryKey.h"
#include "support/TestEnvironment.h"

namespace {

const char* const kPath = "Software\\TWK_CM_SW\\Compressors";

void writeKey(const std::string& path,
              const std::vector<std::pair<std::string, uint32_t>>& values) {
    testenv::clearDir(testenv::configHome());
    platform::RegistryKey key;
    ASSERT_EQ(key.open(platform::RegRoot::CurrentUser, path, true), platform::kErrorSuccess);
    for (const auto& [name, data] : values) {
        key.setDword(name, data);
    }
    key.close();
}

TEST(CompressorTable, AZeroValueHidesNamesContainingItInAnyCase) {
    writeKey(kPath, {{"ZIP", 0}});
    CompressorTable t;
    t.load(kPath);
    EXPECT_TRUE(t.hides("Zip Encoder"));
    EXPECT_TRUE(t.hides("MyZIP Codec"));
    EXPECT_FALSE(t.hides("Zap Encoder"));

    writeKey(kPath, {{"ZIP", 1}});
    t.clear();
    t.load(kPath);
    EXPECT_EQ(t.entry(0).flag, 1);
    EXPECT_FALSE(t.hides("Zip Encoder"));
}

TEST(CompressorTable, MissingKeyEmptyEntriesAndNonAsciiNames) {
    testenv::clearDir(testenv::configHome());
    CompressorTable t;
    t.load(kPath);
    EXPECT_TRUE(t.entry(0).name.empty());
    EXPECT_FALSE(t.hides("Anything"));  // an empty name never matches
    t.set(3, "\xc3\xa9nc", 0);          // "énc"
    EXPECT_TRUE(t.hides("Super \xc3\x89NC"));
}

TEST(CompressorTable, BadValuesLongNamesAndTooManyValues) {
    testenv::clearDir(testenv::configHome());
    {
        platform::RegistryKey key;
        ASSERT_EQ(key.open(platform::RegRoot::CurrentUser, kPath, true), platform::kErrorSuccess);
        key.setString("Text", "not a number");  // reads as 0: hides
        key.setDword(std::string(600, 'L'), 1);
        for (int i = 0; i < 120; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "V%03d", i);
            key.setDword(name, 0);
        }
        key.close();
    }
    CompressorTable t;
    t.load(kPath);
    size_t used = 0;
    bool sawLong = false;
    bool sawText = false;
    for (size_t i = 0; i < CompressorTable::kEntries; ++i) {
        const auto& e = t.entry(i);
        if (!e.name.empty()) {
            ++used;
        }
        EXPECT_LE(e.name.size(), CompressorTable::kMaxNameBytes);
        if (e.name.size() == CompressorTable::kMaxNameBytes) {
            sawLong = true;
            EXPECT_EQ(e.flag, 1);
        }
        if (e.name == "Text") {
            sawText = true;
            EXPECT_EQ(e.flag, 0);
        }
    }
    EXPECT_EQ(used, CompressorTable::kEntries);
    EXPECT_TRUE(sawLong);
    EXPECT_TRUE(sawText);
}

TEST(CompressorTable, RegsPathGetsItsCompressorsSubkey) {
    writeKey("Software\\Example\\Compressors", {{"Example", 0}});
    TDirectShow ds;
    EXPECT_EQ(ds.options().RegsPath, kPath);  // empty at construction: the default key
    ds.options().RegsPath = "Software\\Example";
    ds.SetSupportCompressors();
    EXPECT_EQ(ds.options().RegsPath, "Software\\Example\\Compressors");
    EXPECT_TRUE(ds.SupportCompressors().hides("An Example Codec"));
}

}  // namespace
