#include "commands/FidoCommand.h"

#include "app/JoinStrings.h"
#include "app/Output.h"
#include "app/SecretEntry.h"
#include "fido/FidoDevice.h"
#include "fido/FidoDeviceList.h"
#include "fido/FidoError.h"
#include "fido/FidoFacts.h"

#include <fido.h>
#include <iostream>
#include <optional>
#include <stdexcept>

namespace {

// Takes the value already read, so that a failing query leaves no half line behind.
void printInfoLine(const std::string& label, const std::string& value) {
    std::cout << label << value << std::endl;
}

} // namespace

std::optional<int32_t> FidoCommand::remainingFidoPinRetries() const {
    try {
        return fidoGetRetryCount(fidoPath);
    } catch (const std::runtime_error&) {
        // The device went away after the failed operation.
        return std::nullopt;
    }
}

int32_t FidoCommand::execute() {
    const std::optional<size_t> action = requireOneAction();
    if (!action || !resolveDevice()) {
        return -1;
    }
    return runAction(*action);
}

bool FidoCommand::resolveDevice() {
    FidoDeviceList devices;
    std::optional<FidoDeviceEntry> device;
    if (fidoPathOption->count() == 0) {
        device = findFirstKey(devices);
        if (!device) {
            reportFailure("Could not find any Quenlix Key. Plug in your key or try again with "
                          "administrator rights");
            return false;
        }
        fidoPath = device->path();
    } else {
        device = findByPath(devices, fidoPath);
        if (!device) {
            reportFailure("Could not find any FIDO device with the path " + fidoPath +
                          ". Plug in your key or try again with administrator rights");
            return false;
        }
    }
    productName = device->productString();
    return true;
}

int32_t FidoCommand::printInfo() {
    // Fails before any output when the device cannot be opened.
    fidoHasPin(fidoPath);
    printInfoLine("Product name:\t\t", productName);
    printInfoLine("FIDO device path:\t", fidoPath);
    printInfoLine("Device version:\t\t", fidoGetVersion(fidoPath));
    printInfoLine("AAGuid:\t\t\t", formatAaguid(fidoGetAaguid(fidoPath)));
    printInfoLine("Supported protocols:\t", joinStrings(fidoGetProtocols(fidoPath), ", "));
    return 0;
}

int32_t FidoCommand::setPin() {
    if (fidoHasPin(fidoPath)) {
        return reportFailure("PIN is already set");
    }
    fidoSetPin(fidoPath, newPin);
    std::cout << "Successfully set PIN" << std::endl;
    return 0;
}

int32_t FidoCommand::changePin() {
    if (!fidoHasPin(fidoPath)) {
        return reportFailure("No PIN is set");
    }
    fidoChangePin(fidoPath, pin, newPin);
    std::cout << "Successfully changed PIN" << std::endl;
    return 0;
}

int32_t FidoCommand::reset() {
    std::cout << "Please touch your key to reset" << std::endl;
    try {
        fidoReset(fidoPath);
    } catch (const FidoError& error) {
        if (error.code == FIDO_ERR_OPERATION_DENIED) {
            return reportFailure("Reset failed. The key was not touched in time");
        }
        throw;
    }
    std::cout << "Successfully reset device" << std::endl;
    return 0;
}
