#pragma once

#include <string>
#include <vector>

// The texts in order with the separator between neighbours.
std::string joinStrings(const std::vector<std::string>& texts, const std::string& separator);
