// JSON text for the commands that print JSON (scan --json, check --json).
#pragma once

#include <string>

// Appends `text` as a JSON string (null for a null pointer): quotes and backslashes
// escaped, control bytes as \u00XX, valid UTF-8 kept, any other byte as \udcXX.
void Json_Text(std::string &out, const char *text);

// Appends `"key": `, preceded by ", " unless `first`.
void Json_Key(std::string &out, const char *key, bool first = false);
