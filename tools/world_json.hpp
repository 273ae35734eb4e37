// The world as one flat JSON object: one key per global and persistent variable, plus the
// tables. The form is the same for writing and reading, so a dump loaded and dumped again is
// byte-identical.
#pragma once

#include <stdexcept>
#include <string>

#include "scene/world.hpp"

namespace vorlip {

// One line of JSON, without a newline.
std::string world_to_json(const World& world);

// A key that is unknown or a value that does not fit its field.
class WorldJsonError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the form world_to_json writes. Keys left out keep their load value (zero).
World world_from_json(const std::string& text);

}  // namespace vorlip
