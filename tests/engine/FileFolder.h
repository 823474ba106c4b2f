#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace marbleck::test {

// Files in a temporary folder of their own, removed after each test.
class FileFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/marbleck-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // Writes `text` to the folder's file `name`; its path.
    std::string write(const std::string& name, const std::string& text) const {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    std::string folder_;
};

}  // namespace marbleck::test
