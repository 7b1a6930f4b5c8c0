// Builds the benchmarks' synthetic catalogue with the catalogue's own records, so that
// Catalogue_Free releases it.
#include "bench_catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"

void Bench_Catalogue_Make(item_catalogue &catalogue, int nb_image, int nb_study)
{
  item_dir *top = (item_dir *)calloc(1, sizeof(item_dir));
  top->name = strdup("/bench/");
  top->path = strdup("/bench/");
  top->nb_file = top->nb_dicom = nb_image;
  top->file = (item_file *)calloc((size_t)nb_image, sizeof(item_file));
  catalogue.path = strdup("/bench/");
  catalogue.nb_dir = 1;
  catalogue.dir = top;
  catalogue.nb_child = nb_study;
  catalogue.child = (item_study *)calloc((size_t)nb_study, sizeof(item_study));
  static const char *const description[4] = {"SCOUT", "AXIAL 5mm", "CORONAL MPR", "SAGITTAL MPR"};
  static const char *const family[] = {"SMITH", "Jones", "O'BRIEN", "Nguyen", "MULLER", "garcia", "Kim", "ROSSI"};
  int file = 0;
  for (int s = 0; s < nb_study; s++) {
    item_study &study = catalogue.child[s];
    char text[64];
    unsigned patient = (unsigned)(s * 7919) % (unsigned)(nb_study / 2 + 1);
    snprintf(text, sizeof text, "%u", s * 37 % 10007);
    study.Study_ID = strdup(text);
    snprintf(text, sizeof text, "P%06u", patient);
    study.Patient_ID = strdup(text);
    study.Patient_Name = (Ardent_Name *)calloc(1, sizeof(Ardent_Name));
    snprintf(text, sizeof text, "GIVEN%u", patient % 97);
    Make_Ardent_Name_From_Parts(study.Patient_Name, family[patient % 8], text, nullptr, nullptr, nullptr);
    study.Study_Date = (Ardent_Date *)calloc(1, sizeof(Ardent_Date));
    Ardent_Date_Set(study.Study_Date, 1990 + s % 30, 1 + s % 12, 1 + s % 28);
    strcpy(study.folder[0], "bench");
    int images = nb_image / nb_study + (s < nb_image % nb_study);
    study.nb_child = 4;
    study.child = (item_series *)calloc(4, sizeof(item_series));
    for (int k = 0; k < 4; k++) {
      item_series &series = study.child[k];
      series.series_number = k + 1;
      series.Series_desc = strdup(description[k]);
      series.nb_child = images / 4 + (k < images % 4);
      series.child = (item_file **)calloc((size_t)series.nb_child + 1, sizeof(item_file *));
      for (int i = 0; i < series.nb_child; i++, file++) {
        snprintf(text, sizeof text, "/bench/IM%07d", file);
        top->file[file] = {SELECT_NO, COPY_NONE, nullptr, strdup(text), nullptr, i + 1};
        series.child[i] = &top->file[file];
        strcpy(series.first_file, "IM0000000");
        strcpy(series.last_file, "IM9999999");
      }
      study.nb_image += series.nb_child;
    }
    study.nb_file = study.nb_image;
    strcpy(study.first_file, "IM0000000");
    strcpy(study.last_file, "IM9999999");
  }
}


double Bench_Seconds_Since(std::chrono::steady_clock::time_point start)
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
