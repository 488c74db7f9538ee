#include "mpsystem/OffLexer.h"

#include <istream>
#include <limits>

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
    std::string keyword;
    in >> keyword;
    return keyword;
}
