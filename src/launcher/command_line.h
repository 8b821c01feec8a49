// Splitting the one-string command line into arguments.
#pragma once

constexpr int kMaxArguments = 20;

// Splits a command line in place with strtok semantics (runs of spaces and
// tabs collapse) into argv[1..]; argv[0] is null and argv has
// kMaxArguments + 1 places. Returns the argument count (1 + tokens), or -1
// when there are more than kMaxArguments tokens.
int SplitCommandLine(char* buffer, char** argv);
