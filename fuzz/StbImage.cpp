// The decoder's own code, from the same header Debian builds its library from, compiled into
// the fuzz target: so the fuzzer follows the decoder's branches and the sanitizers watch its
// memory, which Debian's uninstrumented build would hide from both.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
