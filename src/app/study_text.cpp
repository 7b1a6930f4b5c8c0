// Date and name texts of catalogue studies, shared by the sort trees' group keys, the
// catalogue view and the reports. The date text is formatted here from the resolved
// fields rather than through the library's single shared buffer, so that a sort worker
// and the user-interface thread may both make one.
#include "app/study_text.h"

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "util/utf8.h"

int Study_Date_Text(const Ardent_Date *date, char text[STUDY_DATE_TEXT])
{
  text[0] = 0;
  if (!date || date->type != 1) return 0;
  std::snprintf(text, STUDY_DATE_TEXT, "%02d %s %4d", date->day, Month_Name(date->month), date->year);
  return 1;
}

// The C.UTF-8 locale for case mapping beyond ASCII, made once; null when the C library
// has none (then only ASCII letters change case).
static locale_t Case_Locale()
{
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0);
  return locale;
}

// `c` in upper case (`upper`) or lower case, by the C.UTF-8 locale's tables.
static int32_t Case_Map(int32_t c, bool upper)
{
  if (c < 0x80 || !Case_Locale()) {
    if (upper && c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (!upper && c >= 'A' && c <= 'Z') return c - 'A' + 'a';
    return c;
  }
  return (int32_t)(upper ? towupper_l((wint_t)c, Case_Locale()) : towlower_l((wint_t)c, Case_Locale()));
}

std::string Study_Name_Capitalised(const Ardent_Name *name)
{
  const char *display = Ardent_Name_To_Display(name);
  std::string out;
  if (!display) return out;
  bool word_start = true, quoted = false;
  const unsigned char *p = (const unsigned char *)display, *end = p + std::strlen(display);
  while (p < end) {
    const unsigned char *start = p;
    int32_t c = Utf8_Next(&p, end);
    if (c == UTF8_INVALID) {  // a byte of another encoding: kept as it is
      out += (char)*start;
      word_start = false;
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (quoted || c == '"' || (c < 0x80 && std::strchr(" ',-.", (int)c))) {
      Utf8_Append(out, (uint32_t)c);
      word_start = true;
      continue;
    }
    Utf8_Append(out, (uint32_t)Case_Map(c, word_start));
    word_start = false;
  }
  return out;
}
