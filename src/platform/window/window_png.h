// Saving pixels as PNG files (libpng): a window's client area as it stands in its
// framebuffer, on either backend. Tests and the developers' `harrowdesk-gallery` look at
// windows this way.
#pragma once

#include "platform/os/window_handle.h"
#include "platform/window/framebuffer.h"

// Writes the rectangle (x, y, width, height) of `frame` (cut to the frame) as an 8-bit RGB PNG.
// Returns 1 when written; returns 0 after a MSG_ERROR report naming the path and the system's
// error text (file cannot be made, empty rectangle, libpng failure), leaving no partial file.
int Framebuffer_Save_PNG(const Framebuffer &frame, int x, int y, int width, int height, const char *path);

// Writes a window's client area (a child's rectangle of its top-level framebuffer, cut to
// what is visible of it). Takes the drawing lock. Returns 1 when written; returns 0 after a
// MSG_ERROR report (dead handle, as above).
int Window_Save_PNG(Window_Handle window, const char *path);

// Reads an 8-bit RGB or RGBA PNG into `frame` (alpha dropped), for tests that compare pictures.
// Returns 1 when read; returns 0 after a MSG_ERROR report, `frame` untouched.
int Framebuffer_Load_PNG(Framebuffer *frame, const char *path);
