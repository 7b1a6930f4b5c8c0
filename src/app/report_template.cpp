// Loading of the CSV report's column templates. A template file is read byte by byte into
// lines; each line that starts with "(" names one column as "(gggg,eeee)". A level whose
// file is missing gets the default columns below, so a bare installation still reports
// the usual study, series and image attributes.
#include "app/report_template.h"

#include <cerrno>
#include <cstdio>

#include "util/error_text.h"
#include "util/message_log.h"

struct Template_Level {
  const char *file;        // file name in the installation folder
  const char *missing;     // report when the file cannot be opened
  int nb_default;          // default columns, (0000,0000) for an empty one
  uint32_t defaults[10];   // group << 16 | element
};

static const Template_Level template_level[REPORT_LEVELS] = {
    {"CSV_Template_Study.txt", "no CSV study template found", 8,
     {0x00200010, 0x00080020, 0x00100010, 0x00100020, 0x00080060, 0, 0, 0}},
    {"CSV_Template_Series.txt", "no CSV series template found", 9,
     {0, 0, 0, 0, 0, 0x00200011, 0x0008103E, 0, 0}},
    {"CSV_Template_Image.txt", "no CSV image template found", 10,
     {0, 0, 0, 0, 0, 0, 0, 0x00200013, 0, 0}},
};

const char *Report_Template_File(int level)
{
  return template_level[level].file;
}

Catalogue_Template &Report_Template_Of(int level)
{
  Catalogue_Template *of_level[REPORT_LEVELS] = {&template_study, &template_series, &template_image};
  return *of_level[level];
}

// Appends one column; columns beyond the table's size are reported and dropped.
static void Template_Append(Catalogue_Template &tmpl, unsigned group, unsigned element, const std::string &path)
{
  if (tmpl.count >= CATALOGUE_INFO_MAX) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 more than %d columns in %s: (%04X,%04X) ignored",
                CATALOGUE_INFO_MAX, Log_Value_Escape(path).c_str(), group, element);
    return;
  }
  tmpl.group[tmpl.count] = (uint16_t)group;
  tmpl.element[tmpl.count] = (uint16_t)element;
  tmpl.count++;
}

// Handles one finished line: trims blanks and tabs and reads a "(gggg,eeee)" column.
static void Template_Line(Catalogue_Template &tmpl, const std::string &line, const std::string &path)
{
  size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos || line[first] != '(') return;
  size_t last = line.find_last_not_of(" \t");
  std::string text = line.substr(first, last - first + 1);
  unsigned group = 0, element = 0;
  if (std::sscanf(text.c_str(), "(%04X,%04X)", &group, &element) != 2) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 no tag in template line \"%s\" of %s: line ignored",
                Log_Value_Escape(text).c_str(), Log_Value_Escape(path).c_str());
    return;
  }
  Template_Append(tmpl, group, element, path);
}

int Report_Template_Load(Catalogue_Template &tmpl, int level, const std::string &folder)
{
  const Template_Level &info = template_level[level];
  std::string path = folder + info.file;
  tmpl.count = 0;
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) {
    Message_Log(nullptr, MSG_REPORT, "%s", info.missing);
    for (int i = 0; i < info.nb_default; i++)
      Template_Append(tmpl, info.defaults[i] >> 16, info.defaults[i] & 0xFFFF, path);
    return 1;
  }
  std::string line;
  for (;;) {
    int byte = std::getc(file);
    if (byte == EOF) {
      if (std::ferror(file)) {
        int code = errno;
        std::fclose(file);
        Message_Log(nullptr, MSG_TRACE, "file:%s line:%d", Log_Source_Name(__FILE__), __LINE__);
        Message_Log(nullptr, MSG_WARNING, "\xF1\x04" "ERROR:\x02 reading file %s", Log_Value_Escape(path).c_str());
        Message_Log(nullptr, MSG_WARNING, "%s", Error_Text(code));
        return 0;
      }
      break;
    }
    if (byte == '\n' || byte == '\f') {
      Template_Line(tmpl, line, path);
      line.clear();
      if (byte == '\f') break;
      continue;
    }
    if (byte == '\r') continue;
    if (byte != '\t' && byte != 0 && (byte < ' ' || byte > '~'))
      Message_Log(nullptr, MSG_WARNING, "\xF1\x04" "ERROR:\x02 bad. charact. 0x%x in file", (unsigned)(int)(signed char)byte);
    line += (char)byte;
    if (line.size() > REPORT_LINE_MAX) {
      std::fclose(file);
      Message_Log(nullptr, MSG_WARNING, "\xF1\x04" "ERROR:\x02 line too long in header");
      Message_Log(nullptr, MSG_WARNING, "[max= %d char] -> \"%s\"", (int)line.size(), Log_Value_Escape(line).c_str());
      return 0;
    }
  }
  std::fclose(file);
  if (!line.empty()) Template_Line(tmpl, line, path);
  return 1;
}

int Report_Templates_Load(const std::string &folder)
{
  for (int level = 0; level < REPORT_LEVELS; level++)
    if (!Report_Template_Load(Report_Template_Of(level), level, folder)) {
      MESSAGE_LOG_WHERE(nullptr);
      return 0;
    }
  return 1;
}
