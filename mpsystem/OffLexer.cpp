#include "mpsystem/OffLexer.h"

#include <istream>
#include <limits>
#include <locale>

void skipBlanksAndComments(std::istream& in) {
    for (;;) {
        const int c = in.peek();
        if (c == ' ' || c == '\n') {
            in.get();
        } else if (c == '\r') {
            in.get();
            if (in.peek() != '\n') {
                return;
            }
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

std::string readKeyword(std::istream& in) {
    skipBlanksAndComments(in);
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
