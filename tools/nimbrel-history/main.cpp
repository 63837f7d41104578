#include <iostream>
#include <string>
#include <vector>

#include "HistoryCommand.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int code = nimbrel::RunHistoryCommand(args, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "nimbrel-history: the output could not be written\n";
        return 1;
    }
    return code;
}
