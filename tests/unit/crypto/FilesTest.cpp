#include "crypto/Files.h"

#include "crypto/ScratchDirectory.h"

#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string textOf(const SecretBytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The failure's text, or "" when the call succeeded.
template <typename Call> std::string failureOf(Call call) {
    try {
        call();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(CryptoFiles, ReadFileTakesWholeFilesUpToTheBound) {
    const ScratchDirectory scratch;
    std::ofstream(scratch.path("empty"));
    std::ofstream(scratch.path("binary"), std::ios::binary) << std::string("a\0b\n", 4);
    std::ofstream(scratch.path("largest"), std::ios::binary)
        << std::string(maximumInputFileSize, 'x');
    std::filesystem::resize_file(scratch.path("largest"), maximumInputFileSize);
    std::ofstream(scratch.path("too-large"), std::ios::binary) << 'x';
    std::filesystem::resize_file(scratch.path("too-large"), maximumInputFileSize + 1);
    std::filesystem::create_directory(scratch.path("folder"));

    struct Case {
        std::string path;
        std::string content; // when read
        std::string failure; // when refused
    };
    const std::vector<Case> cases = {
        {scratch.path("empty"), "", ""},
        {scratch.path("binary"), std::string("a\0b\n", 4), ""},
        {scratch.path("largest"), std::string(maximumInputFileSize, 'x'), ""},
        {scratch.path("too-large"), "", "Failed to read file PATH: larger than 1 MiB"},
        {"/dev/zero", "", "Failed to read file PATH: larger than 1 MiB"},
        {"/dev/null", "", ""},
        {scratch.path("folder"), "", "Failed to open file PATH"},
        {scratch.path("missing"), "", "Failed to open file PATH"},
    };
    for (const Case& c : cases) {
        std::string content;
        const std::string failure = failureOf([&] { content = textOf(readFile(c.path)); });
        std::string expected = c.failure;
        if (const size_t at = expected.find("PATH"); at != std::string::npos) {
            expected.replace(at, 4, c.path);
        }
        EXPECT_EQ(failure, expected) << c.path;
        EXPECT_EQ(content.size(), c.content.size()) << c.path;
        EXPECT_TRUE(content == c.content) << c.path;
    }
}

TEST(CryptoFiles, ReadFileWaitsForTheWriterOfAFifo) {
    const ScratchDirectory scratch;
    const std::string fifo = scratch.path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto writer = std::async(std::launch::async, [&] { std::ofstream(fifo) << "from a pipe"; });
    EXPECT_EQ(textOf(readFile(fifo)), "from a pipe");
    writer.get();
}

TEST(CryptoFiles, WriteFileReplacesRegularFilesAndWritesOthersInPlace) {
    const ScratchDirectory scratch;
    const std::string existing = scratch.path("existing.pem");
    std::ofstream(existing) << "a much longer old content that must not survive";
    const std::string linkTarget = scratch.path("target.pem");
    std::ofstream(linkTarget) << "old";
    std::filesystem::create_symlink(linkTarget, scratch.path("link.pem"));
    std::filesystem::create_symlink("dangling-target.pem", scratch.path("dangling.pem"));

    struct Case {
        std::string path;   // written
        std::string holder; // the file that holds the text afterwards
    };
    const std::vector<Case> cases = {
        {existing, existing},
        {scratch.path("fresh.pem"), scratch.path("fresh.pem")},
        {scratch.path("link.pem"), linkTarget},
        {scratch.path("dangling.pem"), scratch.path("dangling-target.pem")},
    };
    for (const Case& c : cases) {
        checkWritable(c.path);
        writeFile(c.path, "new\n");
        EXPECT_EQ(fileText(c.holder), "new\n") << c.path;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(scratch.path("link.pem")));
    EXPECT_TRUE(std::filesystem::is_symlink(scratch.path("dangling.pem")));

    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat status {};
    ASSERT_EQ(::stat(scratch.path("fresh.pem").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);

    // A FIFO is written for its reader and stays a FIFO.
    const std::string fifo = scratch.path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reader = std::async(std::launch::async, [&] { return fileText(fifo); });
    checkWritable(fifo);
    writeFile(fifo, "through the pipe\n");
    EXPECT_EQ(reader.get(), "through the pipe\n");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    writeFile("/dev/null", "into a device");

    // The files written, the link targets, the links and the FIFO; no temporary left over.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path("")),
                            std::filesystem::directory_iterator()),
              7);
}

TEST(CryptoFiles, WriteFileRefusesWhatCannotHoldAFile) {
    const ScratchDirectory scratch;
    std::filesystem::create_directory(scratch.path("folder"));
    for (const std::string& path : {scratch.path("missing/out.pem"), scratch.path("folder"),
                                    std::string(), std::string("/proc/version")}) {
        EXPECT_EQ(failureOf([&] { checkWritable(path); }), "Failed to open file " + path);
        EXPECT_EQ(failureOf([&] { writeFile(path, "x"); }), "Failed to open file " + path);
    }
    EXPECT_TRUE(std::filesystem::is_directory(scratch.path("folder")));
}
