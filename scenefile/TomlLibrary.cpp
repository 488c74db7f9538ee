// The one place where toml++'s own code is compiled (TomlLibrary.h).
#define TOML_IMPLEMENTATION
#include "scenefile/TomlLibrary.h"
