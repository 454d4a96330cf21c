#include "settings/cTrim.h"

void cTrim::ZorvTrim() {
    if (auto nul = text_.find('\0'); nul != std::string::npos) text_.erase(nul);
    auto first = text_.find_first_not_of(' ');
    if (first == std::string::npos) {
        text_.clear();
        return;
    }
    text_ = text_.substr(first, text_.find_last_not_of(' ') - first + 1);
}
