#pragma once

// What reading any bytes as a configuration file must satisfy. Shared by the libFuzzer
// harness and the test that replays its corpus.

#include "core/files/ConfigFile.h"

#include <optional>

// Null when the reading holds together, else what is wrong with it; `image` gets what was
// read, if anything.
inline const char *configFileFault(const QByteArray &bytes, std::optional<ConfigWords> &image)
{
    image = ConfigFile::read(ConfigFile::decode(bytes));
    if (!image)
        return nullptr;
    // A file that was taken must survive being saved and read again unchanged, and saving
    // what was read back must give the same bytes.
    const QByteArray saved = ConfigFile::encode(ConfigFile::build(*image));
    const auto again = ConfigFile::read(ConfigFile::decode(saved));
    if (!again || *again != *image)
        return "a saved image reads back otherwise";
    if (ConfigFile::encode(ConfigFile::build(*again)) != saved)
        return "saving the same image twice gives other bytes";
    return nullptr;
}
