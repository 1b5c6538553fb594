// The developers' menu (Ctrl+F12 in play): monsters on or off, endless
// mana, every spell, a wyvern to test against, health back.
import screens.menu_kit
import objects.player
import creatures.creatures

void toggle_monster_spawn();
void toggle_mana_cheat();
void add_all_spells();
void spawn_monster();

namespace menu {

enum CheatRow { CHEAT_MONSTERS, CHEAT_MANA, CHEAT_SPELLS, CHEAT_WYVERN, CHEAT_HEAL, CHEAT_COUNT };

inline Player* cheating_player() { return static_cast<Player*>(local_player); }

inline void run_cheat(int row) {
    Player* player = cheating_player();
    switch (row) {
        case CHEAT_MONSTERS: toggle_monster_spawn(); break;
        case CHEAT_MANA: toggle_mana_cheat(); break;
        case CHEAT_SPELLS: add_all_spells(); break;
        case CHEAT_WYVERN: spawn_monster(); break;
        case CHEAT_HEAL:
            if (player) player->health = player->maxHealth;
            break;
    }
    if (cur_game_screen) static_cast<Screen*>(cur_game_screen)->shown();
}

struct CheatMenuScreen : Screen {
    Button* rows[CHEAT_COUNT] = {};
    void build() override {
        Column* col = new Column;
        col->title = "Cheats";
        col->subtitle = "For trying things out";
        col->top = 0.3f;
        col->width = 420;
        col->rowHeight = 44;
        root->addChild(col);
        for (int i = 0; i < CHEAT_COUNT; i++) rows[i] = addButton(col, "", run_cheat, i);
        addButton(col, "Back", back_to_menu);
    }
    void shown() override {
        Player* player = cheating_player();
        char text[96];
        snprintf(text, sizeof(text), "Monsters: %s", monster_spawn_enabled_flag ? "on" : "off");
        rows[CHEAT_MONSTERS]->setLabel(text);
        snprintf(text, sizeof(text), "Endless mana: %s", player && player->manaCheat ? "on" : "off");
        rows[CHEAT_MANA]->setLabel(text);
        rows[CHEAT_SPELLS]->setLabel("Learn every spell");
        rows[CHEAT_WYVERN]->setLabel("Call a wyvern");
        rows[CHEAT_HEAL]->setLabel("Full health");
        // Without a player there is nobody to cheat for.
        for (int i = CHEAT_MANA; i < CHEAT_COUNT; i++) rows[i]->setEnabled(player != nullptr);
    }
    void escape() override { later(back_to_menu, 0); }
};

inline ModuleScreenFactory cheat_menu_maker() { return &make_screen<CheatMenuScreen>; }

inline void open_cheats() { show_screen(cheat_menu_screen, cheat_menu_maker()); }

}  // namespace menu
