#pragma once

#include "encoding/SecretBytes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Decodes hex text (digits in either case) into bytes.
// Throws std::runtime_error "Needs to be of even length" or "Contains invalid character";
// the length is checked first.
std::vector<uint8_t> hexToBytes(const std::string& text);

// hexToBytes for a PIN or key: the bytes are decoded straight into wiped memory.
SecretBytes secretHexToBytes(std::string_view text);

// The prefix followed by the byte as two upper-case hex digits, e.g. ("0x", 0x0A) -> "0x0A".
std::string byteToHex(uint8_t byte, const std::string& prefix = "");

// Appends the byte as two upper-case hex digits, without a temporary text.
void appendHexDigits(std::string& text, uint8_t byte);

// byteToHex of every byte, in order.
std::vector<std::string> bytesToHexList(const std::vector<uint8_t>& bytes,
                                        const std::string& prefix = "");
