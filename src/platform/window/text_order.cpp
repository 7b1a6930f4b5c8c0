// Text_Display_Order through fribidi_log2vis with a left-to-right paragraph: it applies
// the bidirectional algorithm and, by its default flags, Arabic shaping into the
// presentation forms that common fonts carry.
#include "platform/window/text_order.h"

#include <fribidi.h>

#include <vector>

namespace {
// The blocks of right-to-left scripts and their presentation forms.
bool Right_To_Left(wchar_t c)
{
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
         (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF);
}
}  // namespace

void Text_Display_Order(std::wstring *text)
{
  bool any = false;
  for (wchar_t c : *text) any = any || Right_To_Left(c);
  if (!any) return;
  std::vector<FriBidiChar> logical(text->begin(), text->end()), visual(text->size());
  FriBidiParType direction = FRIBIDI_PAR_LTR;
  if (!fribidi_log2vis(logical.data(), (FriBidiStrIndex)logical.size(), &direction, visual.data(), nullptr, nullptr,
                       nullptr))
    return;
  text->assign(visual.begin(), visual.end());
}
