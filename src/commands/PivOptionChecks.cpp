#include "commands/PivOptionChecks.h"

#include "app/SecretWiping.h"
#include "commands/PinLengthCheck.h"
#include "commands/PivCountryCodes.h"
#include "crypto/SubjectAltNames.h"
#include "device/piv/Piv.h"
#include "device/piv/PivTables.h"
#include "encoding/Hex.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <stdexcept>

namespace {

std::string checkPuk(const std::string& puk) {
    return puk.size() == pivPukLength
               ? ""
               : "The PUK must be " + std::to_string(pivPukLength) + " characters long";
}

std::string checkManagementKey(const std::string& key) {
    size_t length = 0;
    try {
        length = secretHexToBytes(key).size();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return length == pivManagementKeyLength
               ? ""
               : "TDES management key must be " + std::to_string(pivManagementKeyLength) +
                     " bytes long";
}

// Larger counts would reach the card as their low byte (256 as 0), so they are refused with
// the same message as zero.
std::string checkRetryCount(std::string& text) {
    const std::string message = "The retry count must be a positive integer number";
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return message;
    }
    uint32_t value = 0;
    for (char digit : text) {
        value = value * 10 + static_cast<uint32_t>(digit - '0');
        if (value > pivMaximumRetries) {
            return message;
        }
    }
    if (value == 0) {
        return message;
    }
    text = std::to_string(value);
    return "";
}

std::string checkCountry(const std::string& country) {
    std::string upper = country;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    const bool known =
        std::find(countryCodes.begin(), countryCodes.end(), upper) != countryCodes.end();
    return known ? "" : "The provided country code is invalid";
}

std::string checkOutputPath(const std::string& path) {
    return path.empty() ? "The output path must not be empty" : "";
}

} // namespace

CLI::Validator pivPinCheck() {
    return pinLengthCheck(pivMinimumPinLength, pivMaximumPinLength);
}

CLI::Validator pivPukCheck() {
    return secretCheck(checkPuk);
}

CLI::Validator managementKeyCheck() {
    return secretCheck(checkManagementKey);
}

CLI::Validator retryCountAsDecimal() {
    return CLI::Validator(checkRetryCount, "");
}

CLI::Validator outputPathCheck() {
    return CLI::Validator(checkOutputPath, "");
}

CLI::Validator subjectAltNameCheck() {
    return CLI::Validator(subjectAltNameProblem, "");
}

CLI::Validator countryCheck() {
    return CLI::Validator(checkCountry, "");
}

std::vector<std::string> pivSlotNames() {
    std::vector<std::string> names;
    for (const PivKeySlot& slot : pivKeySlots) {
        names.push_back(byteToHex(slot.keyReference));
    }
    return names;
}

std::map<std::string, int32_t> pivAlgorithmNames() {
    std::map<std::string, int32_t> names;
    for (const PivAlgorithm& algorithm : pivAlgorithms) {
        names.emplace(std::string(algorithm.name), algorithm.id);
    }
    return names;
}
