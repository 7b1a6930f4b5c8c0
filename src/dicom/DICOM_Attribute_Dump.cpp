// The formatted listing of an attribute list: a legend, a column header, then one line
// per attribute (tag, origin, description, VR, type, size and the value as text), with
// the items of each sequence between banners at the next depth. Lines carry the message
// log's colour and font markup; outputs that cannot show it drop it.
#include <cstdio>
#include <cstring>
#include <string>

#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Tag_Attribute.h"
#include "dicom/DICOM_Text_Decode.h"
#include "dicom/DICOM_Text_Value.h"
#include "dicom/DICOM_UID_Name.h"
#include "dicom/NEMA_db.h"
#include "dicom/NEMA_Tag_Complement.h"
#include "util/message_log.h"
#include "util/text_escape.h"

// Markup bytes of the message log.
#define BLUE "\x01"
#define BLACK "\x02"
#define RED "\x04"
#define YELLOW "\x05"
#define GREEN "\x06"
#define BOLD_IN(colour) "\xF1" colour
#define BOLD_OUT "\xF0\x02"

static const char *const legend[] = {
    "Zevir syntax: group & element color: " BOLD_IN(RED) "red" BOLD_OUT " =syntax error, " BOLD_IN(BLUE) "blue" BOLD_OUT
    " =normal",
    "Zevir syntax: possible origin: DICOM, Ardent, Module, Private, Retired, Deleted, Default, Forced",
    "Zevir syntax: description prefix: ! forced, = default, + append, o used by converter",
    "Zevir syntax: description color: " BOLD_IN(RED) "red" BOLD_OUT " type=1,1C, " BOLD_IN(YELLOW) "yellow" BOLD_OUT
    " type=2,2C, " BOLD_IN(GREEN) "green" BOLD_OUT " type=3, black type unknown",
    "Zevir syntax: VR color: " BOLD_IN(RED) "red" BOLD_OUT " VR=UN, " BOLD_IN(BLUE) "blue" BOLD_OUT " Explicit VR, "
    BOLD_IN(GREEN) "green" BOLD_OUT " Implicit VR",
    "(grp, elem) Origin            description                        (VR,Tp,size) data",
};

// ---- label columns ----------------------------------------------------------------------

// The origin label; the later rows of the flag table win over the earlier ones.
static const char *Origin_Label(uint16_t flags)
{
  static const struct {
    uint16_t mask;
    const char *label;
  } labels[] = {
      {DICOM_ORIGIN_DICOM, "(DICOM)  "},  {DICOM_ORIGIN_ARDENT, "(Ardent) "}, {DICOM_ORIGIN_MODULE, "(Module) "},
      {DICOM_FLAG_RETIRED, "(Retired)"},  {DICOM_FLAG_PRIVATE, "(Private)"},  {DICOM_FLAG_DELETED, "(Deleted)"},
      {DICOM_FLAG_INVALID, "(Invalid)"},  {DICOM_FLAG_FORCED, "(Forced) "},   {DICOM_FLAG_DEFAULT, "(Default)"},
      {DICOM_FLAG_APPEND, "(Append) "},
  };
  const char *label = "         ";
  for (const auto &entry : labels) {
    bool is_origin = entry.mask & DICOM_ORIGIN_MASK;
    bool set = is_origin ? (flags & DICOM_ORIGIN_MASK) == entry.mask : (flags & entry.mask) != 0;
    if (set) label = entry.label;
  }
  return label;
}

static char Prefix(uint16_t flags)
{
  char prefix = ' ';
  if (flags & DICOM_FLAG_TRANSFER) prefix = 'o';
  if (flags & DICOM_FLAG_FORCED) prefix = '!';
  if (flags & DICOM_FLAG_DEFAULT) prefix = '=';
  if (flags & DICOM_FLAG_APPEND) prefix = '+';
  return prefix;
}

static const char *Type_Colour(int16_t type)
{
  switch (type >> 8) {
  case '1': return RED;
  case '2': return YELLOW;
  case '3': return GREEN;
  default: return BLACK;
  }
}

// The description, else the dictionary's name, else "Unknown tag", cut or padded to
// 40 characters, control characters shown as spaces, font markup kept.
static std::string Description(const DICOM_Attribute *r)
{
  const char *text = r->description;
  if (!text) text = r->dictionary ? r->dictionary->name : nullptr;
  if (!text) text = "Unknown tag";
  std::string column;
  size_t shown = 0;  // font markup (0xF0 to 0xF2) takes no room
  for (const unsigned char *p = (const unsigned char *)text; *p && shown < 40; p++) {
    bool font = *p >= 0xF0 && *p <= 0xF2;
    column += *p < ' ' ? ' ' : (char)*p;
    shown += !font;
  }
  return column + std::string(40 - shown, ' ');
}

static char Code_Char(uint16_t code, int index)
{
  if (!code) return '-';
  char c = (char)(index == 0 ? code >> 8 : code & 0xFF);
  return c == ' ' ? '-' : c;
}

// ---- value text -------------------------------------------------------------------------

// Bytes as text, control characters shown as spaces and the font bytes of the message
// pane's markup as \xNN (a value is data, never markup), at most `most` of them; "..."
// appended when `cut` says the value is longer.
static std::string Text_Value(const DICOM_Attribute *r, int most, bool cut)
{
  int n = r->size < most ? r->size : most;
  while (n > 0 && (r->data[n - 1] == 0)) n--;
  std::string text;
  for (int i = 0; i < n; i++) text += r->data[i] < ' ' ? ' ' : (char)r->data[i];
  text = Text_Escape(text.c_str(), TEXT_ESCAPE_MARKUP);
  if (cut) text += "...";
  return text;
}

// Values of `unit` bytes, at most `most` bytes of them, each printed by `print` and
// joined by `separator`; " ..." appended when the value is longer.
template <typename Print>
static std::string Units(const DICOM_Attribute *r, int unit, int most, const char *separator, Print print)
{
  std::string text;
  char one[64];
  int i = 0;
  for (; i + unit <= r->size && i < most; i += unit) {
    print(one, sizeof one, r->data + i);
    if (i) text += separator;
    text += one;
  }
  if (r->size > most) text += " ...";
  return text;
}

static std::string Unknown_Value(const DICOM_Attribute *r, uint16_t VR)
{
  char head[32];
  std::snprintf(head, sizeof head, "(VR=%c%c Unknown) ", VR >> 8, VR & 0xFF);
  bool letters = r->size > 0;
  for (int i = 0; i < r->size; i++) {
    unsigned char c = r->data[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) letters = false;
  }
  if (letters) return head + Text_Value(r, 32, false) + (r->size > 32 ? " ..." : "");
  std::string text = head;
  for (int i = 0; i < r->size && i < 4; i++) {
    char one[8];
    std::snprintf(one, sizeof one, i ? " %02x" : "%02x", r->data[i]);
    text += one;
  }
  return text;
}

static std::string UID_Value(const DICOM_Attribute *r)
{
  std::string uid = Text_Value(r, r->size, false);
  while (!uid.empty() && uid.back() == ' ') uid.pop_back();
  const char *name = DICOM_UID_Name(uid.c_str());
  if (name) return std::string("= ") + name;
  return Text_Value(r, 250, r->size >= 250);
}

// The value decoded from `character_set` into UTF-8, as " = \"TEXT\"" after the bytes as
// stored, when the stored bytes are not plain ASCII (nor already rewritten into UTF-8);
// else "".
static std::string Decoded_Text(const DICOM_Attribute *r, uint16_t VR, const std::string &character_set)
{
  if ((r->flags & DICOM_FLAG_UTF8) || !DICOM_Text_Needs_Decoding(r->data, r->size)) return "";
  std::string utf8;
  DICOM_Text_Decode((const char *)r->data, (size_t)r->size, character_set.c_str(), VR, &utf8);
  while (!utf8.empty() && (utf8.back() == ' ' || utf8.back() == 0)) utf8.pop_back();
  return " = \"" + Text_Escape(utf8.c_str(), TEXT_ESCAPE_MARKUP) + "\"";
}

static std::string Value_Text(const DICOM_Attribute *r, const std::string &character_set)
{
  uint16_t VR = r->VR ? r->VR : (uint16_t)r->dictionary_VR;
  int mode = r->mode;
  if (!r->data) {
    char text[64] = "";
    if (VR == DICOM_VR_SQ && r->size <= 0)
      std::snprintf(text, sizeof text, "(sequence)");
    else if (r->size > 0)
      std::snprintf(text, sizeof text, "(data from file at offset=%d)", (int)r->value_position);
    return text;
  }
  switch (VR) {
  case DICOM_VR_AE: case DICOM_VR_AS: case DICOM_VR_CS: case DICOM_VR_DA: case DICOM_VR_DS: case DICOM_VR_DT:
  case DICOM_VR_IS: case DICOM_VR_LO: case DICOM_VR_LT: case DICOM_VR_PN: case DICOM_VR_SH: case DICOM_VR_ST:
  case DICOM_VR_UT: case DICOM_VR_TM: case DICOM_VR_UC: case DICOM_VR_UR:
    return Text_Value(r, 250, r->size > 250) + Decoded_Text(r, VR, character_set);
  case DICOM_VR_UI:
    return UID_Value(r);
  case DICOM_VR_AT:
    return Units(r, 4, 64, " / ", [mode](char *s, size_t n, const unsigned char *b) {
      std::snprintf(s, n, "(%04x,%04x)", NEMA_Convert_16(mode, b), NEMA_Convert_16(mode, b + 2));
    });
  case DICOM_VR_FD:
    return Units(r, 8, 128, " / ", [mode](char *s, size_t n, const unsigned char *b) {
      std::snprintf(s, n, "%.3lf", NEMA_Convert_Double(mode, b));
    });
  case DICOM_VR_FL:
    return Units(r, 4, 64, " / ", [mode](char *s, size_t n, const unsigned char *b) {
      std::snprintf(s, n, "%.3f", NEMA_Convert_Float(mode, b));
    });
  case DICOM_VR_SL: case DICOM_VR_UL:
    return Units(r, 4, 64, " / ", [mode](char *s, size_t n, const unsigned char *b) {
      std::snprintf(s, n, "%d", (int32_t)NEMA_Convert_32(mode, b));
    });
  case DICOM_VR_SS:
    return Units(r, 2, 32, " / ", [mode](char *s, size_t n, const unsigned char *b) {
      std::snprintf(s, n, "%d", (int16_t)NEMA_Convert_16(mode, b));
    });
  case DICOM_VR_US:
    return Units(r, 2, 32, " / ", [mode](char *s, size_t n, const unsigned char *b) {
      std::snprintf(s, n, "%d", NEMA_Convert_16(mode, b));
    });
  case DICOM_VR_OB:
    return Units(r, 1, 32, " ", [](char *s, size_t n, const unsigned char *b) { std::snprintf(s, n, "%02x", *b); });
  case DICOM_VR_OW:
    return Units(r, 2, 64, " ", [mode](char *s, size_t n, const unsigned char *b) {
      std::snprintf(s, n, "%04x", NEMA_Convert_16(mode, b));
    });
  case DICOM_VR_UN:
    return Unknown_Value(r, VR);
  default:
    return Units(r, 1, 16, " ", [](char *s, size_t n, const unsigned char *b) { std::snprintf(s, n, "%02x", *b); });
  }
}

// ---- lines ------------------------------------------------------------------------------

static void Dump_Line(Window_Handle owner, const DICOM_Sequence_Root *root, const DICOM_Attribute *r, int log_kind,
                      const std::string &character_set)
{
  std::string indent(4 * (size_t)root->Sequence_Depth, ' ');
  uint16_t VR = r->VR ? r->VR : (uint16_t)r->dictionary_VR;
  const char *tag_colour = (r->flags & DICOM_FLAG_REPAIRED) ? RED : BLUE;
  const char *VR_colour = (r->flags & DICOM_FLAG_VR_UNKNOWN) ? RED : r->VR ? BLUE : GREEN;
  std::string value = r->count > 0 ? "---- Sequence in ---------------" : Value_Text(r, character_set);
  if (value.empty()) value = "(no data)";
  Message_Log(owner, log_kind, "%s%s(%04x,%04x)" BLACK " %s %c%s%s" BOLD_OUT " (%s%c%c" BLACK ",%c%c,%-4d) %s",
              indent.c_str(), tag_colour, r->group, r->element, Origin_Label(r->flags), Prefix(r->flags),
              Type_Colour(r->type), Description(r).c_str(), VR_colour, Code_Char(VR, 0), Code_Char(VR, 1),
              Code_Char((uint16_t)r->type, 0), Code_Char((uint16_t)r->type, 1), (int)r->size, value.c_str());
}

// Dumps the records of `list`; text values are decoded by the list's own character set,
// else by `inherited` (the set of the list that holds it).
static void Dump_List(Window_Handle owner, DICOM_Sequence_Root *root, const DICOM_Attribute *list, int log_kind,
                      const std::string &inherited)
{
  const std::string character_set = DICOM_Character_Set_Of(list, inherited);
  for (const DICOM_Attribute *r = list; r; r = r->next) {
    Dump_Line(owner, root, r, log_kind, character_set);
    if (r->count <= 0) continue;
    int depth = root->Sequence_Depth;
    if (DICOM_Attribute_Sequence_Start(owner, root, r->group, r->element, r->flags, 0) == depth) continue;
    for (int32_t i = 0; i < r->count; i++) {
      DICOM_Attribute_Item_Start(owner, root, log_kind);
      Dump_List(owner, root, r->item[i], log_kind, character_set);
      DICOM_Attribute_Item_Stop(owner, root, log_kind);
    }
    DICOM_Attribute_Sequence_Stop(owner, root, log_kind);
  }
}

void DICOM_Attribute_Dump(Window_Handle owner, DICOM_Sequence_Root *root, DICOM_Attribute *list, int log_kind)
{
  if (root->Sequence_Depth == 0)
    for (const char *line : legend) Message_Log(owner, log_kind, "%s", line);
  Dump_List(owner, root, list, log_kind, "");
}
