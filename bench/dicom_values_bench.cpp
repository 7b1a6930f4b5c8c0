// Benchmark of the dictionary and the value decoders: the dictionary's build on first
// lookup, lookups of every tag it holds, and the decoding of every top-level number,
// name, date, time and string value of a folder of DICOM files (read once, untimed).
// bench/dicom_values.sh runs it beside the same work done by pydicom.
//
// usage: bench_dicom_values FOLDER REPETITIONS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/NEMA_Read_Value.h"
#include "dicom/NEMA_db.h"
#include "dicom/NEMA_db_Tables.h"

static double Milliseconds_Since(std::chrono::steady_clock::time_point start)
{
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The tags of every dictionary line.
static std::vector<std::pair<uint16_t, uint16_t>> Dictionary_Tags()
{
  std::vector<std::pair<uint16_t, uint16_t>> tags;
  for (int t = 0; t < NEMA_db_Table_Count; t++)
    for (int i = 0; i < NEMA_db_Tables[t].count; i++) {
      std::string line = NEMA_db_Tables[t].lines[i];
      for (char &c : line)
        if (c == 'x') c = '0';
      tags.emplace_back((uint16_t)std::strtoul(line.substr(1, 4).c_str(), nullptr, 16),
                        (uint16_t)std::strtoul(line.substr(6, 4).c_str(), nullptr, 16));
    }
  return tags;
}

// Decodes one attribute by its VR; returns 1 when a decoder took it.
static int Decode(DICOM_Attribute *tag)
{
  uint16_t vr = tag->VR ? tag->VR : (uint16_t)tag->dictionary_VR;
  switch (vr) {
  case DICOM_VR_DA: return DICOM_Value_Date(nullptr, tag, 0) != nullptr;
  case DICOM_VR_TM: return DICOM_Value_Time(nullptr, tag, 0) != nullptr;
  case DICOM_VR_FL: case DICOM_VR_FD: case DICOM_VR_DS: return DICOM_Value_Float(nullptr, tag, 0) != nullptr;
  case DICOM_VR_US: case DICOM_VR_SS: case DICOM_VR_UL: case DICOM_VR_SL: case DICOM_VR_IS:
    return DICOM_Value_Int(nullptr, tag, 0) != nullptr;
  case DICOM_VR_PN: return DICOM_Value_Name(nullptr, tag, 0) != nullptr;
  case DICOM_VR_AE: case DICOM_VR_CS: case DICOM_VR_LO: case DICOM_VR_SH: case DICOM_VR_UI: case DICOM_VR_LT:
  case DICOM_VR_ST: case DICOM_VR_UT: case DICOM_VR_AS:
    return NEMA_Value_Str(nullptr, tag, 0) != nullptr;
  default: return 0;
  }
}

int main(int argc, char **argv)
{
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_dicom_values FOLDER REPETITIONS\n");
    return 2;
  }
  int repetitions = std::atoi(argv[2]);
  auto start = std::chrono::steady_clock::now();
  NEMA_db_Lookup(0x0010, 0x0010);
  std::printf("dictionary build: %.2f ms\n", Milliseconds_Since(start));

  std::vector<std::pair<uint16_t, uint16_t>> tags = Dictionary_Tags();
  long found = 0;
  start = std::chrono::steady_clock::now();
  for (int r = 0; r < repetitions; r++)
    for (auto [group, element] : tags) found += NEMA_db_Lookup(group, element) != nullptr;
  std::printf("lookups: %ld found of %ld in %.2f ms\n", found, (long)tags.size() * repetitions,
              Milliseconds_Since(start));

  std::vector<DICOM_Attribute *> lists;
  DIR *folder = opendir(argv[1]);
  for (dirent *entry; folder && (entry = readdir(folder));) {
    std::string name = entry->d_name;
    if (name.size() < 4 || name.substr(name.size() - 4) != ".dcm") continue;
    DICOM_Sequence_Root root = {};
    lists.push_back(DICOMDIR_Scan_Read((std::string(argv[1]) + "/" + name).c_str(), &root));
  }
  if (folder) closedir(folder);
  long decoded = 0;
  start = std::chrono::steady_clock::now();
  for (int r = 0; r < repetitions; r++)
    for (DICOM_Attribute *list : lists)
      for (DICOM_Attribute *tag = list; tag; tag = tag->next) decoded += Decode(tag);
  std::printf("decoding: %ld values of %zu files in %.2f ms\n", decoded, lists.size(), Milliseconds_Since(start));
  DICOM_Sequence_Root root = {};
  for (DICOM_Attribute *list : lists) DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
  return 0;
}
