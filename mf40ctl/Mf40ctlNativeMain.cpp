// mf40ctl on Linux: the companion against its in-process virtual device.
#include <iostream>
#include <string>
#include <vector>

#include "mf40ctl/HostMf40ctl.h"

int main(int argc, char** argv) {
    return pd::ctl::RunHostMf40ctl(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                   std::cerr, std::cin);
}
