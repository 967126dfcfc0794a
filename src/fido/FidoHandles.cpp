#include "fido/FidoHandles.h"

#include "fido/FidoResult.h"

FidoDeviceInfoArray::FidoDeviceInfoArray(size_t capacity)
    : infos(requireAllocated(fido_dev_info_new(capacity))), size(capacity) {}

FidoDeviceInfoArray::~FidoDeviceInfoArray() {
    fido_dev_info_free(&infos, size);
}

OpenFidoDevice::OpenFidoDevice(const char* path) : device(requireAllocated(fido_dev_new())) {
    int result = fido_dev_open(device, path);
    if (result != FIDO_OK) {
        fido_dev_free(&device);
        throwOnFidoError(result);
    }
    open = true;
}

OpenFidoDevice::~OpenFidoDevice() {
    if (open) {
        fido_dev_close(device);
    }
    fido_dev_free(&device);
}

void OpenFidoDevice::close() {
    open = false;
    throwOnFidoError(fido_dev_close(device));
}
