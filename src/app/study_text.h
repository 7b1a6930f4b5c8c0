// The texts that views and reports show for a study's date and patient name: the date
// as "31 Jan 2024" and the display name with each word capitalised ("Doe, John").
#pragma once

#include <string>

struct Ardent_Date;
struct Ardent_Name;

enum { STUDY_DATE_TEXT = 32 };  // bytes of a date text buffer

// Writes the date as "%02d %s %4d" (day, three-letter month, year) into `text`.
// Returns 1 for a resolved date; returns 0 with `text` empty for an absent date or one
// that holds no date (not resolved). Safe on any thread.
int Study_Date_Text(const Ardent_Date *date, char text[STUDY_DATE_TEXT]);

// The display name ("Dr Doe, John A") with the first letter of each word in upper case
// and the others in lower case; blanks, apostrophes, commas, hyphens and full stops
// separate words, and text between double quotes stays as it is. Only ASCII letters
// change. Returns "" for an absent name or one that holds no name.
std::string Study_Name_Capitalised(const Ardent_Name *name);
