// The process-wide catalogue and the three report column templates that the catalogue
// fills its DICOM_Info texts from.
#include "app/catalogue.h"

item_catalogue Dir_List;
Catalogue_Template template_study, template_series, template_image;
