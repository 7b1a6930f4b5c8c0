// The process-wide critical region "Protected Region" that guards the shared tables of
// the DICOM library (rotating text pools, private dictionaries). Until it is created,
// Start and Stop do nothing. The region is recursive: a holder may enter it again.
#pragma once

// Creates the region once. Safe to call again.
void Mutex_Access_Create();
// Enters the region, waiting at most 10 s; after a time-out it logs the deadlock
// (MSG_ERRLOG and MSG_WARNING) and carries on without the region.
void Mutex_Access_Start();
// Leaves the region (only when the matching Start entered it).
void Mutex_Access_Stop();
// Retires the region; later Start and Stop calls do nothing.
void Mutex_Access_Close();
