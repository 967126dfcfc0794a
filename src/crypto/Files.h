#pragma once

#include "encoding/SecretBytes.h"

#include <cstddef>
#include <string>

// The most readFile takes: nothing the card can hold comes near it, and a path such as
// /dev/zero ends with an error instead of filling the memory.
inline constexpr size_t maximumInputFileSize = 1024 * 1024;

// The whole file: a regular file, a FIFO (waiting for its writer, as cat does), a device or
// /dev/stdin. std::runtime_error "Failed to open file <path>" (also for a directory), "Failed to
// read file <path>", or "Failed to read file <path>: larger than 1 MiB". Wiped on release,
// since it may hold a private key.
SecretBytes readFile(const std::string& path);

// Fails as writeFile would fail to open the path, for callers that must know before they
// change anything. A FIFO is taken as writable, since opening it would wait for its reader.
void checkWritable(const std::string& path);

// Writes text to the path. A regular file, new or existing, is replaced through a temporary
// file beside it, so a failed write leaves no half file; a symbolic link is followed and its
// target replaced in the target's folder. Any other existing file (a FIFO, a character device,
// /dev/stdout, /dev/fd/N) is written in place. std::runtime_error "Failed to open file <path>"
// (also for an empty path and for a directory) or "Failed to write file <path>".
void writeFile(const std::string& path, const std::string& text);
