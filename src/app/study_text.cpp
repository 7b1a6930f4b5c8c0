// Date and name texts of catalogue studies, shared by the sort trees' group keys, the
// catalogue view and the reports. The date text is formatted here from the resolved
// fields rather than through the library's single shared buffer, so that a sort worker
// and the user-interface thread may both make one.
#include "app/study_text.h"

#include <cstdio>
#include <cstring>

#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"

int Study_Date_Text(const Ardent_Date *date, char text[STUDY_DATE_TEXT])
{
  text[0] = 0;
  if (!date || date->type != 1) return 0;
  std::snprintf(text, STUDY_DATE_TEXT, "%02d %s %4d", date->day, Month_Name(date->month), date->year);
  return 1;
}

std::string Study_Name_Capitalised(const Ardent_Name *name)
{
  const char *display = Ardent_Name_To_Display(name);
  std::string out;
  if (!display) return out;
  bool word_start = true, quoted = false;
  for (const char *p = display; *p; p++) {
    char c = *p;
    if (c == '"') quoted = !quoted;
    if (quoted || c == '"' || std::strchr(" ',-.", c)) {
      out += c;
      word_start = true;
      continue;
    }
    if (word_start && c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    if (!word_start && c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    out += c;
    word_start = false;
  }
  return out;
}
