// String values rewritten into UTF-8 by the data set's character set, one record at a
// time as a reader asks for it; the character set is looked up only for a value that is
// not plain ASCII.
#include "dicom/DICOM_Text_Value.h"

#include <cstdlib>
#include <cstring>

#include "dicom/DICOM_Text_Decode.h"
#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Memory_Error.h"

namespace {
// The string VRs a person reads. UIDs are left out: they are keys, compared byte for byte.
const uint16_t STRING_VRS[] = {DICOM_VR_AE, DICOM_VR_AS, DICOM_VR_CS, DICOM_VR_DA, DICOM_VR_DS, DICOM_VR_DT,
                               DICOM_VR_IS, DICOM_VR_LO, DICOM_VR_LT, DICOM_VR_PN, DICOM_VR_SH, DICOM_VR_ST,
                               DICOM_VR_TM, DICOM_VR_UC, DICOM_VR_UR, DICOM_VR_UT};
const unsigned char ESCAPE = 0x1B;

bool String_VR(uint16_t vr)
{
  for (uint16_t known : STRING_VRS)
    if (vr == known) return true;
  return false;
}

}  // namespace

bool DICOM_Text_Needs_Decoding(const unsigned char *bytes, int32_t size)
{
  for (int32_t i = 0; i < size; i++)
    if (bytes[i] >= 0x80 || bytes[i] == ESCAPE) return true;
  return false;
}

std::string DICOM_Character_Set_Of(const DICOM_Attribute *list, const std::string &inherited)
{
  for (const DICOM_Attribute *r = list; r; r = r->next)
    if (r->group == 0x0008 && r->element == 0x0005)
      return r->data && r->size > 0 ? std::string((const char *)r->data, (size_t)r->size) : std::string();
  return inherited;
}

int DICOM_Attribute_To_UTF8(Window_Handle owner, DICOM_Attribute *attribute, const DICOM_Attribute *data_set)
{
  if (!attribute || (attribute->flags & DICOM_FLAG_UTF8) || !attribute->data || attribute->size <= 0) return 1;
  uint16_t vr = attribute->VR ? attribute->VR : (uint16_t)attribute->dictionary_VR;
  if (!String_VR(vr)) return 1;
  attribute->flags |= DICOM_FLAG_UTF8;
  if (!DICOM_Text_Needs_Decoding(attribute->data, attribute->size)) return 1;
  const std::string character_set = DICOM_Character_Set_Of(data_set, "");
  std::string utf8;
  int clean = DICOM_Text_Decode((const char *)attribute->data, (size_t)attribute->size, character_set.c_str(), vr,
                                &utf8);
  unsigned char *copy = (unsigned char *)std::malloc(utf8.size() + 1);
  if (!copy) {
    NEMA_Memory_Error(__LINE__, "DICOM_Text_Value", "malloc", "attribute->data", 1, (long)utf8.size() + 1);
    attribute->flags &= (uint16_t)~DICOM_FLAG_UTF8;
    return 0;
  }
  std::memcpy(copy, utf8.data(), utf8.size() + 1);
  DICOM_Attribute_Value_Release(attribute);
  attribute->data = copy;
  attribute->size = (int32_t)utf8.size();
  if (!clean)
    NEMA_Notice(owner, "\x02    (%04x,%04x) holds bytes outside its character set \"%s\": shown as U+FFFD",
                attribute->group, attribute->element, character_set.c_str());
  return clean;
}
