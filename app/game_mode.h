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
