#include "CardTool.h"

#include <climits>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    // The real path, for the setcap hint: argv[0] may be a bare name.
    char self[PATH_MAX] = {};
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string program = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(argv[0]);
    return RunCardTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr, program,
                       isatty(STDERR_FILENO) == 1);
}
