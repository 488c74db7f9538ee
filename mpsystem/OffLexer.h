#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

/// The lexical rules of the body's mesh files, shared by everything that reads them: between
/// records stand spaces, line ends (a carriage return before a newline counts as one line end)
/// and comment lines that start with '#'. Numbers and the keyword are read with the stream's
/// own formatted input.

/// What the comments of a body file's header may say besides being comments: records that a
/// reader without them skips. "# pressure P" (P a number of 0 or more, nothing else on the
/// line) asks for a gas of pressure P inside the body's surface; the first such line counts.
struct HeaderRecords {
    /// The pressure the file asks for; 0 when it names none.
    float pressure = 0;
    bool hasPressure = false;
};

/// Discards spaces, line ends and comment lines up to the next record. With `records`, each
/// comment line is also read as a record (only its first 128 characters: a longer line is no
/// record).
void skipBlanksAndComments(std::istream& in, HeaderRecords* records = nullptr);

/// Discards the rest of the current line, its newline included: a vertex record may carry more
/// values than the reader takes.
void skipRestOfLine(std::istream& in);

/// Longest word readKeyword takes: the longest keyword ("TOFF") and then some, so that a word
/// that only begins like a keyword still reads as a different one.
constexpr std::size_t keywordReadLimit = 16;

/// The file's first word, which names its form ("OFF" or "TOFF"), after the blanks and comments
/// before it. At most keywordReadLimit characters are taken, so that a large file without a
/// blank near its start is refused at once instead of being read whole as one word.
std::string readKeyword(std::istream& in, HeaderRecords* records = nullptr);
