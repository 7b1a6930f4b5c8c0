// The opaque handle of a window. Layers below the window system (util, dicom, the
// program's core) pass windows around as owners of messages without knowing them.
#pragma once

struct Window_Record;
typedef Window_Record *Window_Handle;
