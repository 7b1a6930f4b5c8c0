// Text values to Unicode: decodes the bytes of a text value by the data set's Specific
// Character Set (0008,0005) into UTF-8, and turns UTF-8 into plain ASCII for file names.
// The library keeps every value as its raw bytes; views, reports and file names call
// these two functions when they show or use a text.
//
// Character sets understood (the first value of (0008,0005) gives the sets in force at
// the start of a value and after each delimiter):
//   "" or ISO_IR 6 (ASCII); ISO_IR 100, 101, 109, 110 (Latin 1 to 4), 144 (Cyrillic),
//   127 (Arabic), 126 (Greek), 138 (Hebrew), 148 (Latin 5), 166 (Thai), 203 (Latin 9),
//   13 (JIS X 0201: romaji in G0, half-width katakana in G1); the same with the
//   ISO 2022 prefix ("ISO 2022 IR 100" ...); "ISO 2022 IR 87" (JIS X 0208),
//   "ISO 2022 IR 159" (JIS X 0212), "ISO 2022 IR 149" (KS X 1001), "ISO 2022 IR 58"
//   (GB 2312); and the sets that allow no code extensions: "ISO_IR 192" (UTF-8),
//   "GB18030" and "GBK" (later values of (0008,0005) are then ignored).
// Escape sequences in the bytes designate any of the sets above to G0 or G1. At each
// CR, LF, FF and TAB, at each '\' between the values of PN, LO, SH and UC, and at each
// '^' and '=' of PN, both G0 and G1 return to the sets of the first value. While a
// two-byte set is in G0 its bytes come in pairs, so '\', '^' and '=' there are halves
// of a character rather than delimiters (an encoder must switch back to a one-byte set
// before a delimiter).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Decodes the `length` bytes at `bytes` (a text value as stored, padding included;
// `bytes` may be null when `length` is 0) into UTF-8, appended to `*utf8` after
// clearing it. `character_set` is the text of (0008,0005) as stored: backslash-separated
// values, each possibly padded with spaces; null or "" means the default repertoire.
// `vr` is the value's VR code (DICOM_VR_* of dicom/NEMA_Tag_Attribute.h).
//
// Only PN, LO, SH, ST, LT, UT and UC values use the character set. Every other VR
// (and 0, no VR) is decoded byte by byte as ISO 8859-1, as pydicom does for them (its
// default encoding "iso8859"): ASCII bytes unchanged, bytes 0x80 to 0xFF as the
// characters U+0080 to U+00FF.
//
// Every byte leaves a trace in the result: delimiters, controls, NUL and padding are
// kept, so a caller splits values at '\' of the UTF-8 text (a byte UTF-8 never uses
// inside a character) and trims padding itself.
//
// Returns 1 when every byte decoded in the character set that was in force for it.
// Returns 0 when some did not, after decoding all the same (the caller writes a notice
// naming the value or the term):
// - bytes not valid in the set in force (a truncated UTF-8 sequence, a code unused in
//   an ISO 8859 part, half of a two-byte character): each run of them becomes one
//   U+FFFD;
// - an escape sequence this decoder does not know, or an ESC that starts none: one
//   U+FFFD for the sequence;
// - a byte from 0x80 up where no G1 set is in force (the default repertoire): taken as
//   ISO 8859-1, as pydicom does, since files without (0008,0005) often hold Latin-1;
// - a byte from 0x80 up in a VR that does not use the character set (ISO 8859-1, above);
// - a term of `character_set` this decoder does not know: the common misspellings
//   that pydicom mends ("ISO IR 100", "ISO-2022 IR 87") are read as the term meant,
//   other terms as the default repertoire.
// `utf8` must not be null. Threads: safe; each thread keeps its own iconv converters.
int DICOM_Text_Decode(const char *bytes, size_t length, const char *character_set, uint16_t vr,
                      std::string *utf8);

// Turns UTF-8 text into ASCII for a file name: every byte of the result is from 0x20 to
// 0x7E. Printable ASCII is kept as it is. Latin letters with diacritics lose them
// through a built-in table that does not depend on the locale ("Äneas^Rüdiger" gives
// "Aneas^Rudiger", "ß" gives "ss", "Æ" gives "AE"); other characters go through
// iconv's "ASCII//TRANSLIT" (whose table follows LC_CTYPE: in the "C" locale it still
// knows full-width forms, arrows and guillemets); what is left without a
// transliteration, controls and bytes that are not UTF-8 each become '_'.
// Threads: safe, as DICOM_Text_Decode.
std::string DICOM_Text_To_ASCII(const std::string &utf8);
