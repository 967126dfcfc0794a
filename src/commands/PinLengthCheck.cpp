#include "commands/PinLengthCheck.h"

#include "app/SecretWiping.h"

#include <string>

CLI::Validator pinLengthCheck(size_t minimumLength, size_t maximumLength) {
    return secretCheck([minimumLength, maximumLength](const std::string& pin) -> std::string {
        if (pin.size() < minimumLength) {
            return "The provided PIN is too short. The PIN must have at least " +
                   std::to_string(minimumLength) + " characters";
        }
        if (pin.size() > maximumLength) {
            return "The provided PIN is too long. The PIN must not have more than " +
                   std::to_string(maximumLength) + " characters";
        }
        return "";
    });
}
