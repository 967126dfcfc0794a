#pragma once

#include "encoding/SecretBytes.h"

#include <string>

// Whole regular file; std::runtime_error "Failed to open file <path>" (also for a directory or
// FIFO, refused before reading) or "Failed to read file <path>". Wiped on release, since it
// may hold a private key.
SecretBytes readFile(const std::string& path);

// Fails as writeFile would when the folder takes no new file or the path is a directory, for
// callers that must know before they change anything.
void checkWritable(const std::string& path);

// Replaces the file with text through a temporary file beside it, so a failed write leaves no
// half file; std::runtime_error "Failed to open file <path>" or "Failed to write file <path>".
void writeFile(const std::string& path, const std::string& text);
