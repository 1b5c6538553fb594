#pragma once
// The texture table: MAX_TEXTURES fixed entries whose addresses are the
// handles. A device reset recreates the native object of every device-local
// texture in place, so handles stay valid for the whole run.
#include <cstdint>

constexpr int MAX_TEXTURES = 1000;

// Format codes of render targets and check_fp_blending.
enum TextureFormat {
  TEXFMT_ARGB8 = 1,
  TEXFMT_G16R16 = 2,
  TEXFMT_R16F = 3,
  TEXFMT_G16R16F = 4,
  TEXFMT_A16B16G16R16F = 5,
  TEXFMT_R32F = 6,
  TEXFMT_G32R32F = 7,
  TEXFMT_A32B32G32R32F = 8,
  // Formats only DDS files give.
  TEXFMT_XRGB8 = 20,
  TEXFMT_L8 = 21,
  TEXFMT_DXT1 = 22,
  TEXFMT_DXT3 = 23,
  TEXFMT_DXT5 = 24,
};

enum TextureUsage { TEXUSAGE_NONE = 0, TEXUSAGE_RENDER_TARGET = 1, TEXUSAGE_DYNAMIC = 2 };
// Device-local contents are lost at a reset; managed ones are kept.
enum TextureMemory { TEXMEM_DEVICE = 0, TEXMEM_MANAGED = 1 };

struct Texture {
  uint32_t glTexture;  // 0 when there is no native object
  int width, height;   // as requested; 0 x 0 follows the back-buffer size
  int levels, usage, format, memory;
  bool inUse;
  // Lock state: a CPU copy of the locked level, uploaded at unlock.
  int lockedLevel;     // -1 when not locked
  uint8_t* staging;
  int stagingSize;
};

Texture* create_texture(int width, int height, int levels, int usage, int format, int memory);
Texture* create_dynamic_texture(int width, int height);
Texture* create_managed_texture(int width, int height);
Texture* create_render_texture(int width, int height, int format);
// Scene-sized (0 x 0): the back buffer's size at scene_render_scale.
Texture* create_scene_texture();

// The 3D scene is drawn at this share of the window's size in percent
// (SCENE_SCALE_MIN..100) and scaled up to it; text and GUI keep the
// window's own resolution.
extern int scene_render_scale;
constexpr int SCENE_SCALE_MIN = 50;
int scene_width();
int scene_height();
void release_texture(Texture* tex);

// Actual size of the native texture (a 0 x 0 request resolved).
int texture_width(const Texture* tex);
int texture_height(const Texture* tex);

// Locks level 0; the bytes stay with the CPU until unlock uploads them.
// Without discard the current contents are read back first.
uint8_t* lock_texture(Texture* tex, int* pitch, bool discard);
uint8_t* lock_texture_level(Texture* tex, int level, int* pitch, bool discard);
void unlock_texture(Texture* tex);
// Writes the rectangle (x, y, w, h) of level 0 from rows of row_pixels
// pixels each, in the texture's own pixel format (uncompressed formats only).
bool write_texture_rect(Texture* tex, int x, int y, int w, int h, const void* pixels, int row_pixels);

// Sampler stages 0..15; stage n is texture unit n.
constexpr int MAX_TEXTURE_STAGES = 16;
void set_texture(int stage, Texture* tex);
void set_texture_filter(int stage, bool linear);
// Codes: 0 wrap, 2 border, anything else clamp; negative v takes u, negative
// w takes v.
void set_texture_address(int stage, int u, int v, int w);
void reset_sampler_defaults();

// Render targets. Passes name theirs in their DrawState (render/draw_state.h).
void set_render_target(Texture* tex, int index, bool scene_depth);
// All four colour targets at once (null: none; color[0] is needed), with the
// scene's depth and stencil when scene_depth; the viewport follows color[0].
void set_render_targets(Texture* const color[4], bool scene_depth);
void set_back_buffer_target();
void copy_texture(Texture* from, Texture* to);
bool grab_back_buffer(Texture* tex);

// Reads back level 0 as 32-bit 0xAARRGGBB pixels, top row first (tests,
// screenshots). False for formats other than the 8-bit colour ones.
bool read_texture_pixels(Texture* tex, uint32_t* out);
// Reads the back buffer the same way (d3d_wd x d3d_ht pixels).
void read_back_buffer_pixels(uint32_t* out);

// Device internals used by the device module.
void recreate_device_textures();
// Counts the recreations: a texture drawn into before a change of this
// number has lost its contents.
int device_textures_generation();
void release_all_textures();  // and the samplers
void release_samplers();
void unbind_texture_stages();
int count_used_textures();

// Textures by file name: reference counted, DDS files, names compared
// without regard to case after make_full_path.
Texture* get_texture(const char* name, bool must_exist);
void free_texture(Texture* tex);
void free_all_textures();
int get_texture_refcount(Texture* tex);  // 0 when not in the name cache
