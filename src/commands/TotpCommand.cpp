#include "commands/TotpCommand.h"

#include "app/KeyManagementError.h"
#include "app/Output.h"
#include "app/PrintableText.h"
#include "commands/ReaderOption.h"
#include "commands/SizedRead.h"
#include "device/otp/Totp.h"
#include "device/transport/QuenlixKeyError.h"

#include <chrono>
#include <iostream>

namespace {

uint64_t secondsSinceEpoch() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count());
}

} // namespace

int32_t TotpCommand::showInfo() {
    const std::string version = readSizedText<size_t>([this](char* buffer, size_t* length) {
        return totp_getVersion(readerName.c_str(), buffer, length);
    });
    int32_t slotCount = 0;
    throwOnError(totp_getMaxSlots(readerName.c_str(), &slotCount));
    std::cout << "Version:\t" << version << std::endl;
    std::cout << "Max slots:\t" << slotCount << std::endl;
    return 0;
}

int32_t TotpCommand::showPinInfo() {
    int32_t maxTries = 0;
    int32_t triesLeft = 0;
    int32_t pinSet = 0;
    throwOnError(totp_getPinInfo(readerName.c_str(), &maxTries, &triesLeft, &pinSet));
    std::cout << "PIN is set:\t\t" << pinSet << std::endl;
    std::cout << "PIN Tries Left/Max:\t" << triesLeft << " / " << maxTries
              << (triesLeft == 0 ? ", PIN IS BLOCKED" : "") << std::endl;
    return 0;
}

int32_t TotpCommand::listSlots() {
    int32_t slotCount = 0;
    throwOnError(totp_getMaxSlots(readerName.c_str(), &slotCount));
    const std::vector<uint8_t> slots =
        readSized<uint8_t, size_t>([this](uint8_t* buffer, size_t* length) {
            return totp_listSlots(readerName.c_str(), buffer, length);
        });
    std::cout << "Configured / Total TOTP Slots: " << slots.size() << " / " << slotCount
              << std::endl;
    for (uint8_t slot : slots) {
        TotpSlotInfo info;
        throwOnError(totp_getSlotInfo(readerName.c_str(), slot, &info));
        std::cout << "SLOT #" << static_cast<int>(slot)
                  << (info.pinProtected ? ", PIN-PROTECTED" : "") << std::endl;
        std::cout << "\tACCOUNT:\t" << printableText(info.account) << std::endl;
        if (!info.issuer.empty()) {
            std::cout << "\tISSUER:\t\t" << printableText(info.issuer) << std::endl;
        }
    }
    return 0;
}

int32_t TotpCommand::reset() {
    throwOnError(totp_reset(readerName.c_str()));
    std::cout << "Successfully reset the TOTP applet" << std::endl;
    return 0;
}

int32_t TotpCommand::resetPin() {
    throwOnError(totp_resetPin(readerName.c_str()));
    std::cout << "Successfully reset the TOTP generation PIN" << std::endl;
    return 0;
}

int32_t TotpCommand::setPin() {
    int32_t remainingTries = -1;
    const int32_t result =
        totp_setPin(readerName.c_str(), nullptr, newPin.c_str(), false, &remainingTries);
    throwOnError(result, remainingTries);
    std::cout << "Successfully set PIN" << std::endl;
    return 0;
}

int32_t TotpCommand::changePin() {
    int32_t remainingTries = -1;
    const int32_t result =
        totp_setPin(readerName.c_str(), pin.c_str(), newPin.c_str(), true, &remainingTries);
    throwOnError(result, remainingTries);
    std::cout << "Successfully changed PIN" << std::endl;
    return 0;
}

int32_t TotpCommand::configureSlot() {
    uint8_t slot = static_cast<uint8_t>(slotIndex);
    const bool pinProtected = app->get_option("--pin-protected")->count() > 0;
    throwOnError(totp_configureSlot(readerName.c_str(), &slot, static_cast<uint8_t>(hashAlgorithm),
                                    static_cast<uint8_t>(digits), 0, static_cast<uint32_t>(period),
                                    key.c_str(), account.c_str(), issuer.c_str(), pinProtected));
    std::cout << "Successfully configured TOTP slot #" << static_cast<int>(slot) << std::endl;
    return 0;
}

int32_t TotpCommand::clearSlot() {
    throwOnError(totp_clearSlot(readerName.c_str(), static_cast<uint8_t>(slotIndex)));
    std::cout << "Successfully cleared TOTP slot #" << slotIndex << std::endl;
    return 0;
}

int32_t TotpCommand::generateCode() {
    const uint64_t now = secondsSinceEpoch();
    TotpCode code;
    int32_t remainingTries = -1;
    const int32_t result =
        totp_generateCode(readerName.c_str(), static_cast<uint8_t>(slotIndex), now,
                          pin.empty() ? nullptr : pin.c_str(), &code, &remainingTries);
    // The card refuses a PIN-protected slot until its PIN was verified.
    if (result == QUENLIX_KEY_ERROR_ILLEGAL_STATE) {
        return reportFailure("Failed to generate TOTP code for slot #" + std::to_string(slotIndex) +
                             ", PIN has not been provided");
    }
    throwOnError(result, remainingTries);
    std::cout << "TOTP code: " << code.code << std::endl;
    std::cout << "Expires in: " << totpCodeValidity(now, code) << " seconds" << std::endl;
    return 0;
}
