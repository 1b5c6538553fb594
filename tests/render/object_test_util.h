#pragma once
// Shared by the mesh, instancing and shadow tests: the game's shaders copied
// into the test folder, mesh files written there, and a top-down camera that
// maps ground cell (x, z) to pixel (x, 63 - z) of a 64 x 64 target.
#include <cstdint>
#include <string>
#include <vector>
#include "tools/mesh_gen/models.h"

constexpr int TEST_TARGET_SIZE = 64;

// Copies the game's shaders from the source tree beside the test files.
void copy_game_shaders();
// Writes a mesh file built by the generator; returns its name.
std::string write_test_mesh(const std::string& name, const meshgen::MeshBuilder& m, meshgen::InstLayout layout);
void write_test_bytes(const std::string& name, const std::vector<uint8_t>& bytes);
// A unit cube standing on y = 0, one shadow ball at its centre.
meshgen::MeshBuilder unit_cube();
// View constants for a camera looking straight down on x 0..64, z 0..64;
// ground at y = 0 lies at view depth `height`.
void set_top_down_view(float height);
