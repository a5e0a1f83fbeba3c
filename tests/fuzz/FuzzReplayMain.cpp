// Runs a fuzz target over saved inputs without libFuzzer, so that each corpus
// is a regression test in every build, gcc's included:
//   <target>_replay FOLDER|FILE...
// Each file is one input. The name of each input is printed before it runs,
// so the last name in the output is the one that broke the target.

#include "FuzzSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> InputFiles(int argc, char** argv)
{
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path path = argv[i];
        if (!fs::is_directory(path)) {
            files.push_back(path);
            continue;
        }
        std::vector<fs::path> folder;
        for (const fs::directory_entry& entry : fs::directory_iterator(path))
            if (entry.is_regular_file())
                folder.push_back(entry.path());
        // The same order on every run, so that a failure repeats.
        std::sort(folder.begin(), folder.end());
        files.insert(files.end(), folder.begin(), folder.end());
    }
    return files;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: " << argv[0] << " FOLDER|FILE...\n";
        return 2;
    }
    const std::vector<fs::path> files = InputFiles(argc, argv);
    // An empty or missing corpus would pass without checking anything.
    if (files.empty()) {
        std::cerr << "no inputs found\n";
        return 1;
    }
    for (const fs::path& file : files) {
        std::cout << "input " << file.string() << std::endl;
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::cerr << "cannot read " << file << "\n";
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::cout << files.size() << " inputs replayed, all invariants held" << std::endl;
    return 0;
}
