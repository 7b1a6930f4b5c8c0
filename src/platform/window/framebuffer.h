// The pixels of a top-level window: 32-bit 0x00RRGGBB, row 0 at the top. The window
// system owns one per top-level window and presents it; the toolkit draws into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Framebuffer {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // width * height, row-major from the top

  void Resize(int new_width, int new_height, uint32_t fill = 0)
  {
    width = new_width;
    height = new_height;
    pixels.assign((size_t)width * (size_t)height, fill);
  }
  uint32_t *Row(int y) { return pixels.data() + (size_t)y * (size_t)width; }
};
