#pragma once

#include <array>
#include <string_view>

// Country codes accepted in a certificate request: ISO 3166-1 alpha-2 with AN and XK, without
// BQ, CW, EH, SX and UM.
extern const std::array<std::string_view, 246> countryCodes;
