#pragma once

#include "crypto/OpenSSLHandles.h"

#include <string>

// A fresh writable memory BIO, and the text the library printed into one.
BioPtr newMemoryBio();
std::string memoryBioText(BIO& bio);
