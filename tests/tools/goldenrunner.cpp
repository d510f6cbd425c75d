// Runs one golden case of tfsdump: builds the case's files in a fresh scratch
// directory, runs the executable there and compares standard output, standard
// error, the exit status and any files it must write.
//
//     tfsdump_golden CASE TFSDUMP
//
// A case file holds comment lines, then sections, each starting with a line
// "=== KIND [NAME]"; a section's body is every line up to the next header.
//
//     === args              one argument per line (a blank line is an empty argument)
//     === file NAME         create NAME with the body as its bytes
//     === file-noeol NAME   the same without the body's final line feed
//     === file-hex NAME     create NAME from hex bytes (white space ignored)
//     === stdin-hex         standard input, as hex bytes (else standard input is empty)
//     === stdout            expected standard output, exactly (required)
//     === stderr            expected standard error, exactly (empty when missing)
//     === status            expected exit status (required)
//     === output-text NAME  after the run NAME must hold exactly the body
//     === nofile NAME       after the run NAME must not exist
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Section {
    std::string m_kind;
    std::string m_name;
    std::string m_body;
};

bool ReadWholeFile(const fs::path& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream stream;
    stream << file.rdbuf();
    text = stream.str();
    return true;
}

std::vector<Section> ParseCase(const std::string& text)
{
    std::vector<Section> sections;
    std::size_t nPos = 0;
    while (nPos < text.size()) {
        std::size_t nEnd = text.find('\n', nPos);
        nEnd = nEnd == std::string::npos ? text.size() : nEnd + 1;
        const std::string line = text.substr(nPos, nEnd - nPos);
        nPos = nEnd;
        if (line.rfind("=== ", 0) == 0) {
            std::string header = line.substr(4);
            while (!header.empty() && (header.back() == '\n' || header.back() == '\r'))
                header.pop_back();
            Section section;
            const std::size_t nSpace = header.find(' ');
            section.m_kind = header.substr(0, nSpace);
            if (nSpace != std::string::npos)
                section.m_name = header.substr(nSpace + 1);
            sections.push_back(section);
        } else if (!sections.empty()) {
            sections.back().m_body += line;
        }
    }
    return sections;
}

bool DecodeHex(const std::string& text, std::string& bytes)
{
    std::string digits;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
        else if (!std::isspace(static_cast<unsigned char>(c)))
            return false;
    }
    if (digits.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return true;
}

bool WriteWholeFile(const fs::path& path, const std::string& bytes)
{
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary);
    file << bytes;
    return static_cast<bool>(file);
}

std::vector<std::string> SplitLines(const std::string& body)
{
    std::vector<std::string> lines;
    std::size_t nPos = 0;
    while (nPos < body.size()) {
        const std::size_t nEnd = body.find('\n', nPos);
        lines.push_back(body.substr(nPos, nEnd - nPos));
        nPos = nEnd == std::string::npos ? body.size() : nEnd + 1;
    }
    return lines;
}

// Runs the program in dir with the given standard input file; returns the
// exit status, or -1 when it did not exit normally.
int RunProgram(const std::string& program, const std::vector<std::string>& args, const fs::path& dir,
               const fs::path& stdinPath, const fs::path& stdoutPath, const fs::path& stderrPath)
{
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        const int nIn = open(stdinPath.c_str(), O_RDONLY);
        const int nOut = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int nErr = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (nIn < 0 || nOut < 0 || nErr < 0 || dup2(nIn, 0) < 0 || dup2(nOut, 1) < 0 || dup2(nErr, 2) < 0 ||
            chdir(dir.c_str()) != 0)
            _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int nStatus = 0;
    if (waitpid(pid, &nStatus, 0) != pid || !WIFEXITED(nStatus))
        return -1;
    return WEXITSTATUS(nStatus);
}

bool Expect(const std::string& what, const std::string& expected, const std::string& actual)
{
    if (expected == actual)
        return true;
    std::cerr << what << " differs.\n--- expected\n" << expected << "--- actual\n" << actual << "---\n";
    return false;
}

int RunCase(const fs::path& casePath, const std::string& program)
{
    std::string text;
    if (!ReadWholeFile(casePath, text)) {
        std::cerr << "cannot read " << casePath << "\n";
        return 2;
    }
    const std::vector<Section> sections = ParseCase(text);

    std::string scratchTemplate = (fs::current_path() / ("golden-" + casePath.stem().string() + "-XXXXXX")).string();
    if (mkdtemp(scratchTemplate.data()) == nullptr) {
        std::cerr << "cannot create a scratch directory\n";
        return 2;
    }
    const fs::path scratch = scratchTemplate;
    const fs::path io = scratch.string() + ".io";
    fs::create_directories(io);

    std::vector<std::string> args;
    std::string stdinBytes;
    const Section* pStdout = nullptr;
    const Section* pStatus = nullptr;
    std::string expectedStderr;
    for (const Section& section : sections) {
        std::string bytes;
        if (section.m_kind == "args") {
            args = SplitLines(section.m_body);
        } else if (section.m_kind == "file") {
            WriteWholeFile(scratch / section.m_name, section.m_body);
        } else if (section.m_kind == "file-noeol") {
            bytes = section.m_body;
            if (!bytes.empty() && bytes.back() == '\n')
                bytes.pop_back();
            WriteWholeFile(scratch / section.m_name, bytes);
        } else if (section.m_kind == "file-hex" || section.m_kind == "stdin-hex") {
            if (!DecodeHex(section.m_body, bytes)) {
                std::cerr << "bad hex in section " << section.m_kind << "\n";
                return 2;
            }
            if (section.m_kind == "stdin-hex")
                stdinBytes = bytes;
            else
                WriteWholeFile(scratch / section.m_name, bytes);
        } else if (section.m_kind == "stdout") {
            pStdout = &section;
        } else if (section.m_kind == "stderr") {
            expectedStderr = section.m_body;
        } else if (section.m_kind == "status") {
            pStatus = &section;
        } else if (section.m_kind != "output-text" && section.m_kind != "nofile") {
            std::cerr << "unknown section " << section.m_kind << "\n";
            return 2;
        }
    }
    if (pStdout == nullptr || pStatus == nullptr) {
        std::cerr << "a case needs a stdout and a status section\n";
        return 2;
    }
    WriteWholeFile(io / "stdin", stdinBytes);

    const int nStatus = RunProgram(program, args, scratch, io / "stdin", io / "stdout", io / "stderr");
    std::string actualStdout;
    std::string actualStderr;
    ReadWholeFile(io / "stdout", actualStdout);
    ReadWholeFile(io / "stderr", actualStderr);

    bool bOk = Expect("standard output", pStdout->m_body, actualStdout);
    bOk = Expect("standard error", expectedStderr, actualStderr) && bOk;
    bOk = Expect("exit status", pStatus->m_body, std::to_string(nStatus) + "\n") && bOk;
    for (const Section& section : sections) {
        if (section.m_kind == "output-text") {
            std::string written;
            if (!ReadWholeFile(scratch / section.m_name, written)) {
                std::cerr << section.m_name << " was not written\n";
                bOk = false;
            } else {
                bOk = Expect(section.m_name, section.m_body, written) && bOk;
            }
        } else if (section.m_kind == "nofile" && fs::exists(scratch / section.m_name)) {
            std::cerr << section.m_name << " exists but must not\n";
            bOk = false;
        }
    }
    fs::remove_all(scratch);
    fs::remove_all(io);
    return bOk ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: tfsdump_golden CASE TFSDUMP\n";
        return 2;
    }
    return RunCase(argv[1], argv[2]);
}
