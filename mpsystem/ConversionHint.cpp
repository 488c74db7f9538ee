#include "mpsystem/ConversionHint.h"

#include "mpsystem/OffLexer.h"

#include <algorithm>
#include <cctype>

namespace {

/// The extensions of the model files that the import library of plimmerton-prepare (Assimp 5.2)
/// reads, without those that hold no surface (animations, cameras) or that name many kinds of
/// file (.xml, .raw).
const char* const modelExtensions[] = {
    "3d",    "3ds",    "3mf",  "ac",   "ac3d",    "acc", "amf",  "ase", "ask",  "assbin", "b3d",
    "blend", "bsp",    "cob",  "csm",  "dae",     "dxf", "enff", "fbx", "glb",  "gltf",   "hmp",
    "ifc",   "ifczip", "iqm",  "irr",  "irrmesh", "lwo", "lws",  "lxo", "md2",  "md3",    "md5mesh",
    "mdc",   "mdl",    "mesh", "ms3d", "ndo",     "nff", "obj",  "off", "ogex", "pk3",    "ply",
    "pmx",   "q3o",    "q3s",  "scn",  "sib",     "smd", "step", "stl", "stp",  "ter",    "uc",
    "x",     "x3d",    "x3db", "xgl",  "zae",     "zgl"};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool hasModelExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = lowerCase(slash == std::string::npos ? path : path.substr(slash + 1));
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        return false;
    }
    const std::string extension = name.substr(dot + 1);
    return std::any_of(std::begin(modelExtensions), std::end(modelExtensions),
                       [&extension](const char* known) { return extension == known; }) ||
           (name.size() > 9 && name.compare(name.size() - 9, 9, ".mesh.xml") == 0);
}

/// A first word that only a model file begins with, whatever its name: the OFF keyword in
/// small letters or with the letters of colours and normals before it (COFF, NOFF, ...), which
/// the body reader refuses, and the first words of PLY, text STL, binary glTF, binary FBX and
/// DirectX files.
bool beginsLikeAModel(const std::string& keyword) {
    const std::string word = lowerCase(keyword);
    const bool offKeyword =
        word.size() >= 3 && word.size() <= 7 && word != "toff" &&
        word.compare(word.size() - 3, 3, "off") == 0 &&
        std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isalpha(c) != 0; });
    return offKeyword || word == "ply" || word == "solid" || keyword.rfind("glTF", 0) == 0 ||
           keyword.rfind("Kaydara", 0) == 0 || keyword.rfind("xof", 0) == 0;
}

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
    const std::string found =
        "The file begins with \"" + printableWord(keyword) + "\", which is not OFF or TOFF";
    if (!isPreparableModel(keyword, model)) {
        return found;
    }
    const std::string command = model.empty() ? "plimmerton-prepare MODEL BODY.toff"
                                              : "plimmerton-prepare " + shellWord(model) + " " +
                                                    shellWord(bodyFileFor(model));
    return found + "; a model of another kind becomes a body with: " + command;
}

bool isPreparableModel(const std::string& keyword, const std::string& fileName) {
    return hasModelExtension(fileName) || beginsLikeAModel(keyword);
}

std::vector<std::string> preparableExtensions() {
    return std::vector<std::string>(std::begin(modelExtensions), std::end(modelExtensions));
}
