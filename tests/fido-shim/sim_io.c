#include "sim_io.h"

#include "sim_config.h"

#include <errno.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

struct sim_handle {
    int fd;
};

static int connect_socket(const char* socket_path) {
    struct sockaddr_un address;
    memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (strlen(socket_path) >= sizeof address.sun_path) {
        return -1;
    }
    strcpy(address.sun_path, socket_path);
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (connect(fd, (const struct sockaddr*)&address, sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

static void* sim_open(const char* path) {
    const struct sim_device* device = sim_find_device(path);
    if (device == NULL) {
        return NULL;
    }
    int fd = connect_socket(device->socket_path);
    if (fd < 0) {
        return NULL; /* the device is unplugged */
    }
    struct sim_handle* handle = malloc(sizeof *handle);
    if (handle == NULL) {
        close(fd);
        return NULL;
    }
    handle->fd = fd;
    return handle;
}

static void sim_close(void* opaque) {
    struct sim_handle* handle = opaque;
    if (handle == NULL) {
        return;
    }
    close(handle->fd);
    free(handle);
}

/* ms < 0 waits without limit, as for a HID device. */
static int sim_read(void* opaque, unsigned char* buffer, size_t length, int ms) {
    struct sim_handle* handle = opaque;
    struct pollfd waiting = {.fd = handle->fd, .events = POLLIN, .revents = 0};
    int ready;
    do {
        ready = poll(&waiting, 1, ms);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return -1;
    }
    ssize_t received = recv(handle->fd, buffer, length, 0);
    if (received <= 0) {
        return -1;
    }
    return (int)received;
}

/* libfido2 puts the HID report id (always 0) before each 64-byte report. */
static int sim_write(void* opaque, const unsigned char* buffer, size_t length) {
    struct sim_handle* handle = opaque;
    if (length < 2) {
        return -1;
    }
    ssize_t sent = send(handle->fd, buffer + 1, length - 1, MSG_NOSIGNAL);
    if (sent < 0 || (size_t)sent != length - 1) {
        return -1;
    }
    return (int)length;
}

const fido_dev_io_t sim_io = {
    .open = sim_open,
    .close = sim_close,
    .read = sim_read,
    .write = sim_write,
};
