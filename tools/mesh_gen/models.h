#pragma once
// The game's object meshes: what each looks like and which layout draws it.
#include <string>
#include <vector>
#include "tools/mesh_gen/mesh_builder.h"

namespace meshgen {

enum class InstLayout { Simple, Morph, Spline, Building };

struct GameMesh {
  std::string name;  // file name below the meshes folder, without ".mesh"
  InstLayout layout;
  MeshBuilder mesh;
};

// Every mesh of the game, in a fixed order.
std::vector<GameMesh> game_meshes();
// The mesh file description (shaders, vertex layout) of a layout.
MeshFile mesh_file_for(InstLayout layout);

}  // namespace meshgen
