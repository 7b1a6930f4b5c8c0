// Releasing the library's own memory at the end of a run, so that leak checkers see
// only what callers forgot to free.
#include "dicom/DICOM_Library_Release.h"

#include "dicom/NEMA_Read_IOD.h"
#include "dicom/NEMA_Read_Value.h"
#include "dicom/NEMA_db.h"
#include "dicom/conv_time_fct.h"
#include "util/mutex_access.h"

void DICOM_Library_Release()
{
  Mutex_Access_Start();
  NEMA_Read_Value_Release();
  DICOM_Module_Release();  // before the dictionary: templates point at its entries
  NEMA_db_Cleanup();
  Ardent_Date_Default_Template("");
  Ardent_Time_Default_Template("");
  Mutex_Access_Stop();
}
