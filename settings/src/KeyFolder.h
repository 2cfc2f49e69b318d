// One settings key on disk: a folder holding its values file. Reads take the file as it is;
// writes replace it atomically under an exclusive lock, re-reading it first so that concurrent
// writers (two copies of the program) never lose each other's values.
#pragma once

#include <string>

#include "ValuesFile.h"

// The file in a key's folder that holds its values.
inline constexpr const char* kValuesFile = "values.reg";

// The values of the key whose folder is open as keyFd; none when the file is missing, damaged
// beyond its lines or unreadable.
ValueList LoadValues(int keyFd);
// Sets one value; false when the new file could not be written in full.
bool StoreValue(int keyFd, const std::string& name, const StoredValue& value);
