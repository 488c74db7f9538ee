#include "common/PointList.h"

#include <cctype>
#include <limits>

bool parsePointList(const std::string& text, std::vector<int32_t>& points, std::string& problem) {
    points.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        bool digits = !item.empty() && item.size() <= 10;
        long long value = 0;
        for (char c : item) {
            digits = digits && std::isdigit(static_cast<unsigned char>(c)) != 0;
            value = digits ? value * 10 + (c - '0') : 0;
        }
        if (!digits || value > std::numeric_limits<int32_t>::max()) {
            problem = item.empty() ? "an empty place in the list '" + text + "'"
                                   : "'" + item + "' is not a point index";
            return false;
        }
        points.push_back(static_cast<int32_t>(value));
        if (comma == std::string::npos) {
            return true;
        }
        start = comma + 1;
    }
}
