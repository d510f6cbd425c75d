// Runs the annotated scripts of a tests/diagnose/*.cases file: each script
// is diagnosed as written, and the diagnostics must be those its "#="
// comments announce, in order. The format is described in
// tests/diagnose/README.md. On a mismatch it prints the differences and
// the script with the annotations of what it actually got.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "quorlin/quorlin.h"
#include "textdiff.h"

namespace {

using quorlin::Diagnostic;

struct Script {
    std::string name;
    int fileLine = 0; // of its "=== script" line
    std::vector<std::string> lines;
};

// One announced diagnostic or fix-it, as far as the annotation tells it.
struct Expected {
    bool isFix = false;
    std::string severity; // or "fix"
    std::string code;     // empty: not compared
    int line = 0;
    int column = 0; // 0: not compared
    int length = 0;
    std::string text; // the message, or the replacement
    // A diagnostic's length is compared, and shown, only when announced.
    bool lengthGiven = false;
};

struct Failure {
    int scriptLine;
    std::string what;
};

const std::string MARK = "#=";

bool ReadNumber(const std::string& text, std::size_t& at, int& number)
{
    const std::size_t start = at;
    number = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        number = number * 10 + (text[at++] - '0');
    return at > start;
}

bool Skip(const std::string& text, std::size_t& at, const std::string& what)
{
    if (text.compare(at, what.size(), what) != 0)
        return false;
    at += what.size();
    return true;
}

void SkipSpaces(const std::string& text, std::size_t& at)
{
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
}

// The inverse of quorlin::Quote.
bool Unquote(const std::string& text, std::size_t at, std::string& value)
{
    if (!Skip(text, at, "\""))
        return false;
    value.clear();
    while (at < text.size() && text[at] != '"') {
        char c = text[at++];
        if (c == '\\' && at < text.size()) {
            const char e = text[at++];
            if (e == 'x' && at + 2 <= text.size()) {
                c = static_cast<char>(std::stoi(text.substr(at, 2), nullptr, 16));
                at += 2;
            } else {
                c = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            }
        }
        value += c;
    }
    return at + 1 == text.size();
}

// "fix@[LINE:]COL[+LEN]: "REPLACEMENT"", after "fix".
bool ParseFix(const std::string& text, std::size_t at, int diagnosticLine, Expected& fix)
{
    fix.isFix = true;
    fix.severity = "fix";
    fix.line = diagnosticLine;
    int first = 0;
    if (!Skip(text, at, "@") || !ReadNumber(text, at, first))
        return false;
    fix.column = first;
    if (at + 1 < text.size() && text[at] == ':' && text[at + 1] >= '0' && text[at + 1] <= '9') {
        ++at;
        ReadNumber(text, at, fix.column);
        fix.line = first;
    }
    if (Skip(text, at, "+") && !ReadNumber(text, at, fix.length))
        return false;
    if (!Skip(text, at, ": "))
        return false;
    return Unquote(text, at, fix.text);
}

// "SEVERITY[CODE]@COL+LEN: TEXT", either of [CODE] and @COL (with or
// without +LEN) left out or given in the other order.
bool ParseDiagnostic(const std::string& text, std::size_t at, Expected& expected)
{
    for (const char* severity : {"error", "warning", "note"}) {
        if (Skip(text, at, severity)) {
            expected.severity = severity;
            break;
        }
    }
    if (expected.severity.empty())
        return false;
    for (int part = 0; part < 2; ++part) {
        if (Skip(text, at, "[")) {
            const std::size_t end = text.find(']', at);
            if (end == std::string::npos || !expected.code.empty())
                return false;
            expected.code = text.substr(at, end - at);
            at = end + 1;
        } else if (Skip(text, at, "@")) {
            if (!ReadNumber(text, at, expected.column))
                return false;
            expected.lengthGiven = Skip(text, at, "+");
            if (expected.lengthGiven && !ReadNumber(text, at, expected.length))
                return false;
        }
    }
    if (!Skip(text, at, ": "))
        return false;
    expected.text = text.substr(at);
    return !expected.text.empty();
}

bool IsAnnotationOnly(const std::string& line)
{
    std::size_t at = 0;
    SkipSpaces(line, at);
    return line.compare(at, MARK.size(), MARK) == 0;
}

// The annotation of a line (after "#="), or npos.
std::size_t AnnotationAt(const std::string& line)
{
    const std::size_t mark = line.find(MARK);
    return mark == std::string::npos ? mark : mark + MARK.size();
}

// The announced diagnostics of a script, in the order written.
std::vector<Expected> ParseAnnotations(const Script& script, std::vector<Failure>& failures)
{
    std::vector<Expected> expected;
    int referred = 0;       // the line an annotation on a line of its own refers to
    int diagnosticLine = 0; // of the diagnostic a fix-it belongs to
    for (std::size_t i = 0; i < script.lines.size(); ++i) {
        const std::string& line = script.lines[i];
        const int number = static_cast<int>(i) + 1;
        if (!IsAnnotationOnly(line))
            referred = number;
        std::size_t at = AnnotationAt(line);
        if (at == std::string::npos)
            continue;
        SkipSpaces(line, at);
        int target = referred;
        if (Skip(line, at, "@") && !(ReadNumber(line, at, target) && Skip(line, at, " ")))
            target = -1;
        SkipSpaces(line, at);
        Expected entry;
        const bool ok = Skip(line, at, "fix") ? diagnosticLine > 0 && ParseFix(line, at, diagnosticLine, entry)
                                              : target > 0 && ParseDiagnostic(line, at, entry);
        if (!ok) {
            failures.push_back({number, "malformed annotation: " + line});
            continue;
        }
        if (!entry.isFix)
            entry.line = diagnosticLine = target;
        expected.push_back(entry);
    }
    return expected;
}

std::string Render(const Expected& entry)
{
    if (entry.isFix) {
        std::string text = MARK + " fix@" + std::to_string(entry.line) + ":" + std::to_string(entry.column);
        if (entry.length != 0)
            text += "+" + std::to_string(entry.length);
        return text + ": " + quorlin::Quote(entry.text);
    }
    std::string text = MARK + "@" + std::to_string(entry.line) + " " + entry.severity;
    if (!entry.code.empty())
        text += "[" + entry.code + "]";
    if (entry.column != 0)
        text += "@" + std::to_string(entry.column);
    if (entry.column != 0 && entry.lengthGiven)
        text += "+" + std::to_string(entry.length);
    return text + ": " + entry.text;
}

// The diagnostics and their fix-its, as annotations would announce them.
std::vector<Expected> ActualOf(const quorlin::CompileResult& result)
{
    std::vector<Expected> actual;
    for (const Diagnostic& diagnostic : result.diagnostics) {
        actual.push_back({false, quorlin::SeverityName(diagnostic.severity), diagnostic.code, diagnostic.line,
                          diagnostic.column, diagnostic.length, diagnostic.message, false});
        for (const quorlin::FixIt& fix : diagnostic.fixIts)
            actual.push_back({true, "fix", "", fix.line, fix.column, fix.length, fix.replacement, true});
    }
    return actual;
}

// What the annotations ask, with the code and column they leave out taken
// from the diagnostic in their place.
std::string RenderExpected(std::vector<Expected> expected, const std::vector<Expected>& actual)
{
    std::string text;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i < actual.size() && !expected[i].isFix && !actual[i].isFix) {
            if (expected[i].code.empty())
                expected[i].code = actual[i].code;
            if (expected[i].column == 0)
                expected[i].column = actual[i].column;
        }
        text += Render(expected[i]) + "\n";
    }
    return text;
}

// The diagnostics, with a length shown where the annotation in their place
// announces one.
std::vector<Expected> WithAnnouncedLengths(std::vector<Expected> actual, const std::vector<Expected>& expected)
{
    for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        if (!actual[i].isFix)
            actual[i].lengthGiven = expected[i].lengthGiven;
    }
    return actual;
}

std::string RenderAll(const std::vector<Expected>& entries)
{
    std::string text;
    for (const Expected& entry : entries)
        text += Render(entry) + "\n";
    return text;
}

// ---------------------------------------------------------------------------
// The script again, with the annotations of the diagnostics it got. Each
// goes at the end of its line if free, else on a line of its own below it,
// else (out of order, or at the end of the text) on a line of its own with
// its line number; lines added below a line shift the lines after it and
// their diagnostics alike, so the relative annotations stay right.

struct Row {
    std::string content;
    int line = 0; // in the script as written
    std::string trailing;
    std::vector<std::pair<Expected, int>> own; // with the row of an absolute line, or -1
};

std::string StripAnnotation(const std::string& line)
{
    std::size_t end = line.find(MARK);
    end = end == std::string::npos ? line.size() : end;
    while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        --end;
    return line.substr(0, end);
}

std::vector<Row> RowsOf(const Script& script)
{
    std::vector<Row> rows;
    for (std::size_t i = 0; i < script.lines.size(); ++i) {
        if (!IsAnnotationOnly(script.lines[i]))
            rows.push_back({StripAnnotation(script.lines[i]), static_cast<int>(i) + 1, "", {}});
    }
    // Where the text ends, after its last line feed: never printed.
    rows.push_back({"", static_cast<int>(script.lines.size()) + 1, "", {}});
    return rows;
}

std::size_t Index(int row) { return static_cast<std::size_t>(row); }

int RowOf(const std::vector<Row>& rows, int line)
{
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].line == line)
            return static_cast<int>(r);
    }
    return -1;
}

void Place(std::vector<Row>& rows, const Expected& entry, int& cursor, int& diagnosticRow)
{
    const int last = static_cast<int>(rows.size()) - 1;
    const int row = RowOf(rows, entry.line);
    if (entry.isFix) {
        const int at = std::max(cursor, 0);
        rows[Index(at)].own.emplace_back(entry, row == diagnosticRow ? -1 : row);
        return;
    }
    if (row >= 0 && row < last && row >= cursor) {
        if (row > cursor && rows[Index(row)].content.find_first_not_of(" \t") != std::string::npos)
            rows[Index(row)].trailing = Render(entry);
        else
            rows[Index(row)].own.emplace_back(entry, -1);
        cursor = diagnosticRow = row;
        return;
    }
    cursor = std::max(cursor, 0);
    rows[Index(cursor)].own.emplace_back(entry, row < 0 ? last : row);
    diagnosticRow = row;
}

// An annotation without its line number, or with that of its row's line in
// the text printed.
std::string RenderPlaced(Expected entry, int row, const std::vector<int>& printedLine)
{
    const bool absolute = row >= 0;
    if (entry.isFix) {
        if (absolute)
            entry.line = printedLine[Index(row)];
        std::string text = Render(entry);
        return absolute ? text : MARK + " fix@" + text.substr(text.find(':') + 1);
    }
    entry.line = absolute ? printedLine[Index(row)] : 0;
    const std::string text = Render(entry);
    return absolute ? text : MARK + " " + text.substr(text.find(' ') + 1);
}

std::string Annotated(const Script& script, const std::vector<Expected>& actual)
{
    std::vector<Row> rows = RowsOf(script);
    int cursor = -1;
    int diagnosticRow = -1;
    for (const Expected& entry : actual)
        Place(rows, entry, cursor, diagnosticRow);
    std::vector<int> printedLine;
    int line = 1;
    for (const Row& row : rows) {
        printedLine.push_back(line);
        line += 1 + static_cast<int>(row.own.size());
    }
    std::string text;
    for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
        text += rows[r].content;
        if (!rows[r].trailing.empty())
            text += " " + MARK + " " + rows[r].trailing.substr(rows[r].trailing.find(' ') + 1);
        text += "\n";
        for (const auto& [entry, row] : rows[r].own)
            text += RenderPlaced(entry, row, printedLine) + "\n";
    }
    return text;
}

// ---------------------------------------------------------------------------
// The file of scripts

bool ReadScripts(const std::string& path, std::vector<Script>& scripts)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    int number = 0;
    const std::string header = "=== script ";
    while (std::getline(in, line)) {
        ++number;
        if (line.compare(0, header.size(), header) == 0) {
            const std::string rest = line.substr(header.size());
            scripts.push_back({rest.substr(0, rest.find(' ')), number, {}});
        } else if (!scripts.empty()) {
            scripts.back().lines.push_back(line);
        } else if (!line.empty() && line[0] != '#') {
            std::cerr << path << ":" << number << ": text before the first script\n";
            return false;
        }
    }
    return !scripts.empty();
}

std::string TextOf(const Script& script)
{
    std::string text;
    for (const std::string& line : script.lines)
        text += line + "\n";
    return text;
}

// The script with its annotations cut off, each line kept.
std::string StrippedTextOf(const Script& script)
{
    std::string text;
    for (const std::string& line : script.lines)
        text += line.substr(0, line.find(MARK)) + "\n";
    return text;
}

// Whether two diagnostics agree but for a column at or after the
// annotation of their line, which only the annotated text has.
bool SameButAfterAnnotation(const Script& script, const Diagnostic& annotated, const Diagnostic& stripped)
{
    if (annotated.severity != stripped.severity || annotated.code != stripped.code || annotated.line != stripped.line ||
        annotated.message != stripped.message)
        return false;
    if (annotated.column == stripped.column)
        return true;
    const std::size_t index = static_cast<std::size_t>(annotated.line) - 1;
    const std::size_t mark = index < script.lines.size() ? script.lines[index].find(MARK) : std::string::npos;
    return mark != std::string::npos && static_cast<std::size_t>(annotated.column) > mark;
}

// Annotations are comments: without them the script must get the same
// diagnostics, but for columns after them on their line.
bool AnnotationsChangeNothing(const Script& script, const quorlin::CompileResult& annotated,
                              const quorlin::DiagnoseOptions& options)
{
    const quorlin::CompileResult stripped = quorlin::Diagnose(StrippedTextOf(script), options);
    if (annotated.diagnostics.size() != stripped.diagnostics.size())
        return false;
    for (std::size_t i = 0; i < annotated.diagnostics.size(); ++i) {
        if (!SameButAfterAnnotation(script, annotated.diagnostics[i], stripped.diagnostics[i]))
            return false;
    }
    return true;
}

bool Check(const std::string& path, const Script& script)
{
    std::vector<Failure> failures;
    const std::vector<Expected> expected = ParseAnnotations(script, failures);
    quorlin::DiagnoseOptions options;
    options.errorLimit = quorlin::DEFAULT_ERROR_LIMIT;
    const quorlin::CompileResult result = quorlin::Diagnose(TextOf(script), options);
    const std::vector<Expected> actual = ActualOf(result);
    if (!AnnotationsChangeNothing(script, result, options))
        failures.push_back({0, "without its annotations the script gets other diagnostics"});
    for (const Failure& failure : failures)
        std::cout << path << ":" << script.fileLine + failure.scriptLine << ": " << failure.what << "\n";
    const std::string wanted = RenderExpected(expected, actual);
    const std::vector<Expected> shown = WithAnnouncedLengths(actual, expected);
    const std::string got = RenderAll(shown);
    if (failures.empty() && wanted == got)
        return true;
    std::cout << path << ":" << script.fileLine << ": script " << script.name
              << ": the diagnostics differ (- announced, + reported):\n"
              << quorlin::DiffLines(wanted, got) << "The script with the diagnostics it gets:\n"
              << "=== script " << script.name << "\n"
              << Annotated(script, shown) << "\n";
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: quorlin_annotated_runner FILE.cases\n";
        return 2;
    }
    std::vector<Script> scripts;
    if (!ReadScripts(argv[1], scripts)) {
        std::cerr << argv[1] << ": no scripts read\n";
        return 2;
    }
    int failed = 0;
    for (const Script& script : scripts)
        failed += Check(argv[1], script) ? 0 : 1;
    std::cout << scripts.size() - static_cast<std::size_t>(failed) << " of " << scripts.size()
              << " scripts as announced\n";
    return failed == 0 ? 0 : 1;
}
