#pragma once

// PIV entry points as the card answer fuzzer runs them, with the checks on what they hand out.
// The slots, keys and files are those of the fault sweep's clean runs, whose recorded
// exchanges seed the fuzzer.

void pivChuid();
void pivCcc();
void pivListCertificates();
void pivReadCertificate();
void pivImportCertificate();
void pivGenerateKeyPair();
void pivImportPrivateKey();
void pivCertificateRequestRsa();
void pivCertificateRequestEc();
void pivCertificateRequestWithNames();
void pivSelfSignedCertificateRsa();
void pivSelfSignedCertificateEc();
void pivGenerateKeyPairWithPolicies();
void pivImportPrivateKeyWithPolicies();
