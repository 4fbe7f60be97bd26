// tvmtool: catalogue and map commands for game pipelines (see README.md).
#include "tools/tvmtool/Commands.h"

#include <QCoreApplication>
#include <iostream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // ProgramFolder() needs it
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return tv::tool::Run(args, std::cout, std::cerr);
}
