#include "app/window.h"
#include <SDL2/SDL.h>
#include "app/app_globals.h"
#include "app/input.h"
#include "app/launch_options.h"
#include "core/debug.h"
#include "core/settings.h"
#include "render/device.h"

SDL_Window* main_window = nullptr;

namespace {
bool quit_flag = false;
// Saved when going fullscreen, restored when leaving it.
int saved_client_w = 0, saved_client_h = 0;
int saved_x = 0, saved_y = 0;
bool saved_rect_valid = false;
bool saved_maximized = false;
int chosen_fullscreen_w = 0, chosen_fullscreen_h = 0;  // 0 x 0: the desktop's own

int sdl_button_code(uint8_t button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return VK_LBUTTON;
    case SDL_BUTTON_RIGHT: return VK_RBUTTON;
    case SDL_BUTTON_MIDDLE: return VK_MBUTTON;
    default: return 0;
  }
}

void confine_cursor(bool on) {
  if (main_window) SDL_SetWindowGrab(main_window, on ? SDL_TRUE : SDL_FALSE);
}

void update_cursor() {
  bool hide = isAppActive && shouldHideMouse && (isMouseOver() || isFullscreen);
  SDL_ShowCursor(hide ? SDL_DISABLE : SDL_ENABLE);
}

void on_window_event(const SDL_WindowEvent& w) {
  switch (w.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (!isFullscreen && !(SDL_GetWindowFlags(main_window) & SDL_WINDOW_MINIMIZED))
        reset_d3d(w.data1, w.data2, false, false);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST: {
      bool active = w.event == SDL_WINDOWEVENT_FOCUS_GAINED;
      if (active != isAppActive) {
        isAppActive = active;
        if (isFullscreen) confine_cursor(active);
      }
      break;
    }
    case SDL_WINDOWEVENT_CLOSE:
      isAppActive = false;
      quit_flag = true;
      break;
    default:
      break;
  }
}

int sdl_key_to_vk(SDL_Scancode sc);

void on_key(const SDL_KeyboardEvent& k) {
  int vk = sdl_key_to_vk(k.keysym.scancode);
  if (!vk) return;
  bool down = k.type == SDL_KEYDOWN;
  bool alt = (k.keysym.mod & KMOD_ALT) != 0;
  if (down && alt && vk == VK_F4) {
    // Alt+F4 closes the window, whatever the window manager does with it.
    isAppActive = false;
    quit_flag = true;
    return;
  }
  if (down && alt && vk == VK_RETURN) {
    if (!k.repeat) set_fullscreen(!isFullscreen);
    return;
  }
  push_input_event(down ? INPUT_KEY_DOWN : INPUT_KEY_UP, vk, int(k.keysym.scancode), k.repeat ? INPUT_REPEAT : 0,
                   0, 0);
  if (down) {
    // Keys that type a control character; printable text follows as a text
    // event from the keyboard layout.
    int ch = 0;
    switch (vk) {
      case VK_BACK: ch = 8; break;
      case VK_TAB: ch = 9; break;
      case VK_RETURN: ch = 13; break;
      case VK_ESCAPE: ch = 27; break;
      default:
        if ((k.keysym.mod & KMOD_CTRL) && vk >= 'A' && vk <= 'Z') ch = vk - 'A' + 1;
        break;
    }
    if (ch) set_last_key_chars(ch);
  }
}

// SDL scancodes to Windows virtual-key codes; left and right modifiers map
// to the one code the engine uses.
int sdl_key_to_vk(SDL_Scancode sc) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return 0x70 + (sc - SDL_SCANCODE_F1);
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return 0x61 + (sc - SDL_SCANCODE_KP_1);
  switch (sc) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_RETURN: return VK_RETURN;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_MINUS: return 0xBD;
    case SDL_SCANCODE_EQUALS: return 0xBB;
    case SDL_SCANCODE_LEFTBRACKET: return 0xDB;
    case SDL_SCANCODE_RIGHTBRACKET: return 0xDD;
    case SDL_SCANCODE_BACKSLASH: return 0xDC;
    case SDL_SCANCODE_NONUSHASH: return 0xDC;
    case SDL_SCANCODE_SEMICOLON: return 0xBA;
    case SDL_SCANCODE_APOSTROPHE: return 0xDE;
    case SDL_SCANCODE_GRAVE: return 0xC0;
    case SDL_SCANCODE_COMMA: return 0xBC;
    case SDL_SCANCODE_PERIOD: return 0xBE;
    case SDL_SCANCODE_SLASH: return 0xBF;
    case SDL_SCANCODE_NONUSBACKSLASH: return 0xE2;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN: return 0x2C;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_PAUSE: return 0x13;
    case SDL_SCANCODE_INSERT: return 0x2D;
    case SDL_SCANCODE_HOME: return 0x24;
    case SDL_SCANCODE_PAGEUP: return 0x21;
    case SDL_SCANCODE_DELETE: return 0x2E;
    case SDL_SCANCODE_END: return 0x23;
    case SDL_SCANCODE_PAGEDOWN: return 0x22;
    case SDL_SCANCODE_RIGHT: return 0x27;
    case SDL_SCANCODE_LEFT: return 0x25;
    case SDL_SCANCODE_DOWN: return 0x28;
    case SDL_SCANCODE_UP: return 0x26;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE: return 0x6F;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x6A;
    case SDL_SCANCODE_KP_MINUS: return 0x6D;
    case SDL_SCANCODE_KP_PLUS: return 0x6B;
    case SDL_SCANCODE_KP_0: return 0x60;
    case SDL_SCANCODE_KP_PERIOD: return 0x6E;
    case SDL_SCANCODE_APPLICATION: return 0x5D;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_LGUI: return 0x5B;
    case SDL_SCANCODE_RGUI: return 0x5C;
    default: return 0;
  }
}

// During a replay the recording is the only input: the window still closes
// and resizes, but keys, mouse and focus come from the recording.
bool is_device_input(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
      return true;
    case SDL_WINDOWEVENT:
      return e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || e.window.event == SDL_WINDOWEVENT_FOCUS_LOST;
    default:
      return false;
  }
}

void on_event(const SDL_Event& e) {
  if (is_input_replay() && is_device_input(e)) return;
  switch (e.type) {
    case SDL_QUIT:
      isAppActive = false;
      quit_flag = true;
      break;
    case SDL_WINDOWEVENT:
      on_window_event(e.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      on_key(e.key);
      break;
    case SDL_TEXTINPUT: {
      // Latin-1 characters only, like the 8-bit characters of the key events.
      const unsigned char* t = reinterpret_cast<const unsigned char*>(e.text.text);
      int ch = t[0] < 0x80 ? t[0] : ((t[0] & 0xFE) == 0xC2 ? ((t[0] & 3) << 6) | (t[1] & 0x3F) : 0);
      if (ch) set_last_key_chars(ch);
      break;
    }
    case SDL_MOUSEMOTION:
      push_input_event(INPUT_MOUSE_MOVE, 0, 0, 0, float(e.motion.x), float(e.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int code = sdl_button_code(e.button.button);
      if (!code) break;
      bool down = e.type == SDL_MOUSEBUTTONDOWN;
      if (down) SDL_RaiseWindow(main_window);
      push_input_event(down ? INPUT_BUTTON_DOWN : INPUT_BUTTON_UP, code, 0,
                       down && e.button.clicks >= 2 ? INPUT_REPEAT : 0, float(e.button.x), float(e.button.y));
      break;
    }
    case SDL_MOUSEWHEEL: {
      float notches = e.wheel.preciseY;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      push_wheel_event(int(notches * 120.f), float(e.wheel.mouseX), float(e.wheel.mouseY));
      break;
    }
    default:
      break;
  }
}
}  // namespace

void get_chosen_fullscreen_size(int* width, int* height) {
  *width = chosen_fullscreen_w;
  *height = chosen_fullscreen_h;
}

void choose_fullscreen_size(int width, int height) {
  if (width <= 0 || height <= 0) width = height = 0;
  chosen_fullscreen_w = width;
  chosen_fullscreen_h = height;
  set_fullscreen_display_size(width, height);
  set_config_str("fullscreen_size", width ? TempString<32>::formatted("%dx%d", width, height).c_str() : "desktop", -1);
  // Re-entering fullscreen switches the display to the new mode.
  if (isFullscreen) reset_d3d(0, 0, true, true);
}

bool create_main_window(LaunchOptions* opt) {
  chosen_fullscreen_w = opt->fullscreenWidth;
  chosen_fullscreen_h = opt->fullscreenHeight;
  set_fullscreen_display_size(chosen_fullscreen_w, chosen_fullscreen_h);
  set_device_window_attributes();
  SDL_Rect area = {0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(0, &area) != 0) {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) area = SDL_Rect{0, 0, mode.w, mode.h};
  }
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE;
  int x = SDL_WINDOWPOS_UNDEFINED, y = SDL_WINDOWPOS_UNDEFINED;
  int w = opt->width, h = opt->height;
  if (isFullscreen) {
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  } else {
    if (w) x = area.x + (area.w - w) / 2;
    if (h) y = area.y + (area.h - h) / 2;
    if (!w) flags |= SDL_WINDOW_MAXIMIZED;
  }
  // A size that was not requested starts as the usable area's.
  main_window = SDL_CreateWindow(GAME_TITLE, x, y, w ? w : (area.w > 0 ? area.w : 1280),
                                 h ? h : (area.h > 0 ? area.h : 720), flags);
  if (!main_window) {
    debug("can't create window: %s", SDL_GetError());
    return false;
  }
  SDL_ShowWindow(main_window);
  int cw = 0, ch = 0;
  SDL_GetWindowSize(main_window, &cw, &ch);
  if (!opt->width) opt->width = cw;
  if (!opt->height) opt->height = ch;
  return true;
}

void destroy_main_window() {
  if (main_window) SDL_DestroyWindow(main_window);
  main_window = nullptr;
}

void pump_messages() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) on_event(e);
  update_mouse_over();
  update_cursor();
}

bool is_quit_requested() { return quit_flag; }
void request_quit() { quit_flag = true; }
void clear_quit_request() { quit_flag = false; }

void set_fullscreen(bool on) {
  if (!main_window) return;
  int w = 0, h = 0;
  if (isFullscreen) {
    w = saved_client_w ? saved_client_w : d3d_wd / 2;
    h = saved_client_h ? saved_client_h : d3d_ht / 2;
  } else {
    SDL_GetWindowSize(main_window, &saved_client_w, &saved_client_h);
    SDL_GetWindowPosition(main_window, &saved_x, &saved_y);
    saved_maximized = (SDL_GetWindowFlags(main_window) & SDL_WINDOW_MAXIMIZED) != 0;
    saved_rect_valid = saved_client_w > 0 && saved_client_h > 0;
  }
  if (!on && !isFullscreen) return;
  reset_d3d(w, h, on, false);
  if (on) {
    confine_cursor(true);
  } else {
    if (saved_rect_valid) {
      SDL_SetWindowSize(main_window, saved_client_w, saved_client_h);
      SDL_SetWindowPosition(main_window, saved_x, saved_y);
      if (saved_maximized) SDL_MaximizeWindow(main_window);
    } else {
      SDL_SetWindowSize(main_window, d3d_wd, d3d_ht);
      SDL_SetWindowPosition(main_window, 0, 0);
    }
    confine_cursor(false);
  }
}
