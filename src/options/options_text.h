// The file step of writing the options file that needs no Windows: the fixed
// buffer sizes, the file's path and the reshaping of the serialised XML text
// into one node per line.
//
// Platform-neutral: no <windows.h>. All sizes count units, terminator included.
#pragma once

#include <cstddef>

// The options file, relative to the working directory.
inline constexpr char OptionsFileName[] = "ORVO_options_playback.xml";

// The working directory as UTF-16, and the same in the ANSI code page.
inline constexpr std::size_t OptionsDirectoryUnits = 1024;
inline constexpr std::size_t OptionsDirectoryBytes = 1024;
// The serialised document in the ANSI code page, and the reshaped text: room
// for the window elements and eight recent recordings whose paths are
// written as character references throughout.
inline constexpr std::size_t OptionsTextBytes = 32768;
// The full path of the options file in the ANSI code page.
inline constexpr std::size_t OptionsPathBytes = 1024;

// Makes sure the directory text ends in a backslash, appending one when it
// does not. Returns false when there is no room for it (the text is then left
// as it was) or the directory is empty.
bool EndDirectoryWithSeparator(char16_t* directory, std::size_t capacity);

// path := directory (which ends in a backslash) followed by OptionsFileName.
// Returns false, with path empty, when the whole path does not fit.
bool BuildOptionsFilePath(const char* directory, char* path, std::size_t capacity);

// Puts the XML declaration and the comment at the head of the serialised text
// on lines of their own and drops every carriage return:
//   - the text up to and including the first '>', then a line feed;
//   - the text after it up to and including the next '>', then a line feed;
//   - the rest of the text unchanged;
// all without carriage returns (the file is written in text mode, which turns
// each line feed into CR LF). text holds length bytes (a NUL ends it early).
// Returns false, with reshaped empty, when the text has fewer than two '>' or
// the result would not fit into capacity bytes with its terminator; otherwise
// *reshapedLength (when not null) receives the length of the result.
bool ReshapeOptionsText(const char* text, std::size_t length, char* reshaped, std::size_t capacity,
                        std::size_t* reshapedLength);

// Copies text into out (capacity units) with every character outside ASCII
// written as an XML character reference ("&#xE9;"; a surrogate pair as the
// one character it stands for). The options file is written in the ANSI
// code page without an encoding declaration, which a reader takes for UTF-8:
// only ASCII means the same to both, whatever the code page. Returns false,
// with out empty, when the text holds a lone surrogate (no character to refer
// to) or the result does not fit.
bool EscapeNonAsciiText(const char16_t* text, char16_t* out, std::size_t capacity);
