// The world's goal in a corner of the play screen, with how far the player
// has come; a banner and a sound when it is met. The goal itself lives in
// the world script ("world_goal"; null once met or where there is none).
import screens.hud_kit
import screens.script_values

namespace hud {

// Progress in the player's words, e.g. "Wyverns slain 0/1".
inline void goal_progress(const sqbind::SqObject& goal, char* out, int size) {
    const char* kind = menu::slot_text(goal, "kind", "");
    int total = menu::table_int(goal, "total", 0), left = menu::table_int(goal, "left", 0);
    const char* what = strcmp(kind, "castle") == 0   ? "Strongholds down"
                       : strcmp(kind, "spells") == 0 ? "Spells found"
                       : strcmp(kind, "wyverns") == 0 ? "Wyverns slain"
                                                      : "Done";
    snprintf(out, size, "%s %d/%d", what, total - left, total);
}

inline char goal_banner[128] = "";
inline float goal_banner_time = 0.f;

inline void update_goal_banner(float dt) { goal_banner_time = fmaxf(0.f, goal_banner_time - dt); }

inline void draw_goal_panel() {
    sqbind::SqObject world = menu::root_value("cur_world");
    if (world.type() != OT_TABLE) return;
    sqbind::SqObject goal = menu::root_value("world_goal");
    bool cleared = menu::slot_value(world, "cleared").toBool();
    const char* line1 = nullptr;
    char line2[96] = "";
    if (goal.type() == OT_TABLE) {
        line1 = menu::slot_text(goal, "text", "");
        goal_progress(goal, line2, sizeof(line2));
    } else if (cleared) {
        line1 = "World cleared";
        snprintf(line2, sizeof(line2), "Find the portal to go on");
    } else {
        return;
    }
    float s = scale(), big = text_size(22), small = text_size(18), pad = 10 * s;
    float w = fmaxf(text_width(line1, big), text_width(line2, small)) + 2 * pad + (cleared ? big : 0);
    float x0 = 14 * s, y0 = 14 * s, h = big + small + 2.4f * pad;
    panel(x0, y0, x0 + w, y0 + h);
    float tx = x0 + pad;
    if (cleared) {
        icon("check", tx + big * 0.4f, y0 + pad + big * 0.5f, big * 0.9f, 0xFF70E070);
        tx += big;
    }
    text(tx, y0 + pad, DIST_ALIGN_LEFT | DIST_ALIGN_TOP, menu::TITLE, big, line1);
    text(tx, y0 + pad * 1.4f + big, DIST_ALIGN_LEFT | DIST_ALIGN_TOP, menu::TEXT, small, line2);
}

inline void draw_goal_banner() {
    if (goal_banner_time <= 0.f || !goal_banner[0]) return;
    float s = scale(), a = clampf(goal_banner_time, 0.f, 1.f);
    float cy = 0.3f * float(d3d_ht), size = 56 * s;
    text(0.5f * float(d3d_wd), cy, 0, with_alpha(menu::TITLE, a), size, "Goal met!", title_font);
    text(0.5f * float(d3d_wd), cy + 0.8f * size, DIST_ALIGN_TOP, with_alpha(menu::TEXT, a), text_size(26),
         goal_banner);
}

}  // namespace hud

// The world script's word that the goal is met: a banner and a fanfare.
inline void show_goal_met(const char* text) {
    snprintf(hud::goal_banner, sizeof(hud::goal_banner), "%s", text ? text : "");
    hud::goal_banner_time = 5.f;
    play_sound_2d("enter_world");
    debug("goal met: %s", hud::goal_banner);
}
