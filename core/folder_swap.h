#pragma once
// Replacing a folder of files that must match each other (a saved game's
// pair) so that a crash or a power loss at any moment leaves either the old
// or the new set, never a mix:
//
//   prepare_folder_swap(target)   empties and creates the fresh folder
//   write_synced_file(...)        each file, flushed to the disk
//   commit_folder_swap(target)    the fresh folder takes the target's place
//   repair_folder_swap(target)    before reading the target: finishes or
//                                 drops a swap a crash interrupted
//
// The fresh folder is "<target>.new". The swap is one exchange of the two
// folders where the file system can; elsewhere two renames, announced by a
// marker file "<target>.swap" written once the fresh folder is complete, so
// repair finishes them. Paths are given without a trailing "/".
#include <cstddef>

// Creates path and every missing folder above it; true when it is a folder.
bool create_folders(const char* path);
// Writes a new file, flushes it to the disk; false on any failure (the
// partial file is removed).
bool write_synced_file(const char* path, const void* data, size_t size);
// Flushes a folder's entries (new, renamed, removed files) to the disk.
bool sync_folder(const char* path);
// Removes a folder with everything in it; true when nothing is left. Links
// (the path itself or anything inside) are removed, never followed.
bool remove_folder_tree(const char* path);
bool is_symbolic_link(const char* path);

// prepare_folder_swap is false, touching nothing, when the target is a link.
bool prepare_folder_swap(const char* target);
bool commit_folder_swap(const char* target);
void repair_folder_swap(const char* target);

// False makes commit_folder_swap take the two-rename path, as on a file
// system without folder exchange.
extern bool folder_exchange_enabled;
