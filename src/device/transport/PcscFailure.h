#pragma once

#include <winscard.h>

// Writes the line of a failed PC/SC call to standard output: the text, then the PC/SC result
// in signed decimal (e.g. "Failed SCardConnect: -2146435061").
void reportPcscFailure(const char* text, LONG result);
