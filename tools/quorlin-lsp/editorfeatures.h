// The editor features, one family per file. Each takes the document a
// request names and the request's parameters, and returns the result as the
// protocol defines it; an empty answer (null or an empty list) where the
// position names nothing the feature knows.
#ifndef QUORLIN_LSP_EDITORFEATURES_H
#define QUORLIN_LSP_EDITORFEATURES_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "documentstore.h"
#include "protocol.h"

namespace quorlin::lsp {

struct DocumentView {
    const std::string& uri;
    const Document& document;
};

// The byte offset of params.position, or nothing when it lies outside the text.
std::optional<std::size_t> RequestOffset(const DocumentView& view, const Json& params);

// The range of a token, in protocol positions.
Json TokenRange(const DocumentView& view, const ScriptToken& token);

// diagnostics.cpp
Json DiagnosticJson(const DocumentView& view, const Problem& problem);
// With bRelatedInformation each problem carries its notes as related
// information; without, each note is a diagnostic of its own.
Json PublishDiagnosticsParams(const DocumentView& view, bool bRelatedInformation);

// completion.cpp, hover.cpp, signaturehelp.cpp
Json Completion(const DocumentView& view, const Json& params);
Json Hover(const DocumentView& view, const Json& params);
Json SignatureHelp(const DocumentView& view, const Json& params);

// parameters.cpp: the features that follow one user parameter.
Json Definition(const DocumentView& view, const Json& params);
Json References(const DocumentView& view, const Json& params);
Json DocumentHighlight(const DocumentView& view, const Json& params);
Json PrepareRename(const DocumentView& view, const Json& params);
Json Rename(const DocumentView& view, const Json& params);

// outline.cpp: document symbols and semantic tokens.
Json DocumentSymbols(const DocumentView& view, const Json& params);
Json SemanticTokensLegend();
// The tokens of a large document are many: the result is written out as
// JSON text directly, which takes a fraction of the memory of a Json value.
std::string SemanticTokens(const DocumentView& view, const Json& params);

// budgetviews.cpp: the budget as an inlay hint and as a code lens.
Json InlayHints(const DocumentView& view, const Json& params);
Json CodeLenses(const DocumentView& view, const Json& params);

// codeactions.cpp
Json CodeActions(const DocumentView& view, const Json& params);
// What a fix does, as a quick fix is titled: "Insert ';'" (it inserts),
// "Change to 'Speed'" (it replaces), "Remove 'x'" (it removes; "Remove the
// byte-order mark" for one).
std::string QuickFixTitle(std::string_view text, const FixIt& fix);
// formatting.cpp: the canonical layout as one edit; none when the text is
// already so or does not parse. Range formatting lays out the whole
// statements (and header sections) the range touches.
Json Formatting(const DocumentView& view, const Json& params);
Json RangeFormatting(const DocumentView& view, const Json& params);

} // namespace quorlin::lsp

#endif
