#include "testing/FakeOs.h"

#include <algorithm>

namespace pd {

std::vector<std::string> FakeOs::CallsExcept(std::initializer_list<const char*> prefixes) const {
    std::vector<std::string> kept;
    for (const auto& call : calls_) {
        const bool drop = std::any_of(prefixes.begin(), prefixes.end(), [&](const char* prefix) {
            return call.rfind(prefix, 0) == 0;
        });
        if (!drop) kept.push_back(call);
    }
    return kept;
}

std::vector<std::string> FakeOs::CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& call : calls_) {
        if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
}

std::vector<std::string> FakeOs::ArgumentsOf(const std::string& prefix) const {
    std::vector<std::string> arguments = CallsStartingWith(prefix);
    for (auto& call : arguments) call.erase(0, prefix.size());
    return arguments;
}

int FakeOs::CountCalls(const std::string& prefix) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const auto& call) {
        return call.rfind(prefix, 0) == 0;
    }));
}

}  // namespace pd
