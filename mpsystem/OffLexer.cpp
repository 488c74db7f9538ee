#include "mpsystem/OffLexer.h"

#include <cmath>
#include <istream>
#include <limits>
#include <locale>
#include <sstream>

namespace {

constexpr std::streamsize longestRecord = 128;

// The comment's text after its '#', up to its line end or the record's length, the rest of the
// line discarded.
void readComment(std::istream& in, HeaderRecords& records) {
    in.get();
    std::string text;
    while (static_cast<std::streamsize>(text.size()) <= longestRecord) {
        const int c = in.peek();
        if (c == std::char_traits<char>::eof() || c == '\n') {
            break;
        }
        text.push_back(static_cast<char>(in.get()));
    }
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    if (records.hasPressure || static_cast<std::streamsize>(text.size()) > longestRecord) {
        return;
    }
    std::istringstream words(text);
    words.imbue(std::locale::classic());
    std::string name;
    double value = 0;
    if (!(words >> name) || name != "pressure" || !(words >> value) || !std::isfinite(value) ||
        value < 0 || !std::isfinite(static_cast<float>(value))) {
        return;
    }
    words >> std::ws;
    if (words.eof()) {
        records.pressure = static_cast<float>(value);
        records.hasPressure = true;
    }
}

} // namespace

void skipBlanksAndComments(std::istream& in, HeaderRecords* records) {
    for (;;) {
        const int c = in.peek();
        if (c == ' ' || c == '\n') {
            in.get();
        } else if (c == '\r') {
            in.get();
            if (in.peek() != '\n') {
                return;
            }
        } else if (c == '#' && records != nullptr) {
            readComment(in, *records);
        } else if (c == '#') {
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        } else {
            return;
        }
    }
}

void skipRestOfLine(std::istream& in) {
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
}

std::string readKeyword(std::istream& in, HeaderRecords* records) {
    skipBlanksAndComments(in, records);
    // White space and word ends as the stream's own formatted input has them.
    in >> std::ws;
    std::string keyword;
    while (keyword.size() < keywordReadLimit) {
        const int c = in.peek();
        if (c == std::char_traits<char>::eof() || std::isspace(static_cast<char>(c), in.getloc())) {
            break;
        }
        keyword.push_back(static_cast<char>(in.get()));
    }
    return keyword;
}
