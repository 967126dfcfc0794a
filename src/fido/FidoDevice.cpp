#include "fido/FidoDevice.h"

#include "fido/FidoFacts.h"
#include "fido/FidoResult.h"

namespace {

FidoCborInfoHandle readCborInfo(fido_dev_t* device) {
    FidoCborInfoHandle info(requireAllocated(fido_cbor_info_new()));
    throwOnFidoError(fido_dev_get_cbor_info(device, info.get()));
    return info;
}

} // namespace

bool fidoHasPin(const std::string& path) {
    return withFidoDevice(path, [](fido_dev_t* device) { return fido_dev_has_pin(device); });
}

bool fidoIsFido2(const std::string& path) {
    return withFidoDevice(path, [](fido_dev_t* device) { return fido_dev_is_fido2(device); });
}

std::string fidoGetVersion(const std::string& path) {
    return withFidoDevice(path, [](fido_dev_t* device) {
        return formatDeviceVersion(fido_dev_major(device), fido_dev_minor(device),
                                   fido_dev_build(device));
    });
}

std::vector<uint8_t> fidoGetAaguid(const std::string& path) {
    return withFidoDevice(path, [](fido_dev_t* device) {
        FidoCborInfoHandle info = readCborInfo(device);
        const unsigned char* aaguid = fido_cbor_info_aaguid_ptr(info.get());
        size_t length = fido_cbor_info_aaguid_len(info.get());
        if (aaguid == nullptr) {
            return std::vector<uint8_t>();
        }
        return std::vector<uint8_t>(aaguid, aaguid + length);
    });
}

std::vector<std::string> fidoGetProtocols(const std::string& path) {
    return withFidoDevice(path, [](fido_dev_t* device) {
        FidoCborInfoHandle info = readCborInfo(device);
        char** versions = fido_cbor_info_versions_ptr(info.get());
        size_t count = fido_cbor_info_versions_len(info.get());
        std::vector<std::string> names;
        for (size_t i = 0; versions != nullptr && i < count; ++i) {
            names.push_back(protocolName(versions[i]));
        }
        return names;
    });
}

int32_t fidoGetRetryCount(const std::string& path) {
    return withFidoDevice(path, [](fido_dev_t* device) {
        int retries = 0;
        throwOnFidoError(fido_dev_get_retry_count(device, &retries));
        return static_cast<int32_t>(retries);
    });
}

// The operations that change the device report their result only after the device has been
// closed again.

void fidoReset(const std::string& path) {
    throwOnFidoError(
        withFidoDevice(path, [](fido_dev_t* device) { return fido_dev_reset(device); }));
}

void fidoSetPin(const std::string& path, const std::string& newPin) {
    throwOnFidoError(withFidoDevice(path, [&newPin](fido_dev_t* device) {
        return fido_dev_set_pin(device, newPin.c_str(), nullptr);
    }));
}

void fidoChangePin(const std::string& path, const std::string& pin, const std::string& newPin) {
    throwOnFidoError(withFidoDevice(path, [&pin, &newPin](fido_dev_t* device) {
        return fido_dev_set_pin(device, newPin.c_str(), pin.c_str());
    }));
}
