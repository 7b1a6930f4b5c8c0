// Folder listings and folder operations: the listings of a folder's sub-directories and
// files that the directory walk stands on, the file count that sizes the scan's progress
// bar, directory tests and creation, and the reader of a Part 10 file's meta header that
// the push job uses.
//
// Symbolic links are followed: a link to a folder lists as a folder, a link to a file as
// a file, and the entry is marked as a link. Each listing entry carries the identity
// (device, inode) of what it names, so that a walk can notice a folder or file that it
// reaches a second time through links. The walk's listing reports every path it cannot
// handle (too long, unreadable, vanished) once and counts it; the plain listings and the
// counting pass before the walk stay silent about them. The counting pass can keep what
// it read in a listing store, from which the walk takes its listings, so that a scan
// reads each folder from the file system once.
#pragma once

#include <cstdint>

#include "util/progress.h"

// One entry of a listing. A listing is an array ended by an all-zero entry.
struct Dir_Entry {
  int32_t valid;        // 1 in every real entry, 0 in the end entry
  uint8_t attributes;   // DIR_ENTRY_HIDDEN for a name starting with ".", DIR_ENTRY_LINK for a link
  char *Name;           // the entry's name (any bytes but "/" and NUL)
  char *File;           // the listed folder, a "/" when the folder does not end in one, and the name
  uint32_t time[2];     // last-write time, seconds since 1970, low word first
  uint32_t size[2];     // size in bytes, low word first
  uint64_t device;      // device of the file or folder named (links followed)
  uint64_t inode;       // inode of the file or folder named (links followed)
};

enum { DIR_ENTRY_HIDDEN = 0x01, DIR_ENTRY_SYSTEM = 0x02, DIR_ENTRY_LINK = 0x04 };

// The longest path a listing accepts: a folder's with the pattern "folder/*.*", a
// file's alone (the system's PATH_MAX).
enum { DIRECTORY_PATH_MAX = 4096 };

// Lists the sub-directories of `folder`, "." and ".." included, in the order the file
// system returns them. Returns the listing (free it with Dir_Entry_Free), or nullptr
// when the folder has no sub-directory, cannot be read, its path is too long (after the
// traces "Path too long (%d char > Window's MAX_NAME=%d)" and "File:%s, Line:%d") or
// memory runs out (after the memory-error message). Entries that cannot be examined or
// whose path would be too long are left out; nothing but the traces is reported.
Dir_Entry *Directory_List(const char *folder);

// Lists the regular files of `folder` whose name matches `pattern` ("*.*" and "*" match
// every name; otherwise shell wildcards). FIFOs, sockets and devices are left out: they
// hold no collection, and opening a FIFO would wait forever. Returns and fails as
// Directory_List.
Dir_Entry *File_List(const char *folder, const char *pattern);

// The folder readings that a file count kept for the walk that follows it, one per folder
// path, each with the paths it could not handle. Not shared between threads.
struct Listing_Store;

// Makes an empty listing store. Returns it (free it with Listing_Store_Free), or nullptr
// when memory runs out (the count and the walk then read the folders themselves).
Listing_Store *Listing_Store_Create();

// Frees a listing store and every reading still in it. A null store is ignored.
void Listing_Store_Free(Listing_Store *store);

// Lists `folder` once for a walk: its sub-directories ("." and ".." left out) into
// *folders and its regular files into *files, in the order the file system returns
// them; each is nullptr when empty (free both with Dir_Entry_Free). Every path that
// cannot be handled is reported once, as MSG_WARNING "\xF1\x05WARNING:\x02 Unable to read
// \x01%s\x02 (%s)" with the path and the system's reason, and added to *lost (when
// `lost` is not null; with null nothing is reported):
// - the folder, when it cannot be opened or its reading breaks off, or its path is too
//   long for a listing;
// - an entry that vanished, cannot be examined, or is a link to nothing;
// - an entry whose path would be longer than a listing accepts.
// FIFOs, sockets and devices are left out without a word. A regular file that the folder
// names as such is not examined: its time and size stay 0 and its identity is the
// folder's device and the entry's inode. Returns 1 when the folder was
// read (a reading that broke off keeps what it read; a listing that memory cannot hold
// is null, after the memory-error message); returns 0 when it could not be opened, with
// both listings null.
// With `kept` not null and holding a reading of exactly this path, that reading is taken
// out of the store (and freed) instead of reading the folder again: its losses are
// reported and counted as above, in the order they were met, and the result is the same.
int Folder_List(const char *folder, Dir_Entry **folders, Dir_Entry **files, int *lost, Listing_Store *kept = nullptr);

// Frees a listing (each entry's texts, then the array). A null listing is ignored.
void Dir_Entry_Free(Dir_Entry *list);

// Counts the files below `folder`, every level, never entering a folder it is already
// inside. Looks at the progress's cancel flag every 100 sub-directories and every 64
// files and pauses 10 ms every 256 files when the progress is paced. Returns the count
// (1 for a path that is not a directory), or 0 when cancelled. Silent about what it
// cannot read. With `keep` not null, the reading of every folder it enters (its path
// as the walk will name it: the folder, "/", the names below) is kept there for
// Folder_List, losses included; a cancelled count keeps what it read.
int File_Count(const char *folder, Progress_Record *progress, Listing_Store *keep = nullptr);

// Returns true when `path` ("/" or "\" separated, with or without a trailing
// separator) names an existing directory (links followed).
bool Directory_Exists(const char *path);

// Creates the directory `path` and every missing parent (read, write and search for
// everyone, less the umask). Returns true when the directory exists afterwards; a
// component that cannot be created leaves the following ones missing.
bool Directory_Create(const char *path);

// Opens the sub-folder `name` of the folder open as `parent` without ever following a
// symbolic link, creating it first (read, write and search for everyone, less the
// umask) when `create` is set and it is missing. A link in its place fails with ELOOP;
// anything else that is not a folder with ENOTDIR. Returns the descriptor (the caller
// closes it), or -1 with errno set; reports nothing. Any thread.
int Directory_Open_Child(int parent, const char *name, bool create);

// Reads the transfer syntax (0002,0010) and the SOP class (0002,0002) from the meta
// header of the Part 10 file `file`, looking for their explicit little-endian element
// headers in the 512 bytes after the preamble. Returns 1 with both UIDs (at most 63
// characters, NUL-ended) in the 64-byte buffers; returns 0 after a warning when the
// file cannot be opened, has no "DICM" signature or lacks either element (the
// buffers are then undefined).
int Part10_Meta_Read(const char *file, char transfer_syntax[64], char sop_class[64]);
