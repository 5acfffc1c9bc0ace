#pragma once

#include <QtGlobal>

#include <array>

// Constants the module's firmware and the maker's adapters fix; they are not ours to choose.
namespace Device {

// Every byte of a bootloader frame is combined with this mask (exclusive-or) on the wire.
inline constexpr quint8 LinkMask = 0xC5;

// Firmware update files scramble each number line with this mask and the line's top nibble.
inline constexpr quint8 FileMask = 0x6B;

// The module enters its bootloader only if the boot command carries these four bytes.
inline constexpr std::array<quint8, 4> BootGuard{0x42, 0x4F, 0x4F, 0x54};

// Serial numbers of the maker's USB adapters begin with these three characters.
inline constexpr char AdapterPrefix[] = "QVK";

} // namespace Device
