#include "support/CommandLineRun.h"

#include <gtest/gtest.h>

RunResult runCommandLine(Application& application, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "quenlix-key");
    std::vector<const char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int32_t exitCode = application.run(static_cast<int>(argv.size()), argv.data());
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    return {exitCode, out, err};
}
