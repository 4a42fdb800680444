// Builds a game install inside a Wine-style prefix for the demo:
//
//   makedemo PREFIX [--entries N] [--arch win32|win64] [--seed S] [--present K] [--maps-only]
#include "demoGame.h"

#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    const auto usage = [] {
        std::cerr << "usage: makedemo PREFIX [--entries N] [--arch win32|win64] [--seed S] [--present K] "
                     "[--maps-only]\n";
        return 2;
    };
    if (argc < 2)
        return usage();
    ovcache::demo::DemoOptions options;
    for (int k = 2; k < argc; ++k) {
        const std::string option = argv[k];
        if (option == "--maps-only") {
            options.mapsOnly = true;
            continue;
        }
        if (k + 1 >= argc)
            return usage();
        const std::string value = argv[++k];
        if (option == "--entries")
            options.entries = std::atol(value.c_str());
        else if (option == "--arch" && (value == "win32" || value == "win64"))
            options.win64 = value == "win64";
        else if (option == "--seed")
            options.seed = static_cast<unsigned>(std::atol(value.c_str()));
        else if (option == "--present")
            options.present = std::atol(value.c_str());
        else
            return usage();
    }
    if (options.entries < 0)
        return usage();
    const auto demo = ovcache::demo::MakeDemoGame(argv[1], options);
    std::cout << "prefix " << demo.prefix.string() << "\ngame " << demo.gameWindows << "\nentries " << options.entries
              << '\n';
    return 0;
}
