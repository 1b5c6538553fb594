// The spell bar: the spell grid along the bottom of the screen with the two
// spells on the cast buttons marked, health and mana above it, and the
// crosshair. Holding the spell key opens the grid for choosing: a click puts
// the spell under the mouse on that button.
import spells.aim

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

struct BarLayout {
    int cell, gap, x0, y0;
};

BarLayout bar_layout() {
    BarLayout l;
    l.cell = choosing ? (d3d_ht / 9 > 56 ? d3d_ht / 9 : 56) : (d3d_ht / 16 > 36 ? d3d_ht / 16 : 36);
    l.gap = l.cell / 8;
    int w = SPELL_GRID_NX * (l.cell + l.gap) - l.gap;
    int h = SPELL_GRID_NY * (l.cell + l.gap) - l.gap;
    l.x0 = (d3d_wd - w) / 2;
    l.y0 = choosing ? (d3d_ht - h) / 2 : d3d_ht - h - l.gap * 3;
    return l;
}

int cell_under_mouse() {
    float mx, my;
    getMousePos(&mx, &my);
    BarLayout l = bar_layout();
    int cx = int(floorf((mx - float(l.x0)) / float(l.cell + l.gap)));
    int cy = int(floorf((my - float(l.y0)) / float(l.cell + l.gap)));
    if (cx < 0 || cy < 0 || cx >= SPELL_GRID_NX || cy >= SPELL_GRID_NY) return -1;
    return cy * SPELL_GRID_NX + cx;
}

D3dColor with_alpha(D3dColor c, int a) { return (c & 0xffffff) | (unsigned(a) << 24); }
D3dColor dim(D3dColor c, float k) {
    auto ch = [&](int sh) { return unsigned(float((c >> sh) & 255) * k) << sh; };
    return (c & 0xff000000u) | ch(16) | ch(8) | ch(0);
}

void draw_meter(int x, int y, int w, int h, float v, D3dColor fill, const char* label) {
    draw_rect(x - 1, y - 1, x + w + 1, y + h + 1, 0xc0101018);
    draw_rect(x, y, x + int(float(w) * clampf(v, 0.f, 1.f)), y + h, fill);
    draw_text(label, -1, x + w / 2, y + h / 2, TEXT_CENTER, TEXT_MIDDLE, 0xffffffff);
}

Player* bar_player() { return static_cast<Player*>(local_player); }

void try_cast(int kind) {
    const char* failed = cast_spell_at_crosshair(kind);
    if (failed) {
        bar_message = failed;
        bar_message_time = 1.5f;
    }
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
    if (!p || !bitmap_font_loaded()) return;
    start_draw_text();
    BarLayout l = bar_layout();
    int hover = choosing ? cell_under_mouse() : -1;
    if (choosing) draw_rect(0, 0, d3d_wd, d3d_ht, 0x60000000);
    for (int i = 0; i < SPELL_GRID_NX * SPELL_GRID_NY; i++) {
        int x = l.x0 + (i % SPELL_GRID_NX) * (l.cell + l.gap);
        int y = l.y0 + (i / SPELL_GRID_NX) * (l.cell + l.gap);
        Spell* s = i < spell_grid.num ? spell_grid[i] : nullptr;
        draw_rect(x, y, x + l.cell, y + l.cell, i == hover ? 0xd0404860 : 0xa0181820);
        if (!s) continue;
        const SpellInfo& info = spell_info(s->kind);
        bool affordable = p->mana >= info.mana;
        D3dColor c = affordable ? info.color : dim(info.color, 0.45f);
        int m = l.cell / 6;
        draw_rect(x + m, y + m, x + l.cell - m, y + l.cell - m, with_alpha(dim(c, 0.55f), 230));
        // The cooldown drains from the top.
        int shade = int(float(l.cell - 2 * m) * s->cooldownFraction());
        if (shade > 0) draw_rect(x + m, y + m, x + l.cell - m, y + m + shade, 0xb0000000);
        char abbrev[4] = {info.title[0], info.title[1], info.title[2], 0};
        draw_text(abbrev, -1, x + l.cell / 2, y + l.cell / 2, TEXT_CENTER, TEXT_MIDDLE, 0xffffffff);
        if (s->kind == p->leftSpell) draw_text("L", -1, x + 3, y + 2, TEXT_LEFT, TEXT_TOP, 0xffffff80);
        if (s->kind == p->rightSpell) draw_text("R", -1, x + l.cell - 3, y + 2, TEXT_RIGHT, TEXT_TOP, 0xffffff80);
        if (s->kind == p->leftSpell || s->kind == p->rightSpell) draw_box(x, y, x + l.cell, y + l.cell, 0xffffe080);
        if (i == hover) {
            char line[160];
            snprintf(line, sizeof(line), "%s - %s (mana %d)", info.title, info.help, int(info.mana));
            draw_text(line, -1, d3d_wd / 2, l.y0 - l.gap * 3, TEXT_CENTER, TEXT_BOTTOM, 0xffffffff);
        }
    }
    int w = SPELL_GRID_NX * (l.cell + l.gap) - l.gap;
    int mh = bitmap_font_cell_height() + 4;
    if (!choosing) {
        char label[48];
        snprintf(label, sizeof(label), "Health %d", int(p->health));
        draw_meter(l.x0, l.y0 - 2 * mh - l.gap * 2, w / 2 - l.gap, mh, p->health / p->maxHealth, 0xe0c03030, label);
        snprintf(label, sizeof(label), "Mana %d", int(p->mana));
        draw_meter(l.x0 + w / 2 + l.gap, l.y0 - 2 * mh - l.gap * 2, w / 2 - l.gap, mh, p->mana / p->maxMana,
                   0xe03060e0, label);
        // Crosshair.
        int cx = d3d_wd / 2, cy = d3d_ht / 2, r = d3d_ht / 60 + 4;
        draw_rect(cx - r, cy, cx - r / 3, cy + 1, 0xe0ffffff);
        draw_rect(cx + r / 3, cy, cx + r, cy + 1, 0xe0ffffff);
        draw_rect(cx, cy - r, cx + 1, cy - r / 3, 0xe0ffffff);
        draw_rect(cx, cy + r / 3, cx + 1, cy + r, 0xe0ffffff);
        if (bar_message && bar_message_time > 0.f) draw_text(bar_message, -1, cx, cy + r * 2, TEXT_CENTER, TEXT_TOP, 0xffffc060);
    } else {
        draw_text("Left or right click puts a spell on that button", -1, d3d_wd / 2,
                  l.y0 + SPELL_GRID_NY * (l.cell + l.gap) + l.gap * 2, TEXT_CENTER, TEXT_TOP, 0xffe0e0e0);
    }
    if (hud_message[0] && hud_message_time > 0.f) {
        int alpha = int(255.f * clampf(hud_message_time, 0.f, 1.f));
        draw_text(hud_message, -1, d3d_wd / 2, d3d_ht / 6, TEXT_CENTER, TEXT_MIDDLE, with_alpha(0xffffe8a0, alpha));
    }
    if (p->hurtFlash > 0.f) draw_rect(0, 0, d3d_wd, d3d_ht, with_alpha(0xff0000, int(p->hurtFlash * 200.f)));
    end_draw_text();
}
