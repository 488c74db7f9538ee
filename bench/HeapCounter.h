#pragma once

#include <cstddef>

/// The bytes this program holds from operator new, counted by its replacement in
/// HeapCounter.cpp: now, and at most since the last resetHeapPeak.
std::size_t heapBytesNow();
std::size_t heapBytesPeak();
/// Starts a new peak from the bytes held now.
void resetHeapPeak();
