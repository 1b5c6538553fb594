#pragma once
// What the GUI needs from the layers above it. The app fills the input
// entries at start-up (connect_lower_layers_to_app), the module host the
// tooltip entries at every bind and unbind; an empty hook is skipped, so a
// screen without input sees no events.
struct InputEvent;

struct GuiHooks {
  // Takes the oldest queued input event; false when there is none.
  bool (*next_input_event)(InputEvent* event) = nullptr;
  void (*mouse_pos)(float* x, float* y) = nullptr;
  // Whether the key or mouse button is held now.
  bool (*key_state)(int code) = nullptr;
  void (*show_tooltip)(const char* text) = nullptr;
  void (*hide_tooltip)() = nullptr;
};

extern GuiHooks gui_hooks;
