#include "utility/registry.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "harness/files.h"
#include "tests/support/scoped_env.h"

namespace CVLib {
namespace system {
namespace {

namespace fs = std::filesystem;

const std::wstring kKey =
    L"SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection Settings";
const std::string kFile =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection "
    "Settings]\r\n"
    "\"CoordPort\"=\"1755\"\r\n";
constexpr size_t kLimit = 4 * 1024 * 1024;

// Each test gets a configuration folder of its own in XDG_CONFIG_HOME.
class RegistryFileTest : public testing::Test {
protected:
    RegistryFileTest() { fs::create_directories(dir_.path() + "/cvcc"); }
    std::string FilePath() const { return dir_.path() + "/cvcc/registry.reg"; }
    void WriteFile(const std::string& bytes) const { harness::WriteFile(FilePath(), bytes); }
    // kFile followed by a comment that brings it to size bytes.
    void WritePaddedFile(size_t size) const {
        WriteFile((kFile + ";").append(size - kFile.size() - 1, 'x'));
    }

    harness::TempDir dir_;
    support::ScopedEnv configHome_{"XDG_CONFIG_HOME", dir_.path()};
};

TEST_F(RegistryFileTest, PathFollowsEnvironment) {
    const passwd* account = ::getpwuid(::geteuid());
    const std::string accountHome = account ? account->pw_dir : "";
    struct Row {
        const char* label;
        std::optional<std::string> configHome;
        std::optional<std::string> home;
        std::string expected;
    };
    const Row rows[] = {
        {"XDG_CONFIG_HOME", "/srv/conf", "/home/u", "/srv/conf/cvcc/registry.reg"},
        {"empty XDG_CONFIG_HOME", "", "/home/u", "/home/u/.config/cvcc/registry.reg"},
        {"no XDG_CONFIG_HOME", std::nullopt, "/home/u", "/home/u/.config/cvcc/registry.reg"},
        {"relative XDG_CONFIG_HOME", "conf", "/home/u", "/home/u/.config/cvcc/registry.reg"},
        {"no HOME", std::nullopt, std::nullopt, accountHome + "/.config/cvcc/registry.reg"},
        {"empty HOME", std::nullopt, "", accountHome + "/.config/cvcc/registry.reg"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        if (!row.home && !account) continue;  // no account entry to fall back on here
        support::ScopedEnv configHome("XDG_CONFIG_HOME", row.configHome);
        support::ScopedEnv home("HOME", row.home);
        EXPECT_EQ(CRegistry::UserFilePath(), row.expected);
    }
}

TEST_F(RegistryFileTest, OpenReadsTheKeyOfTheUserFile) {
    WriteFile(kFile);
    const HKEY kLocalMachine = 0x80000002u;
    EXPECT_FALSE(CRegistry(kLocalMachine).Open(kKey));
    CRegistry registry(HKEY_CURRENT_USER);
    std::wstring value = L"default";
    EXPECT_FALSE(registry.Read(L"CoordPort", value));

    ASSERT_TRUE(registry.Open(kKey));
    EXPECT_FALSE(registry.Read(L"Missing", value));
    EXPECT_EQ(value, L"default");
    EXPECT_TRUE(registry.Read(L"coordport", value));
    EXPECT_EQ(value, L"1755");
    // A failed Open forgets the previous key.
    EXPECT_FALSE(registry.Open(L"SOFTWARE\\Other"));
    EXPECT_FALSE(registry.Read(L"CoordPort", value));

    // The file is read at Open only.
    ASSERT_TRUE(registry.Open(kKey));
    fs::remove(FilePath());
    value.clear();
    EXPECT_TRUE(registry.Read(L"CoordPort", value));
    EXPECT_EQ(value, L"1755");

    registry.Close();
    EXPECT_FALSE(registry.Read(L"CoordPort", value));
    EXPECT_FALSE(registry.Open(kKey));
}

TEST_F(RegistryFileTest, UnusableFilesCountAsAbsent) {
    struct Row {
        const char* label;
        std::function<void()> make;
        bool opens;
    };
    // clang-format off
    const Row rows[] = {
        {"missing file", [] {}, false},
        {"directory", [&] { fs::create_directory(FilePath()); }, false},
        // Opening a FIFO for reading would wait for a writer.
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(FilePath().c_str(), 0600), 0); }, false},
        {"exactly the limit", [&] { WritePaddedFile(kLimit); }, true},
        {"one byte over the limit", [&] { WritePaddedFile(kLimit + 1); }, false},
        {"100 MB", [&] { WriteFile(kFile); fs::resize_file(FilePath(), 100 * 1024 * 1024); }, false},
        // root reads a file whatever its mode
        {"unreadable", [&] { WriteFile(kFile); fs::permissions(FilePath(), fs::perms::none); }, ::geteuid() == 0},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::error_code ignored;
        fs::remove(FilePath(), ignored);
        row.make();
        EXPECT_EQ(CRegistry(HKEY_CURRENT_USER).Open(kKey), row.opens);
    }
}

}  // namespace
}  // namespace system
}  // namespace CVLib
