// Person names. A name is kept as five optional components (family, given, middle,
// prefix, suffix). DICOM PN values arrive already split at their carets; names typed as
// free text are split here at carets, commas or blanks, and free text is read with a few
// rules of thumb: a short leading "Dr" is a title, a lone initial between two long words
// is a middle name, a trailing single letter after the given name is a middle initial.
//
// Index: components / parsers / copy, free, compare / text forms.
#include "dicom/conv_name_fct.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Memory_Error.h"
#include "dicom/NEMA_Pool.h"
#include "util/message_log.h"
#include "util/utf8.h"

static const char UNIT[] = "conv_name_fct";

// A listing holds five parts of at most 64 characters of up to four bytes, and the
// separators between them.
enum { NAME_WORK = 1024, NAME_PART_MAX = 64, NAME_PARTS = 5, NAME_TEXT = NAME_PARTS * NAME_PART_MAX * (int)UTF8_BYTES_MAX + 8 };

// ---- components ----------------------------------------------------------------------------

static bool Is_Blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Trims `text` in place: leading blanks and tabs, trailing blanks, tabs and line feeds.
static char *Trim(char *text)
{
  while (*text == ' ' || *text == '\t') text++;
  size_t length = std::strlen(text);
  while (length > 0 && Is_Blank(text[length - 1])) text[--length] = '\0';
  return text;
}

// Collapses every run of spaces in `text` to one space, in place.
static void Collapse_Spaces(char *text)
{
  char *out = text;
  for (const char *in = text; *in; in++)
    if (!(*in == ' ' && out > text && out[-1] == ' ')) *out++ = *in;
  *out = '\0';
}

static void Count_Components(Ardent_Name *name)
{
  name->count = (int8_t)((name->family != nullptr) + (name->given != nullptr) + (name->middle != nullptr));
}

// Replaces `*component` with a copy of `value` when `value` is present and non-empty.
// Returns 1, or 0 after reporting a failed copy (the component is then unchanged).
static int Set_Component(char **component, const char *value, const char *var)
{
  if (!value || !*value) return 1;
  char *copy = NEMA_Strdup(value, __LINE__, UNIT, var);
  if (!copy) return 0;
  std::free(*component);
  *component = copy;
  return 1;
}

// Cuts `value` to 64 characters (UTF-8 characters, never half of one; a byte that is not
// UTF-8 counts as one), trims it and collapses double spaces, then sets it.
static int Set_Part(char **component, const char *value, const char *var)
{
  if (!value || !*value) return 1;
  char work[NAME_PART_MAX * (int)UTF8_BYTES_MAX + 1];
  const unsigned char *end = (const unsigned char *)value + std::strlen(value), *cut = (const unsigned char *)value;
  for (int characters = 0; characters < NAME_PART_MAX && cut < end; characters++) Utf8_Next(&cut, end);
  std::snprintf(work, sizeof work, "%.*s", (int)(cut - (const unsigned char *)value), value);
  char *trimmed = Trim(work);
  Collapse_Spaces(trimmed);
  return Set_Component(component, trimmed, var);
}

int Make_Ardent_Name_From_Parts(Ardent_Name *name, const char *family, const char *given, const char *middle,
                                const char *prefix, const char *suffix)
{
  int ok = Set_Part(&name->family, family, "name->family") && Set_Part(&name->given, given, "name->given") &&
           Set_Part(&name->middle, middle, "name->middle") && Set_Part(&name->prefix, prefix, "name->prefix") &&
           Set_Part(&name->suffix, suffix, "name->suffix");
  Count_Components(name);
  return ok;
}

// ---- free-text parser --------------------------------------------------------------------------

// Inserts a space after every '.' that a character other than a space follows, within
// the work area of NAME_WORK bytes.
static void Space_After_Points(char *text)
{
  for (size_t i = 0; text[i]; i++) {
    size_t length = std::strlen(text);
    if (text[i] != '.' || text[i + 1] == '\0' || text[i + 1] == ' ' || length + 1 >= NAME_WORK) continue;
    std::memmove(text + i + 2, text + i + 1, length - i);
    text[i + 1] = ' ';
  }
}

// Splits `text` in place at `separator` into at most five trimmed parts (empty parts
// become nullptr); a fifth separator leaves the rest in the fifth part and is warned of.
static void Split_Parts(char *text, char separator, const char *original, char *parts[NAME_PARTS])
{
  int count = 0;
  char *start = text;
  for (char *p = text; count < NAME_PARTS - 1; p++) {
    if (*p == '\0') break;
    if (*p != separator) continue;
    *p = '\0';
    parts[count++] = start;
    start = p + 1;
  }
  parts[count++] = start;
  if (count == NAME_PARTS && std::strchr(start, separator) && NEMA_Warning_Kind.load())
    Message_Log(nullptr, NEMA_Warning_Kind.load(), "    \xF1\x05WARING:\x02 Invalid name string (\x01%s\x02)",
                Log_Value_Escape(original).c_str());
  for (int i = 0; i < NAME_PARTS; i++) {
    if (i >= count) {
      parts[i] = nullptr;
      continue;
    }
    parts[i] = Trim(parts[i]);
    if (!*parts[i]) parts[i] = nullptr;
  }
}

static bool Is_Short(const char *word) { return word && std::strlen(word) <= 2; }
static bool Is_Long(const char *word) { return word && std::strlen(word) > 2; }
// An initial proper: one letter, or a letter and a point.
static bool Is_Initial(const char *word) { return Is_Short(word) && (word[1] == '\0' || word[1] == '.'); }

// The parts of a free-text name, before they are stored.
struct Name_Parts {
  const char *family, *given_first, *middle, *prefix, *suffix;
  const char *more[3];  // words that follow the given name's first word
};

// Reads free text already split at blanks into the parts of a name.
static void Read_Free_Text(char *parts[NAME_PARTS], Name_Parts *out)
{
  const char *word[NAME_PARTS] = {parts[0], parts[1], parts[2], parts[3], parts[4]};
  if (word[0] && std::strlen(word[0]) <= 3 && (std::strncmp(word[0], "Dr", 2) == 0 || std::strncmp(word[0], "DR", 2) == 0)) {
    out->prefix = word[0];
    for (int i = 0; i < NAME_PARTS - 1; i++) word[i] = word[i + 1];
    word[NAME_PARTS - 1] = nullptr;
  }
  int long_words = Is_Long(word[0]) + Is_Long(word[1]) + Is_Long(word[2]);
  int initials = Is_Short(word[0]) + Is_Short(word[1]) + Is_Short(word[2]);
  out->family = word[0];
  out->given_first = word[1];
  if (long_words == 2 && initials == 1) {
    if (Is_Initial(word[1])) {
      out->middle = word[1];
      for (int i = 1; i < NAME_PARTS - 1; i++) word[i] = word[i + 1];
      word[NAME_PARTS - 1] = nullptr;
      out->given_first = word[1];
    }
    if (Is_Initial(word[0])) {
      out->family = word[1];
      out->given_first = word[0];
    }
  }
  out->more[0] = word[2];
  out->more[1] = word[3];
  out->more[2] = word[4];
  if (word[4]) out->suffix = word[4];
}

// Joins the given name's first word and the words after it with single spaces.
static void Join_Given(const Name_Parts *parts, char *out, size_t size)
{
  const char *words[4] = {parts->given_first, parts->more[0], parts->more[1], parts->more[2]};
  size_t used = 0;
  out[0] = '\0';
  for (const char *word : words) {
    if (!word) continue;
    int written = std::snprintf(out + used, size - used, "%s%s", used ? " " : "", word);
    if (written < 0 || (size_t)written >= size - used) break;
    used += (size_t)written;
  }
}

int Make_Ardent_Name_From_Str(Ardent_Name *name, const char *text, int order)
{
  if (name->count) {
    Message_Log(nullptr, MSG_TRACE, "in Make_Ardent_Name_From_Str() Name already defined");
    return 1;
  }
  if (!text || !*text) {
    Message_Log(nullptr, MSG_TRACE, "in Make_Ardent_Name_From_Str() input string is empty");
    return 1;
  }
  char buffer[NAME_WORK];
  std::snprintf(buffer, sizeof buffer, "%s", text);
  char *work = Trim(buffer);
  if (!*work) {
    Message_Log(nullptr, MSG_TRACE, "in Make_Ardent_Name_From_Str() input string is only spaces");
    return 1;
  }
  Collapse_Spaces(work);

  char separator = ' ';
  if (std::strchr(work, '^')) {
    separator = '^';
    order = 1;
  } else if (std::strchr(work, ',')) {
    separator = ',';
  } else {
    Space_After_Points(work);
  }
  char *parts[NAME_PARTS];
  Split_Parts(work, separator, text, parts);

  Name_Parts found = {};
  if (separator == ' ') {
    Read_Free_Text(parts, &found);
  } else {
    found = {parts[0], parts[1], parts[2], parts[3], parts[4], {nullptr, nullptr, nullptr}};
  }

  char family[NAME_WORK], given[NAME_WORK], prefix[3] = "";
  std::snprintf(family, sizeof family, "%s", found.family ? found.family : "");
  Join_Given(&found, given, sizeof given);
  char *family_text = family;
  if (!std::strncmp(family, "DR.", 3) || !std::strncmp(family, "Dr.", 3) || !std::strncmp(family, "dr.", 3)) {
    prefix[0] = family[0];
    prefix[1] = family[1];
    found.prefix = prefix;
    family_text = Trim(family + 3);
  }
  char middle[2] = "";
  size_t given_length = std::strlen(given);
  if (given_length >= 3 && given[given_length - 2] == ' ') {
    middle[0] = given[given_length - 1];
    found.middle = middle;
    given[given_length - 2] = '\0';
  }

  const char *family_part = family_text, *given_part = given;
  if (order == 3) {
    family_part = given;
    given_part = family_text;
  }
  int ok = Set_Component(&name->family, family_part, "name->family") &&
           Set_Component(&name->given, given_part, "name->given") &&
           Set_Component(&name->middle, found.middle, "name->middle") &&
           Set_Component(&name->prefix, found.prefix, "name->prefix") &&
           Set_Component(&name->suffix, found.suffix, "name->suffix");
  Count_Components(name);
  return ok;
}

// ---- copy, free, compare ---------------------------------------------------------------------------

int Copy_Ardent_Name(Ardent_Name *target, const Ardent_Name *source)
{
  int ok = Set_Component(&target->family, source->family, "target->family") &&
           Set_Component(&target->given, source->given, "target->given") &&
           Set_Component(&target->middle, source->middle, "target->middle") &&
           Set_Component(&target->prefix, source->prefix, "target->prefix") &&
           Set_Component(&target->suffix, source->suffix, "target->suffix");
  if (ok) target->count = source->count;
  return ok;
}

void Free_Ardent_Name(Ardent_Name *name)
{
  if (!name) return;
  for (char **component : {&name->family, &name->given, &name->middle, &name->prefix, &name->suffix}) {
    std::free(*component);
    *component = nullptr;
  }
  name->count = 0;
}

// Compares two optional components: a missing one first (-weight or weight), else the
// case-insensitive order.
static int Compare_Component(const char *a, const char *b, int weight)
{
  if (!a && !b) return 0;
  if (!a) return -weight;
  if (!b) return weight;
  return strcasecmp(a, b);
}

int Compare_Ardent_Name(const Ardent_Name *a, const Ardent_Name *b)
{
  bool a_missing = !a || !a->count, b_missing = !b || !b->count;
  if (a_missing || b_missing) return a_missing == b_missing ? 0 : (a_missing ? -1000 : 1000);
  int order = Compare_Component(a->family, b->family, 100);
  if (order) return order;
  return Compare_Component(a->given, b->given, 10);
}

// ---- text forms ----------------------------------------------------------------------------------------

// A growing text in a fixed buffer: appends are cut at the buffer's end.
struct Name_Text {
  char *text;
  size_t size, used;
};

static void Append(Name_Text *out, const char *before, const char *word, const char *after)
{
  if (out->used + 1 >= out->size) return;
  int written = std::snprintf(out->text + out->used, out->size - out->used, "%s%s%s", before, word, after);
  if (written > 0) out->used += std::min((size_t)written, out->size - out->used - 1);
}

char *Ardent_Name_To_DICOM(const Ardent_Name *name, char *out, size_t out_size)
{
  if (!name || !name->count || !out_size) return nullptr;
  const char *components[NAME_PARTS] = {name->family, name->given, name->middle, name->prefix, name->suffix};
  int last = NAME_PARTS - 1;
  while (last > 0 && !components[last]) last--;
  Name_Text text = {out, out_size, 0};
  out[0] = '\0';
  for (int i = 0; i <= last; i++) Append(&text, i ? "^" : "", components[i] ? components[i] : "", "");
  return out;
}

static char *Next_Text(std::atomic<unsigned> &next, char (*pool)[NAME_TEXT])
{
  char *slot = pool[NEMA_Pool_Next(next)];
  slot[0] = '\0';
  return slot;
}

// The display and file forms differ only in where the comma goes.
static const char *Name_Listing(const Ardent_Name *name, bool comma_always, std::atomic<unsigned> &next,
                                char (*pool)[NAME_TEXT])
{
  if (!name || !name->count) return nullptr;
  Name_Text text = {Next_Text(next, pool), NAME_TEXT, 0};
  if (name->prefix) Append(&text, "", name->prefix, " ");
  Append(&text, "", name->family ? name->family : "", "");
  if (comma_always) Append(&text, ",", name->given ? " " : "", name->given ? name->given : "");
  else if (name->given) Append(&text, ", ", name->given, "");
  if (name->middle) Append(&text, " ", name->middle, "");
  if (name->suffix) Append(&text, " ", name->suffix, "");
  return text.text;
}

const char *Ardent_Name_To_Display(const Ardent_Name *name)
{
  static std::atomic<unsigned> next{0};
  static char pool[NEMA_POOL_SLOTS][NAME_TEXT];
  return Name_Listing(name, false, next, pool);
}

const char *Ardent_Name_To_File(const Ardent_Name *name)
{
  static std::atomic<unsigned> next{0};
  static char pool[NEMA_POOL_SLOTS][NAME_TEXT];
  return Name_Listing(name, true, next, pool);
}

const char *Ardent_Name_To_Natural(const Ardent_Name *name)
{
  static std::atomic<unsigned> next{0};
  static char pool[NEMA_POOL_SLOTS][NAME_TEXT];
  if (!name || !name->count) return nullptr;
  Name_Text text = {Next_Text(next, pool), NAME_TEXT, 0};
  for (const char *word : {name->prefix, name->given, name->middle, name->family})
    if (word) Append(&text, "", word, " ");
  if (name->suffix) Append(&text, " ", name->suffix, "");
  return text.text;
}
