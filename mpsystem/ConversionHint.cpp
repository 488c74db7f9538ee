#include "mpsystem/ConversionHint.h"

#include "mpsystem/OffLexer.h"

namespace {

/// The word as it can be shown on a terminal: bytes that are not printable ASCII as '?', and
/// "..." when the reader stopped before its end.
std::string printableWord(const std::string& word) {
    std::string shown;
    for (char c : word) {
        shown.push_back(c >= ' ' && c <= '~' ? c : '?');
    }
    if (word.size() >= keywordReadLimit) {
        shown += "...";
    }
    return shown;
}

/// A path as a shell reads it back: as it is when it needs no quoting, else in single quotes.
std::string shellWord(const std::string& path) {
    const bool plain = !path.empty() &&
                       path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789._/+-@%:,") == std::string::npos;
    if (plain) {
        return path;
    }
    std::string quoted = "'";
    for (char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

/// Where the converted body goes: beside the model, its extension replaced by ".toff" (or
/// "-body.toff" added when that would be the model's own name).
std::string bodyFileFor(const std::string& model) {
    const std::size_t slash = model.find_last_of('/');
    const std::size_t dot = model.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && dot > (slash == std::string::npos ? 0 : slash + 1);
    const std::string stem = hasExtension ? model.substr(0, dot) : model;
    const std::string body = stem + ".toff";
    return body == model ? stem + "-body.toff" : body;
}

} // namespace

std::string conversionHint(const std::string& keyword, const char* fileName) {
    const std::string model = fileName != nullptr ? fileName : "";
    const std::string command = model.empty() ? "plimmerton-prepare MODEL BODY.toff"
                                              : "plimmerton-prepare " + shellWord(model) + " " +
                                                    shellWord(bodyFileFor(model));
    return "The file begins with \"" + printableWord(keyword) +
           "\", which is not OFF or TOFF; a model of another kind becomes a body with: " + command;
}
