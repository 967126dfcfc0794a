#pragma once

#include <unistd.h>
#include <utility>

// Owning POSIX file descriptor; close() reports the result for callers that must know it.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd, other.fd);
        return *this;
    }

    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    bool close() { return ::close(std::exchange(fd, -1)) == 0; }

private:
    int fd;
};
