// A small hand-built catalogue for the sort, view and report tests: studies with their
// patient name, patient ID, study ID, date and series, whose images are file entries of
// one scanned folder. Everything is owned by the fixture and freed with it.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/catalogue.h"
#include "app/list_sort.h"
#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"

struct Study_Spec {
  const char *label;       // kept as the Study_UID, to name the study in expectations
  const char *study_id;    // nullptr = missing
  const char *patient_id;  // nullptr = missing
  const char *name;        // DICOM form "Doe^John", nullptr = missing
  const char *date;        // "yyyymmdd", nullptr = missing
  std::vector<int> series; // images per series
};

class Catalogue_Fixture {
public:
  item_catalogue catalogue{};

  // A scanned folder "/scan/" whose files are the studies' images, in study order.
  explicit Catalogue_Fixture(const std::vector<Study_Spec> &studies, const char *folder = "/scan/")
  {
    int nb_file = 0;
    for (const Study_Spec &s : studies)
      for (int n : s.series) nb_file += n;
    item_dir *top = Dir_New(folder, folder, 0, nb_file);
    catalogue.path = strdup(folder);
    catalogue.nb_dir = 1;
    catalogue.dir = top;
    catalogue.nb_child = (int32_t)studies.size();
    catalogue.child = (item_study *)std::calloc(studies.size() + 1, sizeof(item_study));
    int file = 0;
    for (size_t i = 0; i < studies.size(); i++) {
      const Study_Spec &spec = studies[i];
      item_study &study = catalogue.child[i];
      study.Study_UID = strdup(spec.label);
      study.Study_ID = spec.study_id ? strdup(spec.study_id) : nullptr;
      study.Patient_ID = spec.patient_id ? strdup(spec.patient_id) : nullptr;
      if (spec.name) {
        study.Patient_Name = (Ardent_Name *)std::calloc(1, sizeof(Ardent_Name));
        Make_Ardent_Name_From_Str(study.Patient_Name, spec.name, 1);
      }
      if (spec.date) {
        study.Study_Date = (Ardent_Date *)std::calloc(1, sizeof(Ardent_Date));
        Make_Ardent_Date_From_Str(study.Study_Date, spec.date, "yyyymmdd");
        Check_Ardent_Date(study.Study_Date, 0);
      }
      study.nb_child = (int32_t)spec.series.size();
      study.child = (item_series *)std::calloc(spec.series.size() + 1, sizeof(item_series));
      for (size_t s = 0; s < spec.series.size(); s++) {
        item_series &series = study.child[s];
        series.series_number = (int32_t)s + 1;
        series.nb_child = spec.series[s];
        series.child = (item_file **)std::calloc((size_t)spec.series[s] + 1, sizeof(item_file *));
        for (int k = 0; k < spec.series[s]; k++, file++) {
          item_file *entry = &top->file[file];
          std::free(entry->path);
          entry->path = strdup((std::string(folder) + spec.label + "_" + std::to_string(s + 1) + "_" +
                                std::to_string(k + 1) + ".dcm").c_str());
          entry->image_number = k + 1;
          series.child[k] = entry;
        }
        study.nb_image += series.nb_child;
        study.nb_file += series.nb_child;
      }
    }
  }

  ~Catalogue_Fixture()
  {
    for (int i = 0; i < catalogue.nb_child; i++) {
      item_study &study = catalogue.child[i];
      std::free(study.Study_UID);
      std::free(study.Study_ID);
      std::free(study.Patient_ID);
      Free_Ardent_Name(study.Patient_Name);
      std::free(study.Patient_Name);
      Free_Ardent_Date(study.Study_Date);
      std::free(study.Study_Date);
      Info_Free(study.DICOM_Info);
      for (int s = 0; s < study.nb_child; s++) {
        Info_Free(study.child[s].DICOM_Info);
        std::free(study.child[s].Series_desc);
        std::free(study.child[s].child);
      }
      std::free(study.child);
    }
    std::free(catalogue.child);
    Dir_Free(catalogue.dir);
    std::free(catalogue.dir);
    std::free(catalogue.path);
  }

  Catalogue_Fixture(const Catalogue_Fixture &) = delete;
  Catalogue_Fixture &operator=(const Catalogue_Fixture &) = delete;

  // A directory record (one, calloc'ed) with `nb_dir` empty sub-records and `nb_file` file
  // entries named path + "f<n>".
  static item_dir *Dir_New(const char *name, const char *path, int nb_dir, int nb_file)
  {
    item_dir *dir = (item_dir *)std::calloc(1, sizeof(item_dir));
    Dir_Fill(dir, name, path, nb_dir, nb_file);
    return dir;
  }
  static void Dir_Fill(item_dir *dir, const char *name, const char *path, int nb_dir, int nb_file)
  {
    dir->name = strdup(name);
    dir->path = strdup(path);
    dir->nb_dicom = nb_file;
    dir->nb_dir = nb_dir;
    dir->dir = (item_dir *)std::calloc((size_t)nb_dir + 1, sizeof(item_dir));
    dir->nb_file = nb_file;
    dir->file = (item_file *)std::calloc((size_t)nb_file + 1, sizeof(item_file));
    for (int i = 0; i < nb_file; i++) {
      dir->file[i].select_state = SELECT_NO;
      dir->file[i].copy_state = COPY_NONE;
      dir->file[i].path = strdup((std::string(path) + "f" + std::to_string(i + 1)).c_str());
    }
  }

  // The study whose label is `label`.
  item_study *Study(const char *label)
  {
    for (int i = 0; i < catalogue.nb_child; i++)
      if (!std::strcmp(catalogue.child[i].Study_UID, label)) return &catalogue.child[i];
    return nullptr;
  }

  // A new tree of `order` over the catalogue (the caller frees it with List_Tree_Free).
  List_Tree *Tree_Of(int order)
  {
    if (order == SORT_FILE) return List_Tree_File(&catalogue);
    std::vector<List_Sort_Entry> entries;
    for (int i = 0; i < catalogue.nb_child; i++) entries.push_back({&catalogue.child[i], i});
    return List_Tree_Build(order, entries.data(), &catalogue);
  }

  // Gives a record CATALOGUE_INFO_MAX DICOM_Info texts, from `texts` (nullptr entries
  // stay absent).
  static char **Info_New(const std::vector<const char *> &texts)
  {
    char **info = Catalogue_Info_New(CATALOGUE_INFO_MAX, "fixture->DICOM_Info");
    for (size_t i = 0; i < texts.size(); i++) info[i] = texts[i] ? strdup(texts[i]) : nullptr;
    return info;
  }

private:
  static void Info_Free(char **info) { Catalogue_Info_Free(&info); }
  static void Dir_Free(item_dir *dir)
  {
    if (!dir) return;
    for (int i = 0; i < dir->nb_dir; i++) Dir_Free(&dir->dir[i]);
    std::free(dir->dir);
    for (int i = 0; i < dir->nb_file; i++) {
      Info_Free(dir->file[i].DICOM_Info);
      std::free(dir->file[i].path);
    }
    std::free(dir->file);
    std::free(dir->name);
    std::free(dir->path);
  }
};
