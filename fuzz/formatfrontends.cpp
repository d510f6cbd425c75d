// Runs quorlin-format in process on temporary files standing for its
// standard streams, and the language server in process with a client that
// keeps what it answers.
#include "formatfrontends.h"

#include <cstdio>
#include <memory>

#include "formattool.h"
#include "scriptformatter.h"
#include "server.h"

namespace quorlin {
namespace {

struct FileCloser {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string ContentsOf(std::FILE* pFile)
{
    std::string text;
    std::rewind(pFile);
    char aBuffer[4096];
    std::size_t nRead = 0;
    while ((nRead = std::fread(aBuffer, 1, sizeof aBuffer, pFile)) > 0)
        text.append(aBuffer, nRead);
    return text;
}

// quorlin-format with no FILE: its status and standard output.
std::pair<int, std::string> RunTool(std::string_view script)
{
    const File in(std::tmpfile());
    const File out(std::tmpfile());
    const File err(std::tmpfile());
    if (!in || !out || !err)
        return {-1, "no temporary file"};
    std::fwrite(script.data(), 1, script.size(), in.get());
    std::rewind(in.get());
    const char* const argv[] = {"quorlin-format"};
    const int nStatus = RunFormatTool(1, argv, in.get(), out.get(), err.get());
    return {nStatus, ContentsOf(out.get())};
}

// The server's answer to a formatting request (whole or, given a range, of
// the range) on the script.
lsp::Json ServerFormatting(std::string_view script, const char* pszMethod)
{
    lsp::Json answer;
    lsp::Server server([&answer](const std::string& body) { answer = lsp::Json::parse(body); });
    const auto send = [&server](const lsp::Json& message) { server.HandleMessage(message.dump()); };
    send(
        {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", lsp::Json::object()}}}});
    const lsp::Json document = {{"uri", "file:///s.txt"}, {"languageId", "quorlin"}, {"version", 1}};
    lsp::Json open = document;
    open["text"] = std::string(script);
    send({{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"}, {"params", {{"textDocument", open}}}});
    const lsp::Json range = {{"start", {{"line", 0}, {"character", 0}}},
                             {"end", {{"line", 1u << 30}, {"character", 0}}}};
    send({{"jsonrpc", "2.0"},
          {"id", 2},
          {"method", pszMethod},
          {"params",
           {{"textDocument", {{"uri", "file:///s.txt"}}}, {"options", lsp::Json::object()}, {"range", range}}}});
    return answer.value("result", lsp::Json());
}

// Whether JSON can carry the text: a client sends only UTF-8.
bool IsUtf8(std::string_view script)
{
    try {
        (void)lsp::Json(std::string(script)).dump();
        return true;
    } catch (const lsp::Json::exception&) {
        return false;
    }
}

std::string CheckServer(std::string_view script, const FormatResult& result)
{
    if (!IsUtf8(script))
        return std::string();
    for (const char* pszMethod : {"textDocument/formatting", "textDocument/rangeFormatting"}) {
        const lsp::Json edits = ServerFormatting(script, pszMethod);
        if (!edits.is_array())
            return std::string(pszMethod) + " answered " + edits.dump();
        if (!result.m_bOk && !edits.empty())
            return std::string(pszMethod) + " gave an edit for a text the formatter refuses";
    }
    return std::string();
}

} // namespace

std::string CheckFormattingFrontEnds(std::string_view script)
{
    const FormatResult result = FormatScript(script);
    const auto [nStatus, output] = RunTool(script);
    if (!result.m_bOk && (nStatus != 1 || !output.empty()))
        return "quorlin-format printed a text the formatter refuses, or did not fail";
    if (result.m_bOk && (nStatus != 0 || output != result.m_text))
        return "quorlin-format did not print the formatted text";
    return CheckServer(script, result);
}

} // namespace quorlin
