// A fresh directory per test for the score files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class ScoreFilesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    void WriteFile(const std::string& name, const std::string& content) const;
    std::string ReadFile(const std::string& name) const;
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir / name); }

    std::filesystem::path dir;
};
