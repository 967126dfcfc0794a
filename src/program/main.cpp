#include "crypto/WipingOpenSSLMemory.h"
#include "program/BuildApplication.h"

int main(int argc, char** argv) {
    // First, before the library allocates anything: its copies of private keys are wiped too.
    installWipingOpenSSLMemory();
    std::unique_ptr<Application> application = buildApplication();
    return application->run(argc, argv);
}
