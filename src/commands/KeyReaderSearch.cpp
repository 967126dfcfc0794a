#include "commands/KeyReaderSearch.h"

#include "app/KeyManagementError.h"
#include "device/session/KeyReaders.h"

#include <memory>

namespace {

struct ReaderListRelease {
    void operator()(ReaderList* list) const { key_freeReaderList(list); }
};

} // namespace

std::vector<std::string> keyReaderNames() {
    ReaderList* listed = nullptr;
    throwOnError(key_listReaders(&listed));
    std::unique_ptr<ReaderList, ReaderListRelease> list(listed);
    std::vector<std::string> names;
    for (size_t index = 0; index < key_readerCount(list.get()); ++index) {
        names.emplace_back(key_readerName(list.get(), index));
    }
    return names;
}

std::string firstKeyReader() {
    std::vector<std::string> names = keyReaderNames();
    return names.empty() ? std::string() : names.front();
}
