#include "commands/HotpCommand.h"

#include "app/KeyManagementError.h"
#include "commands/SizedRead.h"
#include "device/otp/Hotp.h"

#include <iostream>

int32_t HotpCommand::showInfo() {
    const std::string version = readSizedText<size_t>([this](char* buffer, size_t* length) {
        return hotp_getVersion(readerName.c_str(), buffer, length);
    });
    uint64_t serialNumber = 0;
    throwOnError(hotp_getSerialNumber(readerName.c_str(), &serialNumber));
    std::cout << "Version:\t\t" << version << std::endl;
    std::cout << "Serial Number:\t\t" << serialNumber << std::endl;
    return 0;
}

int32_t HotpCommand::changePin() {
    int32_t remainingTries = -1;
    const int32_t result =
        hotp_changePin(readerName.c_str(), pin.c_str(), newPin.c_str(), &remainingTries);
    throwOnError(result, remainingTries);
    std::cout << "Successfully changed PIN" << std::endl;
    return 0;
}

int32_t HotpCommand::configure() {
    int32_t remainingTries = -1;
    const int32_t result =
        hotp_configure(readerName.c_str(), pin.c_str(), key.c_str(), static_cast<uint64_t>(counter),
                       static_cast<uint8_t>(otpLength), &remainingTries);
    throwOnError(result, remainingTries);
    std::cout << "Successfully configured HOTP" << std::endl;
    return 0;
}

int32_t HotpCommand::restoreFactory() {
    int32_t remainingTries = -1;
    const int32_t result = hotp_restoreFactory(readerName.c_str(), pin.c_str(),
                                               static_cast<uint8_t>(otpLength), &remainingTries);
    throwOnError(result, remainingTries);
    std::cout << "Successfully restored the factory HOTP configuration" << std::endl;
    return 0;
}

int32_t HotpCommand::generateCode() {
    std::string code(hotpLongCodeLength, '\0');
    size_t length = code.size();
    throwOnError(hotp_generateCode(readerName.c_str(), code.data(), &length));
    code.resize(length);
    std::cout << "HOTP code: " << code << std::endl;
    return 0;
}
