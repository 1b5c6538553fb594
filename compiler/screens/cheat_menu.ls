// The developers' menu (Ctrl+F12 in play): monsters on or off, endless
// mana, every spell, a wyvern to test against, health back, a hit to try
// the damage display and the death screen with, and the world's goal met.
// Back (or Escape) returns to the game it was opened from.
import screens.menu_kit
import screens.script_values
import objects.player
import creatures.creatures

void toggle_monster_spawn();
void toggle_mana_cheat();
void add_all_spells();
void spawn_monster();
void open_game_menu();

namespace menu {

enum CheatRow {
    CHEAT_MONSTERS,
    CHEAT_MANA,
    CHEAT_SPELLS,
    CHEAT_WYVERN,
    CHEAT_HEAL,
    CHEAT_HIT,
    CHEAT_GOAL,
    CHEAT_COUNT
};

// Sends the world script the events its goal still waits for.
inline void meet_world_goal() {
    sqbind::SqObject goal = root_value("world_goal");
    sqbind::SqObject events = slot_value(goal, "events");
    if (events.type() != OT_ARRAY || events.size() == 0) return;
    sqbind::SqObject first = events[0];
    if (first.type() != OT_STRING) return;
    char event[64];
    snprintf(event, sizeof(event), "%s", first.toString());
    for (int left = table_int(goal, "left", 0); left > 0; left--) world_script_str_event(event);
}

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
        case CHEAT_HIT:
            if (player) player->hurt(60.f, player->pos + Vec3(30.f, 0, 10.f), "a cheat");
            // The menu is up already: the death screen replaces it.
            if (player && player->fallen) {
                open_game_menu();
                return;
            }
            break;
        case CHEAT_GOAL: meet_world_goal(); break;
    }
    if (cur_game_screen) static_cast<Screen*>(cur_game_screen)->shown();
}

struct CheatMenuScreen : Screen {
    Button* rows[CHEAT_COUNT] = {};
    void build() override {
        Column* col = new Column;
        col->title = "Cheats";
        col->subtitle = "For trying things out";
        col->top = 0.26f;
        col->width = 420;
        col->rowHeight = 40;
        col->spacing = 8;
        root->addChild(col);
        for (int i = 0; i < CHEAT_COUNT; i++) rows[i] = addButton(col, "", run_cheat, i);
        addButton(col, "Back", resume_game);
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
        rows[CHEAT_HIT]->setLabel("Take a hit (60 health)");
        rows[CHEAT_GOAL]->setLabel("Meet this world's goal");
        // Without a player there is nobody to cheat for.
        for (int i = CHEAT_MANA; i < CHEAT_COUNT; i++) rows[i]->setEnabled(player != nullptr && !player->fallen);
        rows[CHEAT_GOAL]->setEnabled(root_value("world_goal").type() == OT_TABLE);
    }
    void escape() override { later(resume_game, 0); }
};

inline ModuleScreenFactory cheat_menu_maker() { return &make_screen<CheatMenuScreen>; }

inline void open_cheats() { show_screen(cheat_menu_screen, cheat_menu_maker()); }

}  // namespace menu
