#pragma once

#include "core/StationState.h"

namespace zelvan {

// Global object index k = (m - 1) * 128 + n of object n (1..128) of module m (1..8).
constexpr int globalIndex(int m, int n) { return (m - 1) * kObjectsPerModule + n; }
// Module of object k (1..1024).
constexpr int moduleOf(int k) { return (k - 1) / kObjectsPerModule + 1; }
// Object number within its module, 1..128, of object k (1..1024).
constexpr int objectNoOf(int k) { return ((k - 1) & 127) + 1; }
// Global index of the first object of page p (0..15) minus 1.
constexpr int pageBaseOf(int p) { return (p / 8) * 64 + (p & 7) * kObjectsPerModule; }
// Module shown by page p.
constexpr int pageModule(int p) { return (p & 7) + 1; }
// Page ribbon (0..15) that shows object k.
constexpr int ribbonOf(int k) { return (k - 1) / kObjectsPerModule + 8 * (((k - 1) % 128) / 64); }
// First object of the 64-object block (page) that holds object k.
constexpr int blockFirst(int k) { return ((k - 1) / 64) * 64 + 1; }

constexpr bool isModule(int m) { return m >= 1 && m <= kModuleCount; }
constexpr bool isObjectNo(int n) { return n >= 1 && n <= kObjectsPerModule; }
constexpr bool isObject(int k) { return k >= 1 && k <= kObjectCount; }
constexpr bool isPage(int p) { return p >= 0 && p < kPageCount; }

} // namespace zelvan
