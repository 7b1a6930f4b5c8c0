// The program's settings: the process-wide values under their key names, read from the
// settings store at start-up and written back when the settings window saves.
// Workers read them without locking; only the main thread changes them.
#pragma once

#include <string>

extern unsigned char flag_sub_dir;        // copy folders: ones digit = study level, tens digit = series level
extern unsigned char flag_standard_name;  // copy renames files
extern unsigned char flag_overwrite;      // kept and edited only
extern unsigned char flag_dicomdir;       // copy uses DICOMDIR-compatible names
extern unsigned char delete_copy;         // copy moves instead of copying
extern unsigned char flag_part_10;        // scan accepts only files with "DICM" at byte 128
extern unsigned char flag_print;          // bit field: report study layout and date order
extern unsigned char flag_fail;           // push keeps failed files in dir_fail
extern unsigned char delete_push;         // push deletes stored files

// Text settings, each at most 255 characters.
extern std::string dir_copy;    // copy destination folder ("" = none chosen)
extern std::string dir_fail;    // folder for failed pushes
extern std::string local_AET;   // calling AE title
extern std::string server_AET;  // called AE title
extern std::string server_peer; // server host
extern std::string server_port; // server port, as text

// Integer settings: how long the C-STORE client waits for a silent or slow server, in
// seconds from 0 (no limit) to TIMEOUT_MAX; a stored value outside that range is not
// taken.
enum { TIMEOUT_MAX = 3600 };
extern int timeout_connect;  // the TCP connection
extern int timeout_acse;     // each association message
extern int timeout_dimse;    // the C-STORE: no byte moving, or no response

// The audit flag, folder and file name live in log_state (util/message_log.h).

// Restores every setting to its default: the audit folder is the user's state folder
// (Log_State_Dir, util/message_log.h), the fail folder the temp folder (which stands in
// for "C:\Temp\").
void Configuration_Defaults();
// Reads every key of the "Harrowdesk" section; a missing key keeps its current value.
// Returns 1.
int Configuration_Read();
// Writes every key of the "Harrowdesk" section; a key that cannot be written is traced
// and the next is written all the same. Returns 1.
int Configuration_Write();

struct Configuration_Key;  // app/configuration_keys.h
// Writes the one key `key` from its setting, as Configuration_Write writes it. Returns 1
// when the value is on disk; returns 0 after the store traced the failure (the key's
// old file, or none, stays in place).
int Configuration_Write_Key(const Configuration_Key &key);
