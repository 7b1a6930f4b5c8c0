// The SOP class UID -> modality name table: which module file ("DICOM_Module_<modality>.txt"
// in the module folder) describes the data sets of each storage SOP class. The table itself is
// generated into DICOM_Module_Table.cpp by scripts/generate_module_tables.py from the same
// sources as the module files, so the two always agree.
#pragma once

// One storage SOP class and the modality name of its module file (static texts).
struct DICOM_Module_SOP {
  const char *sop_class_uid;
  const char *modality;
};

// DICOM_Module_SOP_Count entries, sorted by UID in strcmp order, each UID once; several
// SOP classes may share a modality. Constant data: safe to read from any thread.
extern const DICOM_Module_SOP DICOM_Module_SOP_Table[];
extern const int DICOM_Module_SOP_Count;
