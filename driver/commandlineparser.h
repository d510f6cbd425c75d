// Placeholder: the command-line parser is being written.
#ifndef QUORLIN_COMMANDLINEPARSER_H
#define QUORLIN_COMMANDLINEPARSER_H
class CommandLineParser {
};
#endif
