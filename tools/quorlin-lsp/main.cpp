// quorlin-lsp: the language server for texture scripts, over standard input
// and output. Standard output carries protocol messages and nothing else;
// notes for whoever runs the server by hand go to standard error.
#include <cstdio>
#include <iostream>

#include "messagereader.h"
#include "programstack.h"
#include "server.h"

namespace {

int Serve()
{
    quorlin::lsp::Server server([](const std::string& body) { quorlin::lsp::WriteMessage(std::cout, body); });
    std::string body;
    std::string problem;
    while (!server.ExitRequested()) {
        const quorlin::lsp::ReadStatus status = quorlin::lsp::ReadMessage(std::cin, body, problem);
        if (status == quorlin::lsp::ReadStatus::EndOfInput)
            break;
        if (status == quorlin::lsp::ReadStatus::BadHeader) {
            std::cerr << "quorlin-lsp: " << problem << '\n';
            server.HandleBadHeader(problem);
            continue;
        }
        server.HandleMessage(body);
    }
    return server.ExitCode();
}

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
    return Serve();
}

} // namespace

int main(int argc, char** argv) { return quorlin::RunProgram(RunServer, argc, argv); }
