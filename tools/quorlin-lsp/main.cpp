// quorlin-lsp: the language server for texture scripts, over standard input
// and output. Standard output carries protocol messages and nothing else;
// notes for whoever runs the server by hand go to standard error.
#include <cstdio>
#include <iostream>
#include <string>

#include "programstack.h"
#include "serve.h"

namespace {

constexpr const char* USAGE_TEXT = "Usage: quorlin-lsp [--stdio]\n"
                                   "\n"
                                   "The language server for texture scripts: speaks the Language Server\n"
                                   "Protocol over standard input and output (--stdio, accepted for clients\n"
                                   "that pass it, is what it does anyway). Start it from an editor.\n"
                                   "\n"
                                   "Options:\n"
                                   "  --stdio     talk over standard input and output (the default)\n"
                                   "  -h, --help  show this help and exit\n"
                                   "  --version   show the version and exit\n";

// Answers --help and --version; false for anything else.
bool Inform(const std::string& argument, int& nStatus)
{
    if (argument == "--version")
        std::cout << "quorlin-lsp (Quorlin) " QUORLIN_VERSION "\n";
    else if (argument == "--help" || argument == "-h")
        std::cout << USAGE_TEXT;
    else
        return false;
    std::cout.flush();
    nStatus = std::cout ? 0 : 1;
    return true;
}

int RunServer(int argc, char** argv)
{
    if (argc > 1) {
        const std::string argument = argv[1];
        int nStatus = 0;
        if (Inform(argument, nStatus))
            return nStatus;
        // Only --stdio may stand before the end.
        const char* pszUnknown = argument != "--stdio" ? argv[1] : argc > 2 ? argv[2] : nullptr;
        if (pszUnknown != nullptr) {
            std::cerr << "quorlin-lsp: unknown argument '" << pszUnknown
                      << "'\nUsage: quorlin-lsp [--stdio | --help | --version]\n";
            return 2;
        }
    }
    std::ios::sync_with_stdio(false);
    return quorlin::lsp::Serve(std::cin, std::cout, std::cerr);
}

} // namespace

int main(int argc, char** argv) { return quorlin::RunProgram(RunServer, argc, argv); }
