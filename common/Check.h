#pragma once

/// Invariants that hold by construction whatever the input: the plans and pools the program
/// builds for itself, the scene it assembles. A broken one means a fault in the program, not in
/// a file or an option, and running on would corrupt the simulation or the scene; so the check
/// stays on in every build, says where and why, and aborts. Bad input never reaches it: that is
/// handled where it is read, with a message and a way on.
#define PLIMMERTON_CHECK(condition, why)                                                           \
    ((condition) ? static_cast<void>(0)                                                            \
                 : checkFailed(__FILE__, __LINE__, __func__, #condition, why))

/// Writes "FILE:LINE: FUNCTION: check `CONDITION' failed: WHY" on standard error and aborts.
[[noreturn]] void checkFailed(const char* file, int line, const char* function,
                              const char* condition, const char* why);
