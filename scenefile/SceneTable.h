#pragma once

#include "scenefile/SceneDescription.h"
#include "scenefile/TomlLibrary.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

/// A closed range of values a number may take; `leastExcluded` makes it open at the bottom.
struct NumberRange {
    double least;
    double most;
    bool leastExcluded = false;
};

/// One table of a scene file, read key by key into plain values: each operation checks the
/// value's type, that it is finite and within its range, and on failure writes the message
/// (the file, the line and column, which key of which table, what is wrong) into the problem
/// given at construction and returns false. A key that is missing leaves the value as it was,
/// unless the key is required.
class SceneTable {
public:
    /// `name` says which table it is in messages ("body 2"; empty for the file's top level).
    /// `keys` are all the keys the table may hold.
    SceneTable(const toml::table& table, std::string name, const std::string& scenePath,
               std::initializer_list<std::string_view> keys, std::string& problem);

    /// False, naming the first key not among `keys` (and a known key it may be a typo of).
    bool hasOnlyKnownKeys();

    bool number(std::string_view key, const NumberRange& range, bool required, float& value);
    bool wholeNumber(std::string_view key, const NumberRange& range, bool required,
                     std::int64_t& value, bool& found);
    bool flag(std::string_view key, bool& value, SourcePlace& place);
    /// A string without NUL characters, which no file name or key script holds.
    bool text(std::string_view key, bool required, std::string& value, SourcePlace& place);
    /// An array of three numbers, each in `range`.
    bool vector(std::string_view key, const NumberRange& range, bool required, SbVec3f& value);
    /// A quaternion [x, y, z, w] of length about 1, or { axis = [x, y, z], degrees = A }.
    bool rotation(std::string_view key, bool required, Quaternion& value);
    /// An array of whole numbers, each in `range`.
    bool wholeNumbers(std::string_view key, const NumberRange& range, std::vector<int32_t>& values,
                      SourcePlace& place);
    /// The table under `key` (a [key] section), or null with `problem` set when it is another
    /// type; null without a problem when it is missing.
    const toml::table* table(std::string_view key);
    /// The tables under `key` (the [[key]] sections), at most `most` of them; false when `key`
    /// is something else, or holds more.
    bool tables(std::string_view key, int most, std::vector<const toml::table*>& tables);

    /// The message "SCENE:LINE:COLUMN: WHAT" for a node of this file, returning false.
    bool fail(const toml::node* at, const std::string& what);
    /// The key as messages name it: 'key' of body 2.
    std::string field(std::string_view key) const;
    static SourcePlace placeOf(const toml::node& node);

private:
    const toml::node* required(std::string_view key, bool isRequired);
    bool numberAt(const toml::node& node, const std::string& what, const NumberRange& range,
                  double& value);

    const toml::table& table_;
    std::string name_;
    const std::string& scenePath_;
    std::vector<std::string_view> keys_;
    std::string& problem_;
};
