#include "crypto/Files.h"

#include "crypto/FileDescriptor.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <random>
#include <stdexcept>
#include <string_view>
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

// Where a write goes: a regular file replaced through a temporary beside it, or an existing
// file of another kind written where it is.
struct OutputTarget {
    std::string path;
    bool inPlace;
    bool fifo;
    // The program's own descriptor that the path names (/dev/stdout is 1), written directly so
    // that what follows on it comes after the text; -1 for any other path.
    int descriptor = -1;
};

// The number, or -1 when the text is not a small decimal number.
int descriptorNumber(std::string_view text) {
    int number = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && number >= 0 ? number : -1;
}

// /dev/stdout, /dev/fd/N, /proc/self/fd/N and the like name a descriptor of a process;
// replacing what they lead to would leave that descriptor on a deleted file. ownDescriptor
// receives the descriptor when it is one of this program's, else -1.
bool isDescriptorAlias(std::string_view path, int& ownDescriptor) {
    ownDescriptor = -1;
    const std::array<std::string_view, 3> standard = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
    for (size_t i = 0; i < standard.size(); ++i) {
        if (path == standard[i]) {
            ownDescriptor = static_cast<int>(i);
            return true;
        }
    }
    if (path.starts_with("/dev/fd/")) {
        ownDescriptor = descriptorNumber(path.substr(8));
        return ownDescriptor >= 0;
    }
    if (!path.starts_with("/proc/")) {
        return false;
    }
    const std::string_view rest = path.substr(6);
    const size_t fd = rest.find("/fd/");
    if (fd == std::string_view::npos) {
        return false;
    }
    const std::string_view process = rest.substr(0, fd);
    const int number = descriptorNumber(rest.substr(fd + 4));
    const bool own = process == "self" || process == "thread-self" ||
                     descriptorNumber(process) == static_cast<int>(::getpid());
    if (own) {
        ownDescriptor = number;
    }
    return number >= 0 && (own || descriptorNumber(process) >= 0);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The name a chain of symbolic links ends in, when its last target does not exist yet.
std::string danglingLinkTarget(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::array<char, PATH_MAX> target{};
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size() - 1);
        if (length < 0) {
            return current;
        }
        const std::string next(target.data(), static_cast<size_t>(length));
        current = next.starts_with('/') ? next : folderOf(current) + next;
    }
    throw openFailure(path);
}

OutputTarget resolveOutput(const std::string& path) {
    if (path.empty()) {
        throw openFailure(path);
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        struct stat link {};
        const bool dangling = ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
        return {dangling ? danglingLinkTarget(path) : path, false, false};
    }
    if (S_ISDIR(status.st_mode)) {
        throw openFailure(path);
    }
    int descriptor = -1;
    if (isDescriptorAlias(path, descriptor) || !S_ISREG(status.st_mode)) {
        return {path, true, S_ISFIFO(status.st_mode) && descriptor < 0, descriptor};
    }
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (!real) {
        throw openFailure(path);
    }
    return {real.get(), false, false};
}

// A new file beside the target, created with the user's umask; failures name the user's path.
// Where the file goes, then the path the user named, for the message.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::string createTemporaryBeside(const std::string& target, const std::string& path,
                                  FileDescriptor& file) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = target + ".tmp" + std::to_string(random());
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

// Path and text differ in kind, and every file helper takes the path first.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void writeInPlace(const OutputTarget& target, const std::string& path, const std::string& text) {
    if (target.descriptor >= 0) {
        if (!writeAll(target.descriptor, text)) {
            throw writeFailure(path);
        }
        return;
    }
    FileDescriptor file(::open(target.path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC));
    if (!file.valid()) {
        throw openFailure(path);
    }
    if (!writeAll(file.get(), text) || !file.close()) {
        throw writeFailure(path);
    }
}

// Path and text differ in kind, and every file helper takes the path first.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void replaceThroughTemporary(const OutputTarget& target, const std::string& path,
                             const std::string& text) {
    FileDescriptor file(-1);
    const std::string temporary = createTemporaryBeside(target.path, path, file);
    const bool written = writeAll(file.get(), text) && ::fsync(file.get()) == 0;
    if (!file.close() || !written || ::rename(temporary.c_str(), target.path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        throw writeFailure(path);
    }
}

} // namespace

SecretBytes readFile(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (!file.valid() || ::fstat(file.get(), &status) != 0 || S_ISDIR(status.st_mode)) {
        throw openFailure(path);
    }
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
        if (content.size() + static_cast<size_t>(result) > maximumInputFileSize) {
            throw std::runtime_error("Failed to read file " + path + ": larger than 1 MiB");
        }
        content.insert(content.end(), chunk.begin(), chunk.begin() + result);
    }
}

void checkWritable(const std::string& path) {
    const OutputTarget target = resolveOutput(path);
    if (target.fifo) {
        return;
    }
    if (target.descriptor >= 0) {
        const int mode = ::fcntl(target.descriptor, F_GETFL);
        if (mode < 0 || (mode & O_ACCMODE) == O_RDONLY) {
            throw openFailure(path);
        }
        return;
    }
    if (target.inPlace) {
        // Opened without truncating: the check changes nothing.
        FileDescriptor file(::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
        if (!file.valid()) {
            throw openFailure(path);
        }
        return;
    }
    FileDescriptor file(-1);
    ::unlink(createTemporaryBeside(target.path, path, file).c_str());
}

// Path and text differ in kind, and every file helper takes the path first.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void writeFile(const std::string& path, const std::string& text) {
    const OutputTarget target = resolveOutput(path);
    if (target.inPlace) {
        writeInPlace(target, path, text);
    } else {
        replaceThroughTemporary(target, path, text);
    }
}
