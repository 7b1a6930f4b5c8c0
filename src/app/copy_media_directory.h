// The DICOMDIR of a DICOMDIR-compatible copy: once the files are copied, the media
// directory of the target folder is written, or merged with the one already there, so
// that a CD, DVD or USB stick made from the folder opens in viewers that read media by
// their DICOMDIR.
#pragma once

#include <string>
#include <vector>

// Writes the DICOMDIR of `copies` (the paths of the copies made, each inside
// `target_folder`, which ends with "/") into `target_folder`, merged with a DICOMDIR
// already there. Every value the directory had to generate, and every copy it had to
// leave out, goes to the message pane (MSG_THREAD) and the audit trail; so does the
// outcome ("DICOMDIR written: PATH"). Returns 1 when the DICOMDIR holds the copies (also
// when nothing was new); returns 0 when it could not be written (an existing DICOMDIR
// that cannot be read is left untouched), after a warning.
int Copy_Media_Directory_Write(const std::string &target_folder, const std::vector<std::string> &copies);
