#include "program/BuildApplication.h"

int main(int argc, char** argv) {
    std::unique_ptr<Application> application = buildApplication();
    return application->run(argc, argv);
}
