// Sliders. Along the slider's axis: an arrow button as long as the slider is thick at
// each end, the bevel, then the track. Offsets along the track run from the first end
// (left, or top for a vertical slider).
#include "tools/slider.h"

#include <algorithm>

#include "tools/tools.h"

// The slider's geometry along its axis: thickness (= arrow length), bevel, track start
// and track length, with `along` the mouse or drawing position measured from the first end.
struct Slider_Axis {
  int arrow, bevel, track_start, track_length, length;
};

static Slider_Axis Axis_Of(const Slider &slider)
{
  bool vertical = slider.options & SLIDER_VERTICAL;
  Slider_Axis axis;
  axis.length = vertical ? slider.height : slider.width;
  axis.arrow = std::min<int>(vertical ? slider.width : slider.height, axis.length / 3);
  axis.bevel = std::abs(slider.depth);
  axis.track_start = axis.arrow + axis.bevel;
  axis.track_length = std::max(0, axis.length - 2 * axis.track_start);
  return axis;
}

// Position of the point (x, y) along the axis from the first end.
static int Along(const Slider &slider, int x, int y)
{
  return (slider.options & SLIDER_VERTICAL) ? slider.y + slider.height - 1 - y : x - slider.x;
}

void Sliders::Adjust(Slider &slider)
{
  Tools_Check_State(slider, "Sliders::Adjust");
  Tools_Clip_To_Rect(slider);
  if (slider.maximum < slider.minimum) std::swap(slider.minimum, slider.maximum);
  int count = std::clamp(Axis_Of(slider).track_length, 1, 4097);
  slider.table.resize(count);
  for (int i = 0; i < count; i++)
    slider.table[i] = count == 1 ? slider.minimum : slider.minimum + (slider.maximum - slider.minimum) * i / (count - 1);
  slider.value = std::clamp(slider.value, slider.minimum, slider.maximum);
}

void Sliders::Init(Slider &slider, Window_Handle window)
{
  if (Tools_Init_Widget(slider, window, "Sliders::Init")) Sliders::Adjust(slider);
}

// The rectangle of a span [from, to] along the axis, across the whole thickness.
static void Span_Rect(const Slider &slider, int from, int to, int &x1, int &x2, int &y1, int &y2)
{
  if (slider.options & SLIDER_VERTICAL) {
    int top = slider.y + slider.height - 1;
    x1 = slider.x; x2 = slider.x + slider.width - 1; y1 = top - to; y2 = top - from;
  } else {
    x1 = slider.x + from; x2 = slider.x + to; y1 = slider.y; y2 = slider.y + slider.height - 1;
  }
}

void Sliders::Draw(Slider &slider)
{
  Tools_Check_State(slider, "Sliders::Draw");
  if (slider.width < 1 || slider.height < 1) return;
  Slider_Axis axis = Axis_Of(slider);
  bool vertical = slider.options & SLIDER_VERTICAL;
  int x1, x2, y1, y2;
  Tools_Device track = slider;
  uint32_t dark = Tools_Shade(Tools_Colour(slider), -30);
  Tools_Set_Colour(track, dark);
  Span_Rect(slider, 0, axis.length - 1, x1, x2, y1, y2);
  Tools::Fill(track, 0, x1, x2, y1, y2);
  Tools::Cadre(track, OPT_NO_OUTLINE, 1, 1, x1, x2, y1, y2);
  for (int end = 0; end < 2; end++) {
    int from = end == 0 ? 0 : axis.length - axis.arrow;
    Span_Rect(slider, from, from + axis.arrow - 1, x1, x2, y1, y2);
    Tools::Fill(slider, 0, x1, x2, y1, y2);
    Tools::Cadre(slider, 0, 0, 2, x1, x2, y1, y2);
    int direction = vertical ? (end == 0 ? 0 : 1) : (end == 0 ? 2 : 3);
    Tools::Arrow(slider, direction, x1, x2, y1, y2);
  }
  if (axis.track_length < 1 || slider.maximum <= slider.minimum) return;
  int thumb = std::min(axis.arrow, axis.track_length);
  double share = (slider.value - slider.minimum) / (slider.maximum - slider.minimum);
  int centre = axis.track_start + (int)(share * (axis.track_length - 1) + 0.5);
  int from = std::clamp(centre - thumb / 2, axis.track_start, axis.track_start + axis.track_length - thumb);
  Span_Rect(slider, from, from + thumb - 1, x1, x2, y1, y2);
  Tools::Fill(slider, 0, x1, x2, y1, y2);
  Tools::Cadre(slider, 0, slider.thumb_state == 1, 2, x1, x2, y1, y2);
}

double Sliders::Read(Slider &slider)
{
  Tools_Check_State(slider, "Sliders::Read");
  int mx, my;
  if (slider.table.empty() || !Tools_Mouse_In(slider.window, mx, my)) return slider.value;
  Slider_Axis axis = Axis_Of(slider);
  int along = Along(slider, mx, my);
  if (along < axis.arrow || along >= axis.length - axis.arrow) return slider.value;
  int offset = along - axis.track_start;
  if (offset < 0) return slider.table.front();
  if (offset >= (int)slider.table.size()) return slider.table.back();
  return slider.table[offset];
}

void Sliders::Set(Slider &slider, double value)
{
  value = std::clamp(value, slider.minimum, slider.maximum);
  if (value == slider.value) return;
  slider.value = value;
  Sliders::Draw(slider);
}

double Sliders::Scroll(Slider &slider, int steps)
{
  Tools_Check_State(slider, "Sliders::Scroll");
  if (slider.options & SLIDER_NO_SELECT) return slider.value;
  if (slider.options & SLIDER_REVERSE) steps = -steps;
  Sliders::Set(slider, slider.value + steps * slider.step);
  return slider.value;
}

int Sliders::Select(Slider &slider, int mode)
{
  Tools_Check_State(slider, "Sliders::Select");
  int inside = Tools_Mouse_Over(slider, slider.x, slider.y, slider.width, slider.height);
  if ((mode & 0xF) == 4) return inside;
  if (slider.options & SLIDER_NO_SELECT) return 0;
  if (slider.thumb_state == 1) {
    if ((mode & 0xF) == 0) {
      slider.thumb_state = 0;
      Sliders::Draw(slider);
      return inside;
    }
    Sliders::Set(slider, Sliders::Read(slider));
    return 1;
  }
  if ((mode & 0xF) == 2 && inside) {
    int mx = 0, my = 0;
    Tools_Mouse_In(slider.window, mx, my);
    Slider_Axis axis = Axis_Of(slider);
    int along = Along(slider, mx, my);
    if (along < axis.arrow) Sliders::Scroll(slider, -1);
    else if (along >= axis.length - axis.arrow) Sliders::Scroll(slider, 1);
    else {
      slider.thumb_state = 1;
      slider.value = Sliders::Read(slider);
      Sliders::Draw(slider);
    }
    return 1;
  }
  Tools_Hover_Update(slider.hover, inside);
  return inside;
}

void Sliders::Deselect(Slider &slider)
{
  Tools_Check_State(slider, "Sliders::Deselect");
  slider.hover = 0;
  if (slider.thumb_state == 1) {
    slider.thumb_state = 0;
    Sliders::Draw(slider);
  }
}

void Sliders::Place(Slider &slider, const Tools_Device &owner, bool vertical, int x, int y, int width, int height,
                    double maximum, double value)
{
  slider.red = owner.red, slider.green = owner.green, slider.blue = owner.blue;
  slider.options = vertical ? SLIDER_VERTICAL : 0;
  slider.x = (uint16_t)x;
  slider.y = (uint16_t)y;
  slider.width = (int16_t)width;
  slider.height = (int16_t)height;
  slider.minimum = 0;
  slider.maximum = maximum;
  slider.value = value;
  if (owner.state) Sliders::Init(slider, owner.window);
}
