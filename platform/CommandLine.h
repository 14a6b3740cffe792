// The options that every program of the show answers alike: --help prints
// the program's usage on standard output, --version its name and the
// show's version ("demo-check 1.0.0"). Both end the program with status 0.
#pragma once

// The show's version, as CMake's project() gives it.
const char* ShowVersion();

// True, after printing the answer, when any argument is --help or
// --version.
bool AnswerHelpOrVersion(int argc, const char* const argv[], const char* program,
                         const char* usage);
