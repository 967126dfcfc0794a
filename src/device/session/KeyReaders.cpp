#include "device/session/KeyReaders.h"

#include "device/session/OpenChannel.h"
#include "device/transport/CardChannel.h"
#include "device/transport/DeviceException.h"
#include "device/transport/ReaderListing.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

struct FreeMultiString {
    void operator()(char* text) const { std::free(text); }
};

// Historical bytes "Quenlix" behind the given prefix, then TCK: the XOR of T0 up to the
// last historical byte.
Bytes keyAtr(Bytes prefix) {
    const std::string historical = "Quenlix";
    prefix.insert(prefix.end(), historical.begin(), historical.end());
    uint8_t check = 0;
    for (size_t index = 1; index < prefix.size(); ++index) {
        check ^= prefix[index];
    }
    prefix.push_back(check);
    return prefix;
}

std::vector<std::string> splitMultiString(const char* multiString) {
    std::vector<std::string> names;
    for (const char* name = multiString; *name != '\0'; name += std::strlen(name) + 1) {
        names.emplace_back(name);
    }
    return names;
}

std::vector<std::string> allReaders() {
    char* readers = nullptr;
    ChannelResult result = ci_listReaders(&readers);
    if (result != CI_OK) {
        throw DeviceException(QUENLIX_KEY_ERROR_IO, result);
    }
    std::unique_ptr<char, FreeMultiString> owned(readers);
    return owned ? splitMultiString(owned.get()) : std::vector<std::string>{};
}

} // namespace

bool isKeyAtr(const Bytes& atr) {
    static const Bytes atrA = keyAtr({0x3B, 0x87, 0x80, 0x01});
    static const Bytes atrB = keyAtr({0x3B, 0x97, 0x11, 0x81, 0x21, 0x75});
    return atr == atrA || atr == atrB;
}

Bytes readAtr(const std::string& readerName) {
    CardChannel* opened = nullptr;
    if (ci_connect(readerName.c_str(), &opened) != CI_OK) {
        return {};
    }
    ChannelHandle channel(opened);
    size_t length = 0;
    if (ci_getAtr(channel.get(), nullptr, &length) != CI_OK) {
        return {};
    }
    Bytes atr(length);
    if (ci_getAtr(channel.get(), atr.data(), &length) != CI_OK) {
        return {};
    }
    atr.resize(length);
    return atr;
}

std::vector<std::string> listKeyReaders() {
    std::vector<std::string> keyReaders;
    for (const std::string& name : allReaders()) {
        if (isKeyAtr(readAtr(name))) {
            keyReaders.push_back(name);
        }
    }
    return keyReaders;
}

int32_t key_listReaders(ReaderList** list) {
    if (list == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    try {
        auto readers = std::make_unique<ReaderList>(ReaderList{listKeyReaders()});
        *list = readers.release();
        return QUENLIX_KEY_ERROR_NOERROR;
    } catch (const DeviceException& error) {
        return error.code;
    } catch (const std::runtime_error&) {
        return QUENLIX_KEY_ERROR_INTERNAL;
    }
}

size_t key_readerCount(const ReaderList* list) {
    return list == nullptr ? 0 : list->names.size();
}

const char* key_readerName(const ReaderList* list, size_t index) {
    if (list == nullptr || index >= list->names.size()) {
        return nullptr;
    }
    return list->names[index].c_str();
}

void key_freeReaderList(ReaderList* list) {
    std::unique_ptr<ReaderList> owned(list);
}
