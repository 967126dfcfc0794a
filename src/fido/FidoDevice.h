#pragma once

#include "fido/FidoHandles.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

// Opens the device on the path, runs the work with it, closes it and gives back the work's
// result. Failures of libfido2 while opening or closing raise FidoError; the device object
// is released on every path.
template <typename Work>
std::invoke_result_t<Work, fido_dev_t*> withFidoDevice(const std::string& path, Work&& work) {
    OpenFidoDevice device(path.c_str());
    if constexpr (std::is_void_v<std::invoke_result_t<Work, fido_dev_t*>>) {
        work(device.get());
        device.close();
    } else {
        auto result = work(device.get());
        device.close();
        return result;
    }
}

// Device operations by path; each opens the device for its own duration and raises FidoError.
bool fidoHasPin(const std::string& path);
bool fidoIsFido2(const std::string& path);
std::string fidoGetVersion(const std::string& path);
std::vector<uint8_t> fidoGetAaguid(const std::string& path);
std::vector<std::string> fidoGetProtocols(const std::string& path);
int32_t fidoGetRetryCount(const std::string& path);
void fidoReset(const std::string& path);
void fidoSetPin(const std::string& path, const std::string& newPin);
void fidoChangePin(const std::string& path, const std::string& pin, const std::string& newPin);
