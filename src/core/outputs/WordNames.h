#pragma once

#include <QString>

// The name of the setting a word of the image holds, for reports that list words by address:
// "system ID", "out13 source". Empty for a word the tool gives no meaning.
QString wordName(int address);
