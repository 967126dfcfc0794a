#include "crypto/SubjectAltNames.h"

#include "crypto/OpenSSLException.h"

#include <arpa/inet.h>
#include <array>
#include <openssl/err.h>

namespace {

struct NameForm {
    const char* prefix;
    int type;
};

constexpr std::array<NameForm, 4> nameForms{{
    {"DNS:", GEN_DNS},
    {"email:", GEN_EMAIL},
    {"URI:", GEN_URI},
    {"IP:", GEN_IPADD},
}};

const NameForm* formOf(const std::string& name) {
    for (const NameForm& form : nameForms) {
        if (name.starts_with(form.prefix)) {
            return &form;
        }
    }
    return nullptr;
}

bool isIpAddress(const std::string& text) {
    std::array<unsigned char, 16> address{};
    return inet_pton(AF_INET, text.c_str(), address.data()) == 1 ||
           inet_pton(AF_INET6, text.c_str(), address.data()) == 1;
}

GeneralNamePtr makeName(const std::string& name) {
    const NameForm* form = formOf(name);
    if (form == nullptr || !subjectAltNameProblem(name).empty()) {
        throw OpenSSLException("Invalid subject alternative name " + name);
    }
    const std::string value = name.substr(std::char_traits<char>::length(form->prefix));
    if (form->type == GEN_IPADD) {
        GeneralNamePtr address(
            a2i_GENERAL_NAME(nullptr, nullptr, nullptr, GEN_IPADD, value.c_str(), 0));
        if (!address) {
            throw OpenSSLException("Invalid subject alternative name " + name);
        }
        return address;
    }
    GeneralNamePtr general(GENERAL_NAME_new());
    ASN1_IA5STRING* text = ASN1_IA5STRING_new();
    if (!general || text == nullptr ||
        ASN1_STRING_set(text, value.data(), static_cast<int>(value.size())) != 1) {
        ASN1_IA5STRING_free(text);
        throw OpenSSLException("Could not build subject alternative name " + name);
    }
    // The name takes the string over.
    GENERAL_NAME_set0_value(general.get(), form->type, text);
    return general;
}

} // namespace

std::string subjectAltNameProblem(const std::string& name) {
    const NameForm* form = formOf(name);
    const std::string value =
        form == nullptr ? "" : name.substr(std::char_traits<char>::length(form->prefix));
    const bool valid = form != nullptr && !value.empty() && value.find('\0') == std::string::npos &&
                       (form->type != GEN_IPADD || isIpAddress(value));
    return valid ? "" : std::string("A subject alternative name must be ") + subjectAltNameForms;
}

GeneralNamesPtr makeSubjectAltNames(const std::vector<std::string>& names) {
    ERR_clear_error();
    GeneralNamesPtr all(GENERAL_NAMES_new());
    if (!all) {
        throw OpenSSLException("Could not build subject alternative names");
    }
    for (const std::string& name : names) {
        GeneralNamePtr general = makeName(name);
        if (sk_GENERAL_NAME_push(all.get(), general.get()) <= 0) {
            throw OpenSSLException("Could not build subject alternative names");
        }
        // The stack owns the name now.
        static_cast<void>(general.release());
    }
    return all;
}
