#pragma once

#include "crypto/OpenSSLHandles.h"

#include <string>
#include <vector>

// What a subject alternative name looks like on the command line: "DNS:name",
// "email:address", "URI:uri" or "IP:address" (IPv4 or IPv6).
inline constexpr const char* subjectAltNameForms =
    "DNS:name, email:address, URI:uri or IP:address (IPv4 or IPv6)";

// Empty for a name of one of the forms above with a non-empty value (an IP address that
// parses); otherwise the message naming the accepted forms.
std::string subjectAltNameProblem(const std::string& name);

// The names in the given order; OpenSSLException for a name that subjectAltNameProblem
// refuses.
GeneralNamesPtr makeSubjectAltNames(const std::vector<std::string>& names);
