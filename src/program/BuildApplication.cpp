#include "program/BuildApplication.h"

#include "commands/FidoCommand.h"
#include "commands/HotpCommand.h"
#include "commands/InfoCommand.h"
#include "commands/ListCommand.h"
#include "commands/PivCommand.h"
#include "commands/TotpCommand.h"

std::unique_ptr<Application> buildApplication() {
    auto application = std::make_unique<Application>();
    // Registration order is the dispatch order: info, list, fido, totp, hotp, piv.
    application->add<InfoCommand>();
    application->add<ListCommand>();
    application->add<FidoCommand>();
    application->add<TotpCommand>();
    application->add<HotpCommand>();
    application->add<PivCommand>();
    return application;
}
