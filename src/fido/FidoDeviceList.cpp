#include "fido/FidoDeviceList.h"

namespace {

std::string textOrEmpty(const char* text) {
    return text == nullptr ? std::string() : std::string(text);
}

} // namespace

std::string FidoDeviceEntry::path() const {
    return textOrEmpty(fido_dev_info_path(info));
}

// libfido2 hands the 16-bit USB identifiers out as signed values.
uint16_t FidoDeviceEntry::vendorId() const {
    return static_cast<uint16_t>(fido_dev_info_vendor(info));
}

uint16_t FidoDeviceEntry::productId() const {
    return static_cast<uint16_t>(fido_dev_info_product(info));
}

std::string FidoDeviceEntry::productString() const {
    return textOrEmpty(fido_dev_info_product_string(info));
}

bool FidoDeviceEntry::isKey() const {
    return vendorId() == QUENLIX_USB_VENDOR_ID && productId() == QUENLIX_USB_PRODUCT_ID;
}

FidoDeviceList::FidoDeviceList() : infos(capacity) {
    size_t count = 0;
    // A failed enumeration reports no entries, which is all that matters here.
    fido_dev_info_manifest(infos.get(), capacity, &count);
    for (size_t i = 0; i < count && i < capacity; ++i) {
        found.emplace_back(fido_dev_info_ptr(infos.get(), i));
    }
}

std::optional<FidoDeviceEntry> findFirstKey(const FidoDeviceList& list) {
    for (const FidoDeviceEntry& entry : list.entries()) {
        if (entry.isKey()) {
            return entry;
        }
    }
    return std::nullopt;
}

std::optional<FidoDeviceEntry> findByPath(const FidoDeviceList& list, const std::string& path) {
    for (const FidoDeviceEntry& entry : list.entries()) {
        if (entry.path() == path) {
            return entry;
        }
    }
    return std::nullopt;
}
