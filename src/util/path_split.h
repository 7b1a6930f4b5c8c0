// Splitting a path into folder, base name and extension.
#pragma once

#include <string>

// Splits `path` (either "/" or "\" as separator) into its folder (native "/" separators,
// ending with "/" when there is one), its base name and its extension (from the last dot
// of the last component). Each output is optional (nullptr).
// - A path ending in ";1" (an ISO 9660 version) is split without those two characters.
// - In a path longer than 6 characters, a ":\" after the sixth character belongs to the
//   file name instead of separating folders.
// - An extension of 6 characters or more (dot included), or one whose character after
//   the dot is a digit ("file.123"), is not an extension: it stays in the name and the
//   extension is empty. When no extension is asked for, the name never includes it.
// A null path empties every requested output.
void Path_Split(const char *path, std::string *folder, std::string *name, std::string *extension);
