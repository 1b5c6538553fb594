#pragma once
// Game-mode entry points that leave_world and the world machine's reload
// use. The game modes provide them; while they are not in the program each
// is a null address and the mode switch is skipped.
class GameMode;

__attribute__((weak)) void set_game_mode(GameMode* mode);
__attribute__((weak)) void reset_fly_control();
__attribute__((weak)) GameMode* get_universe_mode();
__attribute__((weak)) GameMode* get_play_mode();
// Redraws the universe screen after the universe was generated again.
__attribute__((weak)) void refresh_universe_screen();
