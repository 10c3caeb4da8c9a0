#include "support/TempDir.h"

#include "platform/CKeyStore.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace brivex {
namespace {

using test::TempDir;

TEST(KeyStore, KeysAreDirectoriesAndValuesFiles)
{
    TempDir dir;
    const CKeyStore store(dir.str());
    const std::string key = "HKEY_CLASSES_ROOT\\AppID\\{X}";
    ASSERT_TRUE(store.WriteValue(key, CKeyStore::DefaultValue, "MODEVORTEX"));
    ASSERT_TRUE(store.WriteValue(key, "LocalService", "MODEVORTEX"));
    EXPECT_EQ(dir.read("HKEY_CLASSES_ROOT/AppID/{X}/@"), "MODEVORTEX");
    EXPECT_EQ(store.ReadValue(key, "LocalService"), "MODEVORTEX");
    EXPECT_TRUE(store.HasValue(key, "LocalService"));

    EXPECT_TRUE(store.DeleteValue(key, "LocalService"));
    EXPECT_TRUE(store.DeleteValue(key, "LocalService"));
    EXPECT_FALSE(store.HasValue(key, "LocalService"));
    EXPECT_EQ(store.ReadValue(key, "LocalService"), std::nullopt);
    EXPECT_EQ(store.SubKeys("HKEY_CLASSES_ROOT\\AppID"), std::vector<std::string>{"{X}"});
    EXPECT_TRUE(store.SubKeys("HKEY_CLASSES_ROOT\\None").empty());
}

TEST(KeyStore, DeleteTreeRemovesSubKeysAndToleratesAbsence)
{
    TempDir dir;
    const CKeyStore store(dir.str());
    ASSERT_TRUE(store.WriteValue("A\\B\\C\\D", "v", "1"));
    ASSERT_TRUE(store.WriteValue("A\\B2", "v", "2"));
    EXPECT_TRUE(store.DeleteTree("A\\B"));
    EXPECT_FALSE(store.KeyExists("A\\B"));
    EXPECT_EQ(store.ReadValue("A\\B2", "v"), "2");
    EXPECT_TRUE(store.DeleteTree("A\\B"));
}

TEST(KeyStore, PathsThatWouldLeaveTheRootAreRefused)
{
    TempDir dir;
    const CKeyStore store((dir / "store").string());
    for (const char* key : {"..", "A\\..\\..", "A\\\\B", "A/B", "", "A\\", "A\\.", "A\nB"}) {
        EXPECT_FALSE(store.KeyDirectory(key)) << key;
        EXPECT_FALSE(store.WriteValue(key, "v", "x")) << key;
        EXPECT_FALSE(store.DeleteTree(key)) << key;
    }
    EXPECT_FALSE(store.WriteValue("A", "../escape", "x"));
    EXPECT_FALSE(std::filesystem::exists(dir / "escape"));
}

}  // namespace
}  // namespace brivex
