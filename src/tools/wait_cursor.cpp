// The wait counter and the remembered cursor shape.
#include "tools/wait_cursor.h"

#include "util/message_log.h"

static int wait_count = 0;
static Window_Cursor wanted_shape = CURSOR_ARROW;

void Set_Wait_Flag(int raise)
{
  if (raise) wait_count++;
  else if (wait_count > 0) wait_count--;
  Message_Log(nullptr, MSG_TRACE, "Set_Wait_Flag Wait=%d Shape=%d", wait_count, (int)wanted_shape);
  Window_Set_Cursor(wait_count > 0 ? CURSOR_WAIT : wanted_shape);
}

void Set_Cursor_Shape(Window_Cursor shape)
{
  wanted_shape = shape;
  if (wait_count == 0) Window_Set_Cursor(shape);
}

int Wait_Flag_Count() { return wait_count; }
