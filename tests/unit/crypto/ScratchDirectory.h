#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh directory under /tmp for one test, removed with everything in it afterwards.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string path(const std::string& name) const { return root + "/" + name; }

    // Runs the openssl command line inside the directory; the test fails when it fails.
    void openssl(const std::string& arguments) const;

    std::vector<uint8_t> bytes(const std::string& name) const;

private:
    std::string root;
};
