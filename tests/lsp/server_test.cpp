// The server's life and its robustness: the handshake, exit codes, error
// answers, and documents that change in every way the protocol allows.
#include <malloc.h>

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "lsp_test_support.h"
#include "messagebody.h"

namespace quorlin::lsp {
namespace {

using testsupport::TestClient;
using testsupport::URI;
using testsupport::WORKED_EXAMPLE;

int ErrorCode(const Json& answer) { return answer.at("error").at("code").get<int>(); }

TEST(ServerLifecycle, ExitAfterShutdownIsZeroAndOtherwiseOne)
{
    TestClient clean;
    clean.Initialize();
    EXPECT_TRUE(clean.Request("shutdown", nullptr)["result"].is_null());
    EXPECT_EQ(ErrorCode(clean.Request("textDocument/hover", Json::object())), INVALID_REQUEST);
    clean.Notify("exit", nullptr);
    EXPECT_TRUE(clean.GetServer().ExitRequested());
    EXPECT_EQ(clean.GetServer().ExitCode(), 0);

    TestClient abrupt;
    abrupt.Initialize();
    abrupt.Notify("exit", nullptr);
    EXPECT_TRUE(abrupt.GetServer().ExitRequested());
    EXPECT_EQ(abrupt.GetServer().ExitCode(), 1);
}

TEST(ServerLifecycle, InputEndingAfterShutdownWithoutExitIsOne)
{
    TestClient client;
    client.Initialize();
    client.Request("shutdown", nullptr);
    EXPECT_FALSE(client.GetServer().ExitRequested());
    EXPECT_EQ(client.GetServer().ExitCode(), 1);
}

TEST(ServerLifecycle, RequestsBeforeInitializeAreRefused)
{
    TestClient client;
    EXPECT_EQ(ErrorCode(client.Request("textDocument/hover", Json::object())), SERVER_NOT_INITIALIZED);
    client.Open(WORKED_EXAMPLE);
    EXPECT_EQ(client.Sent().size(), 1U); // the open was dropped: no diagnostics
    client.Initialize();
    EXPECT_EQ(ErrorCode(client.Request("initialize", Json::object())), INVALID_REQUEST);
}

TEST(ServerRobustness, MalformedMessagesGetTheirErrorCodes)
{
    TestClient client;
    client.Initialize();
    client.Raw("{\"jsonrpc\":\"2.0\",\"id\":1,");
    EXPECT_EQ(ErrorCode(client.Sent().back()), PARSE_ERROR);
    EXPECT_TRUE(client.Sent().back()["id"].is_null());
    client.Raw("[1,2]");
    EXPECT_EQ(ErrorCode(client.Sent().back()), INVALID_REQUEST);
    EXPECT_EQ(ErrorCode(client.Request("workspace/unknown", Json::object())), METHOD_NOT_FOUND);
    const std::size_t nSent = client.Sent().size();
    client.Notify("$/unknownNotification", {{"x", 1}});
    client.Raw("{\"jsonrpc\":\"2.0\",\"id\":7,\"result\":null}");
    EXPECT_EQ(client.Sent().size(), nSent);
}

// A hover message whose params hold nDepth levels of nested arrays, with
// the id member given (a notification without).
std::string NestedHover(const std::string& idMember, std::size_t nDepth)
{
    const std::string prefix = "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/hover\",\"params\":";
    return prefix + std::string(nDepth, '[') + std::string(nDepth, ']') + idMember + "}";
}

TEST(ServerRobustness, MessagesNestedBeyondTheLimitAreRefusedWithTheirId)
{
    TestClient client;
    client.Initialize();
    // The message itself is the first level.
    client.Raw(NestedHover(",\"id\":2", MAX_JSON_DEPTH - 1));
    EXPECT_EQ(ErrorCode(client.Sent().back()), INVALID_PARAMS);
    client.Raw(NestedHover(",\"id\":3", MAX_JSON_DEPTH));
    EXPECT_EQ(ErrorCode(client.Sent().back()), INVALID_REQUEST);
    client.Raw(NestedHover(",\"id\":4", 110000));
    EXPECT_EQ(ErrorCode(client.Sent().back()), INVALID_REQUEST);
    EXPECT_EQ(client.Sent().back()["id"], 4);
    const std::size_t nSent = client.Sent().size();
    client.Raw(NestedHover("", 110000));
    EXPECT_EQ(client.Sent().size(), nSent);
    EXPECT_TRUE(client.Request("shutdown", nullptr)["result"].is_null());
}

TEST(ServerRobustness, BadParametersAreInvalidParamsNotACrash)
{
    TestClient client;
    client.Initialize();
    client.Open(WORKED_EXAMPLE);
    for (const Json& params : {Json::object(), Json{{"textDocument", 5}}, Json{{"textDocument", {{"uri", URI}}}},
                               Json{{"textDocument", {{"uri", URI}}}, {"position", {{"line", -1}, {"character", 0}}}},
                               Json{{"textDocument", {{"uri", URI}}}, {"position", {{"line", "x"}, {"character", 0}}}}})
        EXPECT_EQ(ErrorCode(client.Request("textDocument/hover", params)), INVALID_PARAMS) << params;
}

TEST(ServerRobustness, UnknownDocumentsAndPositionsOutsideTheTextGetEmptyAnswers)
{
    TestClient client;
    client.Initialize();
    client.Open(WORKED_EXAMPLE);
    const Json elsewhere = {{"textDocument", {{"uri", "file:///other.txt"}}},
                            {"position", {{"line", 0}, {"character", 0}}}};
    EXPECT_TRUE(client.Request("textDocument/hover", elsewhere)["result"].is_null());
    EXPECT_EQ(client.Request("textDocument/completion", elsewhere)["result"], Json::array());
    EXPECT_TRUE(client.At("textDocument/hover", 4, 400).is_null());
    EXPECT_TRUE(client.At("textDocument/hover", 4000, 0).is_null());
    EXPECT_EQ(client.At("textDocument/references", 4000, 0), Json::array());
    client.Notify("textDocument/didChange", {{"textDocument", {{"uri", "file:///other.txt"}, {"version", 2}}},
                                             {"contentChanges", {{{"text", "x"}}}}});
    EXPECT_EQ(client.GetServer().Documents().Count(), 1U);
}

// Applies the same random edits to a string and, as incremental changes, to
// the server's document; both must hold the same text after each.
TEST(ServerDocuments, IncrementalEditsAgreeWithAModelOnRandomEdits)
{
    TestClient client;
    client.Initialize();
    std::string model = "Mat00 = 1;\n\xC3\xA9\n\xF0\x9F\x98\x80;\n";
    client.Open(model);
    const std::string inserts[] = {"", "a", "\n", "\xC3\xA9", "\xF0\x9F\x98\x80", "Time;\n"};
    std::mt19937 random(7);
    for (int nEdit = 0; nEdit < 300; ++nEdit) {
        const TextLines lines(model);
        const auto pick = [&] {
            const std::size_t nLine = random() % (lines.LineCount() + 1);
            return Position{nLine, static_cast<std::size_t>(random() % 6)};
        };
        Position a = pick();
        Position b = pick();
        if (lines.OffsetOf(b) < lines.OffsetOf(a))
            std::swap(a, b);
        const std::string insert = inserts[random() % std::size(inserts)];
        const std::size_t nStart = lines.OffsetOf(a);
        model.replace(nStart, lines.OffsetOf(b) - nStart, insert);
        client.Notify("textDocument/didChange",
                      {{"textDocument", {{"uri", URI}, {"version", nEdit + 2}}},
                       {"contentChanges", {{{"range", ToJson(Range{a, b})}, {"text", insert}}}}});
        ASSERT_EQ(client.GetServer().Documents().Count(), 1U);
    }
    TestClient copy;
    copy.Initialize();
    copy.Open(model);
    EXPECT_EQ(client.LastDiagnostics(), copy.LastDiagnostics());
    EXPECT_EQ(client.Sent().back()["params"]["version"], 301);
}

TEST(ServerDocuments, FullChangeReplacesTheTextAndCloseClearsDiagnostics)
{
    TestClient client;
    client.Initialize();
    client.Open("BeginScript\nMat00 = ;\nEndScript\n");
    EXPECT_FALSE(client.LastDiagnostics().empty());
    client.Notify("textDocument/didChange",
                  {{"textDocument", {{"uri", URI}, {"version", 2}}}, {"contentChanges", {{{"text", WORKED_EXAMPLE}}}}});
    EXPECT_EQ(client.LastDiagnostics(), Json::array());
    client.Notify("textDocument/didSave", {{"textDocument", {{"uri", URI}}}});
    EXPECT_EQ(client.LastDiagnostics(), Json::array());
    client.Notify("textDocument/didClose", {{"textDocument", {{"uri", URI}}}});
    EXPECT_EQ(client.GetServer().Documents().Count(), 0U);
    EXPECT_EQ(client.Sent().back()["params"]["diagnostics"], Json::array());
}

// An editor gets the first 200 problems and a note for the rest: counted
// while the engine saw them all, not counted once it stopped at its limit.
TEST(ServerDocuments, ProblemsPastTheFirstTwoHundredAreANote)
{
    const auto script = [](int nStatements) {
        std::string text = "UserParams A;\nInput UV;\nOutput TexCoord2;\nBeginScript\n";
        for (int i = 0; i < nStatements; ++i)
            text += "Mat30 = B;\n";
        return text + "EndScript\n";
    };
    TestClient client;
    client.Initialize();
    for (const auto& [nStatements, note] : {std::pair<int, std::string>{201, "1 further problems are not shown"},
                                            {5000, "further problems are not shown"}}) {
        client.Open(script(nStatements));
        const Json diagnostics = client.LastDiagnostics();
        // 200 errors, the first with its note that declares B, and the note for the rest.
        ASSERT_EQ(diagnostics.size(), 202U);
        EXPECT_EQ(diagnostics.back()["message"], note);
    }
}

// The compiler sees one line where a lone CR separates lines; the client
// sees several, and so do its edits and the diagnostics it is sent.
TEST(ServerDocuments, LoneCarriageReturnsSeparateLinesForEditsAndDiagnostics)
{
    std::string script = WORKED_EXAMPLE;
    std::replace(script.begin(), script.end(), '\n', '\r');
    TestClient client;
    client.Initialize();
    client.Open(script);
    client.Notify("textDocument/didChange",
                  {{"textDocument", {{"uri", URI}, {"version", 2}}},
                   {"contentChanges", {{{"range", ToJson(Range{{4, 3}, {4, 5}})}, {"text", "44"}}}}});
    const Json diagnostics = client.LastDiagnostics();
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_EQ(diagnostics[0]["message"], "Invalid matrix index: 'Mat44'");
    EXPECT_EQ(diagnostics[0]["range"], ToJson(Range{{4, 0}, {4, 5}}));
}

// A change the server cannot apply leaves its copy behind the client's:
// the document is forgotten (its diagnostics cleared, the user told) rather
// than served stale, whether a change is malformed, the message is not JSON
// (raw bytes that are not UTF-8), the text would outgrow the limit or the
// header above the change is broken. Another open document is kept.
TEST(ServerDocuments, ADocumentWhoseChangeCannotBeAppliedIsForgotten)
{
    const Json valid = {{"range", ToJson(Range{{4, 3}, {4, 5}})}, {"text", "44"}};
    const std::string OTHER_URI = "file:///other.txt";
    const std::string prefix =
        R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" + URI +
        R"(","version":2},"contentChanges":)";
    const auto notification = [](const Json& changes) {
        return Json{{"jsonrpc", "2.0"},
                    {"method", "textDocument/didChange"},
                    {"params", {{"textDocument", {{"uri", URI}, {"version", 2}}}, {"contentChanges", changes}}}}
            .dump();
    };
    const std::string faults[] = {
        notification({valid, {{"range", {{"start", 1}}}, {"text", "x"}}}),
        notification({valid, {{"text", 5}}}),
        notification(3),
        prefix + "[{\"text\":\"Mat00 = 1; # \xFF\"}]}}",
        notification({{{"text", std::string(WORKED_EXAMPLE.size() + 1, ' ')}}}),
        notification({valid, {{"range", ToJson(Range{{0, 0}, {0, 0}})}, {"text", "#"}}}),
    };
    for (const std::string& fault : faults) {
        TestClient client(WORKED_EXAMPLE.size());
        client.Initialize();
        client.Open(WORKED_EXAMPLE);
        client.Open(WORKED_EXAMPLE, OTHER_URI);
        client.Raw(fault);
        EXPECT_EQ(client.GetServer().Documents().Uris(), std::vector<std::string>{OTHER_URI}) << fault;
        EXPECT_EQ(client.LastDiagnostics(), Json::array()) << fault;
        ASSERT_EQ(client.SentOf("window/showMessage").size(), 1U) << fault;
        const std::size_t nSent = client.Sent().size();
        client.Notify("textDocument/didSave", {{"textDocument", {{"uri", URI}}}});
        EXPECT_EQ(client.Sent().size(), nSent) << fault;
        EXPECT_TRUE(client.At("textDocument/hover", 4, 1).is_null()) << fault;
    }
    TestClient client;
    client.Initialize();
    client.Open(WORKED_EXAMPLE);
    client.Open(WORKED_EXAMPLE, OTHER_URI);
    client.GetServer().HandleBadHeader("header line without a colon", faults[0]);
    EXPECT_EQ(client.GetServer().Documents().Uris(), std::vector<std::string>{OTHER_URI});
}

// JavaScript's JSON.stringify writes half a surrogate pair as a lone escape:
// the server reads it as U+FFFD, one UTF-16 unit as the half was, so the
// client's later positions still fall where the client means them.
TEST(ServerDocuments, LoneSurrogateEscapesAreReadAsReplacementCharacters)
{
    struct Escape {
        std::string json; // in a JSON string
        std::string text; // the text it stands for
        std::size_t nUnits;
    };
    const std::string FFFD = "\xEF\xBF\xBD";
    const Escape escapes[] = {
        {"\\ud800", FFFD, 1},
        {"\\uDFFF", FFFD, 1},
        {"\\ud800\\u0041", FFFD + "A", 2},
        {"\\udc00\\ud800", FFFD + FFFD, 2},
        {"\\ud83d\\ude00", "\xF0\x9F\x98\x80", 2},
        {"\\\\ud800", "\\ud800", 6},
        {"\\\\\\ud800", "\\" + FFFD, 2},
    };
    for (const Escape& escape : escapes) {
        TestClient client;
        client.Initialize();
        client.Open(WORKED_EXAMPLE);
        client.Raw(R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" + URI +
                   R"(","version":2},"contentChanges":[{"range":{"start":{"line":4,"character":0},"end":{"line":4,)"
                   R"("character":0}},"text":"# )" +
                   escape.json + R"(\n"}]}})");
        const Position after{4, 2 + escape.nUnits};
        client.Notify("textDocument/didChange",
                      {{"textDocument", {{"uri", URI}, {"version", 3}}},
                       {"contentChanges", {{{"range", ToJson(Range{after, after})}, {"text", " note\nMat32 = 1;"}}}}});
        std::string model = WORKED_EXAMPLE;
        model.insert(model.find("Mat30"), "# " + escape.text + " note\nMat32 = 1;\n");
        TestClient copy;
        copy.Initialize();
        copy.Open(model);
        EXPECT_EQ(client.LastDiagnostics(), copy.LastDiagnostics()) << escape.json;
        EXPECT_EQ(client.Request("textDocument/formatting", {{"textDocument", {{"uri", URI}}}})["result"],
                  copy.Request("textDocument/formatting", {{"textDocument", {{"uri", URI}}}})["result"])
            << escape.json;
        EXPECT_TRUE(client.SentOf("window/showMessage").empty()) << escape.json;
    }
}

// Memory in use after many edits is what it was after a few: nothing an
// edit leaves behind accumulates.
TEST(ServerDocuments, MemoryStaysFlatOverTenThousandEdits)
{
    TestClient client;
    client.Initialize();
    client.Open(WORKED_EXAMPLE);
    client.KeepAtMost(1);
    const auto edit = [&client](int nVersion) {
        const std::string digit = std::to_string(nVersion % 10);
        client.Notify("textDocument/didChange",
                      {{"textDocument", {{"uri", URI}, {"version", nVersion}}},
                       {"contentChanges", {{{"range", ToJson(Range{{4, 15}, {4, 16}})}, {"text", digit}}}}});
    };
    for (int i = 0; i < 100; ++i)
        edit(i);
    const std::size_t nAfterHundred = mallinfo2().uordblks;
    for (int i = 100; i < 10000; ++i)
        edit(i);
    const std::size_t nAfterTenThousand = mallinfo2().uordblks;
    EXPECT_LT(nAfterTenThousand, nAfterHundred + 2 * 1024 * 1024);
}

} // namespace
} // namespace quorlin::lsp
