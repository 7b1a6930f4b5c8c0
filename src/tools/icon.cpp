// The icon cache and icon drawing. Each name is read once per run; the entry keeps the
// RGBA bytes and the 0xAARRGGBB words that the blit takes, so drawing needs nothing
// beyond the blend. The cache is guarded by a mutex of its own, because workers draw too.
#include "tools/icon.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sys/stat.h>

#include "platform/os/os_paths.h"
#include "tools/raster_read.h"
#include "tools/tools_device.h"
#include "tools/y_surface.h"
#include "util/error_text.h"
#include "util/message_log.h"

enum { ICON_CACHE_SIZE = 255 };

static std::mutex cache_lock;
static std::vector<std::unique_ptr<Icon_Entry>> cache;
static std::string icon_folder;

static bool Folder_Exists(const std::string &folder)
{
  struct stat info;
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Icon_Folder()
{
  std::lock_guard<std::mutex> guard(cache_lock);
  if (!icon_folder.empty()) return icon_folder;
  const char *home = getenv("HARROWDESK_HOME");
  if (home && *home) {
    std::string folder = home;
    if (folder.back() != '/') folder += '/';
    return folder + "Icons/";
  }
  std::string exe = Os_Exe_Path();
  std::string exe_dir = exe.substr(0, exe.find_last_of('/') + 1);
  if (Folder_Exists(exe_dir + "../share/harrowdesk/Icons/")) return exe_dir + "../share/harrowdesk/Icons/";
  return exe_dir + "Icons/";
}

void Icon_Folder_Set(const std::string &folder)
{
  std::lock_guard<std::mutex> guard(cache_lock);
  icon_folder = folder;
  if (!icon_folder.empty() && icon_folder.back() != '/') icon_folder += '/';
}

// Reports a file that cannot be read: the where-trace and two warnings.
static void Report_Unreadable(const char *reader, int line, const std::string &path)
{
  int code = errno;
  Message_Log(nullptr, MSG_TRACE, "%s() File:%s Line:%d ", reader, "icon", line);
  Message_Log(nullptr, MSG_WARNING, "Unable to open icon file: %s", path.c_str());
  Message_Log(nullptr, MSG_WARNING, "%s", Error_Text(code));
}

// Fills the entry's two pixel buffers from RGBA bytes.
static void Entry_Fill(Icon_Entry &entry, Raster_Image &image)
{
  entry.width = image.width;
  entry.height = image.height;
  entry.rgba.swap(image.rgba);
  entry.bgra.resize((size_t)entry.width * entry.height);
  for (size_t i = 0; i < entry.bgra.size(); i++) {
    const uint8_t *p = entry.rgba.data() + i * 4;
    entry.bgra[i] = (uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
  }
}

int Icon_Read_RGB(const std::string &path, Icon_Entry &entry)
{
  Message_Log(nullptr, MSG_TRACE + 4, "Icon_Read_RGB(%s)", path.c_str());
  std::vector<uint8_t> bytes;
  if (!Raster_Load_File(path, bytes)) {
    Report_Unreadable("Icon_Read_RGB", __LINE__, path);
    return 0;
  }
  Raster_Image image;
  int channels = 0;
  std::string why;
  if (!Raster_Decode_SGI(bytes, image, channels, why) || channels != 4) {
    Message_Log(nullptr, MSG_WARNING, "%s should be RGBA", path.c_str());
    return 0;
  }
  Entry_Fill(entry, image);
  return 1;
}

int Icon_Read_TGA(const std::string &path, Icon_Entry &entry)
{
  std::vector<uint8_t> bytes;
  if (!Raster_Load_File(path, bytes)) {
    Report_Unreadable("Icon_Read_TGA", __LINE__, path);
    return 0;
  }
  Raster_Image image;
  int depth = 0;
  std::string why;
  if (!Raster_Decode_TGA(bytes, image, depth, why) || depth != 24) {
    Message_Log(nullptr, MSG_WARNING, "%s should be RGB", path.c_str());
    return 0;
  }
  Entry_Fill(entry, image);
  return 1;
}

int Icon_Read(Tools_Device &device, const std::string &folder, const std::string &name, Icon_Entry &entry)
{
  Y_Context *held = Y_Current();
  Window_Handle window = held ? held->window : nullptr;
  if (held) Y_release();
  std::string path = folder + name;
  int ok = name.find(".tga") != std::string::npos ? Icon_Read_TGA(path, entry) : Icon_Read_RGB(path, entry);
  if (held && Y_setup(window, nullptr, "Icon_Read")) {
    Y_Context *again = Y_Current();
    Y_Clip_Set(*again, device.x, device.y, device.width, device.height);
  }
  return ok;
}

// Finds or makes the entry of `name`; nullptr when the cache is full.
static Icon_Entry *Cache_Entry(Tools_Device &device, const std::string &folder, const std::string &name)
{
  {
    std::lock_guard<std::mutex> guard(cache_lock);
    for (auto &entry : cache)
      if (entry->name == name) return entry.get();
    if (cache.size() >= ICON_CACHE_SIZE) return nullptr;
  }
  auto entry = std::make_unique<Icon_Entry>();
  entry->name = name;
  Icon_Read(device, folder, name, *entry);
  std::lock_guard<std::mutex> guard(cache_lock);
  for (auto &other : cache)
    if (other->name == name) return other.get();  // another thread read it meanwhile
  cache.push_back(std::move(entry));
  return cache.back().get();
}

void Icon_Draw_Image(Tools_Device &device, int x, int y, const char *folder, const char *name)
{
  if (!name) return;
  Message_Log(device.window, MSG_TRACE + 4, "in Icon_Draw_Image(%s,%s)", folder ? folder : "", name);
  Icon_Entry *entry = Cache_Entry(device, folder ? std::string(folder) : Icon_Folder(), name);
  if (!entry || entry->bgra.empty()) return;
  if (x > device.x + device.width || x + entry->width < device.x || y > device.y + device.height ||
      y + entry->height < device.y)
    return;
  Y_Scope dc(device, "Icon_Draw_Image");
  if (dc) Y_Blit(*dc, entry->bgra.data(), entry->width, x, y, 0, 0, entry->width, entry->height, true, Tools_Colour(device));
}

const Icon_Entry *Icon_Cache_Find(const std::string &name)
{
  std::lock_guard<std::mutex> guard(cache_lock);
  for (auto &entry : cache)
    if (entry->name == name) return entry.get();
  return nullptr;
}

void Icon_Cache_Clear()
{
  std::lock_guard<std::mutex> guard(cache_lock);
  cache.clear();
}
