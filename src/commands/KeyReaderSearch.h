#pragma once

#include <string>
#include <vector>

// Readers that hold a Quenlix Key, in PC/SC order. Throws KeyManagementError.
std::vector<std::string> keyReaderNames();

// The first reader that holds a key, or the empty text. Throws KeyManagementError.
std::string firstKeyReader();
