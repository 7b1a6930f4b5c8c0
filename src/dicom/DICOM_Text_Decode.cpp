// Text values to Unicode. A value is read the ISO 2022 way: two code elements, G0 for
// the bytes 0x21 to 0x7E and G1 for the bytes from 0x80 up, each holding one graphic
// set; the first value of (0008,0005) fills them at the start and after every
// delimiter, and escape sequences in the bytes put other sets into them. The sets that
// allow no code extensions (UTF-8, GB18030, GBK) take the whole value instead. Runs of
// bytes of one set go through glibc's iconv (one converter per encoding and thread,
// opened on first use and reset before each); ASCII, JIS X 0201, ISO 8859-1 and UTF-8
// need no table and are decoded here. The ASCII form for file names strips Latin
// diacritics through a table of its own, so that it does not depend on the locale, and
// hands every other character to iconv's transliteration.
//
// Index: graphic sets / terms / output / converters / UTF-8 / code extensions /
//        decode / ASCII.
#include "dicom/DICOM_Text_Decode.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string_view>

#include "dicom/NEMA_Tag_Attribute.h"
#include "util/utf8.h"

enum : unsigned char {
  BYTE_ESC = 0x1B, BYTE_SPACE = 0x20, BYTE_DEL = 0x7F, BYTE_GR = 0x80,
  ESCAPE_INTERMEDIATE_FIRST = 0x20, ESCAPE_INTERMEDIATE_LAST = 0x2F,  // ISO 2022 escape syntax
  ESCAPE_FINAL_FIRST = 0x30, ESCAPE_FINAL_LAST = 0x7E,
  KATAKANA_FIRST = 0xA1, KATAKANA_LAST = 0xDF,  // JIS X 0201 half-width katakana
  EUC_JP_SS3 = 0x8F,                            // EUC-JP lead byte of a JIS X 0212 character
  C1_CONTROLS_END = 0xA0,                       // U+0080 to U+009F: controls, none in a file name
};

enum : uint32_t {
  HALF_WIDTH_KATAKANA_BASE = 0xFF61,  // U+FF61, the code point of byte 0xA1 of JIS X 0201
  LATIN_TABLE_FIRST = 0xC0,           // first code point of the diacritics table
  LATIN_TABLE_END = 0x180,            // end of Latin Extended-A
};

enum { CONVERT_BUFFER = 256, TRANSLIT_BUFFER = 64 };

static const char REPLACEMENT_CHARACTER[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
static const char FILE_NAME_FILLER = '_';
static const char TRANSLIT_UNKNOWN = '?';                    // what iconv writes for no transliteration

// ---- graphic sets -----------------------------------------------------------------------------

enum Graphic_Set : uint8_t {
  SET_NONE, SET_ASCII, SET_ROMAJI, SET_KATAKANA,
  SET_LATIN_1, SET_LATIN_2, SET_LATIN_3, SET_LATIN_4, SET_CYRILLIC, SET_ARABIC, SET_GREEK, SET_HEBREW,
  SET_LATIN_5, SET_THAI, SET_LATIN_9,
  SET_JIS_X_0208, SET_JIS_X_0212, SET_KS_X_1001, SET_GB_2312,
  SET_UTF_8, SET_GB18030, SET_GBK,
  SET_COUNT
};

enum Code_Element : uint8_t { ELEMENT_G0, ELEMENT_G1, ELEMENT_WHOLE };

namespace {
struct Set_Info {
  const char *escape;    // the bytes after ESC that designate the set; null when none does
  Code_Element element;  // the element the escape fills, or ELEMENT_WHOLE (takes every byte)
  const char *encoding;  // iconv's name of the encoding its bytes convert from; null: done here
  uint8_t unit;          // bytes of one character as handed to iconv, skipped when refused
};
}  // namespace

// JIS X 0201 romaji is read as ASCII, as pydicom and most readers do: its two
// differences (yen sign at 0x5C, overline at 0x7E) would break the value delimiter.
// JIS X 0208 and 0212 pairs in G0 are handed to iconv in their EUC-JP form.
static const Set_Info SETS[SET_COUNT] = {
    {nullptr, ELEMENT_G1, nullptr, 1},       // none
    {"(B", ELEMENT_G0, nullptr, 1},          // ASCII, ISO-IR 6
    {"(J", ELEMENT_G0, nullptr, 1},          // JIS X 0201 romaji, ISO-IR 14
    {")I", ELEMENT_G1, nullptr, 1},          // JIS X 0201 katakana, ISO-IR 13
    {"-A", ELEMENT_G1, "ISO-8859-1", 1},     // ISO-IR 100
    {"-B", ELEMENT_G1, "ISO-8859-2", 1},     // ISO-IR 101
    {"-C", ELEMENT_G1, "ISO-8859-3", 1},     // ISO-IR 109
    {"-D", ELEMENT_G1, "ISO-8859-4", 1},     // ISO-IR 110
    {"-L", ELEMENT_G1, "ISO-8859-5", 1},     // ISO-IR 144
    {"-G", ELEMENT_G1, "ISO-8859-6", 1},     // ISO-IR 127
    {"-F", ELEMENT_G1, "ISO-8859-7", 1},     // ISO-IR 126
    {"-H", ELEMENT_G1, "ISO-8859-8", 1},     // ISO-IR 138
    {"-M", ELEMENT_G1, "ISO-8859-9", 1},     // ISO-IR 148
    {"-T", ELEMENT_G1, "TIS-620", 1},        // ISO-IR 166
    {"-b", ELEMENT_G1, "ISO-8859-15", 1},    // ISO-IR 203
    {"$B", ELEMENT_G0, "EUC-JP", 2},         // ISO-IR 87
    {"$(D", ELEMENT_G0, "EUC-JP", 3},        // ISO-IR 159
    {"$)C", ELEMENT_G1, "EUC-KR", 2},        // ISO-IR 149
    {"$)A", ELEMENT_G1, "EUC-CN", 2},        // ISO-IR 58
    {nullptr, ELEMENT_WHOLE, nullptr, 1},    // ISO_IR 192, decoded here
    {nullptr, ELEMENT_WHOLE, "GB18030", 1},
    {nullptr, ELEMENT_WHOLE, "GBK", 1},
};

static bool Is_Two_Byte_G0(Graphic_Set set) { return SETS[set].element == ELEMENT_G0 && SETS[set].unit > 1; }

// ---- terms ------------------------------------------------------------------------------------

namespace {
struct Term {
  const char *name;  // the IR number, or the whole term for the sets without extensions
  Graphic_Set g0, g1;
};

// The sets of the first value of (0008,0005), and whether every value was a known term.
struct Character_Set {
  Graphic_Set g0 = SET_ASCII, g1 = SET_NONE;
  bool known = true;
};
}  // namespace

static const char TERM_SINGLE[] = "ISO_IR ";
static const char TERM_EXTENDED[] = "ISO 2022 IR ";

// Terms "ISO_IR n" and "ISO 2022 IR n".
static const Term ONE_BYTE_TERMS[] = {
    {"6", SET_ASCII, SET_NONE},          {"100", SET_ASCII, SET_LATIN_1},  {"101", SET_ASCII, SET_LATIN_2},
    {"109", SET_ASCII, SET_LATIN_3},     {"110", SET_ASCII, SET_LATIN_4},  {"144", SET_ASCII, SET_CYRILLIC},
    {"127", SET_ASCII, SET_ARABIC},      {"126", SET_ASCII, SET_GREEK},    {"138", SET_ASCII, SET_HEBREW},
    {"148", SET_ASCII, SET_LATIN_5},     {"166", SET_ASCII, SET_THAI},     {"203", SET_ASCII, SET_LATIN_9},
    {"13", SET_ROMAJI, SET_KATAKANA},
};
// Terms "ISO 2022 IR n" only. The G0 sets come only by escape; the G1 sets, as in
// pydicom, are in force from the start when the term is the first value.
static const Term TWO_BYTE_TERMS[] = {
    {"87", SET_ASCII, SET_NONE}, {"159", SET_ASCII, SET_NONE},
    {"149", SET_ASCII, SET_KS_X_1001}, {"58", SET_ASCII, SET_GB_2312},
};
// Whole terms of the sets that allow no code extensions.
static const Term WHOLE_TERMS[] = {
    {"ISO_IR 192", SET_UTF_8, SET_NONE}, {"GB18030", SET_GB18030, SET_NONE}, {"GBK", SET_GBK, SET_NONE},
};

template <size_t N>
static const Term *Find_In(const Term (&terms)[N], std::string_view name)
{
  for (const Term &term : terms)
    if (name == term.name) return &term;
  return nullptr;
}

static const Term *Find_Term(std::string_view name)
{
  if (const Term *term = Find_In(WHOLE_TERMS, name)) return term;
  if (name.substr(0, sizeof TERM_SINGLE - 1) == TERM_SINGLE)
    return Find_In(ONE_BYTE_TERMS, name.substr(sizeof TERM_SINGLE - 1));
  if (name.substr(0, sizeof TERM_EXTENDED - 1) != TERM_EXTENDED) return nullptr;
  std::string_view number = name.substr(sizeof TERM_EXTENDED - 1);
  const Term *term = Find_In(ONE_BYTE_TERMS, number);
  return term ? term : Find_In(TWO_BYTE_TERMS, number);
}

// The term a writer meant by a common misspelling, as pydicom mends them: any character
// for the '_' of "ISO_IR" ("ISO IR 100"), any characters for the blanks of
// "ISO 2022 IR" ("ISO-2022-IR 87"). "" when `name` is not such a misspelling.
static std::string Mended_Term(std::string_view name)
{
  const size_t single = sizeof TERM_SINGLE - 1, extended = sizeof TERM_EXTENDED - 1;
  if (name.size() >= single - 1 && name.substr(0, 3) == "ISO" && name[3] != '_' && name.substr(4, 2) == "IR")
    return std::string(TERM_SINGLE, single - 1) + std::string(name.substr(single - 1));
  if (name.size() >= extended && name.substr(0, 3) == "ISO" && name.substr(4, 4) == "2022" &&
      name.substr(9, 2) == "IR" && name.substr(0, extended) != TERM_EXTENDED)
    return std::string(TERM_EXTENDED) + std::string(name.substr(extended));
  return "";
}

static std::string_view Trim_Blanks(std::string_view text)
{
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Reads the text of (0008,0005). Later values only need to be known terms that allow
// extensions; after a set that allows none they are ignored.
static Character_Set Read_Character_Set(const char *text)
{
  Character_Set result;
  std::string_view rest = text ? text : "";
  for (int index = 0;; index++) {
    size_t cut = rest.find('\\');
    std::string_view name = Trim_Blanks(rest.substr(0, cut));
    const Term *term = name.empty() ? nullptr : Find_Term(name);
    if (!name.empty() && !term) {
      term = Find_Term(Mended_Term(name));
      result.known = false;
    }
    if (term && index == 0) {
      result.g0 = term->g0;
      result.g1 = term->g1;
      if (SETS[term->g0].element == ELEMENT_WHOLE) return result;
    } else if (term && SETS[term->g0].element == ELEMENT_WHOLE) {
      result.known = false;
    }
    if (cut == std::string_view::npos) return result;
    rest.remove_prefix(cut + 1);
  }
}

// ---- output -----------------------------------------------------------------------------------

namespace {
struct Decoder {
  Graphic_Set initial_g0, initial_g1;  // the sets of the first value of (0008,0005)
  Graphic_Set g0, g1;                  // the sets in force
  uint16_t vr;
  std::string *out;
  bool clean;     // every byte so far decoded in the set in force for it
  bool replaced;  // the last output is the U+FFFD of a run of bad bytes still going on
};
}  // namespace

static void Put_Text(Decoder *d, const char *text, size_t size)
{
  d->out->append(text, size);
  d->replaced = false;
}

// One U+FFFD per run of bytes that do not decode.
static void Put_Replacement(Decoder *d)
{
  if (!d->replaced) d->out->append(REPLACEMENT_CHARACTER);
  d->replaced = true;
  d->clean = false;
}

static void Put_Char(Decoder *d, uint32_t code)
{
  Utf8_Append(*d->out, code);
  d->replaced = false;
}

// ---- converters -------------------------------------------------------------------------------

enum { CONVERTER_TRANSLIT = SET_COUNT, CONVERTER_COUNT };

static const iconv_t NO_CONVERTER = (iconv_t)-1;

namespace {
// The calling thread's converters, one per slot, opened on first use and closed when
// the thread ends.
struct Converter_Cache {
  iconv_t handle[CONVERTER_COUNT];
  bool tried[CONVERTER_COUNT] = {};
  ~Converter_Cache()
  {
    for (int slot = 0; slot < CONVERTER_COUNT; slot++)
      if (tried[slot] && handle[slot] != NO_CONVERTER) iconv_close(handle[slot]);
  }
};
}  // namespace

// The thread's converter of `slot` (a graphic set's encoding to UTF-8, or UTF-8 to
// transliterated ASCII), in its initial state; NO_CONVERTER when iconv lacks it.
static iconv_t Converter(int slot)
{
  static thread_local Converter_Cache cache;
  if (!cache.tried[slot]) {
    cache.tried[slot] = true;
    cache.handle[slot] = slot == CONVERTER_TRANSLIT ? iconv_open("ASCII//TRANSLIT", "UTF-8")
                         : SETS[slot].encoding      ? iconv_open("UTF-8", SETS[slot].encoding)
                                                    : NO_CONVERTER;
  } else if (cache.handle[slot] != NO_CONVERTER) {
    iconv(cache.handle[slot], nullptr, nullptr, nullptr, nullptr);
  }
  return cache.handle[slot];
}

// Converts `size` bytes in the encoding of `set`. A character iconv refuses, or cuts
// off at the end, becomes U+FFFD and is skipped by the set's unit, which keeps the
// pairs of a two-byte set aligned.
static void Convert(Decoder *d, Graphic_Set set, const char *bytes, size_t size)
{
  if (size == 0) return;
  iconv_t converter = Converter(set);
  if (converter == NO_CONVERTER) {
    Put_Replacement(d);
    return;
  }
  char *next = const_cast<char *>(bytes);  // iconv's interface; it only reads the input
  while (size > 0) {
    char buffer[CONVERT_BUFFER];
    char *out = buffer;
    size_t room = sizeof buffer;
    size_t done = iconv(converter, &next, &size, &out, &room);
    if (out > buffer) Put_Text(d, buffer, (size_t)(out - buffer));
    if (done != (size_t)-1 || errno == E2BIG) continue;
    size_t skip = std::min<size_t>(SETS[set].unit, size);
    next += skip;
    size -= skip;
    Put_Replacement(d);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
}

// ---- UTF-8 ------------------------------------------------------------------------------------

// Copies valid UTF-8; each run of bytes that is not becomes one U+FFFD. (glibc's
// iconv passes some invalid UTF-8 lead bytes through unchanged, so it is not used.)
static void Decode_UTF_8(Decoder *d, const char *bytes, size_t size)
{
  const unsigned char *p = (const unsigned char *)bytes, *end = p + size;
  while (p < end) {
    const unsigned char *start = p;
    if (Utf8_Next(&p, end) == UTF8_INVALID)
      Put_Replacement(d);
    else
      Put_Text(d, (const char *)start, (size_t)(p - start));
  }
}

// ---- code extensions --------------------------------------------------------------------------

// Whether `byte` returns G0 and G1 to the initial sets in a value of the decoder's VR.
static bool Is_Delimiter(const Decoder *d, unsigned char byte)
{
  if (byte == '\r' || byte == '\n' || byte == '\f' || byte == '\t') return true;
  if (Is_Two_Byte_G0(d->g0)) return false;  // '\', '^' and '=' are halves of a character there
  if (byte == '\\')
    return d->vr == DICOM_VR_PN || d->vr == DICOM_VR_LO || d->vr == DICOM_VR_SH || d->vr == DICOM_VR_UC;
  return d->vr == DICOM_VR_PN && (byte == '^' || byte == '=');
}

// Reads the escape sequence at `at` (ESC, intermediate bytes, a final byte) and puts
// the set it names into its code element. A sequence of no known set, or an ESC that
// starts no complete sequence, gives one U+FFFD. Returns the bytes taken.
static size_t Escape(Decoder *d, const char *at, size_t size)
{
  size_t end = 1;
  while (end < size && (unsigned char)at[end] >= ESCAPE_INTERMEDIATE_FIRST &&
         (unsigned char)at[end] <= ESCAPE_INTERMEDIATE_LAST)
    end++;
  if (end == size || (unsigned char)at[end] < ESCAPE_FINAL_FIRST || (unsigned char)at[end] > ESCAPE_FINAL_LAST) {
    Put_Replacement(d);
    return end;
  }
  std::string_view sequence(at + 1, end);
  for (int set = 0; set < SET_COUNT; set++) {
    if (!SETS[set].escape || sequence != SETS[set].escape) continue;
    if (SETS[set].element == ELEMENT_G0)
      d->g0 = (Graphic_Set)set;
    else
      d->g1 = (Graphic_Set)set;
    d->replaced = false;
    return end + 1;
  }
  Put_Replacement(d);
  return end + 1;
}

// Decodes a run of bytes from 0x80 up by the set in G1.
static void Decode_G1(Decoder *d, const char *bytes, size_t size)
{
  if (d->g1 == SET_NONE) {  // no G1 set: ISO 8859-1, as pydicom's default
    for (size_t i = 0; i < size; i++) Put_Char(d, (unsigned char)bytes[i]);
    d->clean = false;
  } else if (d->g1 == SET_KATAKANA) {
    for (size_t i = 0; i < size; i++) {
      unsigned char byte = (unsigned char)bytes[i];
      if (byte >= KATAKANA_FIRST && byte <= KATAKANA_LAST)
        Put_Char(d, HALF_WIDTH_KATAKANA_BASE + (byte - KATAKANA_FIRST));
      else
        Put_Replacement(d);
    }
  } else {
    Convert(d, d->g1, bytes, size);
  }
}

// Decodes a run of bytes 0x21 to 0x7E by the two-byte set in G0, through EUC-JP.
static void Decode_G0_Pairs(Decoder *d, const char *bytes, size_t size)
{
  std::string euc;
  euc.reserve(size * 2);
  for (size_t i = 0; i < size; i++) {
    if (d->g0 == SET_JIS_X_0212 && i % 2 == 0) euc += (char)EUC_JP_SS3;
    euc += (char)((unsigned char)bytes[i] | BYTE_GR);
  }
  Convert(d, d->g0, euc.data(), euc.size());
}

// The length of the run at `bytes` whose bytes all lie in [first, last].
static size_t Run(const char *bytes, size_t size, unsigned char first, unsigned char last)
{
  size_t run = 0;
  while (run < size && (unsigned char)bytes[run] >= first && (unsigned char)bytes[run] <= last) run++;
  return run;
}

static void Decode_Code_Extensions(Decoder *d, const char *bytes, size_t size)
{
  size_t i = 0;
  while (i < size) {
    unsigned char byte = (unsigned char)bytes[i];
    if (byte == BYTE_ESC) {
      i += Escape(d, bytes + i, size - i);
    } else if (Is_Delimiter(d, byte)) {
      d->g0 = d->initial_g0;
      d->g1 = d->initial_g1;
      Put_Char(d, byte);
      i++;
    } else if (byte >= BYTE_GR) {
      size_t run = Run(bytes + i, size - i, BYTE_GR, 0xFF);
      Decode_G1(d, bytes + i, run);
      i += run;
    } else if (Is_Two_Byte_G0(d->g0) && byte > BYTE_SPACE && byte < BYTE_DEL) {
      size_t run = Run(bytes + i, size - i, BYTE_SPACE + 1, BYTE_DEL - 1);
      Decode_G0_Pairs(d, bytes + i, run);
      i += run;
    } else {  // ASCII or romaji, space, controls
      Put_Char(d, byte);
      i++;
    }
  }
}

// ---- decode -----------------------------------------------------------------------------------

static bool Uses_Character_Set(uint16_t vr)
{
  return vr == DICOM_VR_PN || vr == DICOM_VR_LO || vr == DICOM_VR_SH || vr == DICOM_VR_ST ||
         vr == DICOM_VR_LT || vr == DICOM_VR_UT || vr == DICOM_VR_UC;
}

// The VRs that pydicom reads in its default encoding, ISO 8859-1, with no escape
// sequences: bytes from 0x80 up are outside their repertoire.
static int Decode_Latin_1(const char *bytes, size_t length, std::string *utf8)
{
  int clean = 1;
  for (size_t i = 0; i < length; i++) {
    unsigned char byte = (unsigned char)bytes[i];
    if (byte >= BYTE_GR) clean = 0;
    Utf8_Append(*utf8, byte);
  }
  return clean;
}

int DICOM_Text_Decode(const char *bytes, size_t length, const char *character_set, uint16_t vr,
                      std::string *utf8)
{
  utf8->clear();
  if (!Uses_Character_Set(vr)) return Decode_Latin_1(bytes, length, utf8);
  Character_Set charset = Read_Character_Set(character_set);
  Decoder d = {charset.g0, charset.g1, charset.g0, charset.g1, vr, utf8, true, false};
  if (charset.g0 == SET_UTF_8)
    Decode_UTF_8(&d, bytes, length);
  else if (SETS[charset.g0].element == ELEMENT_WHOLE)
    Convert(&d, charset.g0, bytes, length);
  else
    Decode_Code_Extensions(&d, bytes, length);
  return d.clean && charset.known;
}

// ---- ASCII ------------------------------------------------------------------------------------

// The base letters of U+00C0 to U+017F, one per code point: '*' when the letter needs
// two (see LATIN_LIGATURES), '.' for the two signs among them (× and ÷).
static const char LATIN_BASE[] =
    "AAAAAA*CEEEEIIII" "DNOOOOO.OUUUUY**" "aaaaaa*ceeeeiiii" "dnooooo.ouuuuy*y"  // U+00C0
    "AaAaAaCcCcCcCcDd" "DdEeEeEeEeEeGgGg" "GgGgHhHhIiIiIiIi" "Ii**JjKkkLlLlLlL"  // U+0100
    "lLlNnNnNnnNnOoOo" "Oo**RrRrRrSsSsSs" "SsTtTtTtUuUuUuUu" "UuUuWwYyYZzZzZzs"; // U+0140
static_assert(sizeof LATIN_BASE - 1 == LATIN_TABLE_END - LATIN_TABLE_FIRST, "one letter per code point");

static const struct {
  uint32_t code;
  const char *text;
} LATIN_LIGATURES[] = {
    {0xC6, "AE"}, {0xDE, "TH"}, {0xDF, "ss"}, {0xE6, "ae"}, {0xFE, "th"},
    {0x132, "IJ"}, {0x133, "ij"}, {0x152, "OE"}, {0x153, "oe"},
};

// Appends the base letters of a Latin letter with diacritics; false when `code` is
// not one.
static bool Put_Latin_Base(uint32_t code, std::string *ascii)
{
  if (code < LATIN_TABLE_FIRST || code >= LATIN_TABLE_END) return false;
  char base = LATIN_BASE[code - LATIN_TABLE_FIRST];
  if (base == '.') return false;
  if (base != '*') {
    *ascii += base;
    return true;
  }
  for (const auto &ligature : LATIN_LIGATURES)
    if (ligature.code == code) *ascii += ligature.text;
  return true;
}

// Appends iconv's transliteration of one UTF-8 character, printable ASCII only; '_'
// for what it cannot transliterate.
static void Put_Transliteration(const char *character, size_t size, std::string *ascii)
{
  iconv_t converter = Converter(CONVERTER_TRANSLIT);
  char buffer[TRANSLIT_BUFFER];
  char *next = const_cast<char *>(character);  // iconv's interface; it only reads the input
  char *out = buffer;
  size_t room = sizeof buffer;
  if (converter == NO_CONVERTER || iconv(converter, &next, &size, &out, &room) == (size_t)-1 || out == buffer) {
    *ascii += FILE_NAME_FILLER;
    return;
  }
  for (const char *c = buffer; c < out; c++) {
    unsigned char byte = (unsigned char)*c;
    *ascii += byte >= BYTE_SPACE && byte < BYTE_DEL && *c != TRANSLIT_UNKNOWN ? *c : FILE_NAME_FILLER;
  }
}

std::string DICOM_Text_To_ASCII(const std::string &utf8)
{
  std::string ascii;
  ascii.reserve(utf8.size());
  const unsigned char *p = (const unsigned char *)utf8.data(), *end = p + utf8.size();
  while (p < end) {
    const unsigned char *start = p;
    int32_t code = Utf8_Next(&p, end);
    size_t size = (size_t)(p - start);
    if (code < BYTE_SPACE || code == BYTE_DEL || (code >= BYTE_GR && code < C1_CONTROLS_END))
      ascii += FILE_NAME_FILLER;  // not UTF-8, or a control
    else if (code < BYTE_DEL)
      ascii += (char)code;
    else if (!Put_Latin_Base((uint32_t)code, &ascii))
      Put_Transliteration((const char *)start, size, &ascii);
  }
  return ascii;
}
