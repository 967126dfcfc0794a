#include "sim_config.h"

#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define ENV_DEVICES "QUENLIX_FIDO_SIM_DEVICES"
#define DEFAULT_VENDOR_ID 0x20A0
#define DEFAULT_PRODUCT_ID 0x42B2
#define DEFAULT_MANUFACTURER "Quenlix"
#define DEFAULT_PRODUCT_STRING "Quenlix Key"
#define EXIT_BAD_CONFIG 125

static struct sim_config config;
static pthread_once_t config_once = PTHREAD_ONCE_INIT;

/* A broken test setup must not look like a missing device. */
static void fail(const char* what, const char* text) {
    fprintf(stderr, "fido-shim: %s in " ENV_DEVICES ": \"%s\"\n", what, text);
    _exit(EXIT_BAD_CONFIG);
}

static void copy_text(char* target, size_t capacity, const char* value, const char* entry) {
    size_t length = strlen(value);
    if (length >= capacity) {
        fail("value too long", entry);
    }
    memcpy(target, value, length + 1);
}

static uint16_t parse_id(const char* value, const char* entry) {
    char* end = NULL;
    errno = 0;
    unsigned long id = strtoul(value, &end, 0);
    if (errno != 0 || end == value || *end != '\0' || id > 0xFFFF) {
        fail("bad USB id", entry);
    }
    return (uint16_t)id;
}

static void parse_attribute(struct sim_device* device, char* attribute, const char* entry) {
    char* equals = strchr(attribute, '=');
    if (equals == NULL) {
        fail("attribute without '='", entry);
    }
    *equals = '\0';
    const char* value = equals + 1;
    if (strcmp(attribute, "vendor") == 0) {
        device->vendor_id = parse_id(value, entry);
    } else if (strcmp(attribute, "product") == 0) {
        device->product_id = parse_id(value, entry);
    } else if (strcmp(attribute, "manufacturer") == 0) {
        copy_text(device->manufacturer, sizeof device->manufacturer, value, entry);
    } else if (strcmp(attribute, "product_string") == 0) {
        copy_text(device->product_string, sizeof device->product_string, value, entry);
    } else {
        fail("unknown attribute", entry);
    }
}

/* entry: path=socket[,vendor=ID][,product=ID][,manufacturer=TEXT][,product_string=TEXT] */
static void parse_device(struct sim_device* device, char* entry) {
    char original[4 * SIM_MAX_TEXT];
    snprintf(original, sizeof original, "%s", entry);

    char* rest = entry;
    char* head = strsep(&rest, ",");
    char* equals = strchr(head, '=');
    if (equals == NULL) {
        fail("device without '=socket'", original);
    }
    *equals = '\0';
    copy_text(device->path, sizeof device->path, head, original);
    copy_text(device->socket_path, sizeof device->socket_path, equals + 1, original);
    if (device->socket_path[0] == '\0') {
        fail("empty socket path", original);
    }
    device->vendor_id = DEFAULT_VENDOR_ID;
    device->product_id = DEFAULT_PRODUCT_ID;
    copy_text(device->manufacturer, sizeof device->manufacturer, DEFAULT_MANUFACTURER, original);
    copy_text(device->product_string, sizeof device->product_string, DEFAULT_PRODUCT_STRING,
              original);
    char* attribute;
    while ((attribute = strsep(&rest, ",")) != NULL) {
        parse_attribute(device, attribute, original);
    }
}

static void load_config(void) {
    const char* value = getenv(ENV_DEVICES);
    if (value == NULL) {
        return;
    }
    config.active = true;
    char* copy = strdup(value);
    if (copy == NULL) {
        fail("out of memory", value);
    }
    char* rest = copy;
    char* entry;
    while ((entry = strsep(&rest, ";")) != NULL) {
        if (entry[0] == '\0') {
            continue;
        }
        if (config.device_count == SIM_MAX_DEVICES) {
            fail("too many devices", value);
        }
        parse_device(&config.devices[config.device_count++], entry);
    }
    free(copy);
}

const struct sim_config* sim_config(void) {
    pthread_once(&config_once, load_config);
    return &config;
}

const struct sim_device* sim_find_device(const char* path) {
    const struct sim_config* current = sim_config();
    if (path == NULL || !current->active) {
        return NULL;
    }
    for (size_t i = 0; i < current->device_count; ++i) {
        if (strcmp(current->devices[i].path, path) == 0) {
            return &current->devices[i];
        }
    }
    return NULL;
}
