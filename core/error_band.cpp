// The on-screen error message: failures the player should see without the
// program stopping (script, shader and module errors).
#include <cstring>
#include "core/debug.h"

// One zero-terminated text; num 0 when there is no message.
static DynArray<char> error_text;

void set_error_message(const char* text) {
  if (!text || !*text) {
    error_text.resize(0);
    return;
  }
  int len = int(strlen(text));
  error_text.resize(len + 1);
  memmove(error_text.data, text, size_t(len) + 1);  // text may be our own
  debug("ERROR MESSAGE SET: %s", text);
}

void append_error_message(const char* text, int count) {
  if (!text || count == 0) return;
  if (count < 0) count = int(strlen(text));
  if (count == 0) return;
  DynArray<char> own_copy;
  if (text >= error_text.begin() && text < error_text.end()) {
    // Appending the message to itself: the line feed insert may move it.
    own_copy.insert(0, count, text);
    text = own_copy.data;
  }
  if (error_text.num > 0) {
    char lf = '\n';
    error_text.insert(error_text.num - 1, 1, &lf);
  } else {
    error_text.resize(1);  // just the terminator
  }
  error_text.insert(error_text.num - 1, count, text);
}

bool has_error_message() { return error_text.num > 0; }

const char* get_error_message() { return error_text.num > 0 ? error_text.data : ""; }
