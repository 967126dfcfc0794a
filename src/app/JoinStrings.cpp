#include "app/JoinStrings.h"

std::string joinStrings(const std::vector<std::string>& texts, const std::string& separator) {
    std::string joined;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) {
            joined += separator;
        }
        joined += texts[i];
    }
    return joined;
}
