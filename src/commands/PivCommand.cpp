#include "commands/PivCommand.h"

#include "app/KeyManagementError.h"
#include "commands/PivObjectText.h"
#include "commands/SizedRead.h"
#include "crypto/Files.h"
#include "device/piv/Piv.h"

#include <iostream>

namespace {

struct RetryState {
    int32_t total = -1;
    int32_t remaining = -1;
};

using RetryQuery = int32_t (*)(const char*, int32_t*, int32_t*, int32_t*);

RetryState readRetries(const std::string& reader, RetryQuery query) {
    RetryState state;
    int32_t isDefault = 0;
    throwOnError(query(reader.c_str(), &state.total, &state.remaining, &isDefault));
    return state;
}

// A credential change fails with the remaining tries of the credential that was verified,
// read in a session of its own.
void throwWithRemainingTries(int32_t result, const std::string& reader, RetryQuery query) {
    const RetryState state = readRetries(reader, query);
    throwOnError(result, state.remaining);
}

std::string retriesText(const RetryState& state) {
    return std::to_string(state.remaining) + " / " + std::to_string(state.total);
}

} // namespace

int32_t PivCommand::showInfo() {
    const std::string version = readSizedText<uint64_t>([this](char* buffer, uint64_t* size) {
        return piv_getVersion(readerName.c_str(), buffer, size);
    });
    uint64_t serialNumber = 0;
    throwOnError(piv_getSerialNumber(readerName.c_str(), &serialNumber));
    const std::vector<uint8_t> chuid = readPivObject(readerName, piv_getChuid);
    const std::vector<uint8_t> ccc = readPivObject(readerName, piv_getCcc);
    const RetryState pinState = readRetries(readerName, piv_getPinRetries);
    const RetryState pukState = readRetries(readerName, piv_getPukRetries);
    std::cout << "Version:\t\t\t" << version << std::endl;
    std::cout << "Serial Number:\t\t\t" << serialNumber << std::endl;
    std::cout << "Cardholder Unique Id:\t\t" << hexText(chuid) << std::endl;
    std::cout << "Card Capability Container:\t" << hexText(ccc) << std::endl;
    std::cout << "Remaining PIN Retries:\t\t" << retriesText(pinState) << std::endl;
    std::cout << "Remaining PUK Retries:\t\t" << retriesText(pukState) << std::endl;
    return 0;
}

int32_t PivCommand::reset() {
    throwOnError(piv_reset(readerName.c_str()));
    std::cout << "Successfully reset device" << std::endl;
    return 0;
}

int32_t PivCommand::changePin() {
    const int32_t result = piv_changePin(readerName.c_str(), pin.c_str(), newPin.c_str());
    throwWithRemainingTries(result, readerName, piv_getPinRetries);
    std::cout << "Successfully changed PIN" << std::endl;
    return 0;
}

int32_t PivCommand::unblockPin() {
    const int32_t result = piv_unblockPin(readerName.c_str(), puk.c_str(), newPin.c_str());
    throwWithRemainingTries(result, readerName, piv_getPukRetries);
    std::cout << "Successfully unblocked PIN" << std::endl;
    return 0;
}

int32_t PivCommand::changePuk() {
    const int32_t result = piv_changePuk(readerName.c_str(), puk.c_str(), newPuk.c_str());
    throwWithRemainingTries(result, readerName, piv_getPukRetries);
    std::cout << "Successfully changed PUK" << std::endl;
    return 0;
}

int32_t PivCommand::setManagementKey() {
    throwOnError(
        piv_setManagementKey(readerName.c_str(), managementKey.c_str(), newManagementKey.c_str()));
    std::cout << "Successfully changed management key" << std::endl;
    return 0;
}

int32_t PivCommand::configureRetries() {
    throwOnError(piv_configureRetries(readerName.c_str(), managementKey.c_str(), pin.c_str(),
                                      static_cast<uint32_t>(pinRetries),
                                      static_cast<uint32_t>(pukRetries)));
    std::cout << "Successfully configured PIN and PUK retries" << std::endl;
    return 0;
}

uint8_t PivCommand::slotReference() const {
    return static_cast<uint8_t>(std::stoul(slot, nullptr, 16));
}

void PivCommand::deliver(const std::string& text, const std::string& successMessage) {
    if (app->get_option("--output")->count() > 0) {
        writeFile(outputPath, text);
        delivered();
        std::cout << successMessage << outputPath << std::endl;
    } else {
        std::cout << text << std::endl;
    }
}
