#include "app/screenshot.h"
#include <cstdio>
#include <ctime>
#include "core/allocator.h"
#include "core/debug.h"
#include "core/folder_swap.h"
#include "core/paths.h"
#include "core/ref_time.h"
#include "render/device.h"
#include "render/textures.h"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {
PathString shot_name(const char* suffix) {
  PathString name;
  time_t now = time(nullptr);
  struct tm lt;
  if (now == time_t(-1) || !localtime_r(&now, &lt)) {
    name.format("shots/shot%s.png", suffix);
  } else {
    name.format("shots/shot%4u_%02u_%02u_%02u_%02u_%02u%s.png", unsigned(lt.tm_year + 1900), unsigned(lt.tm_mon + 1),
                unsigned(lt.tm_mday), unsigned(lt.tm_hour), unsigned(lt.tm_min), unsigned(lt.tm_sec), suffix);
  }
  return name;
}

void capture(const char* suffix) {
  int64_t start = get_ref_time();
  debug("screenshot...");
  PathString name = shot_name(suffix);
  if (save_back_buffer_png(name))
    debug("screenshot captured to '%s' in %d ms", make_user_file_path(name).c_str(),
          get_time_msec(get_ref_time() - start));
}
}  // namespace

bool save_back_buffer_png(const char* name) {
  if (!d3d_device_exists() || d3d_wd <= 0 || d3d_ht <= 0) return false;
  FsPath path = make_user_file_path(name);
  // The folder may be missing in a fresh build or install.
  FsPath folder = path;
  cut_to_folder(folder.str);
  if (!folder.str[0] || !create_folders(folder)) {
    debug("failed to save screenshot to '%s'", path.c_str());
    return false;
  }
  size_t count = size_t(d3d_wd) * size_t(d3d_ht);
  uint32_t* pixels = (uint32_t*)dlmalloc(count * 4);
  if (!pixels) return false;
  read_back_buffer_pixels(pixels);
  // 0xAARRGGBB words to red, green, blue, opaque alpha bytes.
  uint8_t* rgba = (uint8_t*)pixels;
  for (size_t i = 0; i < count; i++) {
    uint32_t c = pixels[i];
    rgba[i * 4 + 0] = uint8_t(c >> 16);
    rgba[i * 4 + 1] = uint8_t(c >> 8);
    rgba[i * 4 + 2] = uint8_t(c);
    rgba[i * 4 + 3] = 255;
  }
  bool ok = stbi_write_png(path.c_str(), d3d_wd, d3d_ht, 4, rgba, d3d_wd * 4) != 0;
  dlfree(pixels);
  if (!ok) debug("failed to save screenshot to '%s'", path.c_str());
  return ok;
}

void take_screenshot() { capture(""); }

void take_update_screenshot(int update) {
  char suffix[32];
  snprintf(suffix, sizeof(suffix), "_at%d", update);
  capture(suffix);
}
