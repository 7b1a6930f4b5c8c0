// The sequence context: the path of sequences and item numbers from the data set down
// to the list where the next attribute belongs. Walks over a list (formatting, dumping,
// the header extraction) open and close sequences and items on it; insert, get and
// delete follow its path. Depth is bounded at 9: a deeper sequence stays at depth 9.
#include <cstdio>
#include <cstring>
#include <string>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Tag_Attribute.h"
#include "util/message_log.h"

static std::string Banner_Indent(int depth) { return std::string(4 * (size_t)(depth < 0 ? 0 : depth), ' '); }

static void Trace_Item_Number(Window_Handle owner, const DICOM_Sequence_Root *root)
{
  Message_Log(owner, MSG_TRACE + 4, "-> Item_Number[%d] = %d", root->Sequence_Depth,
              root->Item_Number[root->Sequence_Depth]);
}

void DICOM_Attribute_Sequence_Reset(Window_Handle owner, DICOM_Sequence_Root *root)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Sequence_Reset()");
  std::memset(root, 0, sizeof *root);
}

// Opens the next depth; `tagged` says whether the banner names the depth.
static int Sequence_Open(Window_Handle owner, DICOM_Sequence_Root *root, bool tagged, int log_kind)
{
  int depth = root->Sequence_Depth;
  if (log_kind) {
    std::string indent = Banner_Indent(depth);
    if (tagged)
      Message_Log(owner, log_kind, "%s------------------------ ---- Sequence in ----(depth=%d)-----", indent.c_str(), depth + 1);
    else
      Message_Log(owner, log_kind, "%s------------------------ ---- Sequence in ---------------", indent.c_str());
  }
  if (depth >= DICOM_SEQUENCE_LEVELS - 1) {
    if (tagged)
      NEMA_Warning(owner, "To many \"sequences\" in DICOM stream");
    else
      NEMA_Warning(owner, "To many \"sequences\" in DICOM stream (\x01%04x\x02,\x01%04x\x02)", root->group[depth],
                   root->element[depth]);
    return depth;
  }
  root->Sequence_Depth = ++depth;
  root->Item_Number[depth] = 0;
  root->group[depth] = root->element[depth] = 0;
  root->flags[depth] = 0;
  Trace_Item_Number(owner, root);
  return depth;
}

int DICOM_Attribute_Sequence_Start(Window_Handle owner, DICOM_Sequence_Root *root, uint16_t group, uint16_t element,
                                   int flags, int log_kind)
{
  int depth = root->Sequence_Depth;
  root->group[depth] = group;
  root->element[depth] = element;
  root->flags[depth] = (int16_t)flags;
  return Sequence_Open(owner, root, true, log_kind);
}

int DICOM_Attribute_Sequence_Start(Window_Handle owner, DICOM_Sequence_Root *root, int log_kind)
{
  return Sequence_Open(owner, root, false, log_kind);
}

int DICOM_Attribute_Sequence_Stop(Window_Handle owner, DICOM_Sequence_Root *root, int log_kind)
{
  int depth = root->Sequence_Depth;
  if (log_kind)
    Message_Log(owner, log_kind, "%s------------------------ ---- Sequence out --------------",
                Banner_Indent(depth - 1).c_str());
  if (depth == 0) {
    NEMA_Warning(owner, "To many \"out of sequences\" in DICOM stream (\x01%04x\x02,\x01%04x\x02)", root->group[0],
                 root->element[0]);
    return 0;
  }
  root->Item_Number[depth] = 0;
  root->Sequence_Depth = --depth;
  Trace_Item_Number(owner, root);
  return depth;
}

int DICOM_Attribute_Sequence_End(Window_Handle owner, DICOM_Sequence_Root *root)
{
  int depth = root->Sequence_Depth;
  if (depth != 0) {
    char missing[16];
    std::snprintf(missing, sizeof missing, "%d", depth);
    NEMA_Warning(owner, "Missing at least \x01%s\x02 \"out of sequences\" in DICOM stream (\x01%04x\x02,\x01%04x\x02)",
                 missing, root->group[depth - 1], root->element[depth - 1]);
  }
  root->Sequence_Depth = 0;
  Message_Log(owner, MSG_TRACE + 4, "-> root->Sequence_Depth = %d", 0);
  return 0;
}

int DICOM_Attribute_Item_Start(Window_Handle owner, DICOM_Sequence_Root *root, int log_kind)
{
  int depth = root->Sequence_Depth;
  int number = ++root->Item_Number[depth];
  // No sequence has been opened inside the new item yet.
  root->group[depth] = root->element[depth] = 0;
  if (log_kind)
    Message_Log(owner, log_kind, "%s------------------------ ---- Item[%d] in ---------------",
                Banner_Indent(depth - 1).c_str(), number);
  Message_Log(owner, MSG_TRACE + 4, "-> root->Item_Number[%d] = %d", depth, number);
  return number;
}

int DICOM_Attribute_Item_Stop(Window_Handle owner, DICOM_Sequence_Root *root, int log_kind)
{
  int depth = root->Sequence_Depth;
  if (log_kind)
    Message_Log(owner, log_kind, "%s------------------------ ---- Item[%d] out --------------",
                Banner_Indent(depth - 1).c_str(), root->Item_Number[depth]);
  Trace_Item_Number(owner, root);
  return root->Item_Number[depth];
}

int DICOM_Attribute_Sequence_Depth(const DICOM_Sequence_Root *root) { return root->Sequence_Depth; }

int DICOM_Attribute_Item_Index(const DICOM_Sequence_Root *root, int depth)
{
  Message_Log(nullptr, MSG_TRACE + 4, "in DICOM_Attribute_Sequence_End(depth:%d)", depth);
  if (depth < 0 || depth >= DICOM_SEQUENCE_LEVELS) return -1;
  return root->Item_Number[depth] - 1;
}
