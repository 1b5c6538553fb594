#include <strings.h>
#include "core/debug.h"
#include "core/dyn_array.h"
#include "core/paths.h"
#include "core/streams.h"
#include "render/dds_loader.h"
#include "render/textures.h"

namespace {
struct NamedTexture {
  Texture* tex;
  int refcount;
  char path[MAX_PATH_LEN];
};
DynArray<NamedTexture> named_textures;

int find_texture(const Texture* tex) {
  for (int i = 0; i < named_textures.size(); i++)
    if (named_textures[i].tex == tex) return i;
  return -1;
}
}  // namespace

Texture* get_texture(const char* name, bool must_exist) {
  PathString path = make_full_path(name);
  for (int i = 0; i < named_textures.size(); i++)
    if (strcasecmp(named_textures[i].path, path) == 0) {
      named_textures[i].refcount++;
      return named_textures[i].tex;
    }
  // A missing file is only an error when the caller needs the texture.
  FILE* f = open_data_file(path, "rb");
  if (!f) {
    if (must_exist) fatal("Can't load texture from '%s'", path.c_str());
    return nullptr;
  }
  fclose(f);
  Texture* tex = load_dds_texture(path);
  NamedTexture& e = named_textures.append();
  e.tex = tex;
  e.refcount = 1;
  snprintf(e.path, sizeof(e.path), "%s", path.c_str());
  return tex;
}

void free_texture(Texture* tex) {
  int i = find_texture(tex);
  if (i < 0) return;
  if (--named_textures[i].refcount > 0) return;
  release_texture(tex);
  named_textures.erase(i, 1);
}

void free_all_textures() {
  for (int i = 0; i < named_textures.size(); i++) release_texture(named_textures[i].tex);
  named_textures.clear();
}

int get_texture_refcount(Texture* tex) {
  int i = find_texture(tex);
  return i < 0 ? 0 : named_textures[i].refcount;
}
