// Captions and values of the view's rows, read straight from the catalogue records that
// the sort tree's nodes point at. Group nodes point at the first study of their group,
// whose patient name, patient ID or date is the group's.
#include "app/list_text.h"

#include <cstdio>
#include <cstring>

static const char *const missing = "---";

const char *List_Text_Or_Missing(const char *text)
{
  return text && *text ? text : missing;
}

std::string List_Text_Name(const item_study &study)
{
  std::string name = Study_Name_Capitalised(study.Patient_Name);
  return name.empty() ? missing : name;
}

const char *List_Text_Date(const item_study &study, char text[STUDY_DATE_TEXT])
{
  if (!Study_Date_Text(study.Study_Date, text)) std::strcpy(text, missing);
  return text;
}

const char *List_Text_Caption(const List_Tree &node)
{
  switch (node.kind) {
  case LIST_ROOT: return node.item ? "dir:" : "";
  case LIST_DIR: return "dir:";
  case LIST_FILE: return "file:";
  case LIST_GROUP_NAME:
  case LIST_GROUP_PID: return "patient:";
  case LIST_GROUP_DATE: return "date:";
  case LIST_STUDY: return "study:";
  case LIST_SERIES: return "series:";
  case LIST_IMAGE: return "image:";
  default: return "";
  }
}

static void Value_Number(std::string &value, int number)
{
  char text[16];
  std::snprintf(text, sizeof text, "%d", number);
  value.assign(text);
}

void List_Text_Value(const List_Tree &node, std::string &value)
{
  const item_study *study = (const item_study *)node.item;  // group and study nodes
  char date[STUDY_DATE_TEXT];
  switch (node.kind) {
  case LIST_ROOT:
  case LIST_DIR:
    value.assign(node.item ? List_Text_Or_Missing(((const item_dir *)node.item)->name) : "");
    break;
  case LIST_FILE: value.assign(List_Text_Or_Missing(((const item_file *)node.item)->path)); break;
  case LIST_GROUP_NAME: value.assign(List_Text_Name(*study)); break;
  case LIST_GROUP_PID: value.assign(List_Text_Or_Missing(study->Patient_ID)); break;
  case LIST_GROUP_DATE: value.assign(List_Text_Date(*study, date)); break;
  case LIST_STUDY: value.assign(List_Text_Or_Missing(study->Study_ID)); break;
  case LIST_SERIES: Value_Number(value, ((const item_series *)node.item)->series_number); break;
  case LIST_IMAGE: Value_Number(value, ((const item_file *)node.item)->image_number); break;
  default: value.clear(); break;
  }
}
