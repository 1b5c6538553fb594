// Writes every object mesh of the game: mesh_gen OUT_FOLDER.
#include <cstdio>
#include <string>
#include "tools/mesh_gen/models.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mesh_gen OUT_FOLDER\n");
    return 2;
  }
  std::string dir = std::string(argv[1]) + "/";
  int failed = 0;
  for (const meshgen::GameMesh& g : meshgen::game_meshes()) {
    std::vector<uint8_t> bytes = meshgen::encode_mesh(g.mesh, meshgen::mesh_file_for(g.layout));
    if (bytes.empty() || !meshgen::write_file(dir + g.name + ".mesh", bytes)) {
      std::fprintf(stderr, "mesh_gen: cannot write %s%s.mesh\n", dir.c_str(), g.name.c_str());
      failed++;
      continue;
    }
    std::printf("%s: %d triangles, %d shadow balls\n", g.name.c_str(), g.mesh.triangleCount(),
                int(g.mesh.balls.size()));
  }
  return failed ? 1 : 0;
}
