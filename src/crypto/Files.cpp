#include "crypto/Files.h"

#include "crypto/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <sys/stat.h>

namespace {

std::runtime_error openFailure(const std::string& path) {
    return std::runtime_error("Failed to open file " + path);
}

std::runtime_error readFailure(const std::string& path) {
    return std::runtime_error("Failed to read file " + path);
}

std::runtime_error writeFailure(const std::string& path) {
    return std::runtime_error("Failed to write file " + path);
}

// Non-blocking open, so that a FIFO is refused by the type check instead of waiting for a
// writer.
FileDescriptor openRegularFile(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!file.valid() || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        throw openFailure(path);
    }
    return file;
}

// A new file beside the target, created with the user's umask.
std::string createTemporaryBeside(const std::string& path, FileDescriptor& file) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = path + ".tmp" + std::to_string(random());
        FileDescriptor candidate(
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (candidate.valid()) {
            std::swap(file, candidate);
            return name;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    throw openFailure(path);
}

bool writeAll(int fd, const std::string& text) {
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = ::write(fd, text.data() + written, text.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            return false;
        }
        written += static_cast<size_t>(result);
    }
    return true;
}

} // namespace

SecretBytes readFile(const std::string& path) {
    FileDescriptor file = openRegularFile(path);
    SecretBytes content;
    SecretBytes chunk(65536);
    for (;;) {
        const ssize_t result = ::read(file.get(), chunk.data(), chunk.size());
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0) {
            throw readFailure(path);
        }
        if (result == 0) {
            return content;
        }
        content.insert(content.end(), chunk.begin(), chunk.begin() + result);
    }
}

void checkWritable(const std::string& path) {
    FileDescriptor file(-1);
    const std::string temporary = createTemporaryBeside(path, file);
    ::unlink(temporary.c_str());
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        throw writeFailure(path);
    }
}

// Path and text differ in kind, and every file helper takes the path first.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void writeFile(const std::string& path, const std::string& text) {
    FileDescriptor file(-1);
    const std::string temporary = createTemporaryBeside(path, file);
    const bool written = writeAll(file.get(), text) && ::fsync(file.get()) == 0;
    if (!file.close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        throw writeFailure(path);
    }
}
