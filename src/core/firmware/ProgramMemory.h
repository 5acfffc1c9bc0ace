#pragma once

// The module's program memory as its bootloader sees it: 24-bit instructions at even
// addresses (two address units each), written in rows and erased in pages.
namespace ProgramMemory {
inline constexpr int ImageEntries = 65536;          // one per address unit, 16-bit addresses
inline constexpr int InstructionsPerRow = 64;
inline constexpr int AddressUnitsPerRow = 2 * InstructionsPerRow;
inline constexpr int RowBytes = 3 * InstructionsPerRow; // upper byte, bits 15..8, bits 7..0
inline constexpr int RowsPerPage = 8;
inline constexpr int AddressUnitsPerPage = RowsPerPage * AddressUnitsPerRow;
// The row table's size: no firmware update file may need more rows.
inline constexpr int MaxRows = 161;
inline constexpr int MaxInstructions = MaxRows * InstructionsPerRow;
} // namespace ProgramMemory
