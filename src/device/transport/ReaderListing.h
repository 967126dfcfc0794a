#pragma once

#include "device/transport/ChannelResult.h"

// All reader names as one multi-string (zero-separated, ended by an empty name), allocated
// with malloc and freed by the caller with free; null when no reader is attached. Opens a
// PC/SC context of its own; no card is connected.
ChannelResult ci_listReaders(char** readers);
