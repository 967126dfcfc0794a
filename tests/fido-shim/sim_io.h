#ifndef QUENLIX_FIDO_SHIM_SIM_IO_H
#define QUENLIX_FIDO_SHIM_SIM_IO_H

#include <fido.h>

/* HID-style I/O functions that carry each report over the device's socket. */
extern const fido_dev_io_t sim_io;

#endif
