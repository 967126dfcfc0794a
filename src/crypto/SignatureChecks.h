#pragma once

#include <openssl/x509.h>

// True when the request's signature verifies with the public key it carries: a request signed
// by the card with another key than the one it names does not.
bool requestSignatureVerifies(X509_REQ& request);

// The same for a self-signed certificate: its signature verifies with the key it carries.
bool certificateSignatureVerifies(X509& certificate);
