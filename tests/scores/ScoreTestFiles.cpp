#include "ScoreTestFiles.h"

#include <fstream>
#include <random>
#include <sstream>

#include "tests/support/TestFiles.h"

void ScoreFilesTest::SetUp() {
    std::random_device random;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::filesystem::temp_directory_path() /
          (std::string("scores_") + info->name() + "_" + std::to_string(random()));
    std::filesystem::create_directories(dir);
}

void ScoreFilesTest::TearDown() {
    std::error_code error;
    std::filesystem::remove_all(dir, error);
}

void ScoreFilesTest::WriteFile(const std::string& name, const std::string& content) const {
    std::ofstream out(dir / name, std::ios::binary);
    out << content;
}

std::string ScoreFilesTest::ReadFile(const std::string& name) const {
    return ReadWholeFile((dir / name).string());
}
