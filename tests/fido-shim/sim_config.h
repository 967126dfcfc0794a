#ifndef QUENLIX_FIDO_SHIM_SIM_CONFIG_H
#define QUENLIX_FIDO_SHIM_SIM_CONFIG_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#define SIM_MAX_DEVICES 16
#define SIM_MAX_TEXT 256
#define SIM_MAX_SOCKET_PATH 108

struct sim_device {
    char path[SIM_MAX_TEXT];
    char socket_path[SIM_MAX_SOCKET_PATH];
    uint16_t vendor_id;
    uint16_t product_id;
    char manufacturer[SIM_MAX_TEXT];
    char product_string[SIM_MAX_TEXT];
};

struct sim_config {
    bool active; /* the environment names simulated devices (maybe none) */
    size_t device_count;
    struct sim_device devices[SIM_MAX_DEVICES];
};

/* Parsed once from QUENLIX_FIDO_SIM_DEVICES; a malformed value ends the program. */
const struct sim_config* sim_config(void);

/* The simulated device with this path, or NULL (also for a NULL path). */
const struct sim_device* sim_find_device(const char* path);

#endif
