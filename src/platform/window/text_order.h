// Display order of a line of text: right-to-left scripts (Hebrew, Arabic, Syriac, Thaana
// ...) are reordered by the Unicode bidirectional algorithm (GNU FriBidi) inside a
// left-to-right line, and Arabic letters take their joining forms, so that a Hebrew or
// Arabic name reads as its writers read it. Lines without such characters are left as
// they are, without a call into the library.
#pragma once

#include <string>

// Rewrites `text` (one Unicode code point per element, logical order) into display order.
// Tabs stay where they are in the line's left-to-right frame.
void Text_Display_Order(std::wstring *text);
