// Reading the naming values of a file to be copied: one header read per file, of the
// naming attributes only, up to the last of them; the first value of each attribute,
// trimmed texts decoded from the file's character set and transliterated to ASCII (names
// become readable file names, "Äneas" gives "Aneas"), absolute numbers, and the time and
// counter fallbacks for missing series and image numbers.
#include "app/copy_values.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/DICOM_Media_Directory.h"
#include "dicom/DICOM_Text_Decode.h"
#include "dicom/DICOM_Text_Value.h"
#include "dicom/NEMA_Read_Value.h"

// The tags that naming reads, ascending: the header read makes records for these only
// and stops before the first top-level element past the last (Instance Number), so
// pixel data and the tail are never read.
static constexpr uint32_t NAMING_TAGS[] = {
    DICOMDIR_Scan_Tag(0x0008, 0x0031), DICOMDIR_Scan_Tag(0x0008, 0x0033), DICOMDIR_Scan_Tag(0x0008, 0x103E),
    DICOMDIR_Scan_Tag(0x0010, 0x0010), DICOMDIR_Scan_Tag(0x0010, 0x0020), DICOMDIR_Scan_Tag(0x0020, 0x0010),
    DICOMDIR_Scan_Tag(0x0020, 0x0011), DICOMDIR_Scan_Tag(0x0020, 0x0012), DICOMDIR_Scan_Tag(0x0020, 0x0013),
};

static std::atomic<uint32_t> series_counter{1};
static std::atomic<uint32_t> image_counter{1};

// The first value of a string attribute, trimmed; "" when absent or empty.
static std::string Value_Text(DICOM_Attribute *list, DICOM_Sequence_Root *root, uint16_t group, uint16_t element)
{
  DICOM_Attribute *attribute = DICOM_Attribute_Get(nullptr, root, list, group, element);
  if (!attribute) return "";
  DICOM_Attribute_To_UTF8(nullptr, attribute, list);
  char **values = NEMA_Value_Str(nullptr, attribute, 0);
  if (!values || attribute->vm == 0 || !values[0]) return "";
  return Copy_Trim(values[0]);
}

// The absolute value of the first value of an integer attribute; 0 when absent.
static int32_t Value_Number(DICOM_Attribute *list, DICOM_Sequence_Root *root, uint16_t group, uint16_t element)
{
  DICOM_Attribute *attribute = DICOM_Attribute_Get(nullptr, root, list, group, element);
  if (!attribute) return 0;
  int32_t *values = DICOM_Value_Int(nullptr, attribute, 0);
  if (!values || attribute->vm == 0) return 0;
  return values[0] == INT32_MIN ? INT32_MAX : std::abs(values[0]);
}

// Seconds since midnight of a time attribute; 0 when absent or not a valid time.
static int32_t Value_Seconds(DICOM_Attribute *list, DICOM_Sequence_Root *root, uint16_t group, uint16_t element)
{
  DICOM_Attribute *attribute = DICOM_Attribute_Get(nullptr, root, list, group, element);
  if (!attribute) return 0;
  Ardent_Time *time = DICOM_Value_Time(nullptr, attribute, 0);
  if (!time || attribute->vm == 0 || Ardent_Time_Resolve(time)) return 0;
  return Ardent_Time_Seconds(time);
}

static std::string Value_Name(DICOM_Attribute *list, DICOM_Sequence_Root *root)
{
  DICOM_Attribute *attribute = DICOM_Attribute_Get(nullptr, root, list, 0x0010, 0x0010);
  if (!attribute) return "";
  DICOM_Attribute_To_UTF8(nullptr, attribute, list);
  Ardent_Name *names = DICOM_Value_Name(nullptr, attribute, 0);
  if (!names || attribute->vm == 0) return "";
  const char *text = Ardent_Name_To_File(&names[0]);
  return text ? text : "";
}

// The naming values of the header `list`, with the fallbacks for missing numbers.
static Copy_Values Values_Of(DICOM_Attribute *list, DICOM_Sequence_Root *root)
{
  Copy_Values read;
  read.study_id = DICOM_Text_To_ASCII(Value_Text(list, root, 0x0020, 0x0010));
  read.patient_name = DICOM_Text_To_ASCII(Value_Name(list, root));
  read.patient_id = DICOM_Text_To_ASCII(Value_Text(list, root, 0x0010, 0x0020));
  read.series_number = Value_Number(list, root, 0x0020, 0x0011);
  read.series_desc = DICOM_Text_To_ASCII(Value_Text(list, root, 0x0008, 0x103E));
  read.acquisition_number = Value_Number(list, root, 0x0020, 0x0012);
  read.image_number = Value_Number(list, root, 0x0020, 0x0013);
  if (read.series_number == 0) read.series_number = Value_Seconds(list, root, 0x0008, 0x0031);
  if (read.image_number == 0) read.image_number = Value_Seconds(list, root, 0x0008, 0x0033);
  if (read.series_number == 0) read.series_number = (int32_t)(series_counter.fetch_add(1) % 1000000);
  if (read.image_number == 0) read.image_number = (int32_t)(image_counter.fetch_add(1) % 100000);
  return read;
}

// Whether naming leaves the header `list` as it was read: it decodes the texts it uses
// into UTF-8 in place, and only texts of ASCII need no decoding.
static bool Naming_Keeps(DICOM_Attribute *list, DICOM_Sequence_Root *root)
{
  static const uint16_t TEXTS[][2] = {{0x0008, 0x103E}, {0x0010, 0x0010}, {0x0010, 0x0020}, {0x0020, 0x0010}};
  for (const auto &tag : TEXTS) {
    const DICOM_Attribute *text = DICOM_Attribute_Get(nullptr, root, list, tag[0], tag[1]);
    if (text && text->data && DICOM_Text_Needs_Decoding(text->data, text->size)) return false;
  }
  return true;
}

// The naming tags and `tags` (ascending), in one ascending list.
static std::vector<uint32_t> With_Naming(std::vector<uint32_t> tags)
{
  tags.insert(tags.end(), std::begin(NAMING_TAGS), std::end(NAMING_TAGS));
  std::sort(tags.begin(), tags.end());
  tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
  return tags;
}

static DICOM_Attribute *List_Read(const char *path, const Copy_Open_Source *open, const std::vector<uint32_t> &tags,
                                  DICOM_Sequence_Root *root)
{
  return open ? DICOMDIR_Scan_Read_Open_Tags(open->fd, path, open->size, root, tags.data(), (int)tags.size())
              : DICOMDIR_Scan_Read_Tags(path, root, tags.data(), (int)tags.size());
}

// Reads the header of `path` and fills `values`. With `header`, the header holds what
// the DICOMDIR needs too, and goes there when naming has left it as read, else null.
static int Values_Read(const char *path, const Copy_Open_Source *open, Copy_Values *values, DICOM_Attribute **header)
{
  static const std::vector<uint32_t> naming = With_Naming({});
  // Most files get IMAGE records, whose keys all come before Instance Number: the
  // header is read that far, and again, further, for a file of another kind.
  static const std::vector<uint32_t> image = With_Naming(DICOM_Media_Directory_Tags(""));
  DICOM_Sequence_Root root = {};
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  DICOM_Attribute *list = List_Read(path, open, header ? image : naming, &root);
  if (!list) return 0;
  if (header) {
    std::string sop_class = Value_Text(list, &root, 0x0008, 0x0016);
    const std::vector<uint32_t> &needed = DICOM_Media_Directory_Tags(sop_class.c_str());
    if (!std::includes(image.begin(), image.end(), needed.begin(), needed.end())) {
      DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
      list = List_Read(path, open, With_Naming(needed), &root);
      if (!list) return 0;
    }
  }
  bool kept = header && Naming_Keeps(list, &root);
  *values = Values_Of(list, &root);
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  if (kept)
    *header = list;
  else
    DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
  return 1;
}

int Copy_Values_Read(const char *path, Copy_Values *values, const Copy_Open_Source *open)
{
  return Values_Read(path, open, values, nullptr);
}

int Copy_Values_Read_For_Directory(const char *path, Copy_Values *values, DICOM_Attribute **header,
                                   const Copy_Open_Source *open)
{
  *header = nullptr;
  return Values_Read(path, open, values, header);
}
