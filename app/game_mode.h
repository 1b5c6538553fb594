#pragma once
// The interface of a game mode. The frame loop calls update once per fixed
// step and the two drawing operations once per drawn frame. The slot order is
// shared with the game-object module and must not change.

class GameMode {
public:
  virtual void enter(GameMode* previous) = 0;
  virtual void leave(GameMode* next) = 0;
  virtual void update(float dt) = 0;
  virtual void render(float dt) = 0;          // the 3D scene
  virtual void renderOverlay(float dt) = 0;   // menus and HUD over the back buffer
  virtual void reserved() {}                  // never called
};

// The six modes, one instance each (exported to the game-object module).
extern GameMode* play_mode;
extern GameMode* dev_mode;        // free-flying development camera
extern GameMode* game_menu_mode;  // in-game menu; returns to the mode it came from
extern GameMode* main_menu_mode;  // attract flight over a menu world
extern GameMode* universe_mode;   // universe map
extern GameMode* warp_mode;       // one second of distortion between worlds

// The modes offer their switches to the subsystems below them (the world
// script's leave_world and reload); the mode is cleared on close.
void init_game_modes();
void close_game_modes();

// Nothing when `mode` is current; otherwise the current mode's leave, the
// switch, then the new mode's enter.
void set_game_mode(GameMode* mode);
// Closes the menus, forgets the universe, builds a "main_menu" world and
// enters the main menu.
void go_to_main_menu();
GameMode* get_play_mode();
GameMode* get_universe_mode();
GameMode* get_warp_mode();
// The universe was generated again while its map is shown.
void refresh_universe_screen();

// Steps the modes share.
// The world advances one update: sky, terrain renderer, morphing, fluids,
// effects, objects, and (in play) the spell menu.
void step_world(float dt, bool with_spells_ui);
// The 3D scene from the camera, composed into the back buffer.
void draw_world_view(float dt);
// The whole terrain is handed to the renderer again.
void refresh_whole_land();
// The module asked the menu screens to close. The request is used up, so
// it cannot close the next menu as well.
bool take_menu_close_request();
