#pragma once
// The bitmap font of the developer overlays (visual log, error band,
// statistics, help): 256 glyphs cut from the 16 x 16 grid of "font.tga",
// drawn with integer scaling and a one-pixel shadow. Text, filled
// rectangles and boxes collect in the font's batch between start_draw_text
// and end_draw_text, or go into a caller's batch (batch_text, batch_rect).
#include <cstdint>
#include "render/render_types.h"

class RenderBatch;
class BaseRenderBatchState;
struct TgaImage;

// Glyph rectangle in image pixels, rows counted from the top of the picture.
struct FontGlyph {
  int16_t left, top, right, bottom;  // right and bottom exclusive
};

struct BitmapFontLayout {
  FontGlyph glyphs[256];
  bool ink[256];  // the cell has any non-zero alpha
  int cellW, cellH;
};

// Horizontal and vertical placement of text relative to its anchor.
enum TextAlignX { TEXT_LEFT = 0, TEXT_CENTER = 1, TEXT_RIGHT = 2 };
enum TextAlignY { TEXT_TOP = 0, TEXT_MIDDLE = 1, TEXT_BOTTOM = 2 };

// Glyph edges from the image's alpha (file rows bottom first). False, with
// the fatal text in *error, when the image is not a 16 x 16 grid.
bool cut_bitmap_font(const TgaImage& img, BitmapFontLayout* out, char* error, int error_size);

// Loads "font.tga" beside the executable; failures are fatal.
void init_bitmap_font();
void close_bitmap_font();
bool bitmap_font_loaded();
// Text scale from the back-buffer height, logged; after every device reset.
void update_font_scale();
int bitmap_font_cell_width();
int bitmap_font_cell_height();
const BitmapFontLayout& bitmap_font_layout();

// A stack of text states; the current one's scale applies to all text.
void push_text_state();
void pop_text_state();
void set_text_scale(int scale);  // at least 1
int get_text_scale();

// Size in pixels of text at the current scale (lines split at '\n').
// len < 0 means the whole zero-terminated text.
void calc_text_size(const char* text, int len, int& width, int& height);

void start_draw_text();
// Text anchored at (x, y) with TEXT_LEFT/CENTER/RIGHT and TEXT_TOP/MIDDLE/
// BOTTOM; each line is aligned on its own.
void draw_text(const char* text, int len, int x, int y, int align_x, int align_y, D3dColor color);
void draw_rect(int x0, int y0, int x1, int y1, D3dColor color);  // filled, x1/y1 exclusive
void draw_box(int x0, int y0, int x1, int y1, D3dColor color);   // one-pixel outline
// Draws what was collected since start_draw_text onto the current target.
void end_draw_text();

void batch_text(RenderBatch& batch, const char* text, int len, int x, int y, int align_x, int align_y,
                D3dColor color);
void batch_rect(RenderBatch& batch, int x0, int y0, int x1, int y1, D3dColor color);
BaseRenderBatchState* get_font_batch_state();
