#include "serve.h"

#include <string>

#include "messagereader.h"
#include "server.h"

namespace quorlin::lsp {

int Serve(std::istream& in, std::ostream& out, std::ostream& log)
{
    Server server([&out](const std::string& body) { WriteMessage(out, body); });
    std::string body;
    std::string problem;
    while (!server.ExitRequested()) {
        const ReadStatus status = ReadMessage(in, body, problem);
        if (status == ReadStatus::EndOfInput)
            break;
        if (status == ReadStatus::BadHeader) {
            log << "quorlin-lsp: " << problem << '\n';
            server.HandleBadHeader(problem, body);
            continue;
        }
        if (status == ReadStatus::TooLarge) {
            log << "quorlin-lsp: " << problem << '\n';
            server.HandleOversizedMessage(problem, body);
            continue;
        }
        server.HandleMessage(body);
    }
    return server.ExitCode();
}

} // namespace quorlin::lsp
