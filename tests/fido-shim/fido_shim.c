/* Preloaded into a program to present simulated FIDO devices: the device
 * list and the opening of simulated paths are redirected to Unix sockets,
 * so the real libfido2 runs the whole CTAPHID/CTAP2 protocol. Every other
 * call goes to libfido2 unchanged. */
#define _GNU_SOURCE
#include "sim_config.h"
#include "sim_io.h"

#include <dlfcn.h>
#include <fido.h>
#include <stdio.h>
#include <stdlib.h>

static void* real_function(const char* name) {
    void* function = dlsym(RTLD_NEXT, name);
    if (function == NULL) {
        fprintf(stderr, "fido-shim: %s not found in libfido2\n", name);
        abort();
    }
    return function;
}

#define REAL(name) ((__typeof__(&name))real_function(#name))

int fido_dev_info_manifest(fido_dev_info_t* devlist, size_t ilen, size_t* olen) {
    const struct sim_config* config = sim_config();
    if (!config->active) {
        return REAL(fido_dev_info_manifest)(devlist, ilen, olen);
    }
    /* Real devices stay hidden so that tests never touch a key in use. */
    *olen = 0;
    for (size_t i = 0; i < config->device_count && i < ilen; ++i) {
        const struct sim_device* device = &config->devices[i];
        int result = fido_dev_info_set(devlist, i, device->path, device->manufacturer,
                                       device->product_string, &sim_io, NULL);
        if (result != FIDO_OK) {
            return result;
        }
        *olen = i + 1;
    }
    return FIDO_OK;
}

int16_t fido_dev_info_vendor(const fido_dev_info_t* di) {
    const struct sim_device* device = sim_find_device(fido_dev_info_path(di));
    if (device == NULL) {
        return REAL(fido_dev_info_vendor)(di);
    }
    return (int16_t)device->vendor_id;
}

int16_t fido_dev_info_product(const fido_dev_info_t* di) {
    const struct sim_device* device = sim_find_device(fido_dev_info_path(di));
    if (device == NULL) {
        return REAL(fido_dev_info_product)(di);
    }
    return (int16_t)device->product_id;
}

int fido_dev_open(fido_dev_t* dev, const char* path) {
    if (sim_find_device(path) != NULL) {
        int result = fido_dev_set_io_functions(dev, &sim_io);
        if (result != FIDO_OK) {
            return result;
        }
    }
    return REAL(fido_dev_open)(dev, path);
}

/* The io functions copied from the entry alone would make libfido2 treat the
 * handle as a hidraw one; setting them on the device marks them as ours. */
fido_dev_t* fido_dev_new_with_info(const fido_dev_info_t* di) {
    fido_dev_t* dev = REAL(fido_dev_new_with_info)(di);
    if (dev != NULL && sim_find_device(fido_dev_info_path(di)) != NULL &&
        fido_dev_set_io_functions(dev, &sim_io) != FIDO_OK) {
        fido_dev_free(&dev);
    }
    return dev;
}
