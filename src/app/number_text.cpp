// Thousands separators and size texts for the push job's summary and progress lines.
#include "app/number_text.h"

#include <cstdio>

std::string Number_Text_Thousands(long long count)
{
  unsigned long long magnitude = count < 0 ? 0ULL - (unsigned long long)count : (unsigned long long)count;
  std::string digits = std::to_string(magnitude);
  std::string text = count < 0 ? "-" : "";
  size_t lead = digits.size() % 3 ? digits.size() % 3 : 3;
  text += digits.substr(0, lead);
  for (size_t at = lead; at < digits.size(); at += 3) text += "," + digits.substr(at, 3);
  return text;
}

std::string Number_Text_Size(int64_t bytes)
{
  char text[64];
  const double n = (double)bytes;
  if (bytes <= 1023) std::snprintf(text, sizeof text, "%lld bytes", (long long)bytes);
  else if (bytes < (1LL << 20)) std::snprintf(text, sizeof text, "%.2f Kb", n / 1024.0);
  else if (bytes <= (1LL << 30) - 1) std::snprintf(text, sizeof text, "%.2f Mb", n / (double)(1LL << 20));
  else if (bytes < (1LL << 40)) std::snprintf(text, sizeof text, "%.2f Gb", n / (double)(1LL << 30));
  else std::snprintf(text, sizeof text, "%.2f Tb", n / (double)(1LL << 40));
  return text;
}
