// Registry-shaped settings keys over INI files: open results, typed reads, bounds, the copy.
#include <sys/stat.h>
#include <unistd.h>

#include <array>

#include <gtest/gtest.h>

#include "platform/RegistryKey.h"
#include "support/TestEnvironment.h"

using namespace platform;

namespace {
void writeUserKey(const std::string& rel, const std::string& content) {
    testenv::writeFile(testenv::configHome() + "/" + rel, content);
}
}  // namespace

TEST(RegistryKey, OpenDistinguishesNotFoundFromOtherFailures) {
    RegistryKey key;
    EXPECT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Missing"), kErrorFileNotFound);
    EXPECT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor"), kErrorFileNotFound);

    writeUserKey("RkVendor/Present.conf", "[General]\nA=1\n\n[GRM]\n_MSG_DISKFULL=Platte voll\n");
    EXPECT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Present"), kErrorSuccess);
    EXPECT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Present\\grm"), kErrorSuccess);
    EXPECT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Present\\FRA"),
              kErrorFileNotFound);

    if (::geteuid() != 0) {  // root reads anything
        writeUserKey("RkVendor/Locked.conf", "[General]\nA=1\n");
        ::chmod((testenv::configHome() + "/RkVendor/Locked.conf").c_str(), 0);
        EXPECT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Locked"), kErrorAccessDenied);
    }
    // A directory where the file should be is not "not found" either.
    ::mkdir((testenv::configHome() + "/RkVendor/Dir.conf").c_str(), 0700);
    EXPECT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Dir"), kErrorAccessDenied);
}

TEST(RegistryKey, PathsCannotLeaveTheConfigurationFolder) {
    RegistryKey key;
    EXPECT_EQ(RegistryKey::filePathFor(RegRoot::CurrentUser, "Software\\..\\etc"), "");
    EXPECT_NE(key.open(RegRoot::CurrentUser, "Software\\a/b\\c", true), kErrorSuccess);
    EXPECT_EQ(RegistryKey::filePathFor(RegRoot::CurrentUser, "Software\\V\\P\\Sub"),
              testenv::configHome() + "/V/P.conf");
}

TEST(RegistryKey, DwordReadsParseNumbersAndRejectEverythingElse) {
    writeUserKey(
        "RkVendor/Dwords.conf",
        "[General]\nTwo=2\nNeg=-1\nHex=0x10\nText=abc\nHuge=99999999999\nEmpty=\nList=1, 2\n");
    RegistryKey key;
    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Dwords"), kErrorSuccess);
    uint32_t v = 77;
    EXPECT_EQ(key.queryDword("Two", v), kErrorSuccess);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(key.queryDword("Neg", v), kErrorSuccess);
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_EQ(key.queryDword("Hex", v), kErrorSuccess);
    EXPECT_EQ(v, 16u);
    v = 77;
    for (const char* bad : {"Text", "Huge", "Empty", "List"}) {
        EXPECT_NE(key.queryDword(bad, v), kErrorSuccess) << bad;
        EXPECT_EQ(v, 77u) << bad;
    }
    EXPECT_EQ(key.queryDword("Missing", v), kErrorFileNotFound);
}

TEST(RegistryKey, StringReadsAreBoundedByTheBufferIncludingTheZero) {
    const std::string t511(511, 'a');
    const std::string t512(512, 'b');
    writeUserKey("RkVendor/Strings.conf", "[General]\nS511=" + t511 + "\nS512=" + t512 +
                                              "\nComma=\"Sure, delete?\"\nUtf=Gr\xc3\xbc\xc3\x9f"
                                              "e\n");
    RegistryKey key;
    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Strings"), kErrorSuccess);
    std::array<char, 512> buf{};
    uint32_t size = 512;
    EXPECT_EQ(key.queryString("S511", buf.data(), size), kErrorSuccess);
    EXPECT_EQ(std::string(buf.data()), t511);
    EXPECT_EQ(size, 512u);

    buf.fill('\0');
    size = 512;
    EXPECT_EQ(key.queryString("S512", buf.data(), size), kErrorMoreData);
    EXPECT_EQ(size, 513u);
    EXPECT_EQ(buf[0], '\0');  // untouched

    size = 512;
    EXPECT_EQ(key.queryString("Comma", buf.data(), size), kErrorSuccess);
    EXPECT_STREQ(buf.data(), "Sure, delete?");
    size = 512;
    EXPECT_EQ(key.queryString("Utf", buf.data(), size), kErrorSuccess);
    EXPECT_STREQ(buf.data(),
                 "Gr\xc3\xbc\xc3\x9f"
                 "e");
}

TEST(RegistryKey, WritesRoundTripAndEnumerateInStableOrder) {
    RegistryKey key;
    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Written", true), kErrorSuccess);
    EXPECT_EQ(key.setDword("Top", static_cast<uint32_t>(-20)), kErrorSuccess);
    EXPECT_EQ(key.setString("Name", "Zip Encoder"), kErrorSuccess);
    EXPECT_EQ(key.close(), kErrorSuccess);

    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Written"), kErrorSuccess);
    uint32_t v = 0;
    EXPECT_EQ(key.queryDword("Top", v), kErrorSuccess);
    EXPECT_EQ(static_cast<int32_t>(v), -20);
    std::string name, data;
    ASSERT_EQ(key.enumValue(0, name, data), kErrorSuccess);
    EXPECT_EQ(name, "Name");
    EXPECT_EQ(data, "Zip Encoder");
    ASSERT_EQ(key.enumValue(1, name, data), kErrorSuccess);
    EXPECT_EQ(name, "Top");
    EXPECT_EQ(key.enumValue(2, name, data), kErrorNoMoreItems);

    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Written\\ESN", true),
              kErrorSuccess);
    key.setString("_MSG_TITLE", "Hola");
    key.close();
    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Written"), kErrorSuccess);
    EXPECT_EQ(key.subkeys(), std::vector<std::string>{"ESN"});
    EXPECT_EQ(key.valueNames(), (std::vector<std::string>{"Name", "Top"}));
}

TEST(RegistryKey, DefaultProfileCopyBringsValuesAndSubkeys) {
    testenv::writeFile(testenv::defaultProfile() + "/RkVendor/Copied.conf",
                       "[General]\nCounter=7\nHWOverlayDisable=1\n\n[GRM]\n_MSG_TITLE=Titel\n");
    RegistryKey key;
    ASSERT_EQ(key.open(RegRoot::DefaultUser, "Software\\RkVendor\\Copied"), kErrorSuccess);
    key.close();

    EXPECT_TRUE(copyDefaultProfileKey("Software\\RkVendor\\Copied"));
    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Copied\\GRM"), kErrorSuccess);
    std::array<char, 512> buf{};
    uint32_t size = 512;
    EXPECT_EQ(key.queryString("_MSG_TITLE", buf.data(), size), kErrorSuccess);
    EXPECT_STREQ(buf.data(), "Titel");

    EXPECT_FALSE(copyDefaultProfileKey("Software\\RkVendor\\NowhereAtAll"));
    EXPECT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\NowhereAtAll"),
              kErrorFileNotFound);
}

TEST(RegistryKey, ChangesMadeOnDiskWhileRunningAreSeenAtTheNextOpen) {
    writeUserKey("RkVendor/Edited.conf", "[General]\nAviCounter=1\n");
    RegistryKey key;
    uint32_t v = 0;
    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Edited"), kErrorSuccess);
    ASSERT_EQ(key.queryDword("AviCounter", v), kErrorSuccess);
    key.setDword("AviCounter", 2);
    key.close();
    writeUserKey("RkVendor/Edited.conf", "[General]\nAviCounter=77\n");  // another program
    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Edited"), kErrorSuccess);
    ASSERT_EQ(key.queryDword("AviCounter", v), kErrorSuccess);
    EXPECT_EQ(v, 77u);
}

// A value Qt would rebuild as a serialised object may claim any type and size: such a file is
// refused whole, however the value is written, and never read or copied. Plain texts pass.
TEST(RegistryKey, FilesHoldingSerialisedObjectsAreRefusedWhole) {
    RegistryKey key;
    const char* hostile[] = {
        "[General]\nCounter=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1\\xff\\xff\\xff\\xff)\n",
        "[General]\nCounter=\"@Variant(\\0\\0\\0\\x7f)\"\n",
        "[General]\nCounter=1, @DateTime(\\0\\0)\n",
        "[General]\nCounter=\\x40Variant(\\0)\n",
        "[General]\nCounter=\\100V\\141riant(\\0)\n",
        // Qt takes every digit of an escape and keeps the low 16 bits of the number.
        "[GRM]\n_MSG_NOPREVIEW=@\\0000126ariant(\\0\\0\\0\\xa\\0\\0\\0\\x4\\0O\\0K)\n",
        "[General]\nCounter=\\x0000000040Variant(\\0)  \n",
        "[General]\nCounter=\\x10040Variant(\\0)\n",
        "[General]\nA=x, \"@Rect(1 2 3 4)\"\n",
    };
    for (const char* text : hostile) {
        writeUserKey("RkVendor/Hostile.conf", text);
        EXPECT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Hostile"), kErrorAccessDenied)
            << text;
    }
    testenv::writeFile(testenv::defaultProfile() + "/RkVendor/Copied.conf", hostile[0]);
    EXPECT_FALSE(copyDefaultProfileKey("Software\\RkVendor\\Copied"));

    // Texts Qt keeps as texts, however close they come.
    writeUserKey("RkVendor/Plain.conf",
                 "[General]\nCounter=7\nA=@home\nB=@@Variant(1)\nC=@String(x)\nD=Variant(1)\n\n"
                 "[GRM]\n_MSG_TITLE=Tab\\there, 100% @home\n");
    ASSERT_EQ(key.open(RegRoot::CurrentUser, "Software\\RkVendor\\Plain"), kErrorSuccess);
    uint32_t counter = 0;
    EXPECT_EQ(key.queryDword("Counter", counter), kErrorSuccess);
    EXPECT_EQ(counter, 7u);
    char text[32];
    uint32_t size = sizeof text;
    EXPECT_EQ(key.queryString("B", text, size), kErrorSuccess);
    EXPECT_STREQ(text, "@Variant(1)");
}
