// Writing a DICOMDIR: the records laid out depth first in the Directory Record Sequence,
// encoded once with zero offsets to learn where each item lands, the offsets filled (all
// fixed-size UL values, so nothing moves) and encoded again; saved under a hidden name
// and renamed into place when whole.
#include "dicom/DICOM_Media_Directory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/DICOM_Media_Directory_Tree.h"
#include "dicom/DICOM_Write.h"
#include "dicom/NEMA_Little_Endian.h"
#include "dicom/NEMA_Read_Data.h"
#include "platform/os/os_files.h"
#include "util/message_log.h"

using namespace Media_Directory;

// ---- writing -----------------------------------------------------------------------------------------

// The offset records put before a node's keys in its item.
struct Links {
  DICOM_Attribute next{}, in_use{}, lower{};
  unsigned char next_value[4] = {}, in_use_value[2] = {}, lower_value[4] = {};
};

// A record of the directory group pointing at `value` (not owned).
static void Point(DICOM_Attribute *record, uint16_t element, uint16_t vr, unsigned char *value, int32_t size)
{
  record->flags = DICOM_ORIGIN_ARDENT;
  record->mode = NEMA_MODE_EXPLICIT;
  record->group = DIR_GROUP;
  record->element = element;
  record->VR = vr;
  record->data = value;
  record->size = size;
}

static void Depth_First(const std::vector<Node *> &nodes, std::vector<Node *> *order)
{
  for (Node *node : nodes) {
    order->push_back(node);
    Depth_First(node->children, order);
  }
}

// A new UUID-derived UID (PS3.5 B.2): "2.25." and a random 128-bit number in decimal.
static std::string New_UID()
{
  std::random_device random;
  unsigned __int128 number = 0;
  for (int i = 0; i < 4; i++) number = number << 32 | (uint32_t)random();
  std::string digits;
  do {
    digits.insert(digits.begin(), (char)('0' + (int)(number % 10)));
    number /= 10;
  } while (number);
  return "2.25." + digits;
}

// Encodes the directory as a PS3.10 DICOMDIR into `*bytes`. Returns 1, or 0 (reported).
static int Encode(Window_Handle owner, Directory *directory, std::string *bytes)
{
  std::vector<Node *> order;
  Depth_First(directory->roots, &order);
  std::map<const Node *, size_t> index;
  for (size_t i = 0; i < order.size(); i++) index[order[i]] = i;
  std::vector<Links> links(order.size());
  std::vector<DICOM_Attribute *> items(order.size());
  for (size_t i = 0; i < order.size(); i++) {
    Links &l = links[i];
    Point(&l.next, NEXT_RECORD, DICOM_VR_UL, l.next_value, 4);
    Point(&l.in_use, IN_USE, DICOM_VR_US, l.in_use_value, 2);
    Point(&l.lower, LOWER_RECORD, DICOM_VR_UL, l.lower_value, 4);
    NEMA_Store_Little_Endian(l.in_use_value, RECORD_IN_USE, 2);
    l.next.next = &l.in_use;
    l.in_use.next = &l.lower;
    l.lower.next = order[i]->keys;
    items[i] = &l.next;
  }
  unsigned char first_value[4] = {}, last_value[4] = {}, consistency_value[2] = {};
  DICOM_Attribute set_id{}, first{}, last{}, consistency{}, sequence{};
  Point(&set_id, FILE_SET_ID, DICOM_VR_CS, (unsigned char *)directory->file_set_id.data(),
        (int32_t)directory->file_set_id.size());
  Point(&first, FIRST_ROOT, DICOM_VR_UL, first_value, 4);
  Point(&last, LAST_ROOT, DICOM_VR_UL, last_value, 4);
  Point(&consistency, CONSISTENCY, DICOM_VR_US, consistency_value, 2);
  Point(&sequence, RECORD_SEQUENCE, DICOM_VR_SQ, nullptr, 0);
  sequence.count = (int32_t)items.size();
  sequence.item = items.data();
  set_id.next = &first;
  first.next = &last;
  last.next = &consistency;
  consistency.next = &sequence;

  if (directory->instance_uid.empty()) directory->instance_uid = New_UID();
  DICOM_Write_Layout layout;
  layout.group = DIR_GROUP;
  layout.element = RECORD_SEQUENCE;
  if (!DICOM_Write_Part10(owner, &set_id, DICOM_MEDIA_DIRECTORY_CLASS, directory->instance_uid.c_str(),
                          DICOM_WRITE_DEFINED, bytes, &layout))
    return 0;
  std::vector<int64_t> offsets = layout.item_offsets;
  auto offset_of = [&](const Node *node) { return (uint32_t)offsets[index[node]]; };
  auto chain = [&](const std::vector<Node *> &siblings) {
    for (size_t i = 0; i + 1 < siblings.size(); i++)
      NEMA_Store_Little_Endian(links[index[siblings[i]]].next_value, offset_of(siblings[i + 1]), 4);
  };
  chain(directory->roots);
  for (Node *node : order) {
    chain(node->children);
    if (!node->children.empty())
      NEMA_Store_Little_Endian(links[index[node]].lower_value, offset_of(node->children.front()), 4);
  }
  if (!directory->roots.empty()) {
    NEMA_Store_Little_Endian(first_value, offset_of(directory->roots.front()), 4);
    NEMA_Store_Little_Endian(last_value, offset_of(directory->roots.back()), 4);
  }
  size_t size = bytes->size();
  if (!DICOM_Write_Part10(owner, &set_id, DICOM_MEDIA_DIRECTORY_CLASS, directory->instance_uid.c_str(),
                          DICOM_WRITE_DEFINED, bytes, &layout))
    return 0;
  if (bytes->size() != size || layout.item_offsets != offsets) {
    Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\nDICOMDIR records moved between passes", UNIT, __LINE__);
    return 0;
  }
  return 1;
}

static int Save_Fault(Window_Handle owner, const char *folder, const char *what, int error)
{
  Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\nDICOMDIR in %s not written: %s (%s)", UNIT, __LINE__, folder,
              what, std::strerror(error));
  return 0;
}

// Writes `bytes` as `folder`/DICOMDIR: under a hidden name first, then renamed, over the
// old DICOMDIR only when it is still the file that was loaded. A DICOMDIR that replaces
// one is synced to the disk before the rename, so that a crash leaves the old file or
// the new one whole; a first DICOMDIR is left to the system's write-back like the copies
// it lists (a sync there would wait for every copy's data). Returns 1, or 0 (reported).
static int Save(Window_Handle owner, const char *folder, const std::string &bytes, const Directory &directory)
{
  int folder_fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd < 0) return Save_Fault(owner, folder, "folder not opened", errno);
  std::string hidden;
  int fd = Os_File_Create_Hidden(folder_fd, 0644, &hidden);
  int error = fd < 0 ? errno : 0;
  const char *step = "temporary file not created";
  if (!error && (!Os_Write_All(fd, bytes.data(), bytes.size()) || (directory.loaded && fsync(fd) != 0))) {
    error = errno;
    step = "temporary file not written";
  }
  if (!error && hidden.empty()) {
    std::string name = ".DICOMDIR-" + std::to_string(getpid()) + ".part";
    error = Os_File_Publish(fd, folder_fd, "", name.c_str());
    if (!error) hidden = name;
    step = "temporary file not named";
  }
  if (fd >= 0) close(fd);
  if (!error && !directory.loaded) {
    error = Os_Rename_No_Replace(folder_fd, hidden.c_str(), folder_fd, DICOM_MEDIA_DIRECTORY_NAME);
    step = "not renamed";
  } else if (!error) {
    struct stat now;
    step = "the DICOMDIR changed while it was rebuilt";
    if (fstatat(folder_fd, DICOM_MEDIA_DIRECTORY_NAME, &now, AT_SYMLINK_NOFOLLOW) != 0) error = errno;
    else if (!Os_File_Unchanged(directory.read_from, now)) error = EBUSY;
    else if (renameat(folder_fd, hidden.c_str(), folder_fd, DICOM_MEDIA_DIRECTORY_NAME) != 0) error = errno;
  }
  if (error && !hidden.empty()) Os_File_Discard(folder_fd, hidden);
  close(folder_fd);
  return error ? Save_Fault(owner, folder, step, error) : 1;
}

// ---- entry points ---------------------------------------------------------------------------------------

static bool Valid_File_Set_Id(const char *id)
{
  if (std::strlen(id) > FILE_SET_ID_MAX) return false;
  for (const char *c = id; *c; c++)
    if (!((*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '_' || *c == ' ')) return false;
  return true;
}

// Encodes `directory` and saves it as `root`DICOMDIR. Returns 1, or 0 (reported).
static int Encode_And_Save(Window_Handle owner, const std::string &root, Directory *directory)
{
  std::string bytes;
  if (!Encode(owner, directory, &bytes) || !Save(owner, root.c_str(), bytes, *directory)) {
    MESSAGE_LOG_WHERE(owner);
    return 0;
  }
  return 1;
}

static std::string Folder_Root(const char *folder)
{
  std::string root = folder;
  if (!root.empty() && root.back() != '/') root += '/';
  return root;
}

// Adds `entry` of the file-set in `root` (ending with "/") to `directory`, reading its
// header when it comes without. Returns what Add_File returns.
static int Add_Entry(Window_Handle owner, const std::string &root, Directory *directory,
                     const DICOM_Media_File &entry, std::vector<std::string> *notices)
{
  if (entry.list) return Add_File(owner, directory, notices, entry.path, entry.list);
  const std::vector<uint32_t> &tags = Header_Tags(nullptr);
  DICOM_Sequence_Root sequence_root{};
  DICOM_Attribute *own =
      DICOMDIR_Scan_Read_Tags((root + entry.path).c_str(), &sequence_root, tags.data(), (int)tags.size());
  int result = Add_File(owner, directory, notices, entry.path, own);
  DICOM_Attribute_Delete(owner, &sequence_root, &own, 0xFFFF, 0xFFFF);
  return result;
}

const std::vector<uint32_t> &DICOM_Media_Directory_Tags(const char *sop_class) { return Header_Tags(sop_class); }

int DICOM_Media_Directory_Write(Window_Handle owner, const char *folder, const std::vector<DICOM_Media_File> &files,
                                const char *file_set_id, std::vector<std::string> *notices)
{
  if (file_set_id && !Valid_File_Set_Id(file_set_id)) {
    Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\nFile-set ID \"%s\" is not 1 to 16 of A-Z, 0-9, _ and space",
                UNIT, __LINE__, file_set_id);
    return 0;
  }
  std::string root = Folder_Root(folder);
  std::string path = root + DICOM_MEDIA_DIRECTORY_NAME;
  Directory directory;
  struct stat info;
  bool present = lstat(path.c_str(), &info) == 0 || errno != ENOENT;
  if (present && !Load_Directory(owner, path.c_str(), &directory, MSG_ERROR)) {
    MESSAGE_LOG_WHERE(owner);
    return 0;
  }
  if (file_set_id) directory.file_set_id = file_set_id;
  int added = 0;
  for (const DICOM_Media_File &entry : files) {
    int result = Add_Entry(owner, root, &directory, entry, notices);
    if (result < 0) {
      MESSAGE_LOG_WHERE(owner);
      return 0;
    }
    added += result;
  }
  if (added == 0 && directory.loaded) {
    notices->push_back("DICOMDIR: no new file for " + path + "; left as it is");
    return 1;
  }
  return Encode_And_Save(owner, root, &directory);
}

// ---- built file by file --------------------------------------------------------------------------------

DICOM_Media_Directory_New::DICOM_Media_Directory_New(const char *folder)
    : folder_(Folder_Root(folder)), directory_(std::make_unique<Directory>())
{
}

DICOM_Media_Directory_New::~DICOM_Media_Directory_New() = default;

int DICOM_Media_Directory_New::Add(Window_Handle owner, const DICOM_Media_File &file, std::vector<std::string> *notices)
{
  if (failed_) return -1;
  int result = Add_Entry(owner, folder_, directory_.get(), file, notices);
  if (result < 0) {
    MESSAGE_LOG_WHERE(owner);
    failed_ = true;
  }
  return result;
}

int DICOM_Media_Directory_New::Write(Window_Handle owner)
{
  struct stat info;
  if (lstat((folder_ + DICOM_MEDIA_DIRECTORY_NAME).c_str(), &info) == 0 || errno != ENOENT) return -1;
  if (failed_) return 0;
  return Encode_And_Save(owner, folder_, directory_.get());
}
