// Icons: small pictures drawn by name from the icon folder ("icon_fixed.rgb",
// "but_left.tga", ...), decoded once per run into a cache of at most 255 entries with
// both channel orders ready, and blended over the widget colour when drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Tools_Device;

// One cache entry. A name whose loading failed keeps an entry without pixels and is not
// tried again.
struct Icon_Entry {
  std::string name;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;   // red, green, blue, alpha bytes, rows from the top
  std::vector<uint32_t> bgra;  // the same as 0xAARRGGBB words (blue, green, red, alpha bytes)
};

// The folder icons are read from when no folder is given: the one set by
// Icon_Folder_Set, else $HARROWDESK_HOME/Icons/, else the "Icons/" folder beside the
// executable or in ../share/harrowdesk/ above it. Ends with "/".
std::string Icon_Folder();
// Sets the icon folder (start-up passes the installation folder + "Icons/").
void Icon_Folder_Set(const std::string &folder);

// Draws the icon `name` (loaded on first use from `folder`, or Icon_Folder() when null)
// with its bottom-left corner at (x, y) in the device's window, blended over the device
// colour, when it overlaps the device's rectangle. Trace "in Icon_Draw_Image(%s,%s)".
void Icon_Draw_Image(Tools_Device &device, int x, int y, const char *folder, const char *name);

// Reads an icon: names holding ".tga" by Icon_Read_TGA, others by Icon_Read_RGB. A
// drawing context held by this thread is released for the read and taken again (clipped
// to the device's rectangle). Returns 1 with `entry` filled; returns 0 after the
// warnings (entry's pixels left empty).
int Icon_Read(Tools_Device &device, const std::string &folder, const std::string &name, Icon_Entry &entry);

// Reads a four-channel SGI image ("%s should be RGBA" otherwise).
int Icon_Read_RGB(const std::string &path, Icon_Entry &entry);
// Reads a 24-bit TGA ("%s should be RGB" otherwise); pure black becomes transparent.
int Icon_Read_TGA(const std::string &path, Icon_Entry &entry);

// The cache entry of `name`, or nullptr when it was never asked for.
const Icon_Entry *Icon_Cache_Find(const std::string &name);
// Empties the cache (tests; the program keeps it for the run).
void Icon_Cache_Clear();
