#pragma once

#include "fido/FidoHandles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One enumerated FIDO HID device. It points into the FidoDeviceList that produced it and
// must not outlive that list.
class FidoDeviceEntry {
public:
    explicit FidoDeviceEntry(const fido_dev_info_t* deviceInfo) : info(deviceInfo) {}

    std::string path() const;
    uint16_t vendorId() const;
    uint16_t productId() const;
    std::string productString() const;

    // True when the USB identifiers are those of a Quenlix Key.
    bool isKey() const;

private:
    const fido_dev_info_t* info;
};

// The FIDO HID devices attached when the list was made, in libfido2's order.
class FidoDeviceList {
public:
    static constexpr size_t capacity = 10;

    FidoDeviceList();

    const std::vector<FidoDeviceEntry>& entries() const { return found; }

private:
    FidoDeviceInfoArray infos;
    std::vector<FidoDeviceEntry> found;
};

// The first entry that belongs to a key.
std::optional<FidoDeviceEntry> findFirstKey(const FidoDeviceList& list);

// The entry whose path equals the given text exactly.
std::optional<FidoDeviceEntry> findByPath(const FidoDeviceList& list, const std::string& path);
