// quorlin-lsp: the language server for texture scripts, over standard input
// and output. Standard output carries protocol messages and nothing else;
// notes for whoever runs the server by hand go to standard error.
#include <cstdio>
#include <iostream>
#include <string>

#include "programstack.h"
#include "serve.h"

namespace {

int RunServer(int argc, char** argv)
{
    if (argc > 1) {
        const std::string argument = argv[1];
        if (argument == "--version") {
            std::cout << "quorlin-lsp " QUORLIN_VERSION "\n";
            return 0;
        }
        // Clients commonly pass --stdio; it is what the server speaks anyway.
        if (argument != "--stdio") {
            std::cerr << "usage: quorlin-lsp [--stdio | --version]\n";
            return 2;
        }
    }
    std::ios::sync_with_stdio(false);
    return quorlin::lsp::Serve(std::cin, std::cout, std::cerr);
}

} // namespace

int main(int argc, char** argv) { return quorlin::RunWithStack(quorlin::PROGRAM_STACK_BYTES, RunServer, argc, argv); }
