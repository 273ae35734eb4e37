#include "tools/world_json.hpp"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <type_traits>

namespace vorlip {

using Json = nlohmann::ordered_json;

namespace {

// The stored format keeps the words it was made with: a field renamed since is still written and
// read under its old key.
std::string dump_key(std::string_view field) {
    if (field == "brood_max") return "player_max";
    return std::string(field);
}
constexpr const char* kBroodKey = "players";

// A field as the number it stores: a code is written as its 16-bit value.
template <class T>
auto number(T field) {
    if constexpr (std::is_enum_v<T>)
        return static_cast<std::underlying_type_t<T>>(field);
    else
        return field;
}

template <class Rec>
Json record_to_json(const Rec& r);

#define VORLIP_PUT(type, name) j[#name] = number(r.name);
template <>
Json record_to_json(const BroodRec& r) {
    Json j = Json::object();
    VORLIP_BROOD_FIELDS(VORLIP_PUT)
    return j;
}
template <>
Json record_to_json(const FlowerRec& r) {
    Json j = Json::object();
    VORLIP_FLOWER_FIELDS(VORLIP_PUT)
    return j;
}
template <>
Json record_to_json(const SproutRec& r) {
    Json j = Json::object();
    VORLIP_SPROUT_FIELDS(VORLIP_PUT)
    return j;
}
#undef VORLIP_PUT

// Reads one value into a field, refusing anything that does not fit its width.
template <class T>
void take(const Json& v, T& field, const std::string& key) {
    if constexpr (std::is_enum_v<T>) {
        // A code field holds whatever 16-bit value it is given, named or not.
        std::underlying_type_t<T> n{};
        take(v, n, key);
        field = T{n};
    } else if constexpr (std::is_floating_point_v<T>) {
        if (!v.is_number() || !std::isfinite(v.get<double>()))
            throw WorldJsonError("bad value for key " + key);
        field = v.get<double>();
    } else {
        if (!v.is_number_integer()) throw WorldJsonError("bad value for key " + key);
        const bool too_big = v.is_number_unsigned() &&
                             v.get<unsigned long long>() >
                                 static_cast<unsigned long long>(std::numeric_limits<T>::max());
        const long long n = too_big ? 0 : v.get<long long>();
        if (too_big || n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max())
            throw WorldJsonError("value out of range for key " + key);
        field = static_cast<T>(n);
    }
}

template <class Rec>
void record_from_json(const Json& j, Rec& r, const std::string& where);

#define VORLIP_GET(type, name)                  \
    if (key == #name) {                         \
        take(value, r.name, where + "." #name); \
        continue;                               \
    }
#define VORLIP_RECORD_READER(Rec, FIELDS)                                       \
    template <>                                                                 \
    void record_from_json(const Json& j, Rec& r, const std::string& where) {    \
        if (!j.is_object()) throw WorldJsonError("bad value for key " + where); \
        for (const auto& [key, value] : j.items()) {                            \
            FIELDS(VORLIP_GET)                                                  \
            throw WorldJsonError("unknown key " + where + "." + key);           \
        }                                                                       \
    }
VORLIP_RECORD_READER(BroodRec, VORLIP_BROOD_FIELDS)
VORLIP_RECORD_READER(FlowerRec, VORLIP_FLOWER_FIELDS)
VORLIP_RECORD_READER(SproutRec, VORLIP_SPROUT_FIELDS)
#undef VORLIP_RECORD_READER
#undef VORLIP_GET

template <class T, std::size_t N>
void table_from_json(const Json& v, std::array<T, N>& table, const std::string& key) {
    if (!v.is_array() || v.size() != N)
        throw WorldJsonError("bad value for key " + key + " (want " + std::to_string(N) +
                             " entries)");
    for (std::size_t i = 0; i < N; ++i) {
        const std::string where = key + "[" + std::to_string(i) + "]";
        if constexpr (std::is_arithmetic_v<T>)
            take(v[i], table[i], where);
        else
            record_from_json(v[i], table[i], where);
    }
}

}  // namespace

std::string world_to_json(const World& w) {
    Json j = Json::object();
#define VORLIP_PUT(type, name) j[dump_key(#name)] = number(w.name);
    VORLIP_WORLD_GLOBALS(VORLIP_PUT)
    VORLIP_MODULE_GLOBALS(VORLIP_PUT)
    VORLIP_PERSISTENT(VORLIP_PUT)
#undef VORLIP_PUT
    Json brood = Json::array(), flowers = Json::array(), sprouts = Json::array();
    for (const auto& p : w.brood) brood.push_back(record_to_json(p));
    for (const auto& f : w.flowers) flowers.push_back(record_to_json(f));
    for (const auto& s : w.sprouts) sprouts.push_back(record_to_json(s));
    j[kBroodKey] = std::move(brood);
    j["flowers"] = std::move(flowers);
    j["sprouts"] = std::move(sprouts);
    j["rescuers"] = w.rescuers;
    j["pop_flags"] = w.pop_flags;
    return j.dump();
}

World world_from_json(const std::string& text) {
    Json j;
    try {
        j = Json::parse(text);
    } catch (const Json::exception& e) {
        // Syntax errors, and numbers no double holds (1e400): the library's message without
        // its "[json.exception...] " tag.
        std::string why = e.what();
        if (const auto tag = why.find("] ");
            why.rfind("[json.", 0) == 0 && tag != std::string::npos)
            why.erase(0, tag + 2);
        throw WorldJsonError("not a JSON world: " + why);
    }
    if (!j.is_object()) throw WorldJsonError("not a JSON world: expected one object");
    World w;
    for (const auto& [key, value] : j.items()) {
#define VORLIP_GET(type, name)    \
    if (key == dump_key(#name)) { \
        take(value, w.name, key); \
        continue;                 \
    }
        VORLIP_WORLD_GLOBALS(VORLIP_GET)
        VORLIP_MODULE_GLOBALS(VORLIP_GET)
        VORLIP_PERSISTENT(VORLIP_GET)
#undef VORLIP_GET
        if (key == kBroodKey) {
            table_from_json(value, w.brood, key);
            continue;
        }
        if (key == "flowers") {
            table_from_json(value, w.flowers, key);
            continue;
        }
        if (key == "sprouts") {
            table_from_json(value, w.sprouts, key);
            continue;
        }
        if (key == "rescuers") {
            table_from_json(value, w.rescuers, key);
            continue;
        }
        if (key == "pop_flags") {
            table_from_json(value, w.pop_flags, key);
            continue;
        }
        throw WorldJsonError("unknown key " + key);
    }
    return w;
}

}  // namespace vorlip
