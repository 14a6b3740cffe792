// The script reader: turns the lines of a show script into a ParsedScript.
//
// Each line has the variables substituted into it and is then executed at
// once: a timed line becomes an event at the tempo in force, a Define
// changes the variables for the lines after it, and a LoadImage or
// LoadMusic line is noted with its file for whoever loads the files
// (script/ScriptLoader.h). Whatever is wrong with a line becomes a finding;
// reading never stops at a bad line. Errors are what the show refuses;
// warnings are what the reader sees in a line's own words that the show
// takes but that probably does not say what its author meant (a value word
// that is no number, a time with something after it, a variable replaced
// inside a longer word, a time prefix that does nothing, words left over).
// A comment `// check: allow WORD ...` at the end of a line, or on a line
// of its own, is noted as an acknowledgement of the warnings of the kinds
// it names (ParsedScript's allowances); the show reads it as the comment
// it is.
// Nothing here touches a file other than the script, a GL or an audio
// device.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "script/ParsedScript.h"

class ScriptReader {
public:
    // The largest script file that is read: far above any real show, low
    // enough that a file that never ends is refused rather than read.
    static constexpr uint64_t kMaxFileBytes = uint64_t{64} << 20;

    // Reads into `script`, which keeps what it already holds; a script that
    // is new should come with its predefined variables and tempo
    // (NewParsedScript).
    explicit ScriptReader(ParsedScript& script) : script(script) {}

    // Reads one line of the file as it stands, without its line end, as the
    // next line: `fullLength` is the line's length in the file, of which
    // only the first kMaxLineLength + 1 characters need to be in `raw`.
    void ReadLine(std::string_view raw, size_t fullLength);

    // Executes one line whose time, in ms, is `time` (NO_TIME for none), as
    // the current line.
    void ExecuteLine(std::string_view line, uint32_t time);

    // Reads `#bars.beats` or `=milliseconds` at the tempo in force; 0 for
    // anything else. A value outside the signed 32-bit range gives the
    // lowest 32-bit value: a time that Set refuses and that the other
    // commands take, as all times, as an unsigned count (2147483648 ms).
    int32_t ParseTime(std::string_view text) const;

    void SetTempo(int32_t bpm, int32_t beatsPerBar);

    // Records `message` as an error of the current line.
    void ReportError(std::string_view message, std::string hint = {});
    // Records `message` as a warning of `kind` about the current line.
    void ReportWarning(std::string message, WarningKind kind);

    // Starts reading a file: its first line is line 1. A file whose text
    // is UTF-16 is read as it stands, and its first line says why it
    // reads as nothing.
    void BeginFile(bool utf16 = false) {
        lineNumber = 1;
        tableFullReported = false;
        barTimeRead = false;
        textIsUtf16 = utf16;
    }

    // The number of the line being read, from 1, and its text after
    // substitution.
    int32_t LineNumber() const { return lineNumber; }
    const std::string& CurrentLine() const { return currentLine; }
    ParsedScript& Script() { return script; }

private:
    // The longest a line may grow to as its variables are replaced:
    // variables whose values hold other variables multiply a line's length.
    static constexpr size_t kMaxSubstitutedLength = 64 * 1024;
    // Replaces every variable in `line`. Empty when it is done; otherwise
    // the line would grow for ever or past kMaxSubstitutedLength, and the
    // result says which variable made it so.
    std::string SubstituteVariables(std::string& line) const;
    // Notes the `// check: allow` comment of `raw`, the line as it stands
    // in the file, if it has one.
    void ReadAllowances(std::string_view raw);
    // Warns about what substitution is about to do to `raw`, the line as it
    // stands in the file: a variable replaced inside a longer word, and a
    // Define whose name is already a variable.
    void CheckBeforeSubstitution(std::string_view raw);
    void CheckDefineName(std::string_view raw, std::string_view name);
    // Warns about a time word of this line once it has been read.
    void CheckTimeWord(std::string_view word, int32_t milliseconds);
    // Warns about a number word, unless it is empty.
    void CheckIntegerWord(std::string_view word);
    void CheckDecimalWord(std::string_view word);
    void CheckIgnoredWords(std::string_view rest);
    // The value of a directory variable, defining it empty if it is new.
    const std::string& DirectoryVariable(const char* name);
    // The next free event slot, or null when the table is full. The first
    // event line that finds the table full is reported; later ones are
    // dropped without a finding of their own.
    TimelineEvent* NewEvent(uint32_t time);
    // Takes the pattern number off the front of `rest`; false, after
    // reporting it, for a number outside 0 to 19.
    bool TakePatternNumber(std::string_view& rest, int32_t& number);

    void LoadImageCommand(std::string_view rest);
    void DefineCommand(std::string_view rest);
    void DefinePatternCommand(std::string_view rest);
    void SetOrTrigCommand(std::string_view rest, uint32_t time, bool trigger);
    void FadeCommand(std::string_view rest, uint32_t time);
    void UsePatternCommand(std::string_view rest, uint32_t time);
    void PatternSwitchCommand(int32_t number, uint32_t time);
    void LoadMusicCommand(std::string_view rest);
    void GotoOrEndCommand(std::string_view rest, uint32_t& position, int32_t& line);

    ParsedScript& script;
    int32_t lineNumber = 0;
    std::string currentLine;
    bool tableFullReported = false;
    bool barTimeRead = false;      // a #bars.beats time was read at the tempo in force
    bool textIsUtf16 = false;
};

// Reads `#bars.beats` or `=milliseconds` at a tempo of `beatLength` and
// `barLength` ms, as ScriptReader::ParseTime does.
int32_t ParseTimeAtTempo(std::string_view text, double beatLength, double barLength);

// A script with nothing read yet: the variables RUNNING, RUN and STOP and
// the tempo of 125 beats per minute, four to the bar.
ParsedScript NewParsedScript();

// Reads the script file at `path` into `reader`, line by line, calling
// `afterLine` (when set) after each line, and keeps the file's text in the
// script. A leading UTF-8 byte-order mark is skipped. The file is opened once and must be a regular file of at most
// ScriptReader::kMaxFileBytes. False, with `problem` saying why, when it
// cannot be read; no line has then been read.
bool ReadScriptFile(const char* path, ScriptReader& reader, std::string& problem,
                    const std::function<void()>& afterLine = {});

// The whole script at `path`, read into a new script. When the file cannot
// be read, the script is empty and `problem` says why.
ParsedScript ReadScript(const char* path, std::string& problem);
