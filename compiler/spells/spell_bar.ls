// The spell bar: the spell grid along the bottom of the screen with the two
// spells on the cast buttons marked, health and mana above it, and the
// crosshair. Holding the spell key opens the grid for choosing: a click puts
// the spell under the mouse on that button.
import spells.aim
import screens.hud_damage
import screens.hud_goal
import screens.hud_map
import screens.tooltip

// Casts as the cast buttons do: at a creature under the crosshair when the
// spell can hit one, else at the ground there. Null, or why it failed.
inline const char* cast_spell_at_crosshair(int kind) {
    AimTarget aim = player_aim();
    PlacedObject* prey = spell_hits_creatures(kind) ? aim.prey : nullptr;
    return cast_spell(kind, prey ? prey->pos : aim.ground, prey);
}

// A line for the player from the world (goals, progress), shown at the top
// for a few seconds.
inline char hud_message[160] = "";
inline float hud_message_time = 0.f;
inline void show_hud_message(const char* text) {
    snprintf(hud_message, sizeof(hud_message), "%s", text ? text : "");
    hud_message_time = 6.f;
}

namespace {
bool choosing = false;
const char* bar_message = nullptr;  // why the last cast failed
float bar_message_time = 0.f;

// In pixels; the bar and the grid scale with the window as the menus do.
struct BarLayout {
    float cell, gap, x0, y0;
    float meter, meterY;  // health and mana above the bar: height, top
};

BarLayout bar_layout() {
    float s = hud::scale();
    BarLayout l;
    l.cell = choosing ? fmaxf(40.f, 76.f * s) : fmaxf(24.f, 46.f * s);
    l.gap = l.cell / 8;
    float w = SPELL_GRID_NX * (l.cell + l.gap) - l.gap;
    float h = SPELL_GRID_NY * (l.cell + l.gap) - l.gap;
    l.x0 = (float(d3d_wd) - w) / 2;
    l.y0 = choosing ? (float(d3d_ht) - h) / 2 : float(d3d_ht) - h - l.gap * 3;
    l.meter = fmaxf(12.f, 20.f * s);
    l.meterY = l.y0 - l.meter - l.gap * 2;
    return l;
}

int cell_under_mouse() {
    float mx, my;
    getMousePos(&mx, &my);
    BarLayout l = bar_layout();
    int cx = int(floorf((mx - l.x0) / (l.cell + l.gap)));
    int cy = int(floorf((my - l.y0) / (l.cell + l.gap)));
    if (cx < 0 || cy < 0 || cx >= SPELL_GRID_NX || cy >= SPELL_GRID_NY) return -1;
    return cy * SPELL_GRID_NX + cx;
}

D3dColor dim(D3dColor c, float k) {
    auto ch = [&](int sh) { return unsigned(float((c >> sh) & 255) * k) << sh; };
    return (c & 0xff000000u) | ch(16) | ch(8) | ch(0);
}
D3dColor lighten(D3dColor c) { return menu::mix_color(c, 0xFFFFFFFF, 0.55f); }

// A meter with its icon on the left and its value written across it.
void draw_meter(float x, float y, float w, float h, float v, D3dColor fill, const char* icon, const char* label) {
    hud::rect(x - 1, y - 1, x + w + 1, y + h + 1, 0xC0101018);
    hud::rect(x, y, x + w * clampf(v, 0.f, 1.f), y + h, fill);
    hud::icon(icon, x + h * 0.5f, y + h * 0.5f, h * 1.5f, lighten(fill), 0xFFFFFFFF);
    hud::text(x + w / 2, y + h / 2, 0, 0xFFFFFFFF, fmaxf(11.f, h * 0.8f), label);
}

Player* bar_player() { return static_cast<Player*>(local_player); }

void try_cast(int kind) {
    const char* failed = cast_spell_at_crosshair(kind);
    if (failed) {
        bar_message = failed;
        bar_message_time = 2.5f;
    }
}

// One cell of the bar: the spell's icon, dimmed when the mana is short,
// the cooldown draining from the top, and the L and R marks.
void draw_spell_cell(const Player* p, const Spell* s, float x, float y, float cell, bool hover) {
    hud::rect(x, y, x + cell, y + cell, hover ? 0xD0404860 : 0xA0181820);
    if (!s) return;
    const SpellInfo& info = spell_info(s->kind);
    bool affordable = p->mana >= info.mana;
    D3dColor c = affordable ? info.color : dim(info.color, 0.45f);
    hud::icon(info.name, x + cell / 2, y + cell / 2, cell * 0.78f, c, affordable ? lighten(c) : dim(0xFFFFFFFF, 0.5f),
              affordable ? 0xFFFFFFFF : 0xFF808080, affordable ? 0xFFE0E0E0 : 0xFF707070);
    float shade = (cell - 2) * s->cooldownFraction();
    if (shade > 0) hud::rect(x + 1, y + 1, x + cell - 1, y + 1 + shade, 0xB0000000);
    bool left = s->kind == p->leftSpell, right = s->kind == p->rightSpell;
    float ts = fmaxf(11.f, cell * 0.3f);
    if (left) hud::text(x + 3, y + 1, DIST_ALIGN_LEFT | DIST_ALIGN_TOP, 0xFFFFFF80, ts, "L");
    if (right) hud::text(x + cell - 3, y + 1, DIST_ALIGN_RIGHT | DIST_ALIGN_TOP, 0xFFFFFF80, ts, "R");
    if (left || right)
        render_rounded_box(gui_batch, _mm_setr_ps(x, y, x + cell, y + cell), _mm_set1_ps(0), 0, 1.f, 0, 1.f, 1.f,
                           0xFFFFE080, fmaxf(1.f, cell / 24.f));
}
}  // namespace

// While choosing, a click puts the spell under the mouse on that button.
// Clicks are taken in the update, where every press is seen once; the mouse
// pass of a frame can follow several updates and miss them.
inline void choose_from_grid(Player* p) {
    int cell = cell_under_mouse();
    Spell* s = cell >= 0 && cell < spell_grid.num ? spell_grid[cell] : nullptr;
    if (s && button_down(B_LSPELL)) p->leftSpell = s->kind;
    if (s && button_down(B_RSPELL)) p->rightSpell = s->kind;
}

inline void update_spell_bar(float dt) {
    Player* p = bar_player();
    bar_message_time -= dt;
    hud_message_time -= dt;
    hud::update_damage_arcs(dt);
    hud::update_goal_banner(dt);
    if (!p) return;
    choosing = button_state(B_SPELLS);
    if (choosing) {
        choose_from_grid(p);
        return;
    }
    if (button_down(B_LSPELL)) try_cast(p->leftSpell);
    if (button_down(B_RSPELL)) try_cast(p->rightSpell);
}

// The mouse is the grid's while choosing, not the camera's.
inline bool spell_bar_takes_mouse() { return bar_player() && choosing; }

inline void draw_spell_bar() {
    Player* p = bar_player();
    if (!p) return;
    float s = hud::scale();
    BarLayout l = bar_layout();
    int hover = choosing ? cell_under_mouse() : -1;
    if (choosing) hud::rect(0, 0, float(d3d_wd), float(d3d_ht), 0x60000000);
    if (!choosing) hud::draw_goal_panel();
    for (int i = 0; i < SPELL_GRID_NX * SPELL_GRID_NY; i++) {
        float x = l.x0 + float(i % SPELL_GRID_NX) * (l.cell + l.gap);
        float y = l.y0 + float(i / SPELL_GRID_NX) * (l.cell + l.gap);
        draw_spell_cell(p, i < spell_grid.num ? spell_grid[i] : nullptr, x, y, l.cell, i == hover);
    }
    float w = SPELL_GRID_NX * (l.cell + l.gap) - l.gap;
    float cx = 0.5f * float(d3d_wd), cy = 0.5f * float(d3d_ht);
    if (!choosing) {
        float mh = l.meter, my = l.meterY;
        char label[48];
        snprintf(label, sizeof(label), "Health %d", int(ceilf(p->health)));
        draw_meter(l.x0, my, w / 2 - l.gap, mh, p->health / p->maxHealth, 0xE0C03030, "health", label);
        snprintf(label, sizeof(label), "Mana %d", int(p->mana));
        draw_meter(l.x0 + w / 2 + l.gap, my, w / 2 - l.gap, mh, p->mana / p->maxMana, 0xE03060E0, "mana", label);
        // Crosshair.
        float r = fmaxf(6.f, 16.f * s), t = fmaxf(1.f, 1.5f * s);
        D3dColor cc = 0xE0FFFFFF;
        render_ui_line(gui_batch, _mm_setr_ps(cx - r, cy, cx - r / 3, cy), t, cc);
        render_ui_line(gui_batch, _mm_setr_ps(cx + r / 3, cy, cx + r, cy), t, cc);
        render_ui_line(gui_batch, _mm_setr_ps(cx, cy - r, cx, cy - r / 3), t, cc);
        render_ui_line(gui_batch, _mm_setr_ps(cx, cy + r / 3, cx, cy + r), t, cc);
        if (bar_message && bar_message_time > 0.f)
            hud::text(cx, cy + r * 2, DIST_ALIGN_TOP, hud::with_alpha(0xFFFFC060, bar_message_time),
                      hud::text_size(22), bar_message);
        hud::draw_damage_arcs();
    } else {
        hud::text(cx, l.y0 + SPELL_GRID_NY * (l.cell + l.gap) + l.gap * 2, DIST_ALIGN_TOP, 0xFFE0E0E0,
                  hud::text_size(22), "Left or right click puts a spell on that button");
    }
    if (hud_message[0] && hud_message_time > 0.f)
        hud::text(cx, float(d3d_ht) / 6, 0, hud::with_alpha(0xFFFFE8A0, hud_message_time), hud::text_size(26),
                  hud_message);
    hud::draw_goal_banner();
    if (p->hurtFlash > 0.f) hud::rect(0, 0, float(d3d_wd), float(d3d_ht), hud::with_alpha(0xFFFF0000, p->hurtFlash * 0.8f));
    if (!choosing && button_state(B_MAP)) hud::draw_play_map(l.meterY - l.gap);
    hud::flush();
    // The spell under the mouse, named in a tooltip above the grid, where
    // it covers no other spell.
    if (hover >= 0 && hover < spell_grid.num && spell_grid[hover]) {
        const SpellInfo& info = spell_info(spell_grid[hover]->kind);
        char tip[256];
        snprintf(tip, sizeof(tip), "%s\n%s\nMana %d", info.title, info.help, int(info.mana));
        float tw, th;
        menu::tooltip_size(tip, &tw, &th);
        menu::draw_tooltip_box(tip, fmaxf(0.f, cx - tw / 2), fmaxf(0.f, l.y0 - th - l.gap * 2));
        hud::flush();
    }
}
