// The folders a command is told to use (the folder it scans, copy --to, scan --report,
// push --fail-dir), checked before any work starts, with one terminal line naming the
// folder and the system's reason when it cannot be used.
#pragma once

// What a command needs of a folder (or'ed together).
enum {
  CLI_FOLDER_READ = 1,    // list and enter it
  CLI_FOLDER_WRITE = 2,   // make files in it
  CLI_FOLDER_CREATE = 4,  // make it (and its missing parents) first
};

// Checks that `path` is a folder that this process can use as `use` says. Returns 1 when
// it is; returns 0 after printing "harrowdesk-cli COMMAND: cannot use the ROLE folder
// PATH: REASON" on standard error (REASON is the system's text, e.g. "No such file or
// directory").
int Cli_Folder_Usable(const char *command, const char *role, const char *path, int use);
