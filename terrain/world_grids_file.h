#pragma once
// The state of the world's grids as bytes, for a saved game: the heights,
// the heights the land is moving towards, water and lava, and the surface
// of every cell, tagged with a key of the world they belong to (what tells
// that world from others, such as a checksum of its generated heights).
#include <cstddef>
#include <cstdint>
#include <vector>

// The grids in a compact form (long runs of equal words, such as dry cells
// or cells whose ground is not moving, take two words).
std::vector<uint8_t> encode_world_grids(uint64_t world_key);

// The world key stored in encoded grids; false when the bytes are not
// grids of this layout.
bool encoded_world_key(const uint8_t* bytes, size_t size, uint64_t* key);

// Puts encoded grids back. Checks everything first: on a damaged or foreign
// buffer it returns false and leaves the grids untouched.
bool decode_world_grids(const uint8_t* bytes, size_t size);
