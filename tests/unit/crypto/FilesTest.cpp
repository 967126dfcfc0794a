#include "crypto/Files.h"

#include "crypto/ScratchDirectory.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

TEST(CryptoFiles, ReadFileTakesOnlyWholeRegularFiles) {
    const ScratchDirectory scratch;
    std::ofstream(scratch.path("empty"));
    std::ofstream(scratch.path("binary"), std::ios::binary) << std::string("a\0b\n", 4);
    std::filesystem::create_directory(scratch.path("folder"));
    ASSERT_EQ(::mkfifo(scratch.path("fifo").c_str(), 0600), 0);

    struct Case {
        std::string name;
        std::string content; // for the files that are read
        bool readable;
    };
    const std::vector<Case> cases = {
        {"empty", "", true},    {"binary", std::string("a\0b\n", 4), true},
        {"folder", "", false},  {"fifo", "", false},
        {"missing", "", false},
    };
    for (const Case& c : cases) {
        const std::string path = scratch.path(c.name);
        if (c.readable) {
            const SecretBytes content = readFile(path);
            EXPECT_EQ(std::string(content.begin(), content.end()), c.content) << c.name;
            continue;
        }
        try {
            readFile(path);
            ADD_FAILURE() << c.name << " was read";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "Failed to open file " + path);
        }
    }
}

TEST(CryptoFiles, WriteFileReplacesWholeFilesOnly) {
    const ScratchDirectory scratch;
    const std::string target = scratch.path("out.pem");
    std::ofstream(target) << "a much longer old content that must not survive";

    writeFile(target, "new\n");
    const SecretBytes content = readFile(target);
    EXPECT_EQ(std::string(content.begin(), content.end()), "new\n");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    writeFile(scratch.path("fresh"), "x");
    struct stat status {};
    ASSERT_EQ(::stat(scratch.path("fresh").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);

    std::filesystem::create_directory(scratch.path("folder"));
    const std::vector<std::pair<std::string, std::string>> failures = {
        {scratch.path("missing/out.pem"), "Failed to open file "},
        {scratch.path("folder"), "Failed to write file "},
    };
    for (const auto& [path, message] : failures) {
        try {
            writeFile(path, "x");
            ADD_FAILURE() << path << " was written";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), message + path);
        }
    }
    // The two files written and the folder, no temporary left over.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path("")),
                            std::filesystem::directory_iterator()),
              3);
}
