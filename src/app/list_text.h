// The words a row of the catalogue view is labelled with: the caption of its node's kind
// ("study:") and the node's own value (the study ID), with "---" standing in for an absent
// value. The view draws them and the reports print them, so both say the same thing.
#pragma once

#include <string>

#include "app/list_sort.h"
#include "app/study_text.h"

// The caption of the node's kind: "dir:" (directories, and the root of the file order,
// which stands for the scanned folder), "file:", "patient:" (both patient groups), "date:",
// "study:", "series:" or "image:"; "" for the root of the other orders, which has no record.
const char *List_Text_Caption(const List_Tree &node);

// Writes the node's value into `value` (its old capacity is reused): a directory's name,
// a file's path, the capitalised patient name of a name group, the patient ID of a
// patient-ID group, the date text of a date group, a study's Study_ID, a series'
// series_number and an image's image_number ("%d"); "---" when the text is absent or
// empty; "" for the root of orders 1 to 4.
void List_Text_Value(const List_Tree &node, std::string &value);

// `text`, or "---" when it is absent or empty. The result is `text` itself or a constant.
const char *List_Text_Or_Missing(const char *text);

// The study's capitalised patient name, or "---" when it has none.
std::string List_Text_Name(const item_study &study);

// Writes the study's date text ("31 Jan 2024") into `text`, or "---" when it has no date;
// returns `text`.
const char *List_Text_Date(const item_study &study, char text[STUDY_DATE_TEXT]);
