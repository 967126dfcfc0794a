#include "app/Application.h"

std::unique_ptr<Application> buildApplication() {
    auto application = std::make_unique<Application>();
    // Registration order is the dispatch order: info, list, fido, totp, hotp, piv.
    return application;
}
