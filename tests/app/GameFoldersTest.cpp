#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "app/GameFolders.h"

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> g_environment;

const char* FakeEnvironment(const char* name) {
    const auto found = g_environment.find(name);
    return found != g_environment.end() ? found->second.c_str() : nullptr;
}

}  // namespace

// Installed, the sounds come from the data folder and the scores go to the
// player's own folder; anywhere else, sound/ is beside the program and the
// scores stay in the working folder.
TEST(GameFolders, FollowTheProgramsOwnPlace) {
    const fs::path root =
        fs::temp_directory_path() /
        ("game-folders-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(root);
    fs::create_directories(root / "usr/games");
    fs::create_directories(root / "usr/share/games/miruto-nana/sound");
    fs::create_directories(root / "build/sound");
    const std::string installedProgram = (root / "usr/games/miruto-nana").string();

    g_environment = {{"HOME", "/home/nana"}, {"XDG_DATA_HOME", "/data/nana"}};
    SGameFolders found = FindGameFolders(installedProgram, FakeEnvironment);
    EXPECT_TRUE(fs::equivalent(found.data, root / "usr/share/games/miruto-nana")) << found.data;
    EXPECT_EQ(found.scores, "/data/nana/miruto-nana");

    // A relative $XDG_DATA_HOME does not count.
    g_environment = {{"HOME", "/home/nana"}, {"XDG_DATA_HOME", "data"}};
    EXPECT_EQ(FindGameFolders(installedProgram, FakeEnvironment).scores,
              "/home/nana/.local/share/miruto-nana");

    // Without $HOME, the account's home folder; without that either, none at
    // all, never the working folder.
    g_environment = {};
    found = FindGameFolders(installedProgram, FakeEnvironment, [] { return std::string("/u/a"); });
    EXPECT_EQ(found.scores, "/u/a/.local/share/miruto-nana");
    EXPECT_TRUE(found.scoresKept);
    found = FindGameFolders(installedProgram, FakeEnvironment, [] { return std::string(); });
    EXPECT_FALSE(found.scoresKept);

    found = FindGameFolders((root / "build/miruto-nana").string(), FakeEnvironment);
    EXPECT_EQ(found.data, (root / "build").string());
    EXPECT_EQ(found.scores, "");
    fs::remove_all(root);
}
