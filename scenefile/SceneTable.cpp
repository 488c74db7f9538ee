#include "scenefile/SceneTable.h"

#include "scenefile/ScenePaths.h"

#include <Inventor/SbRotation.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

/// A quaternion whose length is further than this from 1 is refused rather than normalised: it
/// is more likely a mistake than a rounding.
constexpr double quaternionLengthTolerance = 1e-3;

constexpr double pi = 3.14159265358979323846;

std::string typeOf(const toml::node& node) {
    switch (node.type()) {
    case toml::node_type::string:
        return "a string";
    case toml::node_type::integer:
        return "a whole number";
    case toml::node_type::floating_point:
        return "a number";
    case toml::node_type::boolean:
        return "true or false";
    case toml::node_type::array:
        return "an array";
    case toml::node_type::table:
        return "a table";
    default:
        return "a date or time";
    }
}

/// Whole numbers in full (a limit such as 4294967295 said exactly), others to single precision.
std::string numberText(double x) {
    char text[32];
    if (x == std::floor(x) && std::fabs(x) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", x);
    } else {
        std::snprintf(text, sizeof text, "%.9g", x);
    }
    return text;
}

std::string rangeText(const NumberRange& range) {
    if (range.leastExcluded) {
        return "greater than " + numberText(range.least) + " and at most " + numberText(range.most);
    }
    return "between " + numberText(range.least) + " and " + numberText(range.most);
}

bool inRange(double x, const NumberRange& range) {
    return (range.leastExcluded ? x > range.least : x >= range.least) && x <= range.most;
}

/// Edits (insertions, deletions, substitutions) that turn a into b.
size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

bool before(const toml::source_position& a, const toml::source_position& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

} // namespace

SceneTable::SceneTable(const toml::table& table, std::string name, const std::string& scenePath,
                       std::initializer_list<std::string_view> keys, std::string& problem)
    : table_(table), name_(std::move(name)), scenePath_(scenePath), keys_(keys), problem_(problem) {
}

SourcePlace SceneTable::placeOf(const toml::node& node) {
    return {static_cast<int>(node.source().begin.line),
            static_cast<int>(node.source().begin.column)};
}

bool SceneTable::fail(const toml::node* at, const std::string& what) {
    problem_ = scenePlace(scenePath_, at ? placeOf(*at) : SourcePlace{}) + what;
    return false;
}

std::string SceneTable::field(std::string_view key) const {
    std::string text = "'" + std::string(key) + "'";
    return name_.empty() ? text : text + " of " + name_;
}

bool SceneTable::hasOnlyKnownKeys() {
    // The table keeps its keys in name order; the first unknown one in the file is named.
    const toml::key* unknown = nullptr;
    for (auto&& [key, value] : table_) {
        if (std::find(keys_.begin(), keys_.end(), key.str()) == keys_.end() &&
            (!unknown || before(key.source().begin, unknown->source().begin))) {
            unknown = &key;
        }
    }
    if (!unknown) {
        return true;
    }
    std::string what = "unknown key '" + std::string(unknown->str()) + "'";
    if (!name_.empty()) {
        what += " in " + name_;
    }
    for (std::string_view known : keys_) {
        if (editDistance(unknown->str(), known) <= 2) {
            what += " (did you mean '" + std::string(known) + "'?)";
            break;
        }
    }
    problem_ = scenePlace(scenePath_, {static_cast<int>(unknown->source().begin.line),
                                       static_cast<int>(unknown->source().begin.column)}) +
               what;
    return false;
}

const toml::node* SceneTable::required(std::string_view key, bool isRequired) {
    const toml::node* node = table_.get(key);
    if (!node && isRequired) {
        fail(name_.empty() ? nullptr : &table_, (name_.empty() ? std::string("the scene") : name_) +
                                                    " has no '" + std::string(key) + "'");
    }
    return node;
}

bool SceneTable::numberAt(const toml::node& node, const std::string& what, const NumberRange& range,
                          double& value) {
    if (const auto* whole = node.as_integer()) {
        value = static_cast<double>(whole->get());
    } else if (const auto* real = node.as_floating_point()) {
        value = real->get();
    } else {
        return fail(&node, what + " must be a number, not " + typeOf(node));
    }
    if (!std::isfinite(value)) {
        return fail(&node, what + " is " + numberText(value) + ", not a finite number");
    }
    // Checked as the float the program will hold, so that a tiny positive number that rounds
    // to 0 cannot pass for a positive one.
    const double held = static_cast<float>(value);
    if (!inRange(held, range)) {
        return fail(&node, what + " is " + numberText(value) + "; it must be " + rangeText(range));
    }
    value = held;
    return true;
}

bool SceneTable::number(std::string_view key, const NumberRange& range, bool required,
                        float& value) {
    const toml::node* node = this->required(key, required);
    if (!node) {
        return !required;
    }
    double read = 0;
    if (!numberAt(*node, field(key), range, read)) {
        return false;
    }
    value = static_cast<float>(read);
    return true;
}

bool SceneTable::wholeNumber(std::string_view key, const NumberRange& range, bool required,
                             std::int64_t& value, bool& found) {
    const toml::node* node = this->required(key, required);
    found = node != nullptr;
    if (!node) {
        return !required;
    }
    const auto* whole = node->as_integer();
    if (!whole) {
        return fail(node, field(key) + " must be a whole number, not " + typeOf(*node));
    }
    if (!inRange(static_cast<double>(whole->get()), range)) {
        return fail(node, field(key) + " is " + std::to_string(whole->get()) + "; it must be " +
                              rangeText(range));
    }
    value = whole->get();
    return true;
}

bool SceneTable::flag(std::string_view key, bool& value, SourcePlace& place) {
    const toml::node* node = table_.get(key);
    if (!node) {
        return true;
    }
    const auto* boolean = node->as_boolean();
    if (!boolean) {
        return fail(node, field(key) + " must be true or false, not " + typeOf(*node));
    }
    value = boolean->get();
    place = placeOf(*node);
    return true;
}

bool SceneTable::text(std::string_view key, bool required, std::string& value, SourcePlace& place) {
    const toml::node* node = this->required(key, required);
    if (!node) {
        return !required;
    }
    const auto* string = node->as_string();
    if (!string) {
        return fail(node, field(key) + " must be a string, not " + typeOf(*node));
    }
    if (string->get().find('\0') != std::string::npos) {
        return fail(node, field(key) + " holds a NUL character");
    }
    value = string->get();
    place = placeOf(*node);
    return true;
}

bool SceneTable::vector(std::string_view key, const NumberRange& range, bool required,
                        SbVec3f& value) {
    const toml::node* node = this->required(key, required);
    if (!node) {
        return !required;
    }
    const toml::array* array = node->as_array();
    if (!array || array->size() != 3) {
        return fail(node, field(key) + " must be an array of three numbers, not " +
                              (array ? "of " + std::to_string(array->size()) : typeOf(*node)));
    }
    SbVec3f read;
    for (int k = 0; k < 3; ++k) {
        double x = 0;
        if (!numberAt(*array->get(k), field(key) + "[" + std::to_string(k) + "]", range, x)) {
            return false;
        }
        read[k] = static_cast<float>(x);
    }
    value = read;
    return true;
}

bool SceneTable::rotation(std::string_view key, bool required, Quaternion& value) {
    const toml::node* node = this->required(key, required);
    if (!node) {
        return !required;
    }
    if (const toml::table* axisAngle = node->as_table()) {
        SceneTable inner(*axisAngle, field(key), scenePath_, {"axis", "degrees"}, problem_);
        SbVec3f axis;
        float degrees = 0;
        if (!inner.hasOnlyKnownKeys() || !inner.vector("axis", {-1e6, 1e6}, true, axis) ||
            !inner.number("degrees", {-36000, 36000}, true, degrees)) {
            return false;
        }
        if (axis.length() == 0) {
            return fail(axisAngle->get("axis"), inner.field("axis") + " has no direction");
        }
        const SbRotation turn(axis, static_cast<float>(degrees * pi / 180));
        const float* q = turn.getValue();
        value.setValue(q[0], q[1], q[2], q[3]);
        return true;
    }
    const toml::array* array = node->as_array();
    if (!array || array->size() != 4) {
        return fail(node,
                    field(key) + " must be a quaternion [x, y, z, w] or { axis = [x, y, " +
                        "z], degrees = A }, not " +
                        (array ? "an array of " + std::to_string(array->size()) : typeOf(*node)));
    }
    Quaternion read;
    double squares = 0;
    for (int k = 0; k < 4; ++k) {
        double x = 0;
        if (!numberAt(*array->get(k), field(key) + "[" + std::to_string(k) + "]", {-2, 2}, x)) {
            return false;
        }
        read[k] = static_cast<float>(x);
        squares += x * x;
    }
    if (std::fabs(std::sqrt(squares) - 1) > quaternionLengthTolerance) {
        return fail(node, field(key) + " has length " + numberText(std::sqrt(squares)) +
                              "; a rotation's quaternion has length 1");
    }
    value = read;
    return true;
}

bool SceneTable::wholeNumbers(std::string_view key, const NumberRange& range,
                              std::vector<int32_t>& values, SourcePlace& place) {
    const toml::node* node = table_.get(key);
    if (!node) {
        return true;
    }
    const toml::array* array = node->as_array();
    if (!array) {
        return fail(node, field(key) + " must be an array of whole numbers, not " + typeOf(*node));
    }
    std::vector<int32_t> read;
    read.reserve(array->size());
    for (size_t k = 0; k < array->size(); ++k) {
        const toml::node& element = *array->get(k);
        const auto* whole = element.as_integer();
        const std::string what = field(key) + "[" + std::to_string(k) + "]";
        if (!whole) {
            return fail(&element, what + " must be a whole number, not " + typeOf(element));
        }
        if (!inRange(static_cast<double>(whole->get()), range)) {
            return fail(&element, what + " is " + std::to_string(whole->get()) + "; it must be " +
                                      rangeText(range));
        }
        read.push_back(static_cast<int32_t>(whole->get()));
    }
    values = std::move(read);
    place = placeOf(*node);
    return true;
}

const toml::table* SceneTable::table(std::string_view key) {
    const toml::node* node = table_.get(key);
    if (!node) {
        return nullptr;
    }
    const toml::table* table = node->as_table();
    if (!table) {
        fail(node,
             field(key) + " must be a table ([" + std::string(key) + "]), not " + typeOf(*node));
    }
    return table;
}

bool SceneTable::tables(std::string_view key, int most, std::vector<const toml::table*>& tables) {
    tables.clear();
    const toml::node* node = table_.get(key);
    if (!node) {
        return true;
    }
    const toml::array* array = node->as_array();
    if (!array || !array->is_array_of_tables()) {
        return fail(node, field(key) + " must be [[" + std::string(key) +
                              "]] sections, one for each, not " + typeOf(*node));
    }
    if (array->size() > static_cast<size_t>(most)) {
        return fail(array->get(static_cast<size_t>(most)),
                    "more than " + std::to_string(most) + " [[" + std::string(key) +
                        "]] sections, the most a scene may hold");
    }
    for (const toml::node& element : *array) {
        tables.push_back(element.as_table());
    }
    return true;
}
