#pragma once
// How much memory each office may take: the address space of its processes is
// limited, so that a workbook that would need more fails alone instead of
// exhausting the machine.

#include <cstdint>

#include "host/MemoryFigures.h"

namespace sheetwise::host {

// What ordinary work never reaches: an office's address space stays near
// 1 GB on ordinary workbooks (it maps its libraries and fonts and reserves
// memory for each of its threads), far more than it holds in memory.
inline constexpr std::uint64_t kOfficeMemoryFloor = std::uint64_t{2048} << 20;

// Half of the machine's memory shared among the offices that run side by
// side, and never below the floor (nor when the machine's memory is unknown).
std::uint64_t DefaultOfficeMemoryLimit(const MemoryStatus& machine, int offices);

// The limit in whole megabytes, as messages and options give it.
std::uint64_t Megabytes(std::uint64_t bytes);

}  // namespace sheetwise::host
