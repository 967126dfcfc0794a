#include "crypto/ScratchDirectory.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

ScratchDirectory::ScratchDirectory() {
    std::string pattern = "/tmp/crypto-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    root = pattern;
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

void ScratchDirectory::openssl(const std::string& arguments) const {
    const std::string command = "cd '" + root + "' && openssl " + arguments + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::vector<uint8_t> ScratchDirectory::bytes(const std::string& name) const {
    std::ifstream file(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
