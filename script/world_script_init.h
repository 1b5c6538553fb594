#pragma once
// Start and stop of the world machine, for the start-up sequence (which
// needs nothing else of the scripting layer).

// Creates the world machine with every binding it needs, runs
// "gen/main.nut" (a failure is shown, start-up goes on), binds the world
// functions and registers the machine for reloads.
void init_world_script();
// Releases the universe and the handles, then closes the machine and
// forgets its files.
void close_world_script();
