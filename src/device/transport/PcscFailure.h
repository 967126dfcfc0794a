#pragma once

#include <winscard.h>

// Writes the line of a failed PC/SC call to standard output: the text, then the PC/SC result
// in signed decimal (e.g. "Failed SCardConnect: -2146435061"). The result is noted as met.
void reportPcscFailure(const char* text, LONG result);

// Notes a PC/SC result that says something about the system's state without being a failure
// line (SCARD_E_NO_READERS_AVAILABLE of a reader listing).
void notePcscResult(LONG result);

// Whether a PC/SC call of this process gave the result, as noted above; the program uses it
// to say what to do about a failure it reports.
bool pcscResultMet(LONG result);

// Forgets the results met, so that a new PC/SC stack (a test's scripted one) starts afresh.
void forgetPcscResults();
