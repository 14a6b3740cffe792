// The options that every program of the show answers alike: --help prints
// the program's usage on standard output, --version its name, the show's
// version and its build ("demo-check 1.0.0 (build 3f2a9c01b7de)"). Both end
// the program with status 0.
// And what every program that prints does at its end: make sure that what
// it printed was written.
#pragma once

#include <functional>
#include <string>

// The show's version, as CMake's project() gives it.
const char* ShowVersion();
// The build's id: 12 hex digits of a hash of the sources it was built
// from, the same for every build of the same sources.
const char* ShowBuildId();

// True, after printing the answer, when any argument is --help or
// --version.
bool AnswerHelpOrVersion(int argc, const char* const argv[], const char* program,
                         const char* usage);

// `status`, once standard output is flushed; 2, after saying so on standard
// error, when something printed there could not be written (a full disk, a
// closed file) and `status` was 0 or 1. A status of 2 or more (a wrong
// command line, a stop by a signal) is kept.
int WithStandardOutputChecked(const char* program, int status);

// The main of a program that writes one thing to the path it is given (the
// content generators, demo-new): --help and --version, then exactly one
// argument, not empty and no option, which `write` writes, or says why not
// in `error`. Exit status: 0 when written, 1 when `write` failed (its error
// on standard error after the program's name), 2 for wrong arguments (the
// usage on standard error) or for what it printed on standard output not
// being written (WithStandardOutputChecked).
int WriteOneOutputMain(int argc, char** argv, const char* program, const char* usage,
                       const std::function<bool(const char* output, std::string& error)>& write);
