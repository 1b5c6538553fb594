#pragma once
// How long entering a world takes, from the click that leaves the universe
// map to the first frame of the world on screen, and where the time went.
// Logged once, when that frame has been presented.

void begin_world_entry_timing();
void note_world_entry_generated();
void note_world_entry_frame_drawn();
void note_world_entry_frame_presented();
