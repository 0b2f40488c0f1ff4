// The OS seam for tests: the simulated PC with its virtual device and virtual clock, and a log
// of every call with its arguments, which the tests read back.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "sim/SimulatedOs.h"

namespace pd {

class FakeOs : public sim::SimulatedOs {
public:
    using SimulatedOs::SimulatedOs;

    const std::vector<std::string>& calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // The log without the entries that start with any of the prefixes.
    std::vector<std::string> CallsExcept(std::initializer_list<const char*> prefixes) const;
    // The entries that start with `prefix`, whole.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    // What follows `prefix` in the entries that start with it.
    std::vector<std::string> ArgumentsOf(const std::string& prefix) const;
    std::vector<std::string> DebugLines() const { return ArgumentsOf("DebugOutput "); }
    int CountCalls(const std::string& prefix) const;

protected:
    void Log(std::string entry) override { calls_.push_back(std::move(entry)); }

private:
    std::vector<std::string> calls_;
};

}  // namespace pd
