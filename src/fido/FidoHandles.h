#pragma once

#include <cstddef>
#include <fido.h>
#include <memory>

// Owning handles for libfido2 objects; each frees its object through libfido2.

struct FidoCborInfoDeleter {
    void operator()(fido_cbor_info_t* info) const { fido_cbor_info_free(&info); }
};
using FidoCborInfoHandle = std::unique_ptr<fido_cbor_info_t, FidoCborInfoDeleter>;

// A device-information array remembers the capacity it was created with, because
// libfido2 needs it again to free the array.
class FidoDeviceInfoArray {
public:
    explicit FidoDeviceInfoArray(size_t capacity);
    ~FidoDeviceInfoArray();

    FidoDeviceInfoArray(const FidoDeviceInfoArray&) = delete;
    FidoDeviceInfoArray& operator=(const FidoDeviceInfoArray&) = delete;

    fido_dev_info_t* get() const { return infos; }
    size_t capacity() const { return size; }

private:
    fido_dev_info_t* infos;
    size_t size;
};

// A device object opened on a path. If it is still open when the handle goes away (a
// failure left the frame early), it is closed before it is freed.
class OpenFidoDevice {
public:
    explicit OpenFidoDevice(const char* path);
    ~OpenFidoDevice();

    OpenFidoDevice(const OpenFidoDevice&) = delete;
    OpenFidoDevice& operator=(const OpenFidoDevice&) = delete;

    fido_dev_t* get() const { return device; }

    // Closes the device and reports libfido2's result as FidoError.
    void close();

private:
    fido_dev_t* device;
    bool open = false;
};
