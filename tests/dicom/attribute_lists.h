// Attribute lists for the list and header-reader tests: flat lists laid out as an
// implicit little-endian stream would place them (every header 8 bytes, values after it,
// sequences and items holding their content as the records that follow; each record
// knows its dictionary entry), their shapes, a deep comparison, and lists read from files.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <cstring>
#include <string>
#include <vector>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/NEMA_Tag_Attribute.h"
#include "dicom/NEMA_db.h"

struct Flat_List {
  DICOM_Sequence_Root root{};
  DICOM_Attribute *list = nullptr;
  int64_t position = 0;

  ~Flat_List()
  {
    DICOM_Sequence_Root top{};
    DICOM_Attribute_Delete(nullptr, &top, &list, 0xFFFF, 0xFFFF);
  }

  // Appends a record at the current position; `size` -2 takes the value's length.
  // Values of containers (SQ, items, undefined lengths) are not stepped over.
  DICOM_Attribute *Add(uint16_t group, uint16_t element, uint16_t VR, const std::string &value = "", int32_t size = -2)
  {
    DICOM_Attribute r{};
    r.flags = DICOM_ORIGIN_DICOM;
    r.group = group;
    r.element = element;
    r.VR = VR;
    r.size = size == -2 ? (int32_t)value.size() : size;
    r.element_position = position;
    r.value_position = position + 8;
    r.data = value.empty() ? nullptr : (unsigned char *)value.data();
    r.dictionary = NEMA_db_Lookup(group, element);
    bool container = VR == DICOM_VR_SQ || group == 0xFFFE || r.size == -1;
    position = r.value_position + (container ? 0 : r.size);
    return DICOM_Attribute_Insert(nullptr, &root, &list, &r);
  }
  DICOM_Attribute *Item(int32_t size = -1) { return Add(0xFFFE, 0xE000, 0, "", size); }
  DICOM_Attribute *Item_End() { return Add(0xFFFE, 0xE00D, 0, "", 0); }
  DICOM_Attribute *Sequence_End() { return Add(0xFFFE, 0xE0DD, 0, "", 0); }
};

// The tags of a list, "gggg,eeee" each, with each sequence's items as "[...]".
inline std::string Shape(const DICOM_Attribute *list)
{
  std::string text;
  char tag[16];
  for (const DICOM_Attribute *r = list; r; r = r->next) {
    std::snprintf(tag, sizeof tag, "%s%04x,%04x", text.empty() ? "" : " ", r->group, r->element);
    text += tag;
    for (int32_t i = 0; i < r->count; i++) text += "[" + Shape(r->item[i]) + "]";
  }
  return text;
}

// Whether two lists hold the same records (every field, value bytes, descriptions and
// items, recursively); `why` receives the first difference.
inline bool Same_List(const DICOM_Attribute *a, const DICOM_Attribute *b, std::string *why)
{
  for (; a && b; a = a->next, b = b->next) {
    char tag[32];
    std::snprintf(tag, sizeof tag, "(%04x,%04x) ", a->group, a->element);
    auto differ = [&](const char *field) {
      *why = tag + std::string(field);
      return false;
    };
    if (a->group != b->group || a->element != b->element) return differ("tag");
    if (a->mode != b->mode || a->level != b->level || a->flags != b->flags) return differ("mode, level or flags");
    if (a->VR != b->VR || a->dictionary_VR != b->dictionary_VR || a->type != b->type) return differ("VR or type");
    if (a->vm != b->vm || a->size != b->size || a->dictionary != b->dictionary) return differ("vm, size or entry");
    if (a->element_position != b->element_position || a->value_position != b->value_position)
      return differ("positions");
    if (!a->data != !b->data || (a->data && a->size > 0 && std::memcmp(a->data, b->data, (size_t)a->size)))
      return differ("value");
    if (!a->description != !b->description || (a->description && std::strcmp(a->description, b->description)))
      return differ("description");
    if (a->count != b->count) return differ("item count");
    for (int32_t i = 0; i < a->count; i++)
      if (!Same_List(a->item[i], b->item[i], why)) return false;
  }
  if (a || b) *why = "list lengths";
  return !a && !b;
}

// Owns a list read from a file.
struct Read_List {
  DICOM_Sequence_Root root{};
  DICOM_Attribute *list = nullptr;
  Read_List() = default;
  explicit Read_List(const std::string &path) : list(DICOMDIR_Scan_Read(path.c_str(), &root)) {}
  ~Read_List() { DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF); }
  const DICOM_Attribute *Get(uint16_t group, uint16_t element) const
  {
    DICOM_Sequence_Root top{};
    return DICOM_Attribute_Get(nullptr, &top, list, group, element);
  }
  std::string Text(uint16_t group, uint16_t element) const
  {
    const DICOM_Attribute *r = Get(group, element);
    return r && r->data ? std::string((const char *)r->data, (size_t)r->size) : "";
  }
};

// Reads `path` element by element with a file source of `block` bytes (0: one read
// per request), from byte 132 after "DICM" or else from byte 0, and returns the list;
// `bytes_read` receives what was read from the file.
inline DICOM_Attribute *Read_Through(const std::string &path, int64_t block, int64_t *bytes_read)
{
  int fd = open(path.c_str(), O_RDONLY);
  NEMA_Source source;
  if (fd < 0 || !NEMA_Source_File(&source, fd, path.c_str(), block)) return nullptr;
  DICOM_Sequence_Root root{};
  char magic[4] = "";
  bool part10 = pread(fd, magic, 4, 128) == 4 && !std::memcmp(magic, "DICM", 4);
  NEMA_Source_Seek(nullptr, &source, part10 ? 132 : 0);
  DICOM_Attribute *list = DICOMDIR_Scan_Source(&source, &root);
  *bytes_read = source.file_bytes_read;
  NEMA_Source_Close(&source);
  return list;
}

